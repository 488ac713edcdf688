// Stored values in the INI files' own notation, read back without trusting the file.
#include "IniVariant.h"

#include "IniText.h"

#include <QtCore/QDataStream>
#include <QtCore/QDateTime>
#include <QtCore/QIODevice>
#include <QtCore/QPoint>
#include <QtCore/QRect>
#include <QtCore/QSize>
#include <QtCore/QStringList>

#include <cstring>

namespace Gui {
namespace Wisp {
namespace detail {
namespace ini {

namespace {

constexpr char kByteArrayPrefix[] = "@ByteArray(";
constexpr char kVariantPrefix[] = "@Variant(";
constexpr char kDateTimePrefix[] = "@DateTime(";
constexpr char kRectPrefix[] = "@Rect(";
constexpr char kSizePrefix[] = "@Size(";
constexpr char kPointPrefix[] = "@Point(";
constexpr char kStringPrefix[] = "@String(";
constexpr char kInvalid[] = "@Invalid()";

// Serialized values use the stream format of Qt 4.0 (date-times that of Qt
// 5.6), so that every Qt 5 and Qt 6 build reads what any of them wrote.
constexpr QDataStream::Version kVariantStreamVersion = QDataStream::Qt_4_0;
constexpr QDataStream::Version kDateTimeStreamVersion = QDataStream::Qt_5_6;

constexpr bool kReadUncheckedTypes = QT_VERSION >= QT_VERSION_CHECK(6, 0, 0);

QString withPayload(const char *prefix, const QByteArray &payload)
{
    // With its size: a payload holds NUL bytes, where Qt 5 would stop.
    return QLatin1String(prefix) + QString::fromLatin1(payload.constData(), payload.size()) + QLatin1Char(')');
}

QByteArray streamed(const QVariant &value, QDataStream::Version version)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(version);
    out << value;
    return bytes;
}

QString numbers(std::initializer_list<int> values)
{
    QString text;
    for (int v : values) {
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += QString::number(v);
    }
    return text;
}

// One value as the string that the escaping layer writes.
QString encodedString(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
        return QLatin1String(kInvalid);
    case QMetaType::QByteArray:
        return withPayload(kByteArrayPrefix, value.toByteArray());
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Double: {
        QString text = value.toString();
        if (text.startsWith(QLatin1Char('@')))
            text.prepend(QLatin1Char('@'));  // "@@" keeps a text that begins with '@' a text
        return text;
    }
    case QMetaType::QRect: {
        const QRect r = value.toRect();
        return QLatin1String(kRectPrefix) + numbers({r.x(), r.y(), r.width(), r.height()}) + QLatin1Char(')');
    }
    case QMetaType::QSize: {
        const QSize s = value.toSize();
        return QLatin1String(kSizePrefix) + numbers({s.width(), s.height()}) + QLatin1Char(')');
    }
    case QMetaType::QPoint: {
        const QPoint p = value.toPoint();
        return QLatin1String(kPointPrefix) + numbers({p.x(), p.y()}) + QLatin1Char(')');
    }
    case QMetaType::QDateTime:
        return withPayload(kDateTimePrefix, streamed(value, kDateTimeStreamVersion));
    default:
        return withPayload(kVariantPrefix, streamed(value, kVariantStreamVersion));
    }
}

bool isWrittenAsList(const QVariant &value)
{
    // A one-element QVariantList would read back as its element, so it is
    // serialized whole instead.
    return value.userType() == QMetaType::QStringList
           || (value.userType() == QMetaType::QVariantList && value.toList().size() != 1);
}

QList<int> integerArguments(const QString &text, int openParen)
{
    QList<int> args;
    const QString inner = text.mid(openParen + 1, text.size() - openParen - 2);
    for (const QString &part : inner.split(QLatin1Char(' ')))
        args.append(part.toInt());
    return args;
}

DecodedValue decodedSerialized(const QString &text, int prefixLength, QDataStream::Version version)
{
    const QByteArray payload = text.mid(prefixLength, text.size() - prefixLength - 1).toLatin1();
    DecodedValue result;
    // QDataStream trusts the counts in a serialized value and allocates for
    // them at once (Qt 5 may crash on a damaged file); such a value reads as
    // absent. Qt 5 reads only types whose shape is checked; Qt 6 reads
    // safely what the check does not know.
    if (!isSafeVariantStream(payload, version >= QDataStream::Qt_4_2, kReadUncheckedTypes)) {
        result.rejected = true;
        return result;
    }
    QDataStream in(payload);
    in.setVersion(version);
    QVariant value;
    in >> value;
    if (in.status() == QDataStream::Ok)
        result.value = value;
    else
        result.rejected = true;
    return result;
}

DecodedValue decodedString(const QString &text)
{
    DecodedValue result;
    if (!text.startsWith(QLatin1Char('@'))) {
        result.value = text;
        return result;
    }
    if (text.endsWith(QLatin1Char(')'))) {
        if (text.startsWith(QLatin1String(kByteArrayPrefix))) {
            const int n = int(std::strlen(kByteArrayPrefix));
            result.value = text.mid(n, text.size() - n - 1).toLatin1();
            return result;
        }
        if (text.startsWith(QLatin1String(kVariantPrefix)))
            return decodedSerialized(text, int(std::strlen(kVariantPrefix)), kVariantStreamVersion);
        if (text.startsWith(QLatin1String(kDateTimePrefix)))
            return decodedSerialized(text, int(std::strlen(kDateTimePrefix)), kDateTimeStreamVersion);
        if (text.startsWith(QLatin1String(kStringPrefix))) {
            const int n = int(std::strlen(kStringPrefix));
            result.value = text.mid(n, text.size() - n - 1);
            return result;
        }
        if (text.startsWith(QLatin1String(kRectPrefix))) {
            const QList<int> a = integerArguments(text, int(std::strlen(kRectPrefix)) - 1);
            if (a.size() == 4) {
                result.value = QRect(a[0], a[1], a[2], a[3]);
                return result;
            }
        } else if (text.startsWith(QLatin1String(kSizePrefix))) {
            const QList<int> a = integerArguments(text, int(std::strlen(kSizePrefix)) - 1);
            if (a.size() == 2) {
                result.value = QSize(a[0], a[1]);
                return result;
            }
        } else if (text.startsWith(QLatin1String(kPointPrefix))) {
            const QList<int> a = integerArguments(text, int(std::strlen(kPointPrefix)) - 1);
            if (a.size() == 2) {
                result.value = QPoint(a[0], a[1]);
                return result;
            }
        } else if (text == QLatin1String(kInvalid)) {
            return result;
        }
    }
    result.value = text.startsWith(QLatin1String("@@")) ? text.mid(1) : text;
    return result;
}

DecodedValue decodedList(const QStringList &items)
{
    DecodedValue result;
    bool typed = false;
    for (const QString &item : items)
        typed = typed || (item.startsWith(QLatin1Char('@')) && !item.startsWith(QLatin1String("@@")));
    if (!typed) {
        QStringList texts = items;
        for (QString &item : texts) {
            if (item.startsWith(QLatin1String("@@")))
                item.remove(0, 1);
        }
        result.value = texts;
        return result;
    }
    QVariantList values;
    for (const QString &item : items) {
        const DecodedValue one = decodedString(item);
        result.rejected = result.rejected || one.rejected;
        values.append(one.value);
    }
    result.value = values;
    return result;
}

// ---- Shape check of a serialized QVariant (type numbers of the Qt 4 stream) ----

enum StreamType : quint32 {
    Invalid = 0, Bool = 1, Int = 2, UInt = 3, LongLong = 4, ULongLong = 5, Double = 6, Char = 7,
    VariantMap = 8, VariantList = 9, String = 10, StringList = 11, ByteArray = 12, BitArray = 13,
    Date = 14, Time = 15, DateTime = 16, Url = 17, Locale = 18, Rect = 19, RectF = 20, Size = 21,
    SizeF = 22, Line = 23, LineF = 24, Point = 25, PointF = 26, VariantHash = 28, Color = 67,
};

constexpr int kMaxNesting = 32;
constexpr quint32 kNullLength = 0xFFFFFFFFu;

class StreamShape
{
public:
    StreamShape(const QByteArray &bytes, bool withNullFlag, bool acceptUnknownTypes)
        : m_p(reinterpret_cast<const uchar *>(bytes.constData())), m_end(m_p + bytes.size()),
          m_withNullFlag(withNullFlag), m_acceptUnknownTypes(acceptUnknownTypes)
    {
    }

