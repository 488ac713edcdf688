// The nine scalar preferences: their keys, kinds and defaults, typed values, and reading and storing them.
#pragma once

#include <Port/StringBase.h>

#include <QtCore/QJsonObject>
#include <QtCore/QJsonValue>
#include <QtCore/QString>

#include <optional>
#include <variant>
#include <vector>

namespace Gui {
namespace Wisp {
class Settings;
}
} // namespace Gui

namespace KelSettings {

// The highest RecentProjectCount the tool stores: far beyond any menu, and
// safely inside the store's signed whole numbers.
constexpr unsigned int MaxRecentProjectCount = 1000000;

enum class PreferenceKind {
    Flag,          // true or false
    CommandLine,   // a viewer's program and arguments, "%1" standing for the file or URL
    MemoryChoice,  // JavaMemorySize: a choice index into the Java memory sizes
    Count,         // RecentProjectCount: a whole number
};

struct Preference
{
    const char *key;
    PreferenceKind kind;
    const char *defaultText;  // how the default reads in help and errors
    // The library's accessors; only those of the preference's kind are set.
    // A command line has no getter of its own: it is read from the store.
    bool (*getFlag)();
    unsigned int (*setFlag)(bool);
    unsigned int (*setCommandLine)(const Port::StringBase &);
};

const std::vector<Preference> &preferences();
// The preference of that key (exact spelling), or null.
const Preference *findPreference(const QString &key);
// "UseDefaultPDFViewer, UseDefaultWebBrowser, ..." for messages.
QString preferenceKeyList();

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
};

PreferenceReading readPreference(const Preference &preference, const Gui::Wisp::Settings &store);

// The value as `get` prints it: true/false, a number, or the command line.
QString plainText(const PreferenceReading &reading);
// {"key", "value", "fromDefault"} and "choice" for JavaMemorySize.
QJsonObject toJson(const Preference &preference, const PreferenceReading &reading);

} // namespace KelSettings
