// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Reads a settings file's text through QSettings from memory, and splits it into lines as QSettings' INI reader does.
#include "IniText.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QDataStream>
#include <QtCore/QIODevice>
#include <QtCore/QResource>
#include <QtCore/QSettings>
#include <QtCore/QStringList>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

bool isBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

bool isLineBreak(char ch)
{
    return ch == '\n' || ch == '\r';
}

// The next logical line from pos: a quote or a backslash carries it over line
// breaks, an unquoted ';' ends it, a ';' at its start makes a comment line.
bool readLine(const QByteArray &data, qsizetype &pos, IniLine &line, qsizetype &equals)
{
    const qsizetype size = data.size();
    bool inQuotes = false;
    equals = -1;
    qsizetype start = pos;
    while (start < size && isBlank(data.at(start)))
        ++start;
    qsizetype i = start;
    while (i < size) {
        const char ch = data.at(i++);
        if (ch == '=') {
            if (!inQuotes && equals == -1)
                equals = i - 1;
        } else if (isLineBreak(ch)) {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                break;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char escaped = data.at(i++);
                if (i < size && isLineBreak(escaped) && isLineBreak(data.at(i)) && data.at(i) != escaped)
                    ++i;
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch != ';') {
            continue;
        } else if (i == start + 1) {  // a comment line
            while (i < size && !isLineBreak(data.at(i)))
                ++i;
            while (i < size && isBlank(data.at(i)))
                ++i;
            start = i;
        } else if (!inQuotes) {
            --i;
            break;
        }
    }
    pos = i;
    line.begin = start;
    line.end = i;
    return line.end > line.begin;
}

// The name a resource's lookup compares first.
quint32 resourceNameHash(const QString &name)
{
    quint32 h = 0;
    for (const QChar c : name) {
        h = (h << 4) + c.unicode();
        h ^= (h & 0xf0000000) >> 23;
        h &= 0x0fffffff;
    }
    return h;
}

// Qt's resource data (the format rcc writes, version 1) for one file, name,
// holding content: a root folder node, one file node, the data, the name.
QByteArray resourceHolding(const QString &name, const QByteArray &content)
{
    constexpr quint32 kHeader = 20, kNode = 14;
    constexpr quint16 kFolder = 2, kAnyTerritory = 0, kLanguageC = 1;
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);  // big-endian, as the format is
    out.writeRawData("qres", 4);
    out << quint32(1) << kHeader << quint32(kHeader + 2 * kNode) << quint32(kHeader + 2 * kNode + 4 + content.size());
    out << quint32(0) << kFolder << quint32(1) << quint32(1);
    out << quint32(0) << quint16(0) << kAnyTerritory << kLanguageC << quint32(0);
    out << quint32(content.size());
    out.writeRawData(content.constData(), int(content.size()));
    out << quint16(name.size()) << resourceNameHash(name);
    for (const QChar c : name)
        out << quint16(c.unicode());
    return data;
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

QByteArray withoutLines(const QByteArray &text, const std::vector<IniLine> &lines)
{
    QByteArray kept;
    qsizetype from = 0;
    for (const IniLine &line : lines) {
        kept += text.mid(from, line.begin - from);
        for (qsizetype i = line.begin; i < line.end; ++i) {
            if (isLineBreak(text.at(i)))
                kept += text.at(i);
        }
        from = line.end;
    }
    return kept + text.mid(from);
}

std::vector<std::pair<QString, QVariant>> readIniText(const QByteArray &text)
{
    // QSettings reads files only: the text becomes a resource file of its
    // own, named after its content, so that QSettings' cache of the files it
    // has read can only ever answer for this very text.
    const QString name = QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex() + ".ini");
    const QString root = QStringLiteral("/kel-settings-text");
    const QByteArray resource = resourceHolding(name, text);
    const auto *data = reinterpret_cast<const uchar *>(resource.constData());
    std::vector<std::pair<QString, QVariant>> values;
    if (!QResource::registerResource(data, root))
        return values;
    {
        const QSettings settings(QLatin1Char(':') + root + QLatin1Char('/') + name, QSettings::IniFormat);
        for (const QString &key : settings.allKeys())
            values.emplace_back(key, settings.value(key));
    }
    QResource::unregisterResource(data, root);
    return values;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
