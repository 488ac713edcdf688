// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The tool's output on UNIX-like systems: the local 8-bit bytes, as they are.
#include "Terminal.h"

namespace KelSettings {

QByteArray streamBytes(const QString &text)
{
    return text.toLocal8Bit();
}

bool writeToStream(std::FILE *stream, const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream)
           == static_cast<std::size_t>(bytes.size());
}

} // namespace KelSettings
