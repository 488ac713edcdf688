// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: Port::StringBase to and from the UTF-16 of the Windows W calls, through UTF-8.
#pragma once

#include <Port/StringBase.h>

#include <string>

namespace Port::detail {

// Text ends at the first NUL; a leading U+FEFF is a character and survives.
std::wstring toWide(const char *utf8);
StringBase fromWide(const wchar_t *text, std::size_t length);
inline StringBase fromWide(const std::wstring &text)
{
    return fromWide(text.data(), text.size());
}

} // namespace Port::detail
