// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Gui::Wisp::HelpManager: the process's way to the default viewer, browser and help.
 */
#pragma once

#include <Gui/Wisp/wisp_export.h>

#include <QtCore/QString>

/**
 * The application family's GUI support.
 *
 * @since 1.19
 */
namespace Gui {
/**
 * The GUI support library, libKelWisp: the settings store, the recent-file
 * list, the help managers and the image cache.
 *
 * @since 1.19
 */
namespace Wisp {

/**
 * The interface to the platform's default PDF viewer, web browser and help,
 * which a host installs for the process.
 *
 * The library never creates one itself; DesktopHelpManager is the ready-made
 * one. Kel::UserSettings::RunPDFViewer, Kel::UserSettings::RunWebBrowser and
 * Kel::Help::ShowHelpTopic go through the installed manager, and do nothing
 * without one.
 *
 * @code
 * static Gui::Wisp::DesktopHelpManager help;
 * Gui::Wisp::HelpManager::setInstance(&help);
 * @endcode
 *
 * A manager of the host's own derives from this class and calls uninstall()
 * first in its destructor.
 *
 * @threads getInstance() and setInstance() on any thread; the rest as the
 *          derived manager allows (DesktopHelpManager: any thread).
 * @since 1.19
 */
class WISP_EXPORT HelpManager
{
public:
    /** How showHelpTopic() looks a topic up. */
    enum TopicPrefix {
        NoPrefix = 0,      ///< the topic as it stands
        ContextPrefix = 1, ///< kept for the family's callers; looked up the same way
    };

    /** A manager that is not installed yet. */
    HelpManager();
    /** Uninstalls the manager if it is the installed one. */
    virtual ~HelpManager();

    HelpManager(const HelpManager &) = delete;
    HelpManager &operator=(const HelpManager &) = delete;

    /**
     * The installed manager.
     *
     * @return the manager that setInstance() installed, or null
     * @threads Any thread; it sees null or a fully made manager.
     */
    static HelpManager *getInstance();
    /**
     * Installs @p manager for the process, replacing the one installed.
     *
     * A manager that is destroyed while installed uninstalls itself.
     *
     * @param manager the manager, which the caller keeps owning; null uninstalls
     * @threads Any thread.
     */
    static void setInstance(HelpManager *manager);

    /**
     * The platform's default PDF viewer as a command line.
     *
     * @return the command line with "%1" for the file, or a null string when
     *         none is known
     */
    virtual QString getPDFViewer() const = 0;
    /**
     * The platform's default web browser as a command line.
     *
     * @return the command line with "%1" for the URL, or a null string when
     *         none is known
     */
    virtual QString getWebBrowser() const = 0;

    /**
     * Shows @p file in the default PDF viewer.
     *
     * @param file the file, with the platform's separators
     * @return true when the viewer started
     */
    virtual bool runPDFReader(const QString &file) = 0;
    /**
     * Opens @p url in the default web browser.
     *
     * @param url the address
     * @return true when the browser started
     */
    virtual bool runWebBrowser(const QString &url) = 0;

    /**
     * Opens @p topic of the help map @p mapName.
     *
     * @param mapName the help map, a file name
     * @param topic the topic's identifier
     * @param prefix how to look the topic up
     * @return true when the topic opened
     */
    virtual bool showHelpTopic(const QString &mapName, const QString &topic, TopicPrefix prefix) = 0;

protected:
    /**
     * Takes this manager out of the process slot when it is the installed one.
     *
     * A derived destructor calls it first, so no caller reaches a manager
     * whose derived part is already gone. Another manager installed meanwhile
     * stays installed.
     */
    void uninstall() noexcept;
};

} // namespace Wisp
} // namespace Gui
