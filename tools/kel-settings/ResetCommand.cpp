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
    return preferenceKeys().join(QStringLiteral(", ")) + QStringLiteral(", ") + RecentFilesKey + QStringLiteral(", ") + WindowStateKey
           + QStringLiteral(" or ") + WidgetStatePrefix + QStringLiteral("<widget name>");
}

QStringList keysToReset(const Gui::Wisp::Settings &store, const Invocation &invocation)
{
    if (!invocation.arguments.isEmpty()) {
        const QString key = invocation.arguments.at(0);
        return store.contains(key) ? QStringList{key} : QStringList();
    }
    QStringList keys;
    for (const QString &key : store.allKeys()) {
        if (invocation.all || isApplicationKey(key))
            keys << key;
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
        if (!QFile::exists(name))
            return QFile::copy(storeFile, name) ? name : QString();
    }
    return QString();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The usage error of the invocation; empty when there is none.
QString usageProblem(const Invocation &invocation)
{
    if (invocation.arguments.isEmpty())
        return invocation.confirmed ? QString()
                                    : QStringLiteral("reset without a key resets every preference; add --yes to do so");
    if (invocation.all)
        return QStringLiteral("reset --all resets the whole store: give no key with it");
    const QString key = invocation.arguments.at(0);
    if (!isApplicationKey(key))
        return QStringLiteral("unknown key '") + key + QStringLiteral("'; the keys are ") + resettableKeyList();
    return QString();
}

} // namespace

// The store object holds the scope against other updaters from the copy to
// the last removal, and writes as it closes.
int runReset(const Invocation &invocation)
{
    const QString problem = usageProblem(invocation);
    if (!problem.isEmpty()) {
        printError(problem);
        return ExitUsage;
    }
    const WarningWatch watch;
    QString storeFile;
    QString copy;
    {
        PreferenceStore store;
        store.lockForUpdate();
        storeFile = store.fileName();
        const QStringList keys = keysToReset(store, invocation);
        if (keys.isEmpty())
            return exitCodeOf(watch);
        copy = keepCopy(storeFile);
        if (copy.isEmpty()) {
            printWarning(QStringLiteral("could not keep a copy of ") + storeFile + QStringLiteral(" beside it; nothing was reset"));
            return ExitFailed;
        }
        if (invocation.all)
            store.clear();
        for (const QString &key : keys)
            store.remove(key);
    }
    // A file the store left as it was has its reason in the library's
    // warning, and a copy of it would only mislead.
    if (fileBytes(copy) == fileBytes(storeFile))
        QFile::remove(copy);
    else
        printNote(QStringLiteral("the store as it was is kept in ") + copy);
    return exitCodeOf(watch);
}

} // namespace KelSettings
