// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port::StringBase: storage, searches, trimming, comparison, formatting and splitting of 8-bit strings.
#include <Port/StringBase.h>

#include "FormatV.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace Port {

namespace {

// npos is never a valid length, so every position fits below it.
constexpr std::uint32_t kMaxLength = StringBase::npos - 1;

// The shared buffer of every empty string; a capacity of 0 marks it as not owned.
char s_emptyBuffer[1] = {'\0'};

// Length of text up to its first NUL, reading no more than limit bytes.
std::uint32_t boundedLength(const char *text, std::uint32_t limit)
{
    std::uint32_t n = 0;
    while (n < limit && text[n] != '\0')
        ++n;
    return n;
}

// ASCII-only case folding: the family's identifiers and options are ASCII, and
// a locale-dependent fold would make matches differ between hosts.
char foldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalNoCase(char a, char b)
{
    return foldCase(a) == foldCase(b);
}

int signOf(int value)
{
    return (value > 0) - (value < 0);
}

int byteDifference(char a, char b)
{
    return static_cast<int>(static_cast<unsigned char>(a)) - static_cast<int>(static_cast<unsigned char>(b));
}

bool isInSet(char c, std::string_view set)
{
    return set.find(c) != std::string_view::npos;
}

std::string_view viewOf(const StringBase &s)
{
    return std::string_view(s.c_str(), s.Length());
}

// Start of the first match of needle in haystack, or npos.
std::size_t findIn(std::string_view haystack, std::string_view needle, CompareType type)
{
    if (type != ComparePrefixNoCase)
        return haystack.find(needle);
    const auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), equalNoCase);
    return it == haystack.end() ? std::string_view::npos : static_cast<std::size_t>(it - haystack.begin());
}

} // namespace

StringBase::StringBase() noexcept : m_data(s_emptyBuffer), m_length(0), m_capacity(0) {}

StringBase::StringBase(const char *text) : StringBase()
{
    if (text)
        assign(text, boundedLength(text, kMaxLength));
}

StringBase::StringBase(const char *text, std::uint32_t length) : StringBase()
{
    if (text)
        assign(text, boundedLength(text, std::min(length, kMaxLength)));
}

StringBase::StringBase(const StringBase &other) : StringBase()
{
    assign(other.m_data, other.m_length);
}

StringBase::StringBase(StringBase &&other) noexcept
    : m_data(std::exchange(other.m_data, s_emptyBuffer)),
      m_length(std::exchange(other.m_length, 0u)),
      m_capacity(std::exchange(other.m_capacity, 0u))
{
}

StringBase::StringBase(const StringBase &other, const Port_Range &range) : StringBase()
{
    // Clamp before any arithmetic so that no range, however large its numbers,
    // reaches outside other's buffer.
    if (range.isEmpty() || range.first >= other.m_length)
        return;
    const std::uint32_t last = std::min(range.last, other.m_length - 1);
    assign(other.m_data + range.first, last - range.first + 1);
}

StringBase::~StringBase()
{
    if (m_capacity != 0)
        delete[] m_data;
}

StringBase &StringBase::operator=(const StringBase &other)
{
    if (this != &other)
        assign(other.m_data, other.m_length);
    return *this;
}

StringBase &StringBase::operator=(StringBase &&other) noexcept
{
    if (this != &other) {
        std::swap(m_data, other.m_data);
        std::swap(m_length, other.m_length);
        std::swap(m_capacity, other.m_capacity);
        other.assign(nullptr, 0);
    }
    return *this;
}

StringBase &StringBase::operator=(const char *text)
{
    // text may point into this string's own buffer: assign copies before it frees.
    if (text)
        assign(text, boundedLength(text, kMaxLength));
    else
        assign(nullptr, 0);
    return *this;
}

void StringBase::assign(const char *text, std::uint32_t length)
{
    if (length == 0) {
        if (m_capacity != 0)
            delete[] m_data;
        m_data = s_emptyBuffer;
        m_length = 0;
        m_capacity = 0;
        return;
    }
    if (m_capacity > length) {
        // memmove: text may overlap the buffer (self-assignment, Trim).
        std::memmove(m_data, text, length);
    } else {
        char *buffer = new char[length + 1];
        std::memcpy(buffer, text, length);
        if (m_capacity != 0)
            delete[] m_data;
        m_data = buffer;
        m_capacity = length + 1;
    }
    m_data[length] = '\0';
    m_length = length;
}

