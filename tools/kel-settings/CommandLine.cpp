// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings' options and positional arguments through QCommandLineParser, checked against the command table.
#include "CommandLine.h"

#include "Output.h"

#include <QtCore/QCommandLineOption>
#include <QtCore/QCommandLineParser>
#include <QtCore/QLatin1String>

#include <cstdlib>

namespace KelSettings {

namespace {

QCommandLineOption toParserOption(const OptionSpec &option)
{
    QStringList names{QLatin1String(option.name)};
    if (option.shortName)
        names.prepend(QString(QLatin1Char(option.shortName)));
    if (!option.valueName)
        return QCommandLineOption(names, QLatin1String(option.description));
    return QCommandLineOption(names, QLatin1String(option.description), QLatin1String(option.valueName));
}

// The help option is the tool's own: the parser's would offer --help-all,
// which lists Qt's options that a command-line tool does not have.
void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Shows, changes and tries the application's stored preferences.\n\n") + commandHelpText());
    for (const OptionSpec &option : options())
        parser.addOption(toParserOption(option));
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

[[noreturn]] void printAndExit(const QString &text)
{
    printText(text);
    std::exit(finishOutput() ? ExitOk : ExitFailed);
}

// The first command option given that the command does not take, or null.
const OptionSpec *misplacedOption(const QCommandLineParser &parser, const Command &command)
{
    for (const OptionSpec &option : options()) {
        if (option.bit && !(command.options & option.bit) && parser.isSet(QLatin1String(option.name)))
            return &option;
    }
    return nullptr;
}

bool isSet(const QCommandLineParser &parser, CommandOption bit)
{
    for (const OptionSpec &option : options()) {
        if (option.bit == bit)
            return parser.isSet(QLatin1String(option.name));
    }
    return false;
}

} // namespace

QString generalHelpText()
{
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments))
        return usageError(parser.errorText() + QStringLiteral(" (put -- before a value that starts with '-')"));

    QStringList positional = parser.positionalArguments();
    const Command *command = positional.isEmpty() ? nullptr : findCommand(positional.first());
    if (parser.isSet(QLatin1String(HelpOptionName)))
        printAndExit(command ? commandHelp(*command) : parser.helpText());
    if (parser.isSet(QLatin1String(VersionOptionName)))
        parser.showVersion();

    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given; see kel-settings --help"));
    if (!command)
        return usageError(QStringLiteral("unknown command '") + positional.first()
                          + QStringLiteral("'; see kel-settings --help"));
    positional.removeFirst();
    if (!argumentCountFits(*command, positional.size()))
        return usageError(usageOf(*command));
    if (const OptionSpec *option = misplacedOption(parser, *command))
        return usageError(QStringLiteral("--") + QLatin1String(option->name) + QStringLiteral(" works with ")
                          + commandsTaking(*option) + QStringLiteral(" only"));
    const QString configDirectory = parser.value(QLatin1String(ConfigDirOptionName));
    if (parser.isSet(QLatin1String(ConfigDirOptionName)) && configDirectory.isEmpty())
        return usageError(QStringLiteral("--config-dir needs a directory"));

    ParsedCommandLine parsed;
    parsed.command = command;
    parsed.invocation.arguments = positional;
    parsed.invocation.json = isSet(parser, JsonOption);
    parsed.invocation.confirmed = isSet(parser, YesOption);
    parsed.invocation.all = isSet(parser, AllOption);
    parsed.invocation.force = isSet(parser, ForceOption);
    parsed.configDirectory = configDirectory;
    return parsed;
}

} // namespace KelSettings
