// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Strict parsing of typed values, so a typo is refused instead of stored as something else.
#include "ValueParsing.h"

#include <Kel_PreferenceTable.h>

#include <QtCore/QLatin1String>

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

// More digits than this cannot be an unsigned int, whatever they are.
constexpr int MaxDigits = 10;

bool isDigitsOnly(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

std::optional<unsigned int> sizeIndexOf(unsigned int sizeMb)
{
    for (std::size_t i = 0; i < std::size(JavaMemorySizesMb); ++i) {
        if (JavaMemorySizesMb[i] == sizeMb)
            return static_cast<unsigned int>(i);
    }
    return std::nullopt;
}

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
    QString digits = text;
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (!isDigitsOnly(digits) || digits.size() > MaxDigits)
        return std::nullopt;
    const qulonglong value = digits.toULongLong();
    if (value > maximum)
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
    return sizeIndexOf(*number);
}

QString javaMemorySizeList()
{
    QString list;
    for (const unsigned int size : JavaMemorySizesMb) {
        if (!list.isEmpty())
            list += QStringLiteral(", ");
        list += QString::number(size);
    }
    return list;
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