std::uint32_t StringBase::GetIndexOfString(const char *text, CompareType type) const
{
    // The empty text occurs at the start of every string, the empty one included.
    const std::string_view needle = text ? std::string_view(text) : std::string_view();
    const std::size_t at = findIn(viewOf(*this), needle, type);
    return at == std::string_view::npos ? npos : static_cast<std::uint32_t>(at);
}

std::uint32_t StringBase::GetIndexOfString(const Port_Range &range, const StringBase &text, CompareType type) const
{
    if (range.isEmpty() || range.first >= m_length)
        return npos;
    const std::uint32_t last = std::min(range.last, m_length - 1);
    const std::string_view span(m_data + range.first, last - range.first + 1);
    const std::size_t at = findIn(span, viewOf(text), type);
    return at == std::string_view::npos ? npos : static_cast<std::uint32_t>(range.first + at);
}

void StringBase::Trim(const char *set, TrimType type)
{
    if (!set || *set == '\0' || m_length == 0)
        return;
    const std::string_view chars(set);
    std::uint32_t begin = 0;
    std::uint32_t end = m_length;
    if (type == TrimLeading || type == TrimBoth) {
        while (begin < end && isInSet(m_data[begin], chars))
            ++begin;
    }
    if (type == TrimTrailing || type == TrimBoth) {
        while (end > begin && isInSet(m_data[end - 1], chars))
            --end;
    }
    if (begin != 0 || end != m_length)
        assign(m_data + begin, end - begin);
}

int StringBase::Compare(const char *text, CompareType type) const
{
    const char *other = text ? text : "";
    if (type != ComparePrefixNoCase)
        return signOf(std::strcmp(m_data, other));
    for (std::uint32_t i = 0; other[i] != '\0'; ++i) {
        // Running out of this string first makes it the smaller one: m_data[i]
        // is its NUL, which sorts before any character of text.
        if (i >= m_length || !equalNoCase(m_data[i], other[i]))
            return signOf(byteDifference(foldCase(m_data[i]), foldCase(other[i])));
    }
    return 0;
}

void StringBase::Format(const char *format, ...)
{
    std::va_list args;
    va_start(args, format);
    const std::optional<std::string> text = detail::formatV(format, args);
    va_end(args);
    // Formatted into a separate buffer first: the arguments may point into this string.
    if (!text) {
        assign(nullptr, 0);
        return;
    }
    // A "%c" of NUL ends the string there, as it would for any reader of c_str().
    assign(text->data(), boundedLength(text->data(), static_cast<std::uint32_t>(std::min<std::size_t>(text->size(), kMaxLength))));
}

std::vector<StringBase> StringBase::Split(const StringBase &text, const StringBase &separators, bool skipEmpty,
                                          const StringBase &quotes, const StringBase &escapes)
{
    // An escape wins over a quote, and a quote over a separator, when one
    // character is in several sets. Escapes work inside quotes too. An unclosed
    // quote runs to the end of the text. Without skipEmpty the empty text is one
    // empty piece, like any text without separators.
    const std::string_view input = viewOf(text);
    const std::string_view seps = viewOf(separators);
    const std::string_view quoteChars = viewOf(quotes);
    const std::string_view escapeChars = viewOf(escapes);

    std::vector<StringBase> pieces;
    std::string piece;
    auto flush = [&]() {
        if (!(skipEmpty && piece.empty()))
            pieces.emplace_back(piece.data(), static_cast<std::uint32_t>(piece.size()));
        piece.clear();
    };

    char openQuote = '\0';
    for (std::size_t i = 0; i < input.size(); ++i) {
        const char c = input[i];
        if (isInSet(c, escapeChars)) {
            // A lone escape at the very end has nothing to protect and stays as it is.
            piece += (i + 1 < input.size()) ? input[++i] : c;
        } else if (openQuote != '\0') {
            if (c == openQuote)
                openQuote = '\0';
            else
                piece += c;
        } else if (isInSet(c, quoteChars)) {
            openQuote = c;
        } else if (isInSet(c, seps)) {
            flush();
        } else {
            piece += c;
        }
    }
    flush();
    return pieces;
}

bool operator==(const StringBase &a, const StringBase &b) noexcept
{
    return a.m_length == b.m_length && std::memcmp(a.m_data, b.m_data, a.m_length) == 0;
}

namespace detail {

std::optional<std::string> formatV(const char *format, std::va_list args)
{
    if (!format)
        return std::nullopt;
    std::va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed < 0)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(needed) + 1, '\0');
    const int written = std::vsnprintf(text.data(), text.size(), format, args);
    if (written < 0)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(std::min(written, needed)));
    return text;
}

} // namespace detail

} // namespace Port
