// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Reading kel-settings' command line: the command, its arguments and the options.
#pragma once

#include "CommandTable.h"
#include "Commands.h"

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace KelSettings {

struct ParsedCommandLine
{
    const Command *command = nullptr;  // null when error is set
    Invocation invocation;
    QString configDirectory;  // --config-dir, empty when not given
    QString error;            // a usage error to report
};

// Handles --help, the help command and --version itself (printing and ending the process).
ParsedCommandLine parseCommandLine(const QStringList &arguments);

} // namespace KelSettings
