// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::UserSettings: the user's preferences, display state, recent projects and external viewers.
 */
#pragma once

#include <kel_guiutilities_export.h>

#include <Port/StringBase.h>

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <vector>

/**
 * The host's calls of libKel_GuiUtilities, and the ready-made widgets of
 * libKel_GuiUtilitiesWidgets.
 *
 * @since 1.19
 */
namespace Kel {

/**
 * The user's preferences, display state, recent projects, and the PDF viewer
 * and web browser they choose.
 *
 * Every preference lives under the settings scope "Molvane", in the INI file
 * that Gui::Wisp::Settings keeps and QSettings programs share. Getters read
 * the store afresh on every call; setters write the value before they return
 * and give 0, or 1 when it could not be stored (the logging category
 * "kel.settings" says why). The launchers give 0 on success and 1 after a
 * warning on the message channel (Port_MsgManData, domain "kel").
 *
 * Static functions only.
 *
 * "A read" below is one look at the store file's status and a lookup: it
 * never waits for another store object, thread or process; a changed file is
 * read again through QSettings. "A write" replaces the file whole and flushes
 * it to disk, waiting at most ten seconds for another program's lock on the
 * file; then the value is not stored, and the setter gives 1.
 *
 * @threads Any thread, except for the launchers (RunPDFViewer(),
 *          RunWebBrowser()): the thread of the application object.
 * @since 1.19
 */
class KEL_GUIUTILITIES_EXPORT UserSettings
{
public:
    UserSettings() = delete;

    /**
     * Whether the platform's default PDF viewer is used, rather than the
     * user's command line.
     *
     * @return the stored flag; true when unset
     * @blocking A read.
     */
    static bool GetUseDefaultPDFViewer();
    /**
     * Stores whether the platform's default PDF viewer is used. The user's
     * command line stays stored either way.
     *
     * @param useDefault true for the default viewer, false for the user's command line
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetUseDefaultPDFViewer(bool useDefault);
    /**
     * Whether the platform's default web browser is used, rather than the
     * user's command line.
     *
     * @return the stored flag; true when unset
     * @blocking A read.
     */
    static bool GetUseDefaultWebBrowser();
    /**
     * Stores whether the platform's default web browser is used. The user's
     * command line stays stored either way.
     *
     * @param useDefault true for the default browser, false for the user's command line
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetUseDefaultWebBrowser(bool useDefault);
    /**
     * Stores the user's PDF viewer command line, as it is given.
     *
     * @param commandLine a program path (in double quotes when it holds
     *        blanks), then blank-separated arguments in which "%1" stands for
     *        the file; Kel::ViewerCommand tells what it would start
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetPDFViewerPath(const Port::StringBase &commandLine);
    /**
     * Stores the user's web browser command line, as it is given.
     *
     * @param commandLine a program path (in double quotes when it holds
     *        blanks), then blank-separated arguments in which "%1" stands for
     *        the URL; Kel::ViewerCommand tells what it would start
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetWebBrowserPath(const Port::StringBase &commandLine);
    /**
     * Whether the host opens the previous project when it starts.
     *
     * @return the stored flag; false when unset
     * @blocking A read.
     */
    static bool GetOpenPreviousProject();
    /**
     * Stores whether the host opens the previous project when it starts.
     *
     * @param open the flag
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetOpenPreviousProject(bool open);
    /**
     * Whether output files are overwritten (key "OverwriteFiles").
     *
     * @return the stored flag; false when unset
     * @blocking A read.
     */
    static bool GetOverwriteOutputFiles();
    /**
     * Stores whether output files are overwritten (key "OverwriteFiles").
     *
     * @param overwrite the flag
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetOverwriteOutputFiles(bool overwrite);
    /**
     * Whether the readme file is displayed (key "DisplayReadme").
     *
     * @return the stored flag; true when unset
     * @blocking A read.
     */
    static bool GetDisplayReadmeFile();
    /**
     * Stores whether the readme file is displayed (key "DisplayReadme").
     *
     * @param display the flag
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetDisplayReadmeFile(bool display);
    /**
     * The memory size for the application's Java runtime.
     *
     * @return the size in MB for the stored choice index: 0 gives 256, 1 512,
     *         2 1024 (also when unset), 3 2048, 4 4096; any other stored
     *         number comes back unchanged
     * @blocking A read.
     */
    static unsigned int GetJavaMemorySize();
    /**
     * Stores the choice of memory size for the application's Java runtime.
     *
     * @param choiceIndex the choice, 0 (256 MB) to 4 (4096 MB); another
     *        number is stored as it is and read back unchanged
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetJavaMemorySize(unsigned int choiceIndex);
    /**
     * How many stored recent projects GetRecentProjects() examines.
     *
     * @return the stored count; 4 when unset
     * @blocking A read.
     */
    static unsigned int GetRecentProjectCount();
    /**
     * Stores how many recent projects GetRecentProjects() examines. The
     * stored list itself is not shortened.
     *
     * @param count the count; 0 examines every stored entry
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetRecentProjectCount(unsigned int count);

    /**
     * The font size of the running process.
     *
     * @param size receives the size: the one last set (7 before any), or
     *        2 less when that is above 12
     * @return 0
     * @blocking Never waits.
     */
    static unsigned int GetFontSize(int &size);
    /**
     * Sets the font size of the running process. It lives in the process
     * only and is never stored.
     *
     * @param size the size; any value is taken
     * @return 0
     * @threads Any thread, though the size is a plain number: a host sets it
     *          on one thread and reads it there.
     * @blocking Never waits.
     */
    static unsigned int SetFontSize(int size);
    /**
     * The main window's state, as the host stored it.
     *
     * @return the stored bytes, empty when none are stored
     * @blocking A read.
     */
    static QByteArray GetWindowState();
    /**
     * Stores the main window's state, such as QMainWindow::saveState() gives.
     *
     * @param state opaque bytes, stored as they are
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetWindowState(const QByteArray &state);
    /**
     * A widget's state, as the host stored it under "WidgetState" followed
     * directly by the widget's name.
     *
     * @param widgetName the name, appended as it is (an empty name gives the
     *        key "WidgetState" alone)
     * @return the stored value as the INI file gives it back, or an invalid
     *         QVariant when none is stored
     * @blocking A read.
     */
    static QVariant GetWidgetState(const QString &widgetName);
    /**
     * Stores a widget's state under "WidgetState" followed directly by the
     * widget's name.
     *
     * @param widgetName the name, appended as it is
     * @param state the value, stored as it is
     * @return 0, or 1 when the value could not be stored
     * @blocking A write.
     */
    static unsigned int SetWidgetState(const QString &widgetName, const QVariant &state);

