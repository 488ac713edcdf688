// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The nine preferences kel-settings reads and stores: their entries in the library's table, texts, typed values and readings.
#pragma once

#include <Kel_PreferenceTable.h>
#include <Port/StringBase.h>

#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>
#include <variant>
#include <vector>

namespace Gui {
namespace Wisp {
class Settings;
}
} // namespace Gui

namespace KelSettings {

using Kel::PreferenceTable::ValueType;

// The largest RecentProjectCount, either side of 0, the tool stores: far
// beyond any menu, and safely inside the store's signed whole numbers.
constexpr unsigned int MaxRecentProjectCount = 1000000;

struct Preference
{
    Kel::PreferenceTable::KeyIndex index;
    // The library's accessors; only those of the preference's type are set.
    // A command line has no getter of its own: it is read from the store.
    bool (*getFlag)();
    unsigned int (*setFlag)(bool);
    unsigned int (*setCommandLine)(const Port::StringBase &);

    const char *key() const { return Kel::PreferenceTable::Keys[index].name; }
    ValueType type() const { return Kel::PreferenceTable::Keys[index].type; }
};

const std::vector<Preference> &preferences();
// The preference of that key (exact spelling), or null.
const Preference *findPreference(const QString &key);
// The keys, in the order of preferences().
QStringList preferenceKeys();

// What set takes, and the default, as help and the manual show them.
QString allowedValuesText(const Preference &preference);
QString defaultText(const Preference &preference);
// The words a shell offers after "set KEY"; empty for free text.
QStringList valueWords(const Preference &preference);

// The flag that chooses the desktop's default program over the command line
// of commandLine (PDFViewer or WebBrowser).
const Preference &useDefaultFlagOf(const Preference &commandLine);
// Warns of what keeps a command line of commandLine's key from starting its
// program as the library's launches read it; true when nothing does.
bool commandLineStarts(const Preference &commandLine, const QString &text);

// A flag, a number (the choice index for JavaMemorySize) or a command line.
using PreferenceValue = std::variant<bool, unsigned int, QString>;

struct ParsedValue
{
    std::optional<PreferenceValue> value;
    QString error;  // set when value is not, naming the values allowed
};

ParsedValue parsePreferenceValue(const Preference &preference, const QString &text);

// Hands the value to the library's setter; the setter's result.
unsigned int storePreference(const Preference &preference, const PreferenceValue &value);

struct PreferenceReading
{
    QJsonValue value;        // bool, number (MB for JavaMemorySize), string, or null for an unset command line
    bool fromDefault = true; // the key is not in the store
    int memoryChoice = -1;   // JavaMemorySize: the stored choice index
    QString note;            // set when the library reads the stored text otherwise than it reads to a person
    bool unusable = false;   // the library takes nothing from what is stored (a list where a command line belongs)
};

PreferenceReading readPreference(const Preference &preference, const Gui::Wisp::Settings &store);

// The value as `get` prints it: true/false, a number, or the command line.
QString plainText(const PreferenceReading &reading);
// {"key", "value", "fromDefault"}, "choice" for JavaMemorySize, and "note" when there is one.
QJsonObject toJson(const Preference &preference, const PreferenceReading &reading);

} // namespace KelSettings
