// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: a settings file's text as QSettings' INI reader splits it, for putting back values QSettings cannot write as they were.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {

// One key=value line as QSettings' INI reader splits the text: a quote or a
// backslash carries it over line breaks. Byte ranges of the text.
struct IniLine
{
    qsizetype begin = 0, valueBegin = 0, end = 0;
    QByteArray section;  // as the file spells it, between the brackets; null before the first
    QByteArray key;      // as the file spells it, before the '='
};
std::vector<IniLine> iniLines(const QByteArray &text);

// The key QSettings reads from line.
QString settingsKey(const IniLine &line);

// A value QSettings turns back into an object through QDataStream.
bool holdsSerializedValue(const QByteArray &text);

} // namespace detail
} // namespace Wisp
} // namespace Gui
