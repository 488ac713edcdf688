// Gui::Wisp::HelpManager: the process's way to the default viewer, browser and help.
#pragma once

#include <Gui/Wisp/wisp_export.h>

#include <QtCore/QString>

namespace Gui {
namespace Wisp {

// The interface a host installs for the process. The library never creates
// one itself; DesktopHelpManager is the ready-made one.
class WISP_EXPORT HelpManager
{
public:
    enum TopicPrefix { NoPrefix = 0, ContextPrefix = 1 };

    HelpManager();
    virtual ~HelpManager();

    HelpManager(const HelpManager &) = delete;
    HelpManager &operator=(const HelpManager &) = delete;

    // The installed manager, or null.
    static HelpManager *getInstance();
    // Installs manager for the process (the caller keeps ownership; null
    // uninstalls). A manager that is destroyed while installed uninstalls itself.
    static void setInstance(HelpManager *manager);

    // The platform's default command line with "%1" for the file or URL, or a
    // null string when none is known.
    virtual QString getPDFViewer() const = 0;
    virtual QString getWebBrowser() const = 0;

    // Start the default program; true when it started.
    virtual bool runPDFReader(const QString &file) = 0;
    virtual bool runWebBrowser(const QString &url) = 0;

    // Opens topic of the help map mapName; true when it opened.
    // With NoPrefix the topic is looked up as it stands; ContextPrefix is kept
    // for the family's callers and looks the topic up the same way.
    virtual bool showHelpTopic(const QString &mapName, const QString &topic, TopicPrefix prefix) = 0;

protected:
    // Takes this manager out of the process slot when it is the installed one.
    // A derived destructor calls it first, so no caller reaches a manager whose
    // derived part is already gone.
    void uninstall() noexcept;
};

} // namespace Wisp
} // namespace Gui
