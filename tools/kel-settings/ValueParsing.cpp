// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Strict parsing of typed values, so a typo is refused instead of stored as something else.
#include "ValueParsing.h"

#include <Kel_PreferenceTable.h>

#include <QtCore/QLatin1String>

#include <algorithm>
#include <iterator>

namespace KelSettings {

namespace {

struct FlagWord
{
    const char *text;
    bool value;
};

constexpr FlagWord FlagWords[] = {
    {"true", true}, {"false", false}, {"yes", true}, {"no", false},
    {"on", true}, {"off", false}, {"1", true}, {"0", false},
};

using Kel::PreferenceTable::JavaMemoryChoiceCount;
using Kel::PreferenceTable::JavaMemorySizesMb;

} // namespace

std::optional<bool> parseFlag(const QString &text)
{
    for (const FlagWord &word : FlagWords) {
        if (text.compare(QLatin1String(word.text), Qt::CaseInsensitive) == 0)
            return word.value;
    }
    return std::nullopt;
}

QStringList flagWords()
{
    QStringList words;
    for (const FlagWord &word : FlagWords)
        words << QLatin1String(word.text);
    return words;
}

std::optional<unsigned int> parseWholeNumber(const QString &text, unsigned int maximum)
{
    // Qt's own conversion would take blanks and a sign too.
    const auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    bool ok = !text.isEmpty() && std::all_of(text.begin(), text.end(), digit);
    const qulonglong value = ok ? text.toULongLong(&ok) : 0;
    if (!ok || value > maximum)
        return std::nullopt;
    return static_cast<unsigned int>(value);
}

std::optional<unsigned int> parseJavaMemoryChoice(const QString &text)
{
    const unsigned int largestSize = JavaMemorySizesMb[JavaMemoryChoiceCount - 1];
    const std::optional<unsigned int> number = parseWholeNumber(text, largestSize);
    if (!number)
        return std::nullopt;
    if (*number < JavaMemoryChoiceCount)
        return number;
    const auto size = std::find(std::begin(JavaMemorySizesMb), std::end(JavaMemorySizesMb), *number);
    if (size == std::end(JavaMemorySizesMb))
        return std::nullopt;
    return static_cast<unsigned int>(size - std::begin(JavaMemorySizesMb));
}

QString javaMemorySizeList()
{
    return javaMemoryWords().mid(JavaMemoryChoiceCount).join(QStringLiteral(", "));
}

QStringList javaMemoryWords()
{
    QStringList words;
    for (unsigned int choice = 0; choice < JavaMemoryChoiceCount; ++choice)
        words << QString::number(choice);
    for (const unsigned int size : JavaMemorySizesMb)
        words << QString::number(size);
    return words;
}

} // namespace KelSettings
