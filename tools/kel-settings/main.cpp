// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings: shows and changes the application's stored preferences and tries its viewers, without the application.
#include "CommandLine.h"
#include "Messages.h"
#include "Output.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_Utility.h>

#include <QtCore/QDir>
#include <QtGui/QGuiApplication>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

namespace {

// --config-dir stands where XDG_CONFIG_HOME would, and the store keeps its
// own folder below it. The store is moved through its own API so that the
// viewers and browsers the tool starts inherit the environment unchanged.
void useConfigDirectory(const QString &directory)
{
    const QString storeFolder = QDir(Gui::Wisp::Settings::storeDirectory()).dirName();
    Gui::Wisp::Settings::setStoreDirectory(QDir(directory).absoluteFilePath(storeFolder));
}

constexpr char PlatformVariable[] = "QT_QPA_PLATFORM";
// The commands that write the store.
constexpr const char *StoreWriters[] = {"set", "reset", "recent"};

// The command word of argv: its first argument that is no option nor
// --config-dir's directory. Command names are ASCII, so argv's bytes tell.
bool writesTheStore(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--config-dir") == 0)
            ++i;
        else if (argv[i][0] != '-')
            return std::any_of(std::begin(StoreWriters), std::end(StoreWriters),
                               [&](const char *name) { return std::strcmp(argv[i], name) == 0; });
    }
    return false;
}

// The store keeps values of GUI types (fonts, brushes, pens...) as they are
// only when a process with a GUI writes it. A command that writes the store
// takes the offscreen platform, shows no window, and the programs the tool
// starts get the environment as it was; the others stay without a GUI,
// which leaves nothing behind anywhere (Qt makes a runtime folder for a GUI
// outside a desktop session).
std::unique_ptr<QCoreApplication> makeApplication(int &argc, char **argv)
{
    if (!writesTheStore(argc, argv))
        return std::make_unique<QCoreApplication>(argc, argv);
    const QByteArray platform = qgetenv(PlatformVariable);
    const bool platformSet = qEnvironmentVariableIsSet(PlatformVariable);
    qputenv(PlatformVariable, "offscreen");
    auto application = std::make_unique<QGuiApplication>(argc, argv);
    if (platformSet)
        qputenv(PlatformVariable, platform);
    else
        qunsetenv(PlatformVariable);
    return application;
}

// A text for the user that shows every byte outside printable ASCII as \xNN.
QString shownBytes(const QByteArray &bytes)
{
    QString shown;
    for (const char c : bytes)
        shown += c >= ' ' && c <= '~' && c != '\\' ? QString(QLatin1Char(c))
                                                   : QStringLiteral("\\x%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0'));
    return shown;
}

// The first argument that would reach the library as other bytes than it was
// given, such as a file name that is no text in the local encoding: the
// application would get another name for it. Windows hands the arguments
// over as UTF-16, of which argv is only a lossy copy.
QString changedArgument([[maybe_unused]] int argc, [[maybe_unused]] char **argv, const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const Port::StringBase bytes = Kel::Utility::QStringToPortString(arguments.at(i));
#if !defined(Q_OS_WIN)
        if (i < argc && std::strcmp(bytes.c_str(), argv[i]) != 0)
            return shownBytes(argv[i]);
#endif
        if (Kel::Utility::PortStringToQString(bytes) != arguments.at(i))
            return shownBytes(bytes.c_str());
    }
    return QString();
}

} // namespace

int main(int argc, char **argv)
{
    // Qt's own notes while it starts (a missing runtime folder, say) are not the tool's to show.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const std::unique_ptr<QCoreApplication> application = makeApplication(argc, argv);
    QCoreApplication::setApplicationName(QLatin1String(KelSettings::ToolName));
    QCoreApplication::setApplicationVersion(QStringLiteral(KEL_SETTINGS_VERSION));
    KelSettings::installMessageForwarding();
    KelSettings::runWithNotes([] { Gui::Wisp::Settings::storeDirectory(); });

    const QStringList arguments = QCoreApplication::arguments();
    const QString changed = changedArgument(argc, argv, arguments);
    if (!changed.isEmpty()) {
        KelSettings::printWarning(QLatin1Char('\'') + changed
                                  + QStringLiteral("' is no text in the system's encoding, and the application "
                                                   "would get another name for it; nothing was done"));
        return KelSettings::ExitFailed;
    }
    const KelSettings::ParsedCommandLine parsed = KelSettings::parseCommandLine(arguments);
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
