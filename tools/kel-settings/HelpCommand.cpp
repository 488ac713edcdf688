// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings help: the general help, or one command's, as git help shows a command's.
#include "CommandLine.h"
#include "CommandTable.h"
#include "Commands.h"
#include "Messages.h"
#include "Output.h"

namespace KelSettings {

int runHelp(const Invocation &invocation)
{
    if (invocation.arguments.isEmpty()) {
        printText(generalHelpText());
        return ExitOk;
    }
    const QString name = invocation.arguments.at(0);
    const Command *command = findCommand(name);
    if (!command) {
        printError(QStringLiteral("unknown command '") + name + QStringLiteral("'; see kel-settings --help"));
        return ExitUsage;
    }
    printText(commandHelp(*command));
    return ExitOk;
}

} // namespace KelSettings
