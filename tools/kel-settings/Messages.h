// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// What reaches stderr: the library's warnings and log lines, and the tool's own errors.
#pragma once

#include <QtCore/QString>

namespace KelSettings {

// What the library's setters and launchers give when they succeeded.
constexpr unsigned int LibrarySuccess = 0;

// Sends warnings of the message channel to stderr as "kel-settings: warning: TEXT"
// and Qt log lines as "kel-settings: TEXT". Install before any library call.
void installMessageForwarding();

// "kel-settings: error: TEXT" on stderr.
void printError(const QString &text);
// "kel-settings: warning: TEXT" on stderr: the tool's own check failed.
void printWarning(const QString &text);
// "kel-settings: note: TEXT" on stderr, beside a result on stdout.
void printNote(const QString &text);

// Tells whether the message channel carried a warning since it was made:
// the only failure sign of library calls that return nothing.
class WarningWatch
{
public:
    WarningWatch();
    bool warned() const;

private:
    unsigned long m_startCount;
};

// Runs work with the library's warnings shown as notes and not counted: what
// the store says while it finds its folder is a setting it ignores, such as a
// relative XDG_CONFIG_HOME, which fails nothing the command does.
void runWithNotes(void (*work)());

// ExitFailed when the library returned a failure or warned during the watch.
int exitCodeOf(const WarningWatch &watch, unsigned int libraryResult = LibrarySuccess);

} // namespace KelSettings
