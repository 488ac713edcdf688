// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings get and set: one preference read or stored.
#include "Commands.h"
#include "Messages.h"
#include "Output.h"
#include "PreferenceStore.h"
#include "Preferences.h"

#include <QtCore/QLatin1String>

namespace KelSettings {

namespace {

const Preference *preferenceOrError(const QString &key)
{
    const Preference *preference = findPreference(key);
    if (!preference)
        printError(QStringLiteral("unknown key '") + key + QStringLiteral("'; the keys are ") + preferenceKeys().join(QStringLiteral(", ")));
    return preference;
}

} // namespace

// As git config: a key that is not set exits 1, an empty value is a value.
int runGet(const Invocation &invocation)
{
    const Preference *preference = preferenceOrError(invocation.arguments.at(0));
    if (!preference)
        return ExitUsage;
    PreferenceStore store;
    const PreferenceReading reading = readPreference(*preference, store);
    // What the library cannot take from the store is not a value it has.
    const bool hasValue = !reading.value.isNull() && !reading.unusable;
    const QString key = QLatin1String(preference->key());
    if (invocation.json)
        printJson(toJson(*preference, reading));
    else if (hasValue)
        printLine(plainText(reading));
    if (!invocation.json && !reading.note.isEmpty())
        printNote(key + QStringLiteral(" is ") + reading.note);
    else if (!invocation.json && !hasValue)
        printNote(key + QStringLiteral(" is not set"));
    return hasValue ? ExitOk : ExitFailed;
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
    const bool commandLine = preference->type() == ValueType::CommandLine;
    const QString key = QLatin1String(preference->key());
    if (commandLine && !invocation.force && !commandLineStarts(*preference, std::get<QString>(*parsed.value))) {
        printWarning(key + QStringLiteral(" not stored; add --force to store it as it is"));
        return ExitFailed;
    }
    const WarningWatch watch;
    const int exitCode = exitCodeOf(watch, storePreference(*preference, *parsed.value));
    const QString flag = commandLine ? QLatin1String(useDefaultFlagOf(*preference).key()) : QString();
    if (commandLine && useDefaultFlagOf(*preference).getFlag())
        printNote(key + QStringLiteral(" is unused while ") + flag + QStringLiteral(" is true; ") + QLatin1String(ToolName)
                  + QStringLiteral(" set ") + flag + QStringLiteral(" false uses it"));
    return exitCode;
}

} // namespace KelSettings
