// kel-settings: shows and changes the application's stored preferences and tries its viewers, without the application.
#include "CommandLine.h"
#include "Messages.h"
#include "Output.h"

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>

namespace {

constexpr char ConfigHomeVariable[] = "XDG_CONFIG_HOME";

// The store follows XDG_CONFIG_HOME on every access, so pointing it elsewhere
// before the first library call moves every command to that store.
void useConfigDirectory(const QString &directory)
{
    qputenv(ConfigHomeVariable, QFile::encodeName(QDir(directory).absolutePath()));
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
