// The table of kel-settings commands: names, argument counts, help lines and runners.
#pragma once

#include "Commands.h"

#include <QtCore/QString>

namespace KelSettings {

using CommandRunner = int (*)(const Invocation &);

struct Command
{
    const char *name;
    const char *synopsis;  // the command with its arguments, as the usage line shows it
    const char *summary;
    const char *example;
    int minArguments;
    int maxArguments;
    bool supportsJson;
    CommandRunner run;
};

// The command of that name, or null.
const Command *findCommand(const QString &name);

// "Commands:" with every command, its summary and an example, for --help.
QString commandHelpText();

// "usage: kel-settings <synopsis>" for an argument count error.
QString usageOf(const Command &command);

} // namespace KelSettings
