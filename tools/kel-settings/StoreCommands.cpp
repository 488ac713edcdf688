// kel-settings get, set and reset: one preference read, stored or returned to its default.
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
        printError(QStringLiteral("unknown key '") + key + QStringLiteral("'; the keys are ") + preferenceKeyList());
    return preference;
}

// Beyond the nine preferences, a reset may drop the stored display state.
bool isResettableKey(const QString &key)
{
    return findPreference(key) || key == QLatin1String(RecentFilesKey) || key == QLatin1String(WindowStateKey)
           || key.startsWith(QLatin1String(WidgetStatePrefix));
}

QString resettableKeyList()
{
    return preferenceKeyList() + QStringLiteral(", ") + QLatin1String(RecentFilesKey) + QStringLiteral(", ")
           + QLatin1String(WindowStateKey) + QStringLiteral(" or ") + QLatin1String(WidgetStatePrefix)
           + QStringLiteral("<widget name>");
}

// The store object closes, and so writes, before the watch is read.
void removeStoredValue(const QString &key)
{
    PreferenceStore store;
    if (store.contains(key))
        store.remove(key);
}

void removeEveryStoredValue()
{
    PreferenceStore store;
    store.clear();
}

} // namespace

int runGet(const Invocation &invocation)
{
    const Preference *preference = preferenceOrError(invocation.arguments.at(0));
    if (!preference)
        return ExitUsage;
    PreferenceStore store;
    const PreferenceReading reading = readPreference(*preference, store);
    if (invocation.json)
        printJson(toJson(*preference, reading));
    else
        printLine(plainText(reading));
    return ExitOk;
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
    const WarningWatch watch;
    return exitCodeOf(storePreference(*preference, *parsed.value), watch);
}

int runReset(const Invocation &invocation)
{
    const WarningWatch watch;
    if (invocation.arguments.isEmpty()) {
        if (!invocation.confirmed) {
            printError(QStringLiteral("reset without a key removes every stored value; add --yes to do so"));
            return ExitUsage;
        }
        removeEveryStoredValue();
        return exitCodeOf(watch);
    }
    const QString key = invocation.arguments.at(0);
    if (!isResettableKey(key)) {
        printError(QStringLiteral("unknown key '") + key + QStringLiteral("'; the keys are ") + resettableKeyList());
        return ExitUsage;
    }
    removeStoredValue(key);
    return exitCodeOf(watch);
}

} // namespace KelSettings
