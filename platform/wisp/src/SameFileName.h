// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// When two recent-file names name the same file: the one rule for recording a name and for removing one.
#pragma once

#include <QtCore/QDir>
#include <QtCore/QString>

namespace Gui {
namespace Wisp {

// The same text after QDir::cleanPath; letter case ignored where the file
// systems ignore it by default (Windows and macOS). Never looks at a disk.
inline bool namesSameFile(const QString &a, const QString &b)
{
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity fileNameCase = Qt::CaseSensitive;
#endif
    return QDir::cleanPath(a).compare(QDir::cleanPath(b), fileNameCase) == 0;
}

} // namespace Wisp
} // namespace Gui
