// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Splits a settings file's text into key=value lines as QSettings' INI reader does, and names their keys as QSettings does.
#include "IniText.h"

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

bool isLineBreak(char ch) { return ch == '\n' || ch == '\r'; }
bool isBlank(char ch) { return ch == ' ' || ch == '\t' || isLineBreak(ch); }

// The next logical line from pos: a quote or a backslash carries it over line
// breaks, an unquoted ';' ends it, a ';' at its start makes a comment line.
bool readLine(const QByteArray &data, qsizetype &pos, IniLine &line, qsizetype &equals)
{
    const qsizetype size = data.size();
    qsizetype i = pos;
    for (;;) {
        while (i < size && isBlank(data.at(i)))
            ++i;
        if (i >= size || data.at(i) != ';')
            break;
        while (i < size && !isLineBreak(data.at(i)))
            ++i;
    }
    line.begin = i;
    equals = -1;
    for (bool inQuotes = false; i < size; ++i) {
        const char ch = data.at(i);
        if ((isLineBreak(ch) || ch == ';') && !inQuotes)
            break;
        if (ch == '=' && !inQuotes && equals < 0) {
            equals = i;
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == '\\' && i + 1 < size) {
            ++i;  // the escaped character, with the second half of a line break
            if (i + 1 < size && isLineBreak(data.at(i)) && isLineBreak(data.at(i + 1)) && data.at(i + 1) != data.at(i))
                ++i;
        }
    }
    pos = line.end = i;
    return line.end > line.begin;
}

// A key or section as the file spells it: '\\' for '/', "%XX" and "%UXXXX"
// for other characters.
QString unescapedKey(const QByteArray &spelled)
{
    const QString text = QString::fromUtf8(spelled);
    QString key;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch == QLatin1Char('%')) {
            const bool wide = text.mid(i + 1, 1) == QLatin1String("U");
            const qsizetype first = i + (wide ? 2 : 1), digits = wide ? 4 : 2;
            bool ok = false;
            const ushort code = first + digits <= text.size() ? text.mid(first, digits).toUShort(&ok, 16) : 0;
            if (ok) {
                key += QChar(code);
                i = first + digits - 1;
                continue;
            }
        }
        key += ch == QLatin1Char('\\') ? QChar(QLatin1Char('/')) : ch;
    }
    return key;
}

} // namespace

std::vector<IniLine> iniLines(const QByteArray &text)
{
    std::vector<IniLine> lines;
    QByteArray section;
    IniLine line;
    qsizetype equals = -1;
    for (qsizetype pos = 0; readLine(text, pos, line, equals);) {
        if (text.at(line.begin) == '[') {
            const qsizetype close = text.indexOf(']', line.begin);
            section = text.mid(line.begin + 1, (close < 0 || close > line.end ? line.end : close) - line.begin - 1);
        } else if (equals >= 0) {
            line.valueBegin = equals + 1;
            line.section = section;
            line.key = text.mid(line.begin, equals - line.begin).trimmed();
            lines.push_back(line);
        }
    }
    return lines;
}

bool holdsSerializedValue(const QByteArray &text)
{
    return text.contains("@Variant(") || text.contains("@DateTime(");
}

// The key QSettings reads from line: a section of its own, "General" for
// none, and escapes for what a file cannot spell.
QString settingsKey(const IniLine &line)
{
    const QByteArray section = line.section.trimmed();
    if (line.section.isNull() || section.compare("general", Qt::CaseInsensitive) == 0)
        return unescapedKey(line.key);
    if (section.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(section.mid(1)) + QLatin1Char('/') + unescapedKey(line.key);
    return unescapedKey(section) + QLatin1Char('/') + unescapedKey(line.key);
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
