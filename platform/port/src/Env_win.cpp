// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port_Env::GetEnv on Windows: reads the UTF-16 environment and hands back UTF-8.
#include <Port/Env.h>

#include "WideText_win.h"

#include <windows.h>

#include <string>

std::optional<Port::StringBase> Port_Env::GetEnv(const char *name)
{
    if (!name || *name == '\0')
        return std::nullopt;
    const std::wstring wideName = Port::detail::toWide(name);

    std::wstring buffer(256, L'\0');
    for (;;) {
        // A set but empty variable returns 0 without an error; an unset one
        // returns 0 with ERROR_ENVVAR_NOT_FOUND.
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableW(wideName.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
                return std::nullopt;
            return Port::StringBase();
        }
        if (n < buffer.size())
            return Port::detail::fromWide(buffer.data(), n);
        // Too small (or the variable grew meanwhile): n is the size needed, NUL included.
        buffer.assign(n, L'\0');
    }
}
