// Reads a settings file's text as QSettings' INI reader of this Qt version does, handing Qt only the serialized values it reads safely.
#include "IniReader.h"

#include <QtCore/QDataStream>
#include <QtCore/QIODevice>
#include <QtCore/QPoint>
#include <QtCore/QRect>
#include <QtCore/QSize>
#include <QtCore/QStringList>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QtCore/QStringDecoder>
#else
#include <QtCore/QTextCodec>
#endif

#include <cstring>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr bool kQt6 = QT_VERSION >= QT_VERSION_CHECK(6, 0, 0);

// ---- Lines ---------------------------------------------------------------------

enum CharTrait { Space = 0x1, Special = 0x2 };

int traitsOf(char ch)
{
    switch (ch) {
    case ' ':
    case '\t':
        return Space;
    case '\n':
    case '\r':
        return Space | Special;
    case '"':
    case ';':
    case '=':
    case '\\':
        return Special;
    default:
        return 0;
    }
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
    while (start < size && (traitsOf(data.at(start)) & Space))
        ++start;
    qsizetype i = start;
    while (i < size) {
        const char ch = data.at(i++);
        if (!(traitsOf(ch) & Special))
            continue;
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
        } else if (i == start + 1) {  // ';' starting a comment line
            while (i < size && !isLineBreak(data.at(i)))
                ++i;
            while (i < size && (traitsOf(data.at(i)) & Space))
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

// ---- Text ----------------------------------------------------------------------

// Plain runs of a value as this Qt version decodes them: UTF-8 in Qt 6; in
// Qt 5, Latin-1 unless the file starts with a UTF-8 byte-order mark.
class TextDecoder
{
public:
    explicit TextDecoder(bool utf8Marked)
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        : m_decoder(QStringDecoder::Utf8)
#else
        : m_codec(utf8Marked ? QTextCodec::codecForName("UTF-8") : nullptr)
#endif
    {
        Q_UNUSED(utf8Marked)
    }

    QString operator()(const char *run, qsizetype size)
    {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        return m_decoder(QByteArrayView(run, size));
#else
        return m_codec ? m_codec->toUnicode(run, int(size)) : QString::fromLatin1(run, int(size));
#endif
    }

private:
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    QStringDecoder m_decoder;
#else
    QTextCodec *m_codec;
#endif
};

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
    TextDecoder decode(utf8Marked);
    QStringList items;
    QString current;
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
        const char ch = *p;
        if (ch == '\\') {
            if (++p == end) {
                chopAtEnd = false;
                break;
            }
            const char code = *p++;
            if (const char named = namedEscape(code)) {
                current += QLatin1Char(named);
                chopLimit = current.size();
                continue;
            }
            const bool hex = code == 'x';
            if ((hex && p < end && hexValue(*p) >= 0) || (code >= '0' && code <= '7')) {
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
            continue;
        }
        if (ch == '"') {
            ++p;
            currentQuoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skipBlanks();
            continue;
        }
        if (ch == ',' && !inQuotes) {
            if (!currentQuoted)
                chopTrailingBlanks(current, chopLimit);
            items.append(current);
            current.clear();
            currentQuoted = false;
            ++p;
            skipBlanks();
            continue;
        }
        const char *run = p++;
        while (p < end && *p != '\\' && *p != '"' && *p != ',')
            ++p;
        current += decode(run, p - run);
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
    const QString text = kQt6 ? QString::fromUtf8(escaped) : QString::fromLatin1(escaped);
    QString key;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch == QLatin1Char('\\')) {
            key += QLatin1Char('/');
        } else if (ch == QLatin1Char('%') && i + 1 < text.size()) {
            const bool wide = text.at(i + 1) == QLatin1Char('U');
            const qsizetype digits = wide ? 4 : 2;
            const qsizetype first = i + (wide ? 2 : 1);
            bool ok = first + digits <= text.size();
            const ushort value = ok ? text.mid(first, digits).toUShort(&ok, 16) : 0;
            if (ok) {
                key += QChar(value);
                i = first + digits - 1;
            } else {
                key += ch;
            }
        } else {
            key += ch;
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
    while (!key.isEmpty() && (key.endsWith(' ') || key.endsWith('\t')))
        key.chop(1);
    return key;
}

// ---- Values --------------------------------------------------------------------

struct Decoded
{
    QVariant value;
    Readability readability = Readability::Safe;
};

// "@Rect(1 2 3 4)": the numbers between the parentheses, as Qt splits them.
QStringList splitArguments(const QString &text, qsizetype open)
{
    QStringList items;
    QString item;
    for (qsizetype i = open + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char(')')) {
            items.append(item);
        } else if (c == QLatin1Char(' ')) {
            items.append(item);
            item.clear();
        } else {
            item.append(c);
        }
    }
    return items;
}

Decoded serialized(const QString &text, qsizetype prefix, QDataStream::Version version, bool guiProcess)
{
    // Qt hands QDataStream the rest of the text, closing parenthesis included.
    QByteArray bytes = text.mid(prefix).toLatin1();
    Decoded decoded;
    decoded.readability = readabilityOf(bytes, version, guiProcess);
    if (decoded.readability == Readability::Safe) {
        QDataStream stream(&bytes, QIODevice::ReadOnly);
        stream.setVersion(version);
        stream >> decoded.value;
    }
    return decoded;
}

// What QSettings makes of one string of a value.
Decoded variantOf(const QString &text, bool guiProcess)
{
    const auto starts = [&text](const char *prefix) { return text.startsWith(QLatin1String(prefix)); };
    if (!starts("@"))
        return {QVariant(text)};
    if (text.endsWith(QLatin1Char(')'))) {
        if (starts("@ByteArray("))
            return {QVariant(text.mid(11, text.size() - 12).toLatin1())};
        if (starts("@String("))
            return {QVariant(text.mid(8, text.size() - 9))};
        if (starts("@Variant("))
            return serialized(text, 9, QDataStream::Qt_4_0, guiProcess);
        if (starts("@DateTime("))
            return serialized(text, 10, QDataStream::Qt_5_6, guiProcess);
        if (starts("@Rect(") || starts("@Size(") || starts("@Point(")) {
            const QStringList n = splitArguments(text, text.indexOf(QLatin1Char('(')));
            if (starts("@Rect(") && n.size() == 4)
                return {QVariant(QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt()))};
            if (starts("@Size(") && n.size() == 2)
                return {QVariant(QSize(n[0].toInt(), n[1].toInt()))};
            if (starts("@Point(") && n.size() == 2)
                return {QVariant(QPoint(n[0].toInt(), n[1].toInt()))};
        } else if (text == QLatin1String("@Invalid()")) {
            return {QVariant()};
        }
    }
    if (starts("@@"))
        return {QVariant(text.mid(1))};
    return {QVariant(text)};
}

