// kel-settings' options and positional arguments through QCommandLineParser, checked against the command table.
#include "CommandLine.h"

#include <QtCore/QCommandLineOption>
#include <QtCore/QCommandLineParser>
#include <QtCore/QLatin1String>

namespace KelSettings {

namespace {

struct Options
{
    QCommandLineOption json{QStringLiteral("json"), QStringLiteral("Print list, get, which and recent as JSON.")};
    QCommandLineOption yes{QStringLiteral("yes"), QStringLiteral("Confirm reset without a key.")};
    QCommandLineOption configDir{QStringLiteral("config-dir"),
                                 QStringLiteral("Work on the store DIR/Dravel/Molvane.ini instead of the user's."),
                                 QStringLiteral("DIR")};
};

void describe(QCommandLineParser &parser, const Options &options)
{
    parser.setApplicationDescription(
        QStringLiteral("Shows, changes and tries the application's stored preferences.\n\n") + commandHelpText());
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(options.json);
    parser.addOption(options.yes);
    parser.addOption(options.configDir);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands above."),
                                 QStringLiteral("COMMAND [ARGUMENTS...]"));
}

ParsedCommandLine usageError(const QString &error)
{
    ParsedCommandLine parsed;
    parsed.error = error;
    return parsed;
}

bool argumentCountFits(const Command &command, int count)
{
    return count >= command.minArguments && count <= command.maxArguments;
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    const Options options;
    describe(parser, options);
    if (!parser.parse(arguments))
        return usageError(parser.errorText() + QStringLiteral(" (put -- before a value that starts with '-')"));
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(ExitOk);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given; see kel-settings --help"));
    const QString name = positional.takeFirst();
    const Command *command = findCommand(name);
    if (!command)
        return usageError(QStringLiteral("unknown command '") + name + QStringLiteral("'; see kel-settings --help"));
    if (!argumentCountFits(*command, positional.size()))
        return usageError(usageOf(*command));
    const bool json = parser.isSet(options.json);
    if (json && !command->supportsJson)
        return usageError(QStringLiteral("--json works with list, get, which and recent only"));
    if (parser.isSet(options.configDir) && parser.value(options.configDir).isEmpty())
        return usageError(QStringLiteral("--config-dir needs a directory"));

    ParsedCommandLine parsed;
    parsed.command = command;
    parsed.invocation = Invocation{positional, json, parser.isSet(options.yes)};
    parsed.configDirectory = parser.value(options.configDir);
    return parsed;
}

} // namespace KelSettings
