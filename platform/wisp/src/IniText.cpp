// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Finds the key=value lines of a settings file that QSettings wrote, and names their keys as QSettings reads them.
#include "SettingsInternal.h"

#include <QtCore/QList>

namespace Gui {
namespace Wisp {
namespace detail {

// A key or section as spelled: '\' for '/', "%XX" and "%UXXXX" for other characters.
static QString unescapedKey(const QByteArray &spelled)
{
    const QString text = QString::fromUtf8(spelled);
    QString key;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool wide = text.mid(i + 1, 1) == QLatin1String("U");
        const qsizetype first = i + (wide ? 2 : 1), digits = wide ? 4 : 2;
        bool ok = false;
        const ushort code = text.at(i) == QLatin1Char('%') && first + digits <= text.size() ? text.mid(first, digits).toUShort(&ok, 16) : 0;
        key += ok ? QChar(code) : text.at(i) == QLatin1Char('\\') ? QChar(QLatin1Char('/')) : text.at(i);
        i = ok ? first + digits - 1 : i;
    }
    return key;
}

std::vector<IniLine> iniLines(const QByteArray &text)
{
    std::vector<IniLine> lines;
    QByteArray section;
    qsizetype begin = 0;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype equals = raw.indexOf('=');
        if (line.startsWith('[') && line.endsWith(']'))
            section = line.mid(1, line.size() - 2).trimmed();
        else if (equals >= 0 && !line.startsWith(';'))
            lines.push_back({section, raw.left(equals).trimmed(), begin + equals + 1, begin + raw.size() - (raw.endsWith('\r') ? 1 : 0)});
        begin += raw.size() + 1;
    }
    return lines;
}

QString settingsKey(const IniLine &line)
{
    const QByteArray &spelled = line.section;
    const bool general = spelled.isEmpty() || spelled.compare("general", Qt::CaseInsensitive) == 0;
    const QString section = spelled.compare("%general", Qt::CaseInsensitive) == 0 ? QString::fromLatin1(spelled.mid(1)) : unescapedKey(spelled);
    return general ? unescapedKey(line.key) : section + QLatin1Char('/') + unescapedKey(line.key);
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