    bool variant(int depth)
    {
        quint32 type = 0;
        if (depth > kMaxNesting || !u32(type))
            return false;
        if (m_withNullFlag && !skip(1))
            return false;
        return value(type, depth);
    }

    bool atEnd() const { return m_p == m_end; }

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

    bool bytes()
    {
        quint32 n = 0;
        return u32(n) && (n == kNullLength || skip(n));
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

    bool value(quint32 type, int depth)
    {
        quint32 n = 0;
        switch (type) {
        case Invalid:
            return string();
        case Bool: return skip(1);
        case Int: case UInt: case Date: case Time: return skip(4);
        case LongLong: case ULongLong: case Double: case Size: case Point: return skip(8);
        case Char: return skip(2);
        case DateTime: return dateTime();
        case Rect: case Line: case SizeF: case PointF: return skip(16);
        case RectF: case LineF: return skip(32);
        case Color: return skip(11);
        case String: case Locale: return string();
        case ByteArray: case Url: return bytes();
        case BitArray: return u32(n) && skip((quint64(n) + 7) / 8);
        case StringList:
            if (!count(n, 4))
                return false;
            for (quint32 i = 0; i < n; ++i) {
                if (!string())
                    return false;
            }
            return true;
        case VariantList:
            if (!count(n, 4))
                return false;
            for (quint32 i = 0; i < n && !m_unknownType; ++i) {
                if (!variant(depth + 1))
                    return false;
            }
            return true;
        case VariantMap: case VariantHash:
            if (!count(n, 8))
                return false;
            for (quint32 i = 0; i < n && !m_unknownType; ++i) {
                if (!string() || !variant(depth + 1))
                    return false;
            }
            return true;
        default:
            m_unknownType = true;
            return m_acceptUnknownTypes;
        }
    }

    bool dateTime()
    {
        if (!m_withNullFlag)
            return skip(9);  // Qt 4 stream: day, milliseconds, time zone kind
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

    const uchar *m_p;
    const uchar *m_end;
    bool m_withNullFlag;
    bool m_acceptUnknownTypes;
    bool m_unknownType = false;  // ends the walk: its length is unknown
};

} // namespace

void appendEncodedValue(const QVariant &value, QByteArray &out)
{
    if (isWrittenAsList(value)) {
        QStringList items;
        for (const QVariant &item : value.toList())
            items.append(encodedString(item));
        appendEscapedStringList(items, out);
    } else {
        appendEscapedString(encodedString(value), out);
    }
}

DecodedValue decodedValue(const QByteArray &escaped)
{
    const UnescapedValue text = unescapedValue(escaped);
    return text.isList ? decodedList(text.list) : decodedString(text.text);
}

bool isSafeVariantStream(const QByteArray &payload, bool withNullFlag, bool acceptUnknownTypes)
{
    StreamShape shape(payload, withNullFlag, acceptUnknownTypes);
    return shape.variant(0);
}

} // namespace ini
} // namespace detail
} // namespace Wisp
} // namespace Gui
