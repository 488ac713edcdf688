// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-settings list: every preference, the recent files, the window and widget states, as text or JSON.
#include "Commands.h"
#include "Output.h"
#include "PreferenceStore.h"
#include "Preferences.h"

#include <Kel_UserSettings.h>

#include <QtCore/QFileInfo>
#include <QtCore/QJsonArray>
#include <QtCore/QLatin1String>
#include <QtCore/QMetaType>
#include <QtCore/QVariant>

namespace KelSettings {

namespace {

constexpr char DefaultMark[] = " (default)";
constexpr char MissingMark[] = " (missing)";
constexpr char EmptyWidgetName[] = "(empty)";
constexpr char NoneEntry[] = "  (none)";
constexpr char EntryIndent[] = "  ";

// The raw list, entries of files that are gone included: the library's own
// getter leaves those out.
QStringList recentEntries(const Gui::Wisp::Settings &store)
{
    return store.getValue(RecentFilesKey, QVariant()).toStringList();
}

// The widgets with a stored state, by name.
QStringList widgetNames(const Gui::Wisp::Settings &store)
{
    QStringList names;
    for (const QString &key : store.allKeys()) {
        if (key.startsWith(WidgetStatePrefix))
            names << key.mid(WidgetStatePrefix.size());
    }
    names.sort();
    return names;
}

// Widget states are opaque to the tool: byte blobs show their size, anything else its type.
int stateBytes(const QVariant &state)
{
    const bool bytes = state.userType() == QMetaType::QByteArray || state.userType() == QMetaType::QString;
    return bytes ? state.toByteArray().size() : -1;
}

QString preferenceLine(const Preference &preference, const PreferenceReading &reading)
{
    QString value = reading.value.isNull() ? QStringLiteral("(not set)") : plainText(reading);
    if (preference.type() == ValueType::MemoryChoice)
        value += QStringLiteral(" MB (choice ") + QString::number(reading.memoryChoice) + QLatin1Char(')');
    const QString note = reading.note.isEmpty() ? QString() : QStringLiteral(" (") + reading.note + QLatin1Char(')');
    return QLatin1String(preference.key()) + QStringLiteral(" = ") + value + (reading.fromDefault ? QLatin1String(DefaultMark) : QString()) + note;
}

QStringList overviewLines(const Gui::Wisp::Settings &store)
{
    QStringList lines{QStringLiteral("Store: ") + store.fileName()};
    for (const Preference &preference : preferences())
        lines << preferenceLine(preference, readPreference(preference, store));
    lines << RecentFilesKey + QLatin1Char(':');
    for (const QString &path : recentEntries(store))
        lines << QLatin1String(EntryIndent) + path + (QFileInfo::exists(path) ? QString() : QLatin1String(MissingMark));
    if (recentEntries(store).isEmpty())
        lines << QLatin1String(NoneEntry);
    lines << WindowStateKey + QStringLiteral(" = ") + QString::number(Kel::UserSettings::GetWindowState().size())
                 + QStringLiteral(" bytes") + (store.contains(WindowStateKey) ? QString() : QLatin1String(DefaultMark));
    lines << QStringLiteral("WidgetStates:");
    for (const QString &name : widgetNames(store)) {
        const QVariant state = Kel::UserSettings::GetWidgetState(name);
        const int bytes = stateBytes(state);
        lines << QLatin1String(EntryIndent) + (name.isEmpty() ? QLatin1String(EmptyWidgetName) : name)
                     + QStringLiteral(" = ")
                     + (bytes < 0 ? QLatin1String(state.typeName()) : QString::number(bytes) + QStringLiteral(" bytes"));
    }
    if (widgetNames(store).isEmpty())
        lines << QLatin1String(NoneEntry);
    return lines;
}

QJsonObject overviewJson(const Gui::Wisp::Settings &store)
{
    QJsonObject preferenceObjects;
    for (const Preference &preference : preferences())
        preferenceObjects.insert(QLatin1String(preference.key()), toJson(preference, readPreference(preference, store)));
    QJsonArray recentFiles;
    for (const QString &path : recentEntries(store))
        recentFiles.append(QJsonObject{{QStringLiteral("path"), path}, {QStringLiteral("exists"), QFileInfo::exists(path)}});
    QJsonArray widgetStates;
    for (const QString &name : widgetNames(store)) {
        const QVariant state = Kel::UserSettings::GetWidgetState(name);
        QJsonObject object{{QStringLiteral("name"), name}, {QStringLiteral("type"), QLatin1String(state.typeName())}};
        if (stateBytes(state) >= 0)
            object.insert(QStringLiteral("bytes"), stateBytes(state));
        widgetStates.append(object);
    }
    return QJsonObject{
        {QStringLiteral("store"), store.fileName()},
        {QStringLiteral("preferences"), preferenceObjects},
        {QStringLiteral("recentFiles"), recentFiles},
        {QStringLiteral("windowState"),
         QJsonObject{{QStringLiteral("bytes"), Kel::UserSettings::GetWindowState().size()},
                     {QStringLiteral("fromDefault"), !store.contains(WindowStateKey)}}},
        {QStringLiteral("widgetStates"), widgetStates},
    };
}

} // namespace

int runList(const Invocation &invocation)
{
    const PreferenceStore store;
    if (invocation.json)
        printJson(overviewJson(store));
    else
        printLines(overviewLines(store));
    return ExitOk;
}

} // namespace KelSettings
