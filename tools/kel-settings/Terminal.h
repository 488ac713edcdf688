// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The bytes the tool writes to stdout and stderr, and how they reach a terminal.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <cstdio>

namespace KelSettings {

// Text as the tool writes it: the local 8-bit encoding on UNIX-like systems,
// where those are the bytes of the file names a script passes on; UTF-8 on
// Windows, where the ANSI code page would lose most of the world's names and
// where the library's own text is UTF-8.
QByteArray streamBytes(const QString &text);

// Writes bytes in that encoding to stream in one piece. A Windows console
// gets them as UTF-16, so every character shows whatever its code page.
bool writeToStream(std::FILE *stream, const QByteArray &bytes);

} // namespace KelSettings
