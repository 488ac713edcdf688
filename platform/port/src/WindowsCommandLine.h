// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the one command-line string for CreateProcessW that the Microsoft C runtime splits back into the same arguments.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

namespace Port::detail {

// argument as the C runtime's parser reads it back unchanged: left as it is
// unless it is empty or holds a blank, tab, line break or double quote; else
// in double quotes, with each double quote escaped and the backslashes in
// front of a double quote (the closing one included) doubled.
QString quotedWindowsArgument(const QString &argument);

// program in double quotes (the runtime reads the program name up to the
// closing quote, without escapes), then each argument quoted, blank-separated.
QString windowsCommandLine(const QString &program, const QStringList &arguments);

} // namespace Port::detail
