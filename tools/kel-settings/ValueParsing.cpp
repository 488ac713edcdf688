// Strict parsing of typed values, so a typo is refused instead of stored as something else.
#include "ValueParsing.h"

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
    {"true", true}, {"yes", true}, {"on", true}, {"1", true},
    {"false", false}, {"no", false}, {"off", false}, {"0", false},
};

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
    const unsigned int largestSize = JavaMemorySizesMb[std::size(JavaMemorySizesMb) - 1];
    const std::optional<unsigned int> number = parseWholeNumber(text, largestSize);
    if (!number)
        return std::nullopt;
    if (*number < std::size(JavaMemorySizesMb))
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

} // namespace KelSettings
