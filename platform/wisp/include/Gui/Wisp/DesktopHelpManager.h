// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Gui::Wisp::DesktopHelpManager: the help manager that uses the desktop's default programs.
 */
#pragma once

#include <Gui/Wisp/HelpManager.h>

#include <QtCore/QStringList>

#include <memory>

namespace Gui {
namespace Wisp {

/**
 * The ready-made help manager: the desktop's default programs and help maps
 * in the help folders.
 *
 * Installed in one line:
 * @code
 * static Gui::Wisp::DesktopHelpManager help; Gui::Wisp::HelpManager::setInstance(&help);
 * @endcode
 *
 * On freedesktop systems the default program is the opener "xdg-open" found
 * in the absolute entries of PATH; on macOS "open"; on Windows the program
 * registered for .pdf files or http URLs. Programs are started by
 * Port::Launcher, never through a shell. Why a program did not start goes to
 * the logging category "kel.launch".
 *
 * @threads Any thread. A late failure of a started program is reported on
 *          the thread of the application object.
 * @since 1.19
 */
class WISP_EXPORT DesktopHelpManager : public HelpManager
{
public:
    /** A manager with the default help folders; install it with setInstance(). */
    DesktopHelpManager();
    /** Uninstalls the manager if it is the installed one. */
    ~DesktopHelpManager() override;

    /**
     * The desktop's opener as a PDF viewer.
     *
     * @return the default program's command line with "%1" for the file (the
     *         opener's path, in double quotes when it holds a blank, then " %1"),
     *         or a null string when none is known
     * @blocking One file-status check per entry of PATH.
     */
    QString getPDFViewer() const override;
    /**
     * The desktop's opener as a web browser.
     *
     * @return the default program's command line with "%1" for the URL (the
     *         opener's path, in double quotes when it holds a blank, then " %1"),
     *         or a null string when none is known
     * @blocking One file-status check per entry of PATH.
     */
    QString getWebBrowser() const override;

    /**
     * Shows @p file with the desktop's default program for PDF files.
     *
     * A relative file is made absolute first, so "-x.pdf" is opened as
     * "<working folder>/-x.pdf". An opener that exits with a failure status
     * or is ended by a signal within Port::Launcher::LateFailureWindowMs is
     * reported on the message channel then, naming the opener, the target
     * and the status.
     *
     * @param file the file
     * @return true as soon as the default program runs; false, with the
     *         reason in the logging category "kel.launch", for a missing
     *         opener, one that cannot be started, or an empty file
     * @blocking Until the program runs, never for its end.
     */
    bool runPDFReader(const QString &file) override;
    /**
     * Opens @p url with the desktop's default web browser.
     *
     * A late failure is reported as for runPDFReader().
     *
     * @param url the address
     * @return true as soon as the default program runs; false, with the
     *         reason in the logging category "kel.launch", for a missing
     *         opener, one that cannot be started, or a URL that is empty or
     *         begins with '-'
     * @blocking Until the program runs, never for its end.
     */
    bool runWebBrowser(const QString &url) override;

    /**
     * Opens @p topic of the help map @p mapName in the default web browser.
     *
     * The map is looked for in helpFolders(), in order. It holds
     * "topic = target" lines (blank lines and lines starting with '#' are
     * ignored); a target is a URL or a path relative to the map's folder.
     *
     * @param mapName the map: a plain file name, never reaching outside the
     *        help folders
     * @param topic the topic, looked up as it stands
     * @param prefix kept for the family's callers: both values look the topic
     *        up the same way
     * @return true when the browser started; false, with the reason in the
     *         logging category "kel.launch", for a missing map or unknown topic
     * @blocking Reads the map, then as runWebBrowser().
     */
    bool showHelpTopic(const QString &mapName, const QString &topic, TopicPrefix prefix) override;

    /**
     * Sets the folders searched for help maps, in order.
     *
     * @param folders the folders; they replace the defaults entirely, and an
     *        empty list searches nowhere
     */
    void setHelpFolders(const QStringList &folders);
    /** @return the folders searched for help maps, in order: those set, else defaultHelpFolders() */
    QStringList helpFolders() const;

    /**
     * The help folders used until setHelpFolders() is called.
     *
     * @return "help" beside the executable (once an application object
     *         exists), then "<prefix>/share/KelGuiUtilities/help"
     */
    static QStringList defaultHelpFolders();

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Wisp
} // namespace Gui
