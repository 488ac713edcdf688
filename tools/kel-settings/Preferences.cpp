// The preference table and the typed bridge between command-line text and the library's getters and setters.
#include "Preferences.h"

#include "ValueParsing.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QLatin1String>
#include <QtCore/QVariant>

namespace KelSettings {

namespace {

using Kel::UserSettings;

constexpr char JavaMemoryKey[] = "JavaMemorySize";
// The choice the library falls back on while JavaMemorySize is not stored.
constexpr int DefaultJavaMemoryChoice = 2;
// What the library's setters give for a value they did not take.
constexpr unsigned int NotStored = 1;

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString keyOf(const Preference &preference)
{
    return QLatin1String(preference.key);
}

ParsedValue refused(const Preference &preference, const QString &text, const QString &allowed)
{
    return {std::nullopt, quoted(text) + QStringLiteral(" is not a value for ") + keyOf(preference)
                              + QStringLiteral("; use ") + allowed};
}

ParsedValue parseFlagValue(const Preference &preference, const QString &text)
{
    if (const std::optional<bool> flag = parseFlag(text))
        return {PreferenceValue(*flag), QString()};
    return refused(preference, text, QStringLiteral("true/false, yes/no, on/off or 1/0"));
}

ParsedValue parseMemoryValue(const Preference &preference, const QString &text)
{
    if (const std::optional<unsigned int> choice = parseJavaMemoryChoice(text))
        return {PreferenceValue(*choice), QString()};
    return refused(preference, text,
                   QStringLiteral("a choice index 0 to ") + QString::number(std::size(JavaMemorySizesMb) - 1)
                       + QStringLiteral(" or a size in MB: ") + javaMemorySizeList());
}

ParsedValue parseCountValue(const Preference &preference, const QString &text)
{
    if (const std::optional<unsigned int> count = parseWholeNumber(text, MaxRecentProjectCount))
        return {PreferenceValue(*count), QString()};
    return refused(preference, text,
                   QStringLiteral("a whole number from 0 to ") + QString::number(MaxRecentProjectCount));
}

QJsonValue readCommandLine(const Preference &preference, const Gui::Wisp::Settings &store)
{
    const QVariant stored = store.getValue(keyOf(preference), QVariant());
    if (!stored.isValid())
        return QJsonValue(QJsonValue::Null);
    return QJsonValue(stored.toString());
}

// The choice index as stored; the library reads a value that is no number as 0.
int readMemoryChoice(const Gui::Wisp::Settings &store)
{
    return store.getValue(QLatin1String(JavaMemoryKey), QVariant(DefaultJavaMemoryChoice)).toInt();
}

} // namespace

const std::vector<Preference> &preferences()
{
    static const std::vector<Preference> table = {
        {"UseDefaultPDFViewer", PreferenceKind::Flag, "true", &UserSettings::GetUseDefaultPDFViewer,
         &UserSettings::SetUseDefaultPDFViewer, nullptr},
        {"UseDefaultWebBrowser", PreferenceKind::Flag, "true", &UserSettings::GetUseDefaultWebBrowser,
         &UserSettings::SetUseDefaultWebBrowser, nullptr},
        {"OpenPreviousProject", PreferenceKind::Flag, "false", &UserSettings::GetOpenPreviousProject,
         &UserSettings::SetOpenPreviousProject, nullptr},
        {"OverwriteFiles", PreferenceKind::Flag, "false", &UserSettings::GetOverwriteOutputFiles,
         &UserSettings::SetOverwriteOutputFiles, nullptr},
        {"PDFViewer", PreferenceKind::CommandLine, "(not set)", nullptr, nullptr, &UserSettings::SetPDFViewerPath},
        {"WebBrowser", PreferenceKind::CommandLine, "(not set)", nullptr, nullptr, &UserSettings::SetWebBrowserPath},
        {"DisplayReadme", PreferenceKind::Flag, "true", &UserSettings::GetDisplayReadmeFile,
         &UserSettings::SetDisplayReadmeFile, nullptr},
        {JavaMemoryKey, PreferenceKind::MemoryChoice, "1024 (choice 2)", nullptr, nullptr, nullptr},
        {"RecentProjectCount", PreferenceKind::Count, "4", nullptr, nullptr, nullptr},
    };
    return table;
}

const Preference *findPreference(const QString &key)
{
    for (const Preference &preference : preferences()) {
        if (key == keyOf(preference))
            return &preference;
    }
    return nullptr;
}

QString preferenceKeyList()
{
    QString list;
    for (const Preference &preference : preferences()) {
        if (!list.isEmpty())
            list += QStringLiteral(", ");
        list += keyOf(preference);
    }
    return list;
}

ParsedValue parsePreferenceValue(const Preference &preference, const QString &text)
{
    switch (preference.kind) {
    case PreferenceKind::Flag:
        return parseFlagValue(preference, text);
    case PreferenceKind::CommandLine:
        return {PreferenceValue(text), QString()};
    case PreferenceKind::MemoryChoice:
        return parseMemoryValue(preference, text);
    case PreferenceKind::Count:
        return parseCountValue(preference, text);
    }
    return {std::nullopt, QStringLiteral("unknown kind of preference")};
}

unsigned int storePreference(const Preference &preference, const PreferenceValue &value)
{
    switch (preference.kind) {
    case PreferenceKind::Flag:
        return preference.setFlag(std::get<bool>(value));
    case PreferenceKind::CommandLine:
        return preference.setCommandLine(Kel::Utility::QStringToPortString(std::get<QString>(value)));
    case PreferenceKind::MemoryChoice:
        return UserSettings::SetJavaMemorySize(std::get<unsigned int>(value));
    case PreferenceKind::Count:
        return UserSettings::SetRecentProjectCount(std::get<unsigned int>(value));
    }
    return NotStored;
}

PreferenceReading readPreference(const Preference &preference, const Gui::Wisp::Settings &store)
{
    PreferenceReading reading;
    reading.fromDefault = !store.contains(keyOf(preference));
    switch (preference.kind) {
    case PreferenceKind::Flag:
        reading.value = QJsonValue(preference.getFlag());
        break;
    case PreferenceKind::CommandLine:
        reading.value = readCommandLine(preference, store);
        break;
    case PreferenceKind::MemoryChoice:
        reading.value = QJsonValue(static_cast<qint64>(UserSettings::GetJavaMemorySize()));
        reading.memoryChoice = readMemoryChoice(store);
        break;
    case PreferenceKind::Count:
        reading.value = QJsonValue(static_cast<qint64>(UserSettings::GetRecentProjectCount()));
        break;
    }
    return reading;
}

QString plainText(const PreferenceReading &reading)
{
    if (reading.value.isBool())
        return reading.value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    if (reading.value.isDouble())
        return QString::number(static_cast<qint64>(reading.value.toDouble()));
    return reading.value.toString();
}

QJsonObject toJson(const Preference &preference, const PreferenceReading &reading)
{
    QJsonObject object{
        {QStringLiteral("key"), keyOf(preference)},
        {QStringLiteral("value"), reading.value},
        {QStringLiteral("fromDefault"), reading.fromDefault},
    };
    if (preference.kind == PreferenceKind::MemoryChoice)
        object.insert(QStringLiteral("choice"), reading.memoryChoice);
    return object;
}

} // namespace KelSettings