    /**
     * The recent projects whose files exist, most recent first.
     *
     * Only the first GetRecentProjectCount() stored entries are examined; an
     * entry whose file is gone is skipped and stays stored.
     *
     * @return the names as the host recorded them
     * @blocking A read, then one existence test per examined entry, as long
     *           as its file system takes (a share that hangs: until it
     *           answers); no lock is held meanwhile.
     */
    static std::vector<Port::StringBase> GetRecentProjects();
    /**
     * The most recent project whose file exists: the first of GetRecentProjects().
     *
     * @return the name, or the empty string when there is none
     * @blocking As GetRecentProjects().
     */
    static Port::StringBase GetPreviousProjectName();
    /**
     * Records a project as the most recent one.
     *
     * An earlier entry for the same file is removed, and at most
     * Gui::Wisp::RecentFileList::MaxEntries stay stored. Two processes that
     * record at once both keep their project.
     *
     * @param name the project's file name, recorded as it is, whether or not
     *        the file exists
     * @return 0, or 1 when the value could not be stored
     * @blocking A write, after waiting at most ten seconds for another
     *           recorder (once per holder).
     */
    static unsigned int SetPreviousProjectName(const Port::StringBase &name);

    /**
     * The PDF viewer that RunPDFViewer() would start: the default viewer's
     * command line (when GetUseDefaultPDFViewer() holds) or the user's,
     * cut into program and arguments.
     *
     * @param path receives the program path; a quoted path keeps its quotes
     * @param args receives the blank-separated arguments, "%1" still in them;
     *        what it held before is replaced
     * @return 0; 1 after the warning "Unable to determine location of PDF
     *         viewer" when no command line is known, and then neither output
     *         is touched
     * @blocking A read; for the default viewer, one file-status check per entry of PATH.
     */
    static unsigned int GetPDFViewerPath(Port::StringBase &path, std::vector<Port::StringBase> &args);
    /**
     * The web browser that RunWebBrowser() would start: the default browser's
     * command line (when GetUseDefaultWebBrowser() holds) or the user's,
     * cut into program and arguments.
     *
     * @param path receives the program path; a quoted path keeps its quotes
     * @param args receives the blank-separated arguments, "%1" still in them;
     *        what it held before is replaced
     * @return 0; 1 after the warning "Unable to determine location of web
     *         viewer" when no command line is known, and then neither output
     *         is touched
     * @blocking A read; for the default browser, one file-status check per entry of PATH.
     */
    static unsigned int GetWebBrowserPath(Port::StringBase &path, std::vector<Port::StringBase> &args);
    /**
     * Shows @p file in the default PDF viewer or the user's.
     *
     * The default viewer opens through the installed
     * Gui::Wisp::HelpManager; the user's command line gets the file in place
     * of every "%1" (with the platform's separators), or appended when no
     * argument holds "%1", and starts detached without a shell. A viewer
     * that fails within Port::Launcher::LateFailureWindowMs is reported on
     * the message channel later; the result stays 0.
     *
     * @param file the file to show
     * @return 0 when the viewer started, or when the default viewer is chosen
     *         and no help manager is installed (nothing starts); 1 after the
     *         warning "Unable to launch pdf viewer" or "Unable to launch
     *         user-defined pdf viewer"
     * @threads The thread of the application object.
     * @blocking A read, then until the program runs (well under a
     *           millisecond), never for its end.
     */
    static unsigned int RunPDFViewer(const Port::StringBase &file);
    /**
     * Opens @p url in the default web browser or the user's.
     *
     * As RunPDFViewer(), with the URL as it is. On UNIX-like systems a user's
     * command line with "-remote" and "openURL" arguments first runs the probe
     * "gqbrowserwindowexists": unless it exits with 1 (a browser window takes
     * the remote call), "-remote" is dropped and the browser starts anew.
     *
     * @param url the address
     * @return 0 when the browser started, or when the default browser is
     *         chosen and no help manager is installed (nothing starts); 1 after
     *         the warning "Unable to launch web browser" or "Unable to launch
     *         user-defined HTML browser"
     * @threads The thread of the application object.
     * @blocking A read, then until the program runs; the probe, when it runs,
     *           at most three seconds.
     */
    static unsigned int RunWebBrowser(const Port::StringBase &url);
};

} // namespace Kel
