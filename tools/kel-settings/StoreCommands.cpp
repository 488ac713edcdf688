// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings get and set: one preference read or stored.
#include "Commands.h"
#include "Messages.h"
#include "Output.h"
#include "PreferenceStore.h"
#include "Preferences.h"
#include "ViewerCommandCheck.h"

#include <QtCore/QLatin1String>

namespace KelSettings {

namespace {

const Preference *preferenceOrError(const QString &key)
{
    const Preference *preference = findPreference(key);
    if (!preference)
        printError(QStringLiteral("unknown key '") + key + QStringLiteral("'; the keys are ") + preferenceKeyList());
    return preference;
}

// A command line that would not start its program as written is held back,
// saying what the program would receive, unless --force asks for it as is.
bool commandLineAccepted(const Preference &preference, const QString &commandLine)
{
    const ViewerCommandCheck check = checkViewerCommand(preference, commandLine);
    if (check.problems.isEmpty())
        return true;
    for (const QString &problem : check.problems)
        printWarning(QLatin1String(preference.key()) + QStringLiteral(": ") + problem);
    if (!check.started.isEmpty())
        printWarning(check.started);
    printWarning(QLatin1String(preference.key()) + QStringLiteral(" not stored; add --force to store it as it is"));
    return false;
}

} // namespace

int runGet(const Invocation &invocation)
{
    const Preference *preference = preferenceOrError(invocation.arguments.at(0));
    if (!preference)
        return ExitUsage;
    PreferenceStore store;
    const PreferenceReading reading = readPreference(*preference, store);
    // What the library cannot take from the store is not a value it has.
    const int exitCode = reading.unusable ? ExitFailed : ExitOk;
    if (invocation.json) {
        printJson(toJson(*preference, reading));
        return exitCode;
    }
    printLine(plainText(reading));
    if (!reading.note.isEmpty())
        printNote(QLatin1String(preference->key()) + QStringLiteral(" is ") + reading.note);
    return exitCode;
}

// Everything is checked before the library is called: a refused value leaves
// the store untouched.
int runSet(const Invocation &invocation)
{
    const Preference *preference = preferenceOrError(invocation.arguments.at(0));
    if (!preference)
        return ExitUsage;
    const ParsedValue parsed = parsePreferenceValue(*preference, invocation.arguments.at(1));
    if (!parsed.value) {
        printError(parsed.error);
        return ExitUsage;
    }
    if (preference->type() == ValueType::CommandLine && !invocation.force
        && !commandLineAccepted(*preference, std::get<QString>(*parsed.value)))
        return ExitFailed;
    const WarningWatch watch;
    return exitCodeOf(storePreference(*preference, *parsed.value), watch);
}

} // namespace KelSettings
