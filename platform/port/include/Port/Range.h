// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Port_Range: an inclusive span of positions inside a Port::StringBase.
 */
#pragma once

#include <cstdint>

/**
 * An inclusive span of positions inside a Port::StringBase.
 *
 * Both ends are included. A first position beyond the last is empty, as
 * (1, 0); a last position beyond the end of a string stands for its end.
 *
 * @threads Any thread; a plain value.
 * @since 1.19
 */
struct Port_Range
{
    /** The first position, counted from 0. */
    std::uint32_t first = 1;
    /** The last position, included; beyond the end of a string it stands for the end. */
    std::uint32_t last = 0;

    /** The empty range (1, 0). */
    constexpr Port_Range() = default;
    /**
     * The range from @p first_ to @p last_, both included.
     *
     * @param first_ the first position
     * @param last_ the last position; below @p first_ the range is empty
     */
    constexpr Port_Range(std::uint32_t first_, std::uint32_t last_) : first(first_), last(last_) {}

    /** @return whether the range holds no position (first beyond last) */
    constexpr bool isEmpty() const { return first > last; }
};
