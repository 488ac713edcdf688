// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// What reaches stderr: the library's warnings and log lines, and the tool's own errors.
#pragma once

#include <Port/MsgManData.h>

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

// Holds back the message channel while it lives: the library calls the tool
// makes for its own checks speak through the tool's warnings instead.
class QuietChannel
{
public:
    QuietChannel();
    ~QuietChannel();
    QuietChannel(const QuietChannel &) = delete;
    QuietChannel &operator=(const QuietChannel &) = delete;

private:
    Port_MessageHandler m_previous;
};

// ExitFailed when the library returned a failure or warned during the watch.
int exitCodeOf(unsigned int libraryResult, const WarningWatch &watch);
// ExitFailed when the library warned during the watch.
int exitCodeOf(const WarningWatch &watch);

} // namespace KelSettings
