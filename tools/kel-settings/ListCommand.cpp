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

struct RecentFile
{
    QString path;
    bool exists;
};

struct WidgetState
{
    QString name;
    QVariant value;
};

struct Overview
{
    QString storeFile;
    std::vector<PreferenceReading> readings;  // in the order of preferences()
    std::vector<RecentFile> recentFiles;
    int windowStateBytes = 0;
    bool windowStateStored = false;
    std::vector<WidgetState> widgetStates;
};

// The raw list, entries of files that are gone included: the library's own
// getter leaves those out.
std::vector<RecentFile> readRecentFiles(const Gui::Wisp::Settings &store)
{
    std::vector<RecentFile> files;
    const QStringList stored = store.getValue(recentFilesKey(), QVariant()).toStringList();
    for (const QString &path : stored)
        files.push_back({path, QFileInfo::exists(path)});
    return files;
}

std::vector<WidgetState> readWidgetStates(const Gui::Wisp::Settings &store)
{
    QStringList keys = store.allKeys();
    keys.sort();
    std::vector<WidgetState> states;
    const QLatin1String prefix = widgetStatePrefix();
    for (const QString &key : keys) {
        if (!key.startsWith(prefix))
            continue;
        const QString name = key.mid(prefix.size());
        states.push_back({name, Kel::UserSettings::GetWidgetState(name)});
    }
    return states;
}

Overview readOverview()
{
    PreferenceStore store;
    Overview overview;
    overview.storeFile = store.fileName();
    for (const Preference &preference : preferences())
        overview.readings.push_back(readPreference(preference, store));
    overview.recentFiles = readRecentFiles(store);
    overview.windowStateBytes = Kel::UserSettings::GetWindowState().size();
    overview.windowStateStored = store.contains(windowStateKey());
    overview.widgetStates = readWidgetStates(store);
    return overview;
}

// Widget states are opaque to the tool: byte blobs show their size, anything else its type.
bool isByteState(const QVariant &state)
{
    return state.userType() == QMetaType::QByteArray || state.userType() == QMetaType::QString;
}

QString describeState(const QVariant &state)
{
    if (isByteState(state))
        return QString::number(state.toByteArray().size()) + QStringLiteral(" bytes");
    return QLatin1String(state.typeName());
}

QString shownWidgetName(const QString &name)
{
    return name.isEmpty() ? QLatin1String(EmptyWidgetName) : name;
}

QString defaultMark(bool fromDefault)
{
    return fromDefault ? QLatin1String(DefaultMark) : QString();
}

QString preferenceLine(const Preference &preference, const PreferenceReading &reading)
{
    QString value;
    if (preference.type() == ValueType::MemoryChoice)
        value = plainText(reading) + QStringLiteral(" MB (choice ") + QString::number(reading.memoryChoice)
                + QLatin1Char(')');
    else if (reading.value.isNull())
        value = QStringLiteral("(not set)");
    else
        value = plainText(reading);
    const QString note = reading.note.isEmpty() ? QString() : QStringLiteral(" (") + reading.note + QLatin1Char(')');
    return QLatin1String(preference.key()) + QStringLiteral(" = ") + value + defaultMark(reading.fromDefault) + note;
}

QStringList overviewLines(const Overview &overview)
{
    QStringList lines{QStringLiteral("Store: ") + overview.storeFile};
    for (std::size_t i = 0; i < overview.readings.size(); ++i)
        lines << preferenceLine(preferences()[i], overview.readings[i]);

    lines << recentFilesKey() + QLatin1Char(':');
    for (const RecentFile &file : overview.recentFiles)
        lines << QLatin1String(EntryIndent) + file.path + (file.exists ? QString() : QLatin1String(MissingMark));
    if (overview.recentFiles.empty())
        lines << QLatin1String(NoneEntry);

    lines << windowStateKey() + QStringLiteral(" = ") + QString::number(overview.windowStateBytes)
                 + QStringLiteral(" bytes") + defaultMark(!overview.windowStateStored);

    lines << QStringLiteral("WidgetStates:");
    for (const WidgetState &state : overview.widgetStates)
        lines << QLatin1String(EntryIndent) + shownWidgetName(state.name) + QStringLiteral(" = ")
                     + describeState(state.value);
    if (overview.widgetStates.empty())
        lines << QLatin1String(NoneEntry);
    return lines;
}

QJsonObject widgetStateJson(const WidgetState &state)
{
    QJsonObject object{
        {QStringLiteral("name"), state.name},
        {QStringLiteral("type"), QLatin1String(state.value.typeName())},
    };
    if (isByteState(state.value))
        object.insert(QStringLiteral("bytes"), state.value.toByteArray().size());
    return object;
}

QJsonObject overviewJson(const Overview &overview)
{
    QJsonObject preferenceObjects;
    for (std::size_t i = 0; i < overview.readings.size(); ++i) {
        const Preference &preference = preferences()[i];
        preferenceObjects.insert(QLatin1String(preference.key()), toJson(preference, overview.readings[i]));
    }
    QJsonArray recentFiles;
    for (const RecentFile &file : overview.recentFiles)
        recentFiles.append(QJsonObject{{QStringLiteral("path"), file.path}, {QStringLiteral("exists"), file.exists}});
    QJsonArray widgetStates;
    for (const WidgetState &state : overview.widgetStates)
        widgetStates.append(widgetStateJson(state));
    return QJsonObject{
        {QStringLiteral("store"), overview.storeFile},
        {QStringLiteral("preferences"), preferenceObjects},
        {QStringLiteral("recentFiles"), recentFiles},
        {QStringLiteral("windowState"),
         QJsonObject{{QStringLiteral("bytes"), overview.windowStateBytes},
                     {QStringLiteral("fromDefault"), !overview.windowStateStored}}},
        {QStringLiteral("widgetStates"), widgetStates},
    };
}

} // namespace

int runList(const Invocation &invocation)
{
    const Overview overview = readOverview();
    if (invocation.json)
        printJson(overviewJson(overview));
    else
        printLines(overviewLines(overview));
    return ExitOk;
}

} // namespace KelSettings
