// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Reads a settings file's text as QSettings' INI reader of this Qt version does, handing Qt only the serialized values it reads safely.
#include "IniReader.h"

#include <QtCore/QDataStream>
#include <QtCore/QIODevice>
#include <QtCore/QPoint>
#include <QtCore/QRect>
#include <QtCore/QSize>
#include <QtCore/QStringList>

#include <algorithm>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QtCore/QStringDecoder>
#else
#include <QtCore/QTextCodec>
#endif

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr bool kQt6 = QT_VERSION >= QT_VERSION_CHECK(6, 0, 0);
// QSettings compares the keys of an INI file ignoring case on Windows only.
#if defined(Q_OS_WIN)
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseSensitive;
#endif

bool isBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

bool isLineBreak(char ch)
{
    return ch == '\n' || ch == '\r';
}

// One logical line: a quote or a backslash carries it over line breaks, an
// unquoted ';' ends it, a ';' at its start makes a comment line.
struct IniLine
{
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype equals = -1;  // the first unquoted '=', or -1
};

bool readLine(const QByteArray &data, qsizetype &pos, IniLine &line)
{
    const qsizetype size = data.size();
    bool inQuotes = false;
    line.equals = -1;
    qsizetype start = pos;
    while (start < size && isBlank(data.at(start)))
        ++start;
    qsizetype i = start;
    while (i < size) {
        const char ch = data.at(i++);
        if (ch == '=') {
            if (!inQuotes && line.equals == -1)
                line.equals = i - 1;
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
    line.start = start;
    line.end = i;
    return line.end > line.start;
}

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if ((ch | 0x20) >= 'a' && (ch | 0x20) <= 'f')
        return (ch | 0x20) - 'a' + 10;
    return -1;
}

char namedEscape(char code)
{
    static constexpr char kCodes[] = "a\ab\bf\fn\nr\rt\tv\v\"\"?" "?''\\\\";
    for (const char *c = kCodes; *c; c += 2) {
        if (*c == code)
            return c[1];
    }
    return 0;
}

void chopTrailingBlanks(QString &text, qsizetype limit)
{
    qsizetype n = text.size();
    while (n > limit && (text.at(n - 1) == QLatin1Char(' ') || text.at(n - 1) == QLatin1Char('\t')))
        --n;
    text.truncate(n);
}

// The strings of an escaped value: one, or the items of a list.
QStringList unescapedValue(const char *p, const char *end, bool utf8Marked)
{
    // Plain runs as this Qt version decodes them: in Qt 6 as UTF-8, through
    // one decoder for the whole value, so a character may span an escape; in
    // Qt 5, Latin-1 unless the file starts with a UTF-8 byte-order mark.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    Q_UNUSED(utf8Marked)
    QStringDecoder utf8(QStringDecoder::Utf8);
    const auto decoded = [&utf8](const char *run, qsizetype size) { return QString(utf8(QByteArrayView(run, size))); };
#else
    QTextCodec *codec = utf8Marked ? QTextCodec::codecForName("UTF-8") : nullptr;
    const auto decoded = [codec](const char *run, qsizetype size) {
        return codec ? codec->toUnicode(run, int(size)) : QString::fromLatin1(run, int(size));
    };
#endif
    QStringList items;
    QString current;
    current.reserve(end - p);  // as Qt does, which makes the first string empty rather than null
    bool inQuotes = false;
    bool currentQuoted = false;
    qsizetype chopLimit = 0;
    bool chopAtEnd = true;  // Qt leaves the blanks of a value cut short inside an escape
    auto skipBlanks = [&] {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        chopLimit = current.size();
    };
    skipBlanks();
    while (p < end) {
        if (*p == '\\') {
            if (++p == end) {
                chopAtEnd = false;
                break;
            }
            const char code = *p++;
            const bool hex = code == 'x';
            if (const char named = namedEscape(code)) {
                current += QLatin1Char(named);
            } else if ((hex && p < end && hexValue(*p) >= 0) || (code >= '0' && code <= '7')) {
                // Like Qt: the digits run on, and the character keeps their low 16 bits.
                char16_t value = hex ? 0 : char16_t(code - '0');
                while (p < end && (hex ? hexValue(*p) >= 0 : (*p >= '0' && *p <= '7')))
                    value = char16_t(hex ? (value << 4) + hexValue(*p++) : (value << 3) + (*p++ - '0'));
                current += QChar(value);
            } else if (hex && p == end) {
                chopAtEnd = false;
                break;
            } else if (isLineBreak(code) && p < end && isLineBreak(*p) && *p != code) {
                ++p;
            }
            chopLimit = current.size();
        } else if (*p == '"') {
            ++p;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
        } else if (*p == ',' && !inQuotes) {
            if (!currentQuoted)
                chopTrailingBlanks(current, chopLimit);
            items.append(current);
            current.clear();
            currentQuoted = false;
            ++p;
            skipBlanks();
        } else {
            const char *run = p++;
            while (p < end && *p != '\\' && *p != '"' && *p != ',')
                ++p;
            current += decoded(run, p - run);
        }
    }
    if (!currentQuoted && chopAtEnd)
        chopTrailingBlanks(current, chopLimit);
    items.append(current);
    return items;
}

// Qt 6 reads a key as UTF-8, Qt 5 byte by byte as Latin-1; '\' stands for
// '/', and %XX and %UXXXX for characters.
QString unescapedKey(const QByteArray &escaped)
{
    const QString text = kQt6 ? QString::fromUtf8(escaped.constData(), escaped.size())
                              : QString::fromLatin1(escaped.constData(), int(escaped.size()));
    QString key;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        const qsizetype digits = i + 1 < text.size() && text.at(i + 1) == QLatin1Char('U') ? 4 : 2;
        const qsizetype first = i + (digits == 4 ? 2 : 1);
        bool ok = ch == QLatin1Char('%') && i + 1 < text.size() && first + digits <= text.size();
        // Qt 6 reads the digits as text; Qt 5 as bytes, up to a NUL byte.
        const ushort value = !ok ? 0 : kQt6 ? text.mid(first, digits).toUShort(&ok, 16)
                                            : ushort(text.mid(first, digits).toLatin1().toInt(&ok, 16));
        if (ok) {
            key += QChar(value);
            i = first + digits - 1;
        } else {
            key += ch == QLatin1Char('\\') ? QChar(QLatin1Char('/')) : ch;
        }
    }
    return key;
}

