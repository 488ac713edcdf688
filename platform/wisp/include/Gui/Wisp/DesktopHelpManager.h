// Gui::Wisp::DesktopHelpManager: the help manager that uses the desktop's default programs.
#pragma once

#include <Gui/Wisp/HelpManager.h>

#include <QtCore/QStringList>

#include <memory>

namespace Gui {
namespace Wisp {

// Install in one line:
//     static Gui::Wisp::DesktopHelpManager help; Gui::Wisp::HelpManager::setInstance(&help);
// On freedesktop systems the default program is the opener "xdg-open" found
// in the absolute entries of PATH; on macOS "open"; on Windows the program
// registered for .pdf files or http URLs. Programs are started by
// Port::Launcher, never through a shell.
class WISP_EXPORT DesktopHelpManager : public HelpManager
{
public:
    DesktopHelpManager();
    ~DesktopHelpManager() override;

    QString getPDFViewer() const override;
    QString getWebBrowser() const override;

    // True as soon as the default program runs: the call never waits for it,
    // and it outlives the call. False, with a warning on the message channel,
    // for a missing opener, one that cannot be started, or a target that is
    // empty or begins with '-'. A relative file is made absolute first, so
    // "-x.pdf" is opened as "<working folder>/-x.pdf". An opener that exits
    // with a failure status or is ended by a signal within
    // Port::Launcher::LateFailureWindowMs is reported on the message channel
    // then, naming the opener, the target and the status.
    bool runPDFReader(const QString &file) override;
    bool runWebBrowser(const QString &url) override;

    // Finds mapName in the help folders, reads "topic = target" lines (blank
    // lines and lines starting with '#' ignored; a target is a URL or a path
    // relative to the map's folder) and opens the target in the default
    // browser. A missing map or unknown topic warns and gives false.
    bool showHelpTopic(const QString &mapName, const QString &topic, TopicPrefix prefix) override;

    // The folders searched for help maps, in order. By default "help" beside
    // the executable and "<prefix>/share/KelGuiUtilities/help". The list set
    // replaces the defaults entirely; an empty list searches nowhere. A map
    // name must be a plain file name: it never reaches outside these folders.
    void setHelpFolders(const QStringList &folders);
    QStringList helpFolders() const;

    static QStringList defaultHelpFolders();

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Wisp
} // namespace Gui
