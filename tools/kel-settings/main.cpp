// kel-settings: shows and changes the application's stored preferences and tries its viewers, without the application.
#include "CommandLine.h"
#include "Messages.h"
#include "Output.h"
#include "PreferenceStore.h"

#include <Gui/Wisp/Settings.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>

namespace {

// --config-dir stands where XDG_CONFIG_HOME would, and the store keeps its
// own folder below it. The store is moved through its own API so that the
// viewers and browsers the tool starts inherit the environment unchanged.
void useConfigDirectory(const QString &directory)
{
    const QString storeFolder = QDir(Gui::Wisp::Settings::storeDirectory()).dirName();
    KelSettings::useStoreDirectory(QDir(directory).absoluteFilePath(storeFolder));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
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