QString sectionPrefix(const QByteArray &data, const IniLine &line)
{
    qsizetype close = data.indexOf(']', line.start);
    if (close < 0 || close >= line.end)
        close = line.end;
    const QByteArray name = data.mid(line.start + 1, close - line.start - 1).trimmed();
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return QString();
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.mid(1)) + QLatin1Char('/');
    return unescapedKey(name) + QLatin1Char('/');
}

QByteArray keyText(const QByteArray &data, const IniLine &line)
{
    QByteArray key = data.mid(line.start, line.equals - line.start);
    if (kQt6)
        return key.trimmed();
    while (key.endsWith(' ') || key.endsWith('\t'))
        key.chop(1);
    return key;
}

struct Decoded
{
    QVariant value;
    Readability readability = Readability::Safe;
};

Decoded serialized(const QString &text, qsizetype prefix, QDataStream::Version version, bool guiProcess)
{
    // Qt hands QDataStream the rest of the text, closing parenthesis included.
    QByteArray bytes = text.mid(prefix).toLatin1();
    Decoded decoded{QVariant(), readabilityOf(bytes, version, guiProcess)};
    if (decoded.readability == Readability::Safe) {
        QDataStream stream(&bytes, QIODevice::ReadOnly);
        stream.setVersion(version);
        stream >> decoded.value;
    }
    return decoded;
}

// "@Rect(1 2 3 4)" and its like: the numbers between the parentheses.
QVariant geometry(const QString &text)
{
    QStringList n;
    QString item;
    for (qsizetype i = text.indexOf(QLatin1Char('(')) + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(')') || c == QLatin1Char(' '))
            n.append(item);
        if (c == QLatin1Char(' '))
            item.clear();
        else if (c != QLatin1Char(')'))
            item.append(c);
    }
    if (text.startsWith(QLatin1String("@Rect(")) && n.size() == 4)
        return QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
    if (text.startsWith(QLatin1String("@Size(")) && n.size() == 2)
        return QSize(n[0].toInt(), n[1].toInt());
    if (text.startsWith(QLatin1String("@Point(")) && n.size() == 2)
        return QPoint(n[0].toInt(), n[1].toInt());
    return QVariant();
}

