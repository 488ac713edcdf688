// Reading preference values typed on the command line: flags, whole numbers and Java memory choices.
#pragma once

#include <QtCore/QString>

#include <optional>

namespace KelSettings {

// The Java memory sizes in MB, by the choice index the store keeps.
constexpr unsigned int JavaMemorySizesMb[] = {256, 512, 1024, 2048, 4096};

// true/false, yes/no, on/off or 1/0, letter case ignored; nothing else.
std::optional<bool> parseFlag(const QString &text);

// Decimal digits only (no sign, blanks or other text), at most maximum.
std::optional<unsigned int> parseWholeNumber(const QString &text, unsigned int maximum);

// A choice index (0 to 4) or one of JavaMemorySizesMb, as the choice index.
std::optional<unsigned int> parseJavaMemoryChoice(const QString &text);

// "256, 512, 1024, 2048, 4096" for messages.
QString javaMemorySizeList();

} // namespace KelSettings
