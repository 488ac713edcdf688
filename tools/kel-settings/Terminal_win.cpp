// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The tool's output on Windows: UTF-8 to pipes and files, UTF-16 to a console.
#include "Terminal.h"

#include <string>

#include <io.h>
#include <windows.h>

namespace KelSettings {

namespace {

// The console behind stream, or null when it goes to a pipe or a file.
HANDLE consoleOf(std::FILE *stream)
{
    const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

QByteArray streamBytes(const QString &text)
{
    return text.toUtf8();
}

bool writeToStream(std::FILE *stream, const QByteArray &bytes)
{
    if (const HANDLE console = consoleOf(stream)) {
        // What the C runtime holds goes first, so lines keep their order.
        std::fflush(stream);
        const std::wstring text = QString::fromUtf8(bytes).toStdWString();
        DWORD written = 0;
        return WriteConsoleW(console, text.data(), DWORD(text.size()), &written, nullptr)
               && written == DWORD(text.size());
    }
    // Text mode ends each line with CR LF, as Windows programs read them.
    return std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream)
           == static_cast<std::size_t>(bytes.size());
}

} // namespace KelSettings
