// Kel::UserSettings: the user's preferences, display state, recent projects and external viewers.
#pragma once

#include <kel_guiutilities_export.h>

#include <Port/StringBase.h>

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <vector>

namespace Kel {

// Every preference lives under the settings scope "Molvane". Getters read the
// store afresh on every call; setters hand the value to the store before they
// return and give 0. Launchers give 0 on success and 1 after a warning on the
// message channel.
class KEL_GUIUTILITIES_EXPORT UserSettings
{
public:
    UserSettings() = delete;

    // Scalar preferences.
    static bool GetUseDefaultPDFViewer();
    static unsigned int SetUseDefaultPDFViewer(bool useDefault);
    static bool GetUseDefaultWebBrowser();
    static unsigned int SetUseDefaultWebBrowser(bool useDefault);
    static unsigned int SetPDFViewerPath(const Port::StringBase &commandLine);
    static unsigned int SetWebBrowserPath(const Port::StringBase &commandLine);
    static bool GetOpenPreviousProject();
    static unsigned int SetOpenPreviousProject(bool open);
    static bool GetOverwriteOutputFiles();
    static unsigned int SetOverwriteOutputFiles(bool overwrite);
    static bool GetDisplayReadmeFile();
    static unsigned int SetDisplayReadmeFile(bool display);
    // The size in MB for the stored choice index 0 to 4; any other stored
    // number comes back unchanged.
    static unsigned int GetJavaMemorySize();
    static unsigned int SetJavaMemorySize(unsigned int choiceIndex);
    static unsigned int GetRecentProjectCount();
    static unsigned int SetRecentProjectCount(unsigned int count);

    // Display state. The font size lives in the process only and starts at 7.
    static unsigned int GetFontSize(int &size);
    static unsigned int SetFontSize(int size);
    static QByteArray GetWindowState();
    static unsigned int SetWindowState(const QByteArray &state);
    static QVariant GetWidgetState(const QString &widgetName);
    static unsigned int SetWidgetState(const QString &widgetName, const QVariant &state);

    // Recent projects, most recent first.
    static std::vector<Port::StringBase> GetRecentProjects();
    static Port::StringBase GetPreviousProjectName();
    static unsigned int SetPreviousProjectName(const Port::StringBase &name);

    // External viewers: the program and its arguments that would be started.
    static unsigned int GetPDFViewerPath(Port::StringBase &path, std::vector<Port::StringBase> &args);
    static unsigned int GetWebBrowserPath(Port::StringBase &path, std::vector<Port::StringBase> &args);
    static unsigned int RunPDFViewer(const Port::StringBase &file);
    static unsigned int RunWebBrowser(const Port::StringBase &url);
};

} // namespace Kel
