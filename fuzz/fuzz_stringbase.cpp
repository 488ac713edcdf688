// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Fuzzes Port::StringBase: ranges, searches, trimming, splitting, comparing and formatting with "%s".
#include <Port/StringBase.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

using Port::StringBase;

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

StringBase takeString(FuzzedDataProvider &input, std::size_t most)
{
    const std::string bytes = input.ConsumeRandomLengthString(most);
    return StringBase(bytes.c_str());
}

Port::CompareType takeCompareType(FuzzedDataProvider &input)
{
    // Values outside the enumeration count as CompareExact and must be safe too.
    return static_cast<Port::CompareType>(input.ConsumeIntegralInRange<int>(-1, 2));
}

bool containsAt(const StringBase &s, std::uint32_t at, const StringBase &text)
{
    return at <= s.Length() && s.Length() - at >= text.Length()
           && std::memcmp(s.c_str() + at, text.c_str(), text.Length()) == 0;
}

void checkRangeAndSearch(FuzzedDataProvider &input, const StringBase &s)
{
    const Port_Range range(input.ConsumeIntegral<std::uint32_t>() % (s.Length() + 3),
                           input.PickValueInArray({input.ConsumeIntegral<std::uint32_t>() % (s.Length() + 3),
                                                   StringBase::npos, std::uint32_t(0)}));
    const StringBase piece(s, range);
    require(piece.Length() <= s.Length());
    require(std::strlen(piece.c_str()) == piece.Length());
    if (!piece.IsEmpty())
        require(containsAt(s, range.first, piece));

    const StringBase text = takeString(input, 8);
    const Port::CompareType type = takeCompareType(input);
    const std::uint32_t anywhere = s.GetIndexOfString(text.c_str(), type);
    require(anywhere == StringBase::npos || anywhere <= s.Length());
    if (anywhere != StringBase::npos && type != Port::ComparePrefixNoCase)
        require(containsAt(s, anywhere, text));
    const std::uint32_t inside = s.GetIndexOfString(range, text, type);
    require(inside == StringBase::npos || (inside >= range.first && inside <= s.Length()));
    if (inside != StringBase::npos && type != Port::ComparePrefixNoCase)
        require(containsAt(s, inside, text));
    s.GetIndexOfString(nullptr, type);
}

void checkTrim(FuzzedDataProvider &input, const StringBase &s)
{
    StringBase trimmed(s);
    const std::string set = input.ConsumeRandomLengthString(4);
    const auto type = static_cast<Port::TrimType>(input.ConsumeIntegralInRange<int>(0, 3));
    trimmed.Trim(set.c_str(), type);
    require(trimmed.Length() <= s.Length());
    require(std::strlen(trimmed.c_str()) == trimmed.Length());
    if (!trimmed.IsEmpty() && !set.empty()) {
        if (type == Port::TrimLeading || type == Port::TrimBoth)
            require(std::strchr(set.c_str(), trimmed.c_str()[0]) == nullptr);
        if (type == Port::TrimTrailing || type == Port::TrimBoth)
            require(std::strchr(set.c_str(), trimmed.c_str()[trimmed.Length() - 1]) == nullptr);
    }
    trimmed.Trim(nullptr, Port::TrimBoth);
}

void checkSplit(FuzzedDataProvider &input, const StringBase &s)
{
    const StringBase separators = takeString(input, 3);
    const StringBase quotes = takeString(input, 2);
    const StringBase escapes = takeString(input, 2);
    const bool skipEmpty = input.ConsumeBool();
    std::size_t bytes = 0;
    for (const StringBase &piece : StringBase::Split(s, separators, skipEmpty, quotes, escapes)) {
        require(!skipEmpty || !piece.IsEmpty());
        require(std::strlen(piece.c_str()) == piece.Length());
        bytes += piece.Length();
    }
    require(bytes <= s.Length());
}

void checkCompareAndFormat(FuzzedDataProvider &input, const StringBase &s)
{
    require(s.Compare(s.c_str(), Port::CompareExact) == 0);
    require(s.Compare(s.c_str(), Port::ComparePrefixNoCase) == 0);
    const StringBase other = takeString(input, 8);
    const int order = s.Compare(other.c_str(), takeCompareType(input));
    require(order >= -1 && order <= 1);
    s.Compare(nullptr, Port::CompareExact);

    // Outside text is only ever an argument: it comes back as it went in.
    StringBase formatted;
    formatted.Format("%s", s.c_str());
    require(formatted == s);
    formatted.Format("[%s|%s]", s.c_str(), other.c_str());
    require(formatted.Length() == s.Length() + other.Length() + 3);

    StringBase moved(std::move(formatted));
    formatted = other;
    formatted = moved;
    formatted = s.c_str();
    require(formatted == s);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const StringBase s = takeString(input, 64);
    checkRangeAndSearch(input, s);
    checkTrim(input, s);
    checkSplit(input, s);
    checkCompareAndFormat(input, s);
    return 0;
}
