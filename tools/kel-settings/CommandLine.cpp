// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings' options and positional arguments, read against the command and option tables.
#include "CommandLine.h"

#include "Output.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QLatin1String>

#include <cstdlib>
#include <cstring>

namespace KelSettings {

namespace {

constexpr char HelpCommandName[] = "help";

ParsedCommandLine usageError(const QString &error)
{
    ParsedCommandLine parsed;
    parsed.error = error;
    return parsed;
}

QString seeHelp()
{
    return QStringLiteral("; see ") + QLatin1String(ToolName) + QStringLiteral(" --help");
}

[[noreturn]] void printAndExit(const QString &text)
{
    printText(text);
    std::exit(finishOutput() ? ExitOk : ExitFailed);
}

// No option begins with a digit, so "-1" is a value, such as a count.
bool isOption(const QString &argument)
{
    return argument.size() > 1 && argument.startsWith(QLatin1Char('-')) && !argument.at(1).isDigit();
}

// The option that "--name", "--name=VALUE" or "-x" names, or null.
const OptionSpec *findOption(const QString &argument)
{
    const QString name = argument.section(QLatin1Char('='), 0, 0);
    for (const OptionSpec &option : options()) {
        if (name == QStringLiteral("--") + QLatin1String(option.name)
            || (option.shortName && name == QStringLiteral("-") + QLatin1Char(option.shortName)))
            return &option;
    }
    return nullptr;
}

// --help, alone or with a command, and the help command are one request.
ParsedCommandLine showHelp(const QStringList &positional)
{
    if (positional.isEmpty())
        printAndExit(generalHelpText());
    const Command *command = findCommand(positional.first());
    if (!command)
        return usageError(QStringLiteral("unknown command '") + positional.first() + QLatin1Char('\'') + seeHelp());
    printAndExit(commandHelp(*command));
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    ParsedCommandLine parsed;
    QStringList positional;
    unsigned int given = 0;
    bool help = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            positional += arguments.mid(i + 1);
            break;
        }
        if (!isOption(argument)) {
            positional << argument;
            continue;
        }
        const OptionSpec *option = findOption(argument);
        if (!option)
            return usageError(QStringLiteral("unknown option '") + argument + QLatin1Char('\'') + seeHelp());
        const int equals = argument.indexOf(QLatin1Char('='));
        if (option->valueName) {
            parsed.configDirectory = equals >= 0 ? argument.mid(equals + 1) : arguments.value(++i);
            if (parsed.configDirectory.isEmpty())
                return usageError(QStringLiteral("--") + QLatin1String(option->name) + QStringLiteral(" needs a directory"));
        } else if (equals >= 0) {
            return usageError(QStringLiteral("--") + QLatin1String(option->name) + QStringLiteral(" takes no value"));
        }
        if (std::strcmp(option->name, VersionOptionName) == 0)
            printAndExit(QLatin1String(ToolName) + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        help = help || std::strcmp(option->name, HelpOptionName) == 0;
        given |= option->bit;
    }

    if (help)
        return showHelp(positional);
    if (positional.isEmpty())
        return usageError(QStringLiteral("no command given") + seeHelp());
    const QString name = positional.takeFirst();
    if (name == QLatin1String(HelpCommandName))
        return showHelp(positional);
    const Command *command = findCommand(name);
    if (!command)
        return usageError(QStringLiteral("unknown command '") + name + QLatin1Char('\'') + seeHelp());
    if (positional.size() < command->minArguments || positional.size() > command->maxArguments)
        return usageError(usageOf(*command));
    for (const OptionSpec &option : options()) {
        if (option.bit & given & ~command->options)
            return usageError(QStringLiteral("--") + QLatin1String(option.name) + QStringLiteral(" works with ")
                              + commandsTaking(option) + QStringLiteral(" only"));
    }

    parsed.command = command;
    parsed.invocation.arguments = positional;
    parsed.invocation.json = given & JsonOption;
    parsed.invocation.confirmed = given & YesOption;
    parsed.invocation.all = given & AllOption;
    parsed.invocation.force = given & ForceOption;
    return parsed;
}

} // namespace KelSettings
