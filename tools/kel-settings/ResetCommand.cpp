// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings reset: preferences back to their defaults, after a copy of the store file is kept beside it.
#include "Commands.h"
#include "Messages.h"
#include "PreferenceStore.h"
#include "Preferences.h"

#include <QtCore/QDateTime>
#include <QtCore/QFile>
#include <QtCore/QLatin1String>

#include <algorithm>
#include <optional>

namespace KelSettings {

namespace {

namespace Table = Kel::PreferenceTable;

constexpr char CopyInfix[] = ".before-reset-";
constexpr char CopyTimeFormat[] = "yyyyMMdd-HHmmss";
// Copies made within one second get a counter after the time.
constexpr int MaxCopiesPerSecond = 100;

// Whether key is one of the application's: a key of the table, or a widget's state.
bool isApplicationKey(const QString &key)
{
    for (const Table::Key &entry : Table::Keys) {
        const QLatin1String name(entry.name);
        if (entry.type == ValueType::WidgetState ? key.startsWith(name) : key == name)
            return true;
    }
    return false;
}

QString resettableKeyList()
{
    return preferenceKeyList() + QStringLiteral(", ") + recentFilesKey() + QStringLiteral(", ") + windowStateKey()
           + QStringLiteral(" or ") + widgetStatePrefix() + QStringLiteral("<widget name>");
}

QStringList keysToReset(const Gui::Wisp::Settings &store, const Invocation &invocation)
{
    if (!invocation.arguments.isEmpty()) {
        const QString key = invocation.arguments.at(0);
        return store.contains(key) ? QStringList{key} : QStringList();
    }
    QStringList keys = store.allKeys();
    if (!invocation.all) {
        keys.erase(std::remove_if(keys.begin(), keys.end(), [](const QString &key) { return !isApplicationKey(key); }),
                   keys.end());
    }
    return keys;
}

// A new file beside the store, named for the moment; empty when none could be made.
QString keepCopy(const QString &storeFile)
{
    const QString stem =
        storeFile + QLatin1String(CopyInfix) + QDateTime::currentDateTime().toString(QLatin1String(CopyTimeFormat));
    for (int attempt = 1; attempt <= MaxCopiesPerSecond; ++attempt) {
        const QString name = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
        if (QFile::exists(name))
            continue;
        return QFile::copy(storeFile, name) ? name : QString();
    }
    return QString();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ResetOutcome
{
    bool copyFailed = false;
    QString storeFile;
    QString copy;  // empty when nothing was stored to reset
};

// The store object holds the scope against other updaters from the copy to
// the last removal; it writes when it closes.
ResetOutcome resetStoredKeys(const Invocation &invocation)
{
    PreferenceStore store;
    store.lockForUpdate();
    ResetOutcome outcome;
    outcome.storeFile = store.fileName();
    const QStringList keys = keysToReset(store, invocation);
    if (keys.isEmpty())
        return outcome;
    outcome.copy = keepCopy(outcome.storeFile);
    if (outcome.copy.isEmpty()) {
        outcome.copyFailed = true;
        return outcome;
    }
    if (invocation.all) {
        store.clear();
        return outcome;
    }
    for (const QString &key : keys)
        store.remove(key);
    return outcome;
}

// The usage error of the invocation, if any.
std::optional<QString> usageProblem(const Invocation &invocation)
{
    if (invocation.arguments.isEmpty()) {
        if (!invocation.confirmed)
            return QStringLiteral("reset without a key resets every preference; add --yes to do so");
        return std::nullopt;
    }
    if (invocation.all)
        return QStringLiteral("reset --all resets the whole store: give no key with it");
    const QString key = invocation.arguments.at(0);
    if (!findPreference(key) && !isApplicationKey(key))
        return QStringLiteral("unknown key '") + key + QStringLiteral("'; the keys are ") + resettableKeyList();
    return std::nullopt;
}

} // namespace

int runReset(const Invocation &invocation)
{
    if (const std::optional<QString> problem = usageProblem(invocation)) {
        printError(*problem);
        return ExitUsage;
    }
    const WarningWatch watch;
    const ResetOutcome outcome = resetStoredKeys(invocation);
    if (outcome.copyFailed) {
        printWarning(QStringLiteral("could not keep a copy of ") + outcome.storeFile
                     + QStringLiteral(" beside it; nothing was reset"));
        return ExitFailed;
    }
    // The store writes as it closes: a file it left as it was has its reason
    // in the library's warning, and a copy of it would only mislead.
    if (!outcome.copy.isEmpty() && fileBytes(outcome.copy) == fileBytes(outcome.storeFile))
        QFile::remove(outcome.copy);
    else if (!outcome.copy.isEmpty())
        printNote(QStringLiteral("the store as it was is kept in ") + outcome.copy);
    return exitCodeOf(watch);
}

} // namespace KelSettings
