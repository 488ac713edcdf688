// Finds, in a settings file's text, the serialized values that QDataStream cannot be trusted with.
#include "SerializedValueCheck.h"

#include <QtCore/QDataStream>
#include <QtCore/QStringList>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QtCore/QStringDecoder>
#else
#include <QtCore/QTextCodec>
#endif

#include <algorithm>
#include <cstring>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

// ---- The INI text, read as QSettings reads it -------------------------------

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
        char ch = data.at(i);
        while (!(traitsOf(ch) & Special)) {
            if (++i == size)
                goto done;
            ch = data.at(i);
        }
        ++i;
        if (ch == '=') {
            if (!inQuotes && line.equals == -1)
                line.equals = i - 1;
        } else if (isLineBreak(ch)) {
            if (i == start + 1) {
                ++start;
            } else if (!inQuotes) {
                --i;
                goto done;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char escaped = data.at(i++);
                if (i < size) {
                    const char next = data.at(i);
                    if ((escaped == '\n' && next == '\r') || (escaped == '\r' && next == '\n'))
                        ++i;
                }
            }
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else {  // ';'
            if (i == start + 1) {
                while (i < size && !isLineBreak(data.at(i)))
                    ++i;
                while (i < size && (traitsOf(data.at(i)) & Space))
                    ++i;
                start = i;
            } else if (!inQuotes) {
                --i;
                goto done;
            }
        }
    }
done:
    pos = i;
    line.start = start;
    line.end = i;
    return line.end > line.start;
}

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

bool isHexDigit(char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

int hexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    return (ch | 0x20) - 'a' + 10;
}

