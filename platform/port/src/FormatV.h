// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: printf-style formatting into an owned buffer, shared by StringBase and the message channel.
#pragma once

#include <cstdarg>
#include <optional>
#include <string>

namespace Port::detail {

// The formatted text, of any length; std::nullopt when the format fails
// (a null format or a negative vsnprintf result).
std::optional<std::string> formatV(const char *format, std::va_list args);

} // namespace Port::detail
