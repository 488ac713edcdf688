// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Reading preference values typed on the command line: flags, whole numbers and Java memory choices.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <optional>

namespace KelSettings {

// true/false, yes/no, on/off or 1/0, letter case ignored; nothing else.
std::optional<bool> parseFlag(const QString &text);
// Those words, true before false in each pair.
QStringList flagWords();

// Decimal digits only (no sign, blanks or other text), at most maximum.
std::optional<unsigned int> parseWholeNumber(const QString &text, unsigned int maximum);

// A choice index or one of the Java memory sizes in MB, as the choice index.
std::optional<unsigned int> parseJavaMemoryChoice(const QString &text);

// "256, 512, 1024, 2048, 4096" for messages.
QString javaMemorySizeList();
// "0", "1", ... and "256", "512", ...: every value parseJavaMemoryChoice takes.
QStringList javaMemoryWords();

} // namespace KelSettings
