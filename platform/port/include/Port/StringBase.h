// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Port::StringBase: the application family's 8-bit, NUL-terminated string, and the modes of its searches.
 */
#pragma once

#include <Port/Range.h>
#include <Port/port_export.h>

#include <cstdint>
#include <vector>

/**
 * The portability layer of the application family: 8-bit strings, the
 * environment, and the one way every program is started.
 *
 * Its message channel (Port_MsgManData, Port_Message), environment
 * (Port_Env) and ranges (Port_Range) keep the family's names, outside the
 * namespace.
 *
 * @since 1.19
 */
namespace Port {

/**
 * How StringBase::GetIndexOfString and StringBase::Compare match their text.
 *
 * Only ASCII letters fold case; any other value counts as CompareExact.
 *
 * @since 1.19
 */
enum CompareType : int {
    /** Exact, case-sensitive match of the whole string; a search finds the text as it is. */
    CompareExact = 0,
    /** The string begins with the text, letter case ignored: "openURL(%1)" matches "openURL". */
    ComparePrefixNoCase = 1,
};

/**
 * Which ends StringBase::Trim works on.
 *
 * @since 1.19
 */
enum TrimType : int {
    /** The start of the string. */
    TrimLeading = 0,
    /** The end of the string. */
    TrimTrailing = 1,
    /** Both ends. */
    TrimBoth = 2,
};

/**
 * The application family's 8-bit, NUL-terminated string.
 *
 * The bytes are UTF-8 on Windows, where the family's Windows calls take them
 * to and from UTF-16 without loss, and the local 8-bit encoding elsewhere.
 * StringBase itself never decodes them: it works on bytes. Kel::Utility
 * converts to and from QString.
 *
 * The first member is the buffer, which the family's code reads directly.
 *
 * @threads Reentrant: any thread may use its own strings; one string is not
 *          changed by one thread while another reads it.
 * @blocking Never waits; it allocates as it grows.
 * @since 1.19
 */
class PORT_EXPORT StringBase
{
public:
    /** The not-found position of the searches (all 32 bits set). */
    static constexpr std::uint32_t npos = 0xFFFFFFFFu;

    /** The empty string. */
    StringBase() noexcept;
    /**
     * A copy of @p text up to its first NUL.
     *
     * @param text a NUL-terminated text; null gives the empty string
     */
    StringBase(const char *text);
    /**
     * A copy of at most @p length bytes of @p text, stopping at the first NUL.
     *
     * @param text the bytes; null gives the empty string
     * @param length how many bytes to copy at most
     */
    StringBase(const char *text, std::uint32_t length);
    /**
     * A copy of @p other.
     *
     * @param other the string to copy
     */
    StringBase(const StringBase &other);
    /**
     * Takes the buffer of @p other, which is left empty.
     *
     * @param other the string to move from
     */
    StringBase(StringBase &&other) noexcept;
    /**
     * The substring of @p other that @p range covers, clamped to the string.
     *
     * @param other the string to take from
     * @param range the positions to take; an empty range or one that starts
     *        beyond the end gives the empty string
     */
    StringBase(const StringBase &other, const Port_Range &range);
    /** Frees the buffer. */
    ~StringBase();

    /**
     * Makes this string a copy of @p other.
     *
     * @param other the string to copy
     * @return this string
     */
    StringBase &operator=(const StringBase &other);
    /**
     * Takes the buffer of @p other, which is left empty.
     *
     * @param other the string to move from
     * @return this string
     */
    StringBase &operator=(StringBase &&other) noexcept;
    /**
     * Makes this string a copy of @p text up to its first NUL.
     *
     * @param text a NUL-terminated text; null gives the empty string
     * @return this string
     */
    StringBase &operator=(const char *text);

    /**
     * @return the NUL-terminated buffer, never null: an empty string points
     *         at a NUL. Valid while the string lives unchanged.
     */
    const char *c_str() const noexcept { return m_data; }
    /** @return the number of bytes before the terminating NUL */
    std::uint32_t Length() const noexcept { return m_length; }
    /** @return whether the string holds no byte */
    bool IsEmpty() const noexcept { return m_length == 0; }

    /**
     * Where @p text occurs in the string.
     *
     * Both types search anywhere in the string; ComparePrefixNoCase ignores
     * letter case.
     *
     * @param text the text to find; null or empty is found at 0
     * @param type how to match
     * @return the position of the first match, counted from the start of the
     *         string, or #npos
     */
    std::uint32_t GetIndexOfString(const char *text, CompareType type) const;
    /**
     * Where @p text occurs inside @p range.
     *
     * A match must lie wholly inside the range, which is clamped as for the
     * substring constructor.
     *
     * @param range the positions to search
     * @param text the text to find; empty text is found at range.first when
     *        the range holds at least one character of the string
     * @param type how to match
     * @return the position of the first match, still counted from the start
     *         of the whole string, or #npos
     */
    std::uint32_t GetIndexOfString(const Port_Range &range, const StringBase &text, CompareType type) const;

    /**
     * Removes the characters of @p set from the ends that @p type selects.
     *
     * @param set the characters to remove; null or empty changes nothing
     * @param type which ends
     */
    void Trim(const char *set, TrimType type);

    /**
     * Compares the string with @p text.
     *
     * CompareExact compares whole strings; ComparePrefixNoCase asks whether
     * this string begins with @p text, letter case ignored.
     *
     * @param text the text to compare with; null counts as ""
     * @param type how to compare
     * @return 0 for a match, otherwise the sign (-1 or 1) of the first difference
     */
    int Compare(const char *text, CompareType type) const;

    /**
     * Fills the string from a printf-style format, with no length limit.
     *
     * Pass outside text only as an argument, never as the format. A format
     * that fails leaves the string empty.
     *
     * @param format the printf-style format
     * @param ... its arguments
     */
    [[gnu::format(printf, 2, 3)]] void Format(const char *format, ...);

    /**
     * The pieces of @p text between separator characters, in order.
     *
     * A quote character starts a piece in which separators do not split until
     * the matching quote; an escape character takes the next character
     * literally. An escape outranks a quote, and a quote a separator, for a
     * character in several sets; escapes also work inside quotes; a lone
     * escape at the end stays; an unclosed quote runs to the end. Without
     * @p skipEmpty, empty text gives one empty piece and "a,,b" gives "a",
     * "", "b".
     *
     * @param text the text to split
     * @param separators the separator characters
     * @param skipEmpty whether to leave out empty pieces
     * @param quotes the quote characters; empty means none
     * @param escapes the escape characters; empty means none
     * @return the pieces
     */
    static std::vector<StringBase> Split(const StringBase &text, const StringBase &separators, bool skipEmpty,
                                         const StringBase &quotes, const StringBase &escapes);

    /**
     * Whether two strings hold the same bytes.
     *
     * @param a a string
     * @param b another string
     * @return true for the same length and bytes
     */
    friend PORT_EXPORT bool operator==(const StringBase &a, const StringBase &b) noexcept;
    /**
     * Whether two strings differ.
     *
     * @param a a string
     * @param b another string
     * @return the opposite of operator==()
     */
    friend bool operator!=(const StringBase &a, const StringBase &b) noexcept { return !(a == b); }

private:
    PORT_NO_EXPORT void assign(const char *text, std::uint32_t length);

    // The buffer comes first: the family's code reads it directly.
    char *m_data;
    std::uint32_t m_length;
    std::uint32_t m_capacity;
};

} // namespace Port
