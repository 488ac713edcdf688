// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: reading help maps — the "topic = target" files that name the page of each help topic.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace Gui {
namespace Wisp {
namespace HelpMap {

// Larger files are not help maps; refusing them keeps a stray file from
// being read whole into memory.
constexpr qint64 MaxMapBytes = 16 * 1024 * 1024;

// True when mapName names a file directly inside a help folder: not empty,
// no directory separator, not "." or "..", not absolute.
bool isPlainName(const QString &mapName);

// The path of mapName in the first of folders that holds it as a file, or an
// empty string. Empty folder entries are skipped. mapName must be plain.
QString locate(const QStringList &folders, const QString &mapName);

// Reads the map file; on failure text is untouched and problem says why.
bool readText(const QString &path, QByteArray *text, QString *problem);

// The target of topic in the map text (UTF-8, one "topic = target" a line,
// both sides trimmed, split at the first '=', blank lines and lines starting
// with '#' ignored, the first line of a topic with a target wins), or a null
// string when the map has no such topic. topic is trimmed too; an empty topic
// is never found.
QString targetOf(const QByteArray &text, const QString &topic);

// True when target starts with a URL scheme of two or more letters, so that a
// Windows drive ("C:\help") is still a path.
bool isUrl(const QString &target);

// What the browser is given for a target of the map in mapFolder: a URL as it
// stands, a path (relative to mapFolder) as a fully encoded file: URL.
QString browserTarget(const QString &target, const QString &mapFolder);

} // namespace HelpMap
} // namespace Wisp
} // namespace Gui