// A list stays a QStringList unless an item is a serialized value; then
// every item is turned into a variant, as QSettings does.
Decoded variantOfList(const QStringList &original, bool guiProcess)
{
    QStringList items = original;
    for (QString &item : items) {
        if (!item.startsWith(QLatin1Char('@')))
            continue;
        if (item.size() >= 2 && item.at(1) == QLatin1Char('@')) {
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
    std::vector<IniValue> values;
    const bool utf8Marked = file.startsWith("\xEF\xBB\xBF");
    qsizetype pos = utf8Marked ? 3 : 0;
    QString section;
    IniLine line;
    while (readLine(file, pos, line)) {
        if (file.at(line.start) == '[') {
            section = sectionPrefix(file, line);
            continue;
        }
        if (line.equals < 0)
            continue;
        IniValue value;
        value.key = section + unescapedKey(keyText(file, line));
        value.begin = line.start;
        value.valueBegin = line.equals + 1;
        value.end = line.end;
        const QStringList items =
            unescapedValue(file.constData() + value.valueBegin, file.constData() + value.end, utf8Marked);
        Decoded decoded = items.size() > 1 ? variantOfList(items, guiProcess) : variantOf(items.front(), guiProcess);
        value.value = std::move(decoded.value);
        value.readability = decoded.readability;
        values.push_back(std::move(value));
    }
    return values;
}

QByteArray withoutValues(const QByteArray &file, const std::vector<const IniValue *> &values)
{
    QByteArray kept;
    kept.reserve(file.size());
    qsizetype from = 0;
    for (const IniValue *value : values) {
        kept += file.mid(from, value->begin - from);
        for (qsizetype i = value->begin; i < value->end; ++i) {
            if (isLineBreak(file.at(i)))
                kept += file.at(i);
        }
        from = value->end;
    }
    kept += file.mid(from);
    return kept;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
