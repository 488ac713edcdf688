// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Finds the key=value lines of a settings file that QSettings wrote, and names their keys as QSettings reads them.
#include "SettingsInternal.h"

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

// A key or section as the file spells it: '\' for '/', "%XX" and "%UXXXX"
// for other characters.
QString unescapedKey(const QByteArray &spelled)
{
    const QString text = QString::fromUtf8(spelled);
    QString key;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('%')) {
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
        key += text.at(i) == QLatin1Char('\\') ? QChar(QLatin1Char('/')) : text.at(i);
    }
    return key;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

} // namespace

std::vector<IniLine> iniLines(const QByteArray &text)
{
    std::vector<IniLine> lines;
    QByteArray section;
    for (qsizetype begin = 0; begin < text.size();) {
        qsizetype end = text.indexOf('\n', begin);
        end = end < 0 ? text.size() : end;
        const QByteArray line = text.mid(begin, end - begin).trimmed();
        const qsizetype equals = text.indexOf('=', begin);
        if (line.startsWith('[') && line.endsWith(']'))
            section = line.mid(1, line.size() - 2).trimmed();
        else if (!line.startsWith(';') && equals >= 0 && equals < end) {
            qsizetype valueEnd = end;
            while (valueEnd > equals + 1 && isBlank(text.at(valueEnd - 1)))
                --valueEnd;
            lines.push_back(IniLine{section, text.mid(begin, equals - begin).trimmed(), equals + 1, valueEnd});
        }
        begin = end + 1;
    }
    return lines;
}

QString settingsKey(const IniLine &line)
{
    if (line.section.isEmpty() || line.section.compare("general", Qt::CaseInsensitive) == 0)
        return unescapedKey(line.key);
    if (line.section.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(line.section.mid(1)) + QLatin1Char('/') + unescapedKey(line.key);
    return unescapedKey(line.section) + QLatin1Char('/') + unescapedKey(line.key);
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
