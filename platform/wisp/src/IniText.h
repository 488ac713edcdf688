// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: a settings file's text as QSettings reads it: from memory, line by line, and without the values that would end the process.
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

// text without these lines, which are in the order of the text.
QByteArray withoutLines(const QByteArray &text, const std::vector<IniLine> &lines);

// Every key of text with its value, exactly as QSettings reads them from a
// file holding text.
std::vector<std::pair<QString, QVariant>> readIniText(const QByteArray &text);

// The serialized values of text that would end the process reading them
// (counts that ask for gigabytes, nesting that runs the stack out): each is
// read once per process, alone, by the library's helper program as this
// process would read it, and the helper's fate tells. Values of any type
// that Qt reads safely, a peer's own included, are not listed.
struct UnreadableValue
{
    IniLine line;
    bool unchecked = false;  // the helper could not be started
};
std::vector<UnreadableValue> unreadableValues(const QByteArray &text, bool guiProcess);  // in ValueCheck.cpp

} // namespace detail
} // namespace Wisp
} // namespace Gui