char namedEscape(char code)
{
    switch (code) {
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
            if ((hex && p < end && isHexDigit(*p)) || (code >= '0' && code <= '7')) {
                // Like Qt: the digits run on, and the character keeps their low 16 bits.
                char16_t value = hex ? 0 : char16_t(code - '0');
                while (p < end && (hex ? isHexDigit(*p) : (*p >= '0' && *p <= '7'))) {
                    value = char16_t(hex ? (value << 4) + hexValue(*p) : (value << 3) + (*p - '0'));
                    ++p;
                }
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

QString unescapedKey(const QByteArray &escaped)
{
    const QString text = QString::fromUtf8(escaped);
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

// ---- The shape of a serialized QVariant ---------------------------------------

// Type numbers of Qt 5, which both majors read a stream in. QSettings
// writes streams of version 4.0, whose numbers Qt maps onto these first.
enum TypeNumber : quint32 {
    Invalid = 0, Bool = 1, Int = 2, UInt = 3, LongLong = 4, ULongLong = 5, Double = 6, Char = 7,
    VariantMap = 8, VariantList = 9, String = 10, StringList = 11, ByteArray = 12, BitArray = 13,
    Date = 14, Time = 15, DateTime = 16, Url = 17, Locale = 18, Rect = 19, RectF = 20, Size = 21,
    SizeF = 22, Line = 23, LineF = 24, Point = 25, PointF = 26, RegExp = 27, VariantHash = 28,
    EasingCurve = 29, Uuid = 30, Long = 32, Short = 33, SignedCharacter = 34, ULong = 35, UShort = 36,
    UChar = 37, Float = 38, SChar = 40, NestedVariant = 41, RegularExpression = 44, ByteArrayList = 49,
    Nullptr = 51, CborSimpleType = 52,
    Font = 64, Pixmap = 65, Brush = 66, Color = 67, Palette = 68, Icon = 69, Polygon = 71, Region = 72,
    Bitmap = 73, Cursor = 74, Pen = 76, TextFormat = 78, PolygonF = 86,
};

// In a stream of version 4.0, Qt writes Qt 4's own numbers (core types up
// to 30, GUI types from 64 to 86), the later core types moved up by 97, and
// 127 for a type whose name follows. Nothing else comes from Qt.
constexpr quint32 kNamedType = 127;

bool isWrittenByQt(quint32 number)
{
    return number <= Uuid || (number >= 64 && number <= 86) || number == kNamedType || (number >= 128 && number <= 152);
}

quint32 qt5Number(quint32 number)
{
    constexpr quint32 kSizePolicy = 121;
    if (number >= 128)
        return number - 97;
    if (number == 75)
        return kSizePolicy;
    if (number > 75 && number <= 86)
        return number - 1;
    return number;
}

// Nesting far beyond any real value, far below what exhausts a stack.
constexpr int kMaxNesting = 64;
constexpr quint32 kNullLength = 0xFFFFFFFFu;

enum class Verdict { Safe, Damaged, NeedsGuiProcess };

class StreamShape
{
public:
    StreamShape(const QByteArray &bytes, QDataStream::Version version, bool guiProcess)
        : m_p(reinterpret_cast<const uchar *>(bytes.constData())), m_end(m_p + bytes.size()),
          m_qt4(version < QDataStream::Qt_5_0), m_withNullFlag(version >= QDataStream::Qt_4_2),
          m_guiProcess(guiProcess)
    {
    }

    Verdict verdict()
    {
        if (!variant(0))
            return Verdict::Damaged;
        return m_needsGui ? Verdict::NeedsGuiProcess : Verdict::Safe;
    }

private:
    bool skip(quint64 n)
    {
        if (n > quint64(m_end - m_p))
            return false;
        m_p += n;
        return true;
    }

    bool u32(quint32 &v)
    {
        if (m_end - m_p < 4)
            return false;
        v = (quint32(m_p[0]) << 24) | (quint32(m_p[1]) << 16) | (quint32(m_p[2]) << 8) | quint32(m_p[3]);
        m_p += 4;
        return true;
    }

    bool u8(quint8 &v)
    {
        if (m_p == m_end)
            return false;
        v = *m_p++;
        return true;
    }

    bool bytes(QByteArray *out = nullptr)
    {
        quint32 n = 0;
        if (!u32(n))
            return false;
        if (n == kNullLength)
            return true;
        if (out && n <= quint32(m_end - m_p))
            *out = QByteArray(reinterpret_cast<const char *>(m_p), int(n));
        return skip(n);
    }

    bool string()
    {
        quint32 n = 0;
        return u32(n) && (n == kNullLength || (n % 2 == 0 && skip(n)));
    }

    // A count is believable only when that many of the smallest element fit.
    bool count(quint32 &n, quint32 smallestElement)
    {
        return u32(n) && quint64(n) * smallestElement <= quint64(m_end - m_p);
    }

    template <typename Element>
    bool repeated(quint32 smallestElement, Element element)
    {
        quint32 n = 0;
        if (!count(n, smallestElement))
            return false;
        for (quint32 i = 0; i < n && !m_stopped; ++i) {
            if (!element())
                return false;
        }
        return true;
    }

    bool variant(int depth)
    {
        quint32 type = 0;
        if (depth > kMaxNesting || !u32(type))
            return false;
        if (m_withNullFlag && !skip(1))
            return false;
        if (!m_qt4)
            return type <= EasingCurve && value(type, depth);  // the newer version holds a date-time only
        if (!isWrittenByQt(type))
            return false;
        if (type == kNamedType)
            return namedType(depth);
        return value(qt5Number(type), depth);
    }

    // The stream from here on is one the check does not know: Qt reads it on
    // its own, and nothing after it can be checked.
    bool stop()
    {
        m_stopped = true;
        return true;
    }

    bool needsGui()
    {
        if (!m_guiProcess)
            m_needsGui = true;
        return stop();
    }

    bool namedType(int depth)
    {
        QByteArray name;
        if (!bytes(&name))
            return false;
        if (name.endsWith('\0'))
            name.chop(1);
        if (name == "QUuid")
            return value(Uuid, depth);
        if (name == "QPolygonF")
            return value(PolygonF, depth);
        return stop();
    }

    bool value(quint32 type, int depth)
    {
        switch (type) {
        case Invalid: return !m_qt4 || string();
        case Nullptr: return true;
        case Bool: case SignedCharacter: case UChar: case SChar: case CborSimpleType: return skip(1);
        case Char: case Short: case UShort: return skip(2);
        case Int: case UInt: case Time: return skip(4);
        case Date: return skip(m_qt4 ? 4 : 8);
        case Float: return skip(m_qt4 ? 4 : 8);
        case LongLong: case ULongLong: case Double: case Size: case Point: case Long: case ULong: return skip(8);
        case Rect: case Line: case SizeF: case PointF: case Uuid: return skip(16);
        case RectF: case LineF: return skip(32);
        case Color: return skip(11);
        case DateTime: return dateTime();
        case String: case Locale: return string();
        case ByteArray: case Url: return bytes();
        case Region: return region();
        case RegExp: return string() && skip(3);
        case RegularExpression: return string() && skip(4);
        case BitArray: {
            quint32 bits = 0;
            return u32(bits) && skip((quint64(bits) + 7) / 8);
        }
        case StringList: return repeated(4, [this] { return string(); });
        case ByteArrayList: return repeated(4, [this] { return bytes(); });
        case Polygon: return repeated(8, [this] { return skip(8); });
        case PolygonF: return repeated(16, [this] { return skip(16); });
        case NestedVariant: return variant(depth + 1);
        case VariantList: return repeated(4, [this, depth] { return variant(depth + 1); });
        case VariantMap: case VariantHash:
            return repeated(8, [this, depth] { return string() && variant(depth + 1); });
        case EasingCurve: return easingCurve();
        case Font: case Pixmap: case Brush: case Palette: case Icon: case Bitmap: case Cursor: case Pen:
        case TextFormat:
            return needsGui();
        default:
            return stop();
        }
    }

    bool dateTime()
    {
        if (m_qt4)
            return skip(9);  // day, milliseconds, time kind
        quint8 timeKind = 0;
        if (!skip(12) || !u8(timeKind))
            return false;
        constexpr quint8 kOffsetFromUtc = 2;
        constexpr quint8 kTimeZone = 3;
        if (timeKind == kOffsetFromUtc)
            return skip(4);
        if (timeKind == kTimeZone)
            return bytes();
        return true;
    }

    // Qt writes a region as a byte array holding its rectangles; Qt's reader
    // also takes nested set operations, which can recurse without bound, so
    // only the written form passes.
    bool region()
    {
        QByteArray inner;
        if (!bytes(&inner))
            return false;
        if (inner.isEmpty())
            return true;
        constexpr quint32 kRectangles = 10;
        constexpr quint32 kRectSize = 16;
        StreamShape rects(inner, QDataStream::Qt_4_0, m_guiProcess);
        quint32 kind = 0;
        quint32 n = 0;
        return rects.u32(kind) && kind == kRectangles && rects.count(n, kRectSize) && rects.skip(quint64(n) * kRectSize);
    }

    // Kind, function, and with a configuration three numbers, Bezier points
    // and TCB points.
    bool easingCurve()
    {
        quint8 hasConfig = 0;
        if (!skip(1 + 8) || !u8(hasConfig))
            return false;
        if (!hasConfig)
            return true;
        constexpr quint32 kPointSize = 16;
        constexpr quint32 kTcbPointSize = kPointSize + 3 * 8;
        return skip(3 * 8) && repeated(kPointSize, [this] { return skip(kPointSize); })
               && repeated(kTcbPointSize, [this] { return skip(kTcbPointSize); });
    }

    const uchar *m_p;
    const uchar *m_end;
    const bool m_qt4;
    const bool m_withNullFlag;
    const bool m_guiProcess;
    bool m_stopped = false;
    bool m_needsGui = false;
};

constexpr char kVariantPrefix[] = "@Variant(";
constexpr char kDateTimePrefix[] = "@DateTime(";

// Safe for a string that QSettings keeps as text or reads without QDataStream.
Verdict verdictOf(const QString &text, bool guiProcess)
{
    if (!text.endsWith(QLatin1Char(')')))
        return Verdict::Safe;
    QDataStream::Version version;
    qsizetype prefix = 0;
    if (text.startsWith(QLatin1String(kVariantPrefix))) {
        version = QDataStream::Qt_4_0;
        prefix = qsizetype(std::strlen(kVariantPrefix));
    } else if (text.startsWith(QLatin1String(kDateTimePrefix))) {
        version = QDataStream::Qt_5_6;
        prefix = qsizetype(std::strlen(kDateTimePrefix));
    } else {
        return Verdict::Safe;
    }
    // Qt hands QDataStream the rest of the text, closing parenthesis included.
    return StreamShape(text.mid(prefix).toLatin1(), version, guiProcess).verdict();
}

// Only a value with an '@' or an escape can begin one of its strings with '@'.
bool mayHoldSerializedValue(const char *begin, const char *end)
{
    return std::find_if(begin, end, [](char ch) { return ch == '@' || ch == '\\'; }) != end;
}

} // namespace

std::vector<UnsafeValue> findUnsafeValues(const QByteArray &file, bool guiProcess)
{
    std::vector<UnsafeValue> unsafe;
    if (!file.contains('@') && !file.contains('\\'))
        return unsafe;
    const bool utf8Marked = file.startsWith("\xEF\xBB\xBF");
    qsizetype pos = utf8Marked ? 3 : 0;
    QString section;
    IniLine line;
    while (readLine(file, pos, line)) {
        const char *begin = file.constData() + line.start;
        if (*begin == '[') {
            section = sectionPrefix(file, line);
            continue;
        }
        if (line.equals < 0)
            continue;
        const char *valueBegin = file.constData() + line.equals + 1;
        const char *valueEnd = file.constData() + line.end;
        if (!mayHoldSerializedValue(valueBegin, valueEnd))
            continue;
        Verdict worst = Verdict::Safe;
        for (const QString &item : unescapedValue(valueBegin, valueEnd, utf8Marked)) {
            const Verdict verdict = verdictOf(item, guiProcess);
            if (verdict == Verdict::Damaged || worst == Verdict::Safe)
                worst = verdict;
        }
        if (worst == Verdict::Safe)
            continue;
        UnsafeValue value;
        value.reason = worst == Verdict::Damaged ? UnsafeValue::Damaged : UnsafeValue::NeedsGuiProcess;
        value.key = section + unescapedKey(file.mid(line.start, line.equals - line.start).trimmed());
        value.begin = line.start;
        value.end = line.end;
        unsafe.push_back(std::move(value));
    }
    return unsafe;
}

QByteArray withoutValues(const QByteArray &file, const std::vector<UnsafeValue> &values)
{
    QByteArray kept;
    kept.reserve(file.size());
    qsizetype from = 0;
    for (const UnsafeValue &value : values) {
        kept += file.mid(from, value.begin - from);
        // A value that ran over several lines keeps their breaks, so the
        // line after it still starts a line of its own.
        for (qsizetype i = value.begin; i < value.end; ++i) {
            if (isLineBreak(file.at(i)))
                kept += file.at(i);
        }
        from = value.end;
    }
    kept += file.mid(from);
    return kept;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
