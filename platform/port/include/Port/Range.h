// Port_Range: an inclusive span of positions inside a Port::StringBase.
#pragma once

#include <cstdint>

// Both ends are included. first > last is empty, as (1, 0); a last position
// beyond the end of a string stands for its end.
struct Port_Range
{
    std::uint32_t first = 1;
    std::uint32_t last = 0;

    constexpr Port_Range() = default;
    constexpr Port_Range(std::uint32_t first_, std::uint32_t last_) : first(first_), last(last_) {}

    constexpr bool isEmpty() const { return first > last; }
};