// What QSettings makes of one string of a value.
Decoded variantOf(const QString &text, bool guiProcess)
{
    const auto starts = [&text](const char *prefix) { return text.startsWith(QLatin1String(prefix)); };
    if (starts("@") && text.endsWith(QLatin1Char(')'))) {
        if (starts("@ByteArray("))
            return {QVariant(text.mid(11, text.size() - 12).toLatin1())};
        if (starts("@String("))
            return {QVariant(text.mid(8, text.size() - 9))};
        if (starts("@Variant("))
            return serialized(text, 9, QDataStream::Qt_4_0, guiProcess);
        if (starts("@DateTime("))
            return serialized(text, 10, QDataStream::Qt_5_6, guiProcess);
        const QVariant shape = geometry(text);
        if (shape.isValid() || text == QLatin1String("@Invalid()"))
            return {shape};
    }
    return {QVariant(starts("@@") ? text.mid(1) : text)};
}

// A list stays a QStringList unless an item is a serialized value; then
// every item is turned into a variant, as QSettings does.
Decoded variantOfList(const QStringList &original, bool guiProcess)
{
    QStringList items = original;
    for (QString &item : items) {
        if (!item.startsWith(QLatin1Char('@')))
            continue;
        if (item.startsWith(QLatin1String("@@"))) {
            item.remove(0, 1);
            continue;
        }
        Decoded list;
        QVariantList values;
        for (const QString &each : original) {
            Decoded one = variantOf(each, guiProcess);
            if (one.readability != Readability::Safe && list.readability != Readability::Damaged)
                list.readability = one.readability;
            values.append(one.value);
        }
        list.value = values;
        return list;
    }
    return {QVariant(items)};
}

} // namespace

std::vector<IniValue> readIniValues(const QByteArray &file, bool guiProcess)
{
    // QSettings gathers each section's lines first and reads the sections in
    // the order of their names, so where two name one key, the later section
    // by name holds it.
    std::vector<std::pair<QString, IniValue>> lines;
    const bool utf8Marked = file.startsWith("\xEF\xBB\xBF");
    qsizetype pos = utf8Marked ? 3 : 0;
    QString section;
    IniLine line;
    for (bool first = true; readLine(file, pos, line); first = false) {
        if (file.at(line.start) == '[') {
            section = sectionPrefix(file, line);
            continue;
        }
        // The lines before any section are read from the file's start, so a
        // byte-order mark and blanks before a first key belong to the key.
        if (first && utf8Marked && !file.mid(3, line.start - 3).contains('\n') && !file.mid(3, line.start - 3).contains('\r'))
            line.start = 0;
        if (line.equals < 0)
            continue;
        const QStringList items = unescapedValue(file.constData() + line.equals + 1, file.constData() + line.end, utf8Marked);
        Decoded decoded = items.size() > 1 ? variantOfList(items, guiProcess) : variantOf(items.front(), guiProcess);
        lines.push_back({section, {section + unescapedKey(keyText(file, line)), std::move(decoded.value),
                                   decoded.readability, line.start, line.equals + 1, line.end}});
    }
    std::stable_sort(lines.begin(), lines.end(), [](const auto &a, const auto &b) {
        return (kKeyCase == Qt::CaseSensitive ? a.first < b.first : a.first.toLower() < b.first.toLower());
    });
    std::vector<IniValue> values;
    for (auto &each : lines)
        values.push_back(std::move(each.second));
    return values;
}

QByteArray withoutValues(const QByteArray &file, const std::vector<const IniValue *> &values)
{
    QByteArray kept;
    qsizetype from = 0;
    for (const IniValue *value : values) {
        kept += file.mid(from, value->begin - from);
        for (qsizetype i = value->begin; i < value->end; ++i) {
            if (isLineBreak(file.at(i)))
                kept += file.at(i);
        }
        from = value->end;
    }
    return kept + file.mid(from);
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
