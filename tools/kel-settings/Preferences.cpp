// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The preference list and the typed bridge between command-line text and the library's getters and setters.
#include "Preferences.h"

#include "Messages.h"
#include "ValueParsing.h"

#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>
#include <Kel_Utility.h>
#include <Kel_ViewerCommand.h>

#include <QtCore/QLatin1String>
#include <QtCore/QVariant>

namespace KelSettings {

namespace {

using Kel::UserSettings;
namespace Table = Kel::PreferenceTable;

// What the library's setters give for a value they did not take.
constexpr unsigned int NotStored = 1;
// What a command line is read for.
constexpr char PdfSample[] = "manual.pdf";
constexpr char WebSample[] = "https://example.com/";

QString keyOf(const Preference &preference)
{
    return QLatin1String(preference.key());
}

QString flagText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// QSettings reads a hand-written value with an unquoted comma as a list.
bool isList(const QVariant &stored)
{
    return stored.userType() == QMetaType::QStringList;
}

// The text a person reads in the file; a hand-written "a, b" comes back as a list.
QString storedText(const QVariant &stored)
{
    if (stored.canConvert<QStringList>() && stored.toStringList().size() > 1)
        return stored.toStringList().join(QStringLiteral(", "));
    return stored.toString();
}

QString misreadNote(const QString &text, const QString &libraryReading)
{
    return QStringLiteral("stored as \"") + text + QStringLiteral("\", which the library reads as ") + libraryReading;
}

// The value as a reading holds it: a memory choice as its size in MB, a count
// as the signed number the store keeps.
QJsonValue jsonValue(const PreferenceValue &value, ValueType type)
{
    if (const bool *flag = std::get_if<bool>(&value))
        return QJsonValue(*flag);
    if (const QString *text = std::get_if<QString>(&value))
        return QJsonValue(*text);
    const unsigned int number = std::get<unsigned int>(value);
    if (type == ValueType::MemoryChoice)
        return QJsonValue(static_cast<qint64>(Table::javaMemorySizeMb(number)));
    return QJsonValue(static_cast<int>(number));
}

// A hand-edited store can hold "no" for a flag or "12abc" for a number, which
// the library reads by Qt's conversion rules; set's reading of the same text
// says what a person meant, and the note tells when the two differ.
QString noteOn(const Preference &preference, const PreferenceReading &reading, const QVariant &stored)
{
    const QString text = storedText(stored);
    if (preference.type() == ValueType::CommandLine) {
        if (!isList(stored))
            return QString();
        return misreadNote(text, QStringLiteral("no command line at all"))
               + QStringLiteral(": an unquoted comma makes it a list; write the value in double quotes in the "
                                "file, or store it again with set");
    }
    const ParsedValue meant = parsePreferenceValue(preference, text);
    if (meant.value && jsonValue(*meant.value, preference.type()) == reading.value)
        return QString();
    const QString unit = preference.type() == ValueType::MemoryChoice ? QStringLiteral(" MB") : QString();
    return misreadNote(text, plainText(reading) + unit);
}

} // namespace

const std::vector<Preference> &preferences()
{
    static const std::vector<Preference> list = {
        {Table::UseDefaultPDFViewer, &UserSettings::GetUseDefaultPDFViewer, &UserSettings::SetUseDefaultPDFViewer,
         nullptr},
        {Table::UseDefaultWebBrowser, &UserSettings::GetUseDefaultWebBrowser, &UserSettings::SetUseDefaultWebBrowser,
         nullptr},
        {Table::OpenPreviousProject, &UserSettings::GetOpenPreviousProject, &UserSettings::SetOpenPreviousProject,
         nullptr},
        {Table::OverwriteFiles, &UserSettings::GetOverwriteOutputFiles, &UserSettings::SetOverwriteOutputFiles,
         nullptr},
        {Table::PDFViewer, nullptr, nullptr, &UserSettings::SetPDFViewerPath},
        {Table::WebBrowser, nullptr, nullptr, &UserSettings::SetWebBrowserPath},
        {Table::DisplayReadme, &UserSettings::GetDisplayReadmeFile, &UserSettings::SetDisplayReadmeFile, nullptr},
        {Table::JavaMemorySize, nullptr, nullptr, nullptr},
        {Table::RecentProjectCount, nullptr, nullptr, nullptr},
    };
    return list;
}

const Preference *findPreference(const QString &key)
{
    for (const Preference &preference : preferences()) {
        if (key == keyOf(preference))
            return &preference;
    }
    return nullptr;
}

QStringList preferenceKeys()
{
    QStringList keys;
    for (const Preference &preference : preferences())
        keys << keyOf(preference);
    return keys;
}

const Preference &useDefaultFlagOf(const Preference &commandLine)
{
    return *findPreference(QLatin1String(
        Table::Keys[commandLine.index == Table::PDFViewer ? Table::UseDefaultPDFViewer : Table::UseDefaultWebBrowser].name));
}

bool commandLineStarts(const Preference &commandLine, const QString &text)
{
    const bool pdf = commandLine.index == Table::PDFViewer;
    const Kel::ViewerCommand command(pdf ? Kel::ViewerCommand::PdfViewer : Kel::ViewerCommand::WebBrowser, text,
                                     QLatin1String(pdf ? PdfSample : WebSample));
    for (const Kel::ViewerCommand::Problem problem : command.problems())
        printWarning(keyOf(commandLine) + QStringLiteral(": ") + command.describe(problem));
    return command.problems().isEmpty();
}

QString allowedValuesText(const Preference &preference)
{
    switch (preference.type()) {
    case ValueType::Flag: {
        // The words come in true/false pairs.
        const QStringList words = flagWords();
        QStringList pairs;
        for (int i = 0; i + 1 < words.size(); i += 2)
            pairs << words.at(i) + QLatin1Char('/') + words.at(i + 1);
        return QStringList(pairs.mid(0, pairs.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" or ")
               + pairs.last();
    }
    case ValueType::CommandLine:
        return QStringLiteral("a program (in double quotes when its path holds blanks) and blank-separated "
                              "arguments, %1 standing for the ")
               + (preference.index == Table::PDFViewer ? QStringLiteral("file") : QStringLiteral("URL"));
    case ValueType::MemoryChoice:
        return QStringLiteral("a choice index 0 to ") + QString::number(Table::JavaMemoryChoiceCount - 1)
               + QStringLiteral(" or a size in MB: ") + javaMemorySizeList();
    case ValueType::Count:
        return QStringLiteral("a whole number from -") + QString::number(MaxRecentProjectCount)
               + QStringLiteral(" to ") + QString::number(MaxRecentProjectCount)
               + QStringLiteral(": how many of the recorded projects the application looks at, 0 or below for all "
                                "of them");
    default:
        return QString();
    }
}

QString defaultText(const Preference &preference)
{
    switch (preference.type()) {
    case ValueType::Flag:
        return flagText(Table::flagDefault(preference.index));
    case ValueType::MemoryChoice: {
        const int choice = Table::numberDefault(preference.index);
        return QString::number(Table::javaMemorySizeMb(static_cast<unsigned int>(choice))) + QStringLiteral(" MB (choice ")
               + QString::number(choice) + QLatin1Char(')');
    }
    case ValueType::Count:
        return QString::number(Table::numberDefault(preference.index));
    default:
        return QStringLiteral("not set");
    }
}

QStringList valueWords(const Preference &preference)
{
    switch (preference.type()) {
    case ValueType::Flag:
        return flagWords();
    case ValueType::MemoryChoice:
        return javaMemoryWords();
    default:
        return QStringList();
    }
}

ParsedValue parsePreferenceValue(const Preference &preference, const QString &text)
{
    std::optional<PreferenceValue> value;
    switch (preference.type()) {
    case ValueType::Flag:
        if (const std::optional<bool> flag = parseFlag(text))
            value = *flag;
        break;
    case ValueType::CommandLine:
        value = text;
        break;
    case ValueType::MemoryChoice:
        if (const std::optional<unsigned int> choice = parseJavaMemoryChoice(text))
            value = *choice;
        break;
    case ValueType::Count: {
        // The store keeps the count as a signed number; 0 or below sets no limit.
        const bool negative = text.startsWith(QLatin1Char('-'));
        if (const std::optional<unsigned int> count = parseWholeNumber(text.mid(negative ? 1 : 0), MaxRecentProjectCount))
            value = negative ? 0u - *count : *count;
        break;
    }
    default:
        return {std::nullopt, keyOf(preference) + QStringLiteral(" is not a preference set takes")};
    }
    if (value)
        return {value, QString()};
    return {std::nullopt, QLatin1Char('\'') + text + QStringLiteral("' is not a value for ") + keyOf(preference)
                              + QStringLiteral("; use ") + allowedValuesText(preference)};
}

unsigned int storePreference(const Preference &preference, const PreferenceValue &value)
{
    switch (preference.type()) {
    case ValueType::Flag:
        return preference.setFlag(std::get<bool>(value));
    case ValueType::CommandLine:
        return preference.setCommandLine(Kel::Utility::QStringToPortString(std::get<QString>(value)));
    case ValueType::MemoryChoice:
        return UserSettings::SetJavaMemorySize(std::get<unsigned int>(value));
    case ValueType::Count:
        return UserSettings::SetRecentProjectCount(std::get<unsigned int>(value));
    default:
        return NotStored;
    }
}

PreferenceReading readPreference(const Preference &preference, const Gui::Wisp::Settings &store)
{
    PreferenceReading reading;
    reading.fromDefault = !store.contains(keyOf(preference));
    switch (preference.type()) {
    case ValueType::Flag:
        reading.value = QJsonValue(preference.getFlag());
        break;
    case ValueType::CommandLine: {
        // None when nothing is stored, and none when QSettings reads the stored text as a list.
        const QString commandLine = store.getValue(keyOf(preference), QVariant()).toString();
        reading.value = commandLine.isNull() ? QJsonValue(QJsonValue::Null) : QJsonValue(commandLine);
        break;
    }
    case ValueType::MemoryChoice:
        reading.value = QJsonValue(static_cast<qint64>(UserSettings::GetJavaMemorySize()));
        // As the library reads it: a value that is no number reads as 0.
        reading.memoryChoice = store.getValue(keyOf(preference), QVariant(Table::numberDefault(preference.index))).toInt();
        break;
    case ValueType::Count:
        reading.value = jsonValue(PreferenceValue(UserSettings::GetRecentProjectCount()), ValueType::Count);
        break;
    default:
        break;
    }
    if (!reading.fromDefault) {
        const QVariant stored = store.getValue(keyOf(preference), QVariant());
        reading.note = noteOn(preference, reading, stored);
        reading.unusable = preference.type() == ValueType::CommandLine && isList(stored);
    }
    return reading;
}

QString plainText(const PreferenceReading &reading)
{
    if (reading.value.isBool())
        return flagText(reading.value.toBool());
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
    if (preference.type() == ValueType::MemoryChoice)
        object.insert(QStringLiteral("choice"), reading.memoryChoice);
    if (!reading.note.isEmpty())
        object.insert(QStringLiteral("note"), reading.note);
    return object;
}

} // namespace KelSettings
