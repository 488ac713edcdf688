// Port::StringBase: the application family's 8-bit, NUL-terminated string.
#pragma once

#include <Port/Range.h>
#include <Port/port_export.h>

#include <cstdint>
#include <vector>

namespace Port {

// How GetIndexOfString and Compare match their text. Only ASCII letters fold
// case; any other value counts as CompareExact.
enum CompareType : int {
    // Exact, case-sensitive match of the whole string (a search finds the text as it is).
    CompareExact = 0,
    // The string begins with the text, letter case ignored: "openURL(%1)" matches "openURL".
    ComparePrefixNoCase = 1,
};

// Which ends Trim works on.
enum TrimType : int {
    TrimLeading = 0,
    TrimTrailing = 1,
    TrimBoth = 2,
};

// The bytes are UTF-8 on Windows, where the family's Windows calls take them
// to and from UTF-16 without loss, and the local 8-bit encoding elsewhere.
// StringBase itself never decodes them: it works on bytes.
class PORT_EXPORT StringBase
{
public:
    // The not-found position of the searches.
    static constexpr std::uint32_t npos = 0xFFFFFFFFu;

    StringBase() noexcept;
    // Copies up to the first NUL; a null pointer gives the empty string.
    StringBase(const char *text);
    // Copies at most length bytes, stopping at the first NUL.
    StringBase(const char *text, std::uint32_t length);
    StringBase(const StringBase &other);
    StringBase(StringBase &&other) noexcept;
    // The substring of the range, clamped to the string; an empty or
    // out-of-bounds range gives the empty string.
    StringBase(const StringBase &other, const Port_Range &range);
    ~StringBase();

    StringBase &operator=(const StringBase &other);
    StringBase &operator=(StringBase &&other) noexcept;
    StringBase &operator=(const char *text);

    // Never null: an empty string points at a NUL.
    const char *c_str() const noexcept { return m_data; }
    std::uint32_t Length() const noexcept { return m_length; }
    bool IsEmpty() const noexcept { return m_length == 0; }

    // Position of text counted from the start of the string, or npos. Both
    // types search anywhere in the string; ComparePrefixNoCase ignores case.
    // Null or empty text is found at 0.
    std::uint32_t GetIndexOfString(const char *text, CompareType type) const;
    // The same, searching only inside range (clamped as for the substring); a
    // match must lie wholly inside it. The position is still counted from the
    // start of the whole string. Empty text is found at range.first when the
    // range holds at least one character of the string, else npos.
    std::uint32_t GetIndexOfString(const Port_Range &range, const StringBase &text, CompareType type) const;

    // Removes the characters of set from the ends that type selects; a null or
    // empty set changes nothing.
    void Trim(const char *set, TrimType type);

    // 0 for a match, otherwise the sign (-1 or 1) of the first difference.
    // CompareExact compares whole strings; ComparePrefixNoCase asks whether
    // this string begins with text. Null text counts as "".
    int Compare(const char *text, CompareType type) const;

    // Fills the string from a printf-style format; no length limit. A format
    // that fails leaves the string empty. Pass outside text only as an argument.
    [[gnu::format(printf, 2, 3)]] void Format(const char *format, ...);

    // The pieces of text between separator characters, in order. With
    // skipEmpty no empty piece is produced. A quote character starts a piece
    // in which separators do not split until the matching quote; an escape
    // character takes the next character literally. Empty sets mean none.
    // An escape outranks a quote, and a quote a separator, for a character in
    // several sets; escapes also work inside quotes; a lone escape at the end
    // stays; an unclosed quote runs to the end. Without skipEmpty, empty text
    // gives one empty piece and "a,,b" gives "a", "", "b".
    static std::vector<StringBase> Split(const StringBase &text, const StringBase &separators, bool skipEmpty,
                                         const StringBase &quotes, const StringBase &escapes);

    friend PORT_EXPORT bool operator==(const StringBase &a, const StringBase &b) noexcept;
    friend bool operator!=(const StringBase &a, const StringBase &b) noexcept { return !(a == b); }

private:
    PORT_NO_EXPORT void assign(const char *text, std::uint32_t length);

    // The buffer comes first: the family's code reads it directly.
    char *m_data;
    std::uint32_t m_length;
    std::uint32_t m_capacity;
};

} // namespace Port
