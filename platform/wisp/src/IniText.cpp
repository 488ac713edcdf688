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
#include <QtCore/QVersionNumber>

#include <mutex>

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

// Qt's resource data (the format rcc writes, version 1) for one file, name,
// holding content: a root folder node, one file node, the data, the name
// with the hash that a lookup compares first.
QByteArray resourceHolding(const QString &name, const QByteArray &content)
{
    constexpr quint32 kHeader = 20, kNode = 14;
    constexpr quint16 kFolder = 2, kAnyTerritory = 0, kLanguageC = 1;
    quint32 hash = 0;
    for (const QChar c : name) {
        hash = (hash << 4) + c.unicode();
        hash = (hash ^ ((hash & 0xf0000000) >> 23)) & 0x0fffffff;
    }
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);  // big-endian, as the format is
    out.writeRawData("qres", 4);
    out << quint32(1) << kHeader << quint32(kHeader + 2 * kNode) << quint32(kHeader + 2 * kNode + 4 + content.size());
    out << quint32(0) << kFolder << quint32(1) << quint32(1);
    out << quint32(0) << quint16(0) << kAnyTerritory << kLanguageC << quint32(0);
    out << quint32(content.size());
    out.writeRawData(content.constData(), int(content.size()));
    out << quint16(name.size()) << hash;
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
    QByteArray kept = text;
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        kept.remove(line->begin, line->end - line->begin);
    return kept;
}

std::vector<std::pair<QString, QVariant>> readIniText(const QByteArray &text)
{
    // QSettings reads files only: the text becomes a resource file of its
    // own, named after its content, so that QSettings' cache of the files it
    // has read can only ever answer for this very text.
    static std::once_flag registered;  // so that QSettings reads, and writes back, a QVersionNumber
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    std::call_once(registered, [] { qRegisterMetaType<QVersionNumber>(); });
#else
    std::call_once(registered, [] { qRegisterMetaTypeStreamOperators<QVersionNumber>("QVersionNumber"); });
#endif
    // One text at a time: another thread's resource of the same name could be
    // found, and freed, while this one is read.
    static std::mutex reading;
    const std::lock_guard<std::mutex> lock(reading);
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
