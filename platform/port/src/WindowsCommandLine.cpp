// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Quoting of command-line arguments by the rules of the Microsoft C runtime, for CreateProcessW.
#include "WindowsCommandLine.h"

#include <QtCore/QDir>

namespace Port::detail {

namespace {

constexpr QChar kQuote = QLatin1Char('"');
constexpr QChar kBackslash = QLatin1Char('\\');

bool needsQuotes(const QString &argument)
{
    if (argument.isEmpty())
        return true;
    for (const QChar c : argument) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\v')
            || c == kQuote)
            return true;
    }
    return false;
}

} // namespace

QString quotedWindowsArgument(const QString &argument)
{
    if (!needsQuotes(argument))
        return argument;
    QString quoted(kQuote);
    int backslashes = 0;
    for (const QChar c : argument) {
        if (c == kBackslash) {
            ++backslashes;
            continue;
        }
        // Backslashes are literal except in front of a double quote.
        quoted += QString(c == kQuote ? backslashes * 2 + 1 : backslashes, kBackslash);
        quoted += c;
        backslashes = 0;
    }
    quoted += QString(backslashes * 2, kBackslash);
    quoted += kQuote;
    return quoted;
}

QString windowsCommandLine(const QString &program, const QStringList &arguments)
{
    QString line = kQuote + QDir::toNativeSeparators(program) + kQuote;
    for (const QString &argument : arguments)
        line += QLatin1Char(' ') + quotedWindowsArgument(argument);
    return line;
}

} // namespace Port::detail
