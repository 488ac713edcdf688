// The text layer of the store's INI files, in the format that QSettings reads and writes.
#include "IniText.h"

namespace Gui {
namespace Wisp {
namespace detail {
namespace ini {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool isKeyCharacter(char16_t ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_' || ch == '-'
           || ch == '.';
}

bool isHexDigit(char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return ch - 'A' + 10;
}

bool isBlank(char ch)
{
    return ch == ' ' || ch == '\t';
}

bool isLineBreak(char ch)
{
    return ch == '\n' || ch == '\r';
}

// One logical line: [begin, end) with the position of its first unquoted
// '=' (or end). A backslash takes the next character along, so an escaped
// line break continues the line; an unquoted ';' starts a comment.
struct LineSpan
{
    const char *begin;
    const char *end;
    const char *equals;
};

const char *skipLine(const char *p, const char *end)
{
    while (p < end && !isLineBreak(*p))
        ++p;
    return p;
}

bool nextLine(const char *&p, const char *end, LineSpan &line)
{
    for (;;) {
        while (p < end && (isBlank(*p) || isLineBreak(*p)))
            ++p;
        if (p == end)
            return false;
        if (*p != ';')
            break;
        p = skipLine(p, end);  // a comment line
    }
    line.begin = p;
    line.equals = nullptr;
    bool inQuotes = false;
    while (p < end) {
        const char ch = *p;
        if (ch == '\\') {
            p += (p + 1 < end) ? 2 : 1;
            continue;
        }
        if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == '=' && !inQuotes && !line.equals) {
            line.equals = p;
        } else if (isLineBreak(ch) && !inQuotes) {
            break;
        } else if (ch == ';' && !inQuotes) {
            line.end = p;
            p = skipLine(p, end);
            if (!line.equals)
                line.equals = line.end;
            return true;
        }
        ++p;
    }
    line.end = p;
    if (!line.equals)
        line.equals = line.end;
    return true;
}

QString sectionPrefix(const char *begin, const char *end)
{
    const char *close = begin;
    while (close < end && *close != ']')
        ++close;
    QByteArray name = QByteArray(begin + 1, int(close - begin - 1)).trimmed();
    if (name.compare("general", Qt::CaseInsensitive) == 0)
        return QString();
    if (name.compare("%general", Qt::CaseInsensitive) == 0)
        return QString::fromLatin1(name.constData() + 1) + QLatin1Char('/');
    return unescapedKey(name.constBegin(), name.constEnd()) + QLatin1Char('/');
}

void appendHexEscape(char16_t ch, QByteArray &out)
{
    out += "\\x";
    out += QByteArray::number(uint(ch), 16);
}

void appendUtf8(const QChar *unicode, int size, QByteArray &out)
{
    out += QString::fromRawData(unicode, size).toUtf8();
}

void chopTrailingBlanks(QString &text, int limit)
{
    int n = text.size();
    while (n > limit && (text.at(n - 1) == QLatin1Char(' ') || text.at(n - 1) == QLatin1Char('\t')))
        --n;
    text.truncate(n);
}

char namedEscape(char ch)
{
    switch (ch) {
    case 'a': return '\a';
    case 'b': return '\b';
    case 'f': return '\f';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'v': return '\v';
    case '"': return '"';
    case '?': return '?';
    case '\'': return '\'';
    case '\\': return '\\';
    default: return 0;
    }
}

} // namespace

std::vector<RawLine> readLines(const QByteArray &data)
{
    std::vector<RawLine> lines;
    const char *p = data.constData();
    const char *end = p + data.size();
    if (data.startsWith("\xEF\xBB\xBF"))
        p += 3;
    QString section;
    LineSpan line;
    while (nextLine(p, end, line)) {
        if (*line.begin == '[') {
            section = sectionPrefix(line.begin, line.end);
            continue;
        }
        if (line.equals == line.end)
            continue;  // not a key line
        const char *keyEnd = line.equals;
        while (keyEnd > line.begin && isBlank(keyEnd[-1]))
            --keyEnd;
        RawLine raw;
        raw.key = section + unescapedKey(line.begin, keyEnd);
        raw.value = QByteArray(line.equals + 1, int(line.end - line.equals - 1));
        lines.push_back(std::move(raw));
    }
    return lines;
}

void appendEscapedKey(const QString &key, QByteArray &out)
{
    for (const QChar qch : key) {
        const char16_t ch = qch.unicode();
        if (ch == '/') {
            out += '\\';
        } else if (isKeyCharacter(ch)) {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += kHexDigits[ch >> 4];
            out += kHexDigits[ch & 0xF];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += kHexDigits[(ch >> shift) & 0xF];
        }
    }
}

QString unescapedKey(const char *begin, const char *end)
{
    QString key;
    key.reserve(int(end - begin));
    const char *p = begin;
    while (p < end) {
        const char ch = *p;
        if (ch == '\\') {
            key += QLatin1Char('/');
            ++p;
            continue;
        }
        if (ch == '%' && p + 1 < end) {
            const bool wide = p[1] == 'U';
            const int digits = wide ? 4 : 2;
            const char *first = p + (wide ? 2 : 1);
            bool ok = first + digits <= end;
            int value = 0;
            for (int i = 0; ok && i < digits; ++i) {
                ok = isHexDigit(first[i]);
                if (ok)
                    value = value * 16 + hexValue(first[i]);
            }
            if (ok) {
                key += QChar(char16_t(value));
                p = first + digits;
                continue;
            }
        }
        key += QLatin1Char(ch);
        ++p;
    }
    return key;
}

void appendEscapedString(const QString &value, QByteArray &out)
{
    const bool binary = value.startsWith(QLatin1String("@ByteArray(")) || value.startsWith(QLatin1String("@Variant("))
                        || value.startsWith(QLatin1String("@DateTime("));
    const int start = out.size();
    bool needsQuotes = false;
    bool hexPending = false;  // a following hex digit would extend the last \x escape
    const QChar *unicode = value.unicode();
    for (int i = 0; i < value.size(); ++i) {
        const char16_t ch = unicode[i].unicode();
        if (ch == ';' || ch == ',' || ch == '=')
            needsQuotes = true;
        if (hexPending && ch < 0x80 && isHexDigit(char(ch))) {
            appendHexEscape(ch, out);
            continue;
        }
        hexPending = false;
        switch (ch) {
        case 0: out += "\\0"; hexPending = true; break;
        case '\a': out += "\\a"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\v': out += "\\v"; break;
        case '"':
        case '\\':
            out += '\\';
            out += char(ch);
            break;
        default:
            if (ch <= 0x1F || (ch >= 0x7F && binary)) {
                appendHexEscape(ch, out);
                hexPending = true;
            } else if (ch >= 0x80) {
                // A surrogate pair is one character in UTF-8.
                const int run = QChar::isHighSurrogate(ch) && i + 1 < value.size() && unicode[i + 1].isLowSurrogate()
                                    ? 2
                                    : 1;
                appendUtf8(unicode + i, run, out);
                i += run - 1;
            } else {
                out += char(ch);
            }
        }
    }
    const bool edgeBlank = out.size() > start && (out.at(start) == ' ' || out.at(out.size() - 1) == ' ');
    if (needsQuotes || edgeBlank) {
        out.insert(start, '"');
        out += '"';
    }
}

void appendEscapedStringList(const QStringList &values, QByteArray &out)
{
    if (values.isEmpty()) {
        out += "@Invalid()";
        return;
    }
    for (int i = 0; i < values.size(); ++i) {
        if (i)
            out += ", ";
        appendEscapedString(values.at(i), out);
    }
}

UnescapedValue unescapedValue(const QByteArray &value)
{
    UnescapedValue result;
    QString current;
    bool inQuotes = false;
    bool currentQuoted = false;
    const char *p = value.constData();
    const char *end = p + value.size();

    auto skipBlanks = [&] {
        while (p < end && isBlank(*p))
            ++p;
    };
    skipBlanks();
    int chopLimit = 0;
    while (p < end) {
        const char ch = *p;
        if (ch == '\\') {
            ++p;
            if (p == end)
                break;
            const char code = *p++;
            if (const char named = namedEscape(code)) {
                current += QLatin1Char(named);
            } else if ((code == 'x' && p < end && isHexDigit(*p)) || (code >= '0' && code <= '7')) {
                const bool hex = code == 'x';
                uint escaped = hex ? 0 : uint(code - '0');
                while (p < end && (hex ? isHexDigit(*p) : (*p >= '0' && *p <= '7'))) {
                    escaped = hex ? escaped * 16 + uint(hexValue(*p)) : escaped * 8 + uint(*p - '0');
                    escaped &= 0xFFFF;  // a longer run cannot name a wider character
                    ++p;
                }
                current += QChar(char16_t(escaped));
            } else if (isLineBreak(code)) {
                if (p < end && isLineBreak(*p) && *p != code)
                    ++p;  // \r\n or \n\r continues the line as one break
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
            result.isList = true;
            result.list.append(current);
            current.clear();
            currentQuoted = false;
            chopLimit = 0;
            ++p;
            skipBlanks();
            continue;
        }
        // Plain text up to the next character with a meaning; a ',' inside
        // quotes is plain text.
        const char *run = p++;
        while (p < end && *p != '\\' && *p != '"' && *p != ',')
            ++p;
        current += QString::fromUtf8(run, int(p - run));
    }
    if (!currentQuoted)
        chopTrailingBlanks(current, chopLimit);
    if (result.isList)
        result.list.append(current);
    else
        result.text = current;
    return result;
}

bool isSelfContained(const QByteArray &value)
{
    bool inQuotes = false;
    for (int i = 0; i < value.size(); ++i) {
        const char ch = value.at(i);
        if (ch == '\\') {
            if (++i == value.size() || isLineBreak(value.at(i)))
                return false;
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (isLineBreak(ch)) {
            return false;
        }
    }
    return !inQuotes;
}

QByteArray reescaped(const QByteArray &value)
{
    const UnescapedValue text = unescapedValue(value);
    QByteArray out;
    if (text.isList)
        appendEscapedStringList(text.list, out);
    else
        appendEscapedString(text.text, out);
    return out;
}

} // namespace ini
} // namespace detail
} // namespace Wisp
} // namespace Gui
