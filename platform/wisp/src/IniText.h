// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: a settings file's text read by QSettings itself from memory, and the lines in which it finds each value.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QVariant>

#include <utility>
#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {

// One key=value line as QSettings' INI reader splits the text: a quote or a
// backslash carries it over line breaks. Byte ranges of the text.
struct IniLine
{
    qsizetype begin = 0, valueBegin = 0, end = 0;
    QByteArray section;  // as the file spells it, between the brackets
    QByteArray key;      // as the file spells it, before the '='
};
std::vector<IniLine> iniLines(const QByteArray &text);

// A value QSettings turns back into an object through QDataStream, which
// trusts the counts and nesting it finds there.
bool holdsSerializedValue(const QByteArray &text);

// text with these lines cut out; their line breaks stay, so the lines around
// them keep their meaning.
QByteArray withoutLines(const QByteArray &text, const std::vector<IniLine> &lines);

// Every key of text with its value, exactly as QSettings reads them from a
// file holding text.
std::vector<std::pair<QString, QVariant>> readIniText(const QByteArray &text);

} // namespace detail
} // namespace Wisp
} // namespace Gui
