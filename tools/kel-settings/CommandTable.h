// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The tables of kel-settings' commands and options, and the help texts made from them.
#pragma once

#include "Commands.h"

#include <QtCore/QString>

namespace KelSettings {

using CommandRunner = int (*)(const Invocation &);

// The options a command takes beyond the global ones, as bits.
enum CommandOption : unsigned int {
    JsonOption = 1u << 0,
    YesOption = 1u << 1,
    AllOption = 1u << 2,
    ForceOption = 1u << 3,
};

// The global options, which the command line reads itself.
constexpr char HelpOptionName[] = "help";
constexpr char VersionOptionName[] = "version";
constexpr char ConfigDirOptionName[] = "config-dir";

struct OptionSpec
{
    const char *name;        // without the leading "--"
    char shortName;          // the one-letter form, or '\0'
    const char *valueName;   // null for a switch
    const char *description;
    unsigned int bit;        // the CommandOption, 0 for a global option
};

// What an argument is, for shell completion and the manual.
enum class ArgumentKind {
    Text,           // free text: nothing to offer
    CommandName,    // a command of this table
    PreferenceKey,  // a preference that set takes
    ResettableKey,  // a key that reset takes
    PreferenceValue,// a value for the key before it
    ViewerName,     // one of ViewerNames
    RecentAction,   // one of RecentActions
    File,           // a file name
    RecentTarget,   // a file for recent add, an entry of the list for recent remove
};

constexpr int MaxArguments = 2;

struct Command
{
    const char *name;
    const char *synopsis;  // the command with its arguments, as the usage line shows it
    const char *summary;
    const char *example;
    int minArguments;
    int maxArguments;
    unsigned int options;  // CommandOption bits
    ArgumentKind arguments[MaxArguments];
    CommandRunner run;  // null for help, which the command line answers itself
};

// A table's rows, for range-for.
template <typename Row>
struct TableRows
{
    const Row *first;
    const Row *last;
    const Row *begin() const { return first; }
    const Row *end() const { return last; }
};

// Every command, in the order help lists them.
TableRows<Command> commands();
// The command options, then the global ones (--config-dir, --help, --version).
TableRows<OptionSpec> options();

// The command of that name, or null.
const Command *findCommand(const QString &name);

// "list, get, which and recent": the commands that take option, for messages.
QString commandsTaking(const OptionSpec &option);

// The general help, as --help prints it: the usage line, the options, every
// command with its summary and example, the preferences with their values and
// defaults, the exit codes and the store.
QString generalHelpText();
// One command's help: its usage line, summary, options and example.
QString commandHelp(const Command &command);

// "usage: kel-settings <synopsis>" for an argument count error.
QString usageOf(const Command &command);

// The exit codes, and where the store is, as help and the manual tell them.
QString exitCodeText();
QString storeLocationText();

} // namespace KelSettings
