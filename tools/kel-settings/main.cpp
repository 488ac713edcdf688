// kel-settings: shows and changes the application's stored preferences and tries its viewers, without the application.
#include "CommandLine.h"
#include "Messages.h"
#include "Output.h"
#include "PreferenceStore.h"

#include <Gui/Wisp/Settings.h>

#include <QtCore/QDir>
#include <QtGui/QGuiApplication>

namespace {

// --config-dir stands where XDG_CONFIG_HOME would, and the store keeps its
// own folder below it. The store is moved through its own API so that the
// viewers and browsers the tool starts inherit the environment unchanged.
void useConfigDirectory(const QString &directory)
{
    const QString storeFolder = QDir(Gui::Wisp::Settings::storeDirectory()).dirName();
    KelSettings::useStoreDirectory(QDir(directory).absoluteFilePath(storeFolder));
}

constexpr char PlatformVariable[] = "QT_QPA_PLATFORM";

// Stored values of GUI types (fonts, brushes, pens...) are read, and written
// back, only by a process with a GUI. The tool shows no window: it takes the
// offscreen platform, and the programs it starts get the environment as it was.
class OffscreenGuiApplication
{
public:
    OffscreenGuiApplication(int &argc, char **argv)
        : m_platform(qgetenv(PlatformVariable)), m_platformSet(qEnvironmentVariableIsSet(PlatformVariable)),
          m_application(choosingOffscreen(argc), argv)
    {
        if (m_platformSet)
            qputenv(PlatformVariable, m_platform);
        else
            qunsetenv(PlatformVariable);
    }

private:
    static int &choosingOffscreen(int &argc)
    {
        qputenv(PlatformVariable, "offscreen");
        return argc;
    }

    const QByteArray m_platform;
    const bool m_platformSet;
    QGuiApplication m_application;
};

} // namespace

int main(int argc, char **argv)
{
    // Qt's own notes while it starts (a missing runtime folder, say) are not the tool's to show.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    OffscreenGuiApplication application(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(KelSettings::ToolName));
    QCoreApplication::setApplicationVersion(QStringLiteral(KEL_SETTINGS_VERSION));
    KelSettings::installMessageForwarding();

    const KelSettings::ParsedCommandLine parsed = KelSettings::parseCommandLine(QCoreApplication::arguments());
    if (!parsed.command) {
        KelSettings::printError(parsed.error);
        return KelSettings::ExitUsage;
    }
    if (!parsed.configDirectory.isEmpty())
        useConfigDirectory(parsed.configDirectory);

    const int exitCode = parsed.command->run(parsed.invocation);
    if (!KelSettings::finishOutput())
        return KelSettings::ExitFailed;
    return exitCode;
}
