// Vouches for serialized settings values by the shape of their stream, and has a child process read the types it does not know.
#include "SerializedValueCheck.h"

#include "SettingsFileIo.h"
#include "WispLogging.h"

#include <QtCore/QCryptographicHash>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QMetaType>
#include <QtCore/QProcess>

#include <mutex>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

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
    FirstGuiType = 64, Color = 67, Polygon = 71, Region = 72, PolygonF = 86, LastGuiType = 87, SizePolicy = 121,
    VersionNumber = 0xFFFFFFFE,  // by name only
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
    if (number >= 128)
        return number - 97;
    if (number == 75)
        return SizePolicy;
    if (number > 75 && number <= 86)
        return number - 1;
    return number;
}

// Nesting far beyond any real value, far below what exhausts a stack.
constexpr int kMaxNesting = 64;
constexpr quint32 kNullLength = 0xFFFFFFFFu;

enum class Shape { Safe, Damaged, Foreign, Gui, Unknown };

class StreamShape
{
public:
    StreamShape(const QByteArray &bytes, QDataStream::Version version)
        : m_p(reinterpret_cast<const uchar *>(bytes.constData())), m_end(m_p + bytes.size()),
          m_qt4(version < QDataStream::Qt_5_0), m_withNullFlag(version >= QDataStream::Qt_4_2)
    {
    }

    Shape shape()
    {
        if (!variant(0))
            return Shape::Damaged;
        return m_stopped;
    }

    bool u32(quint32 &v)
    {
        if (m_end - m_p < 4)
            return false;
        v = (quint32(m_p[0]) << 24) | (quint32(m_p[1]) << 16) | (quint32(m_p[2]) << 8) | quint32(m_p[3]);
        m_p += 4;
        return true;
    }

    bool skip(quint64 n)
    {
        if (n > quint64(m_end - m_p))
            return false;
        m_p += n;
        return true;
    }

    // A count is believable only when that many of the smallest element fit.
    bool count(quint32 &n, quint32 smallestElement)
    {
        return u32(n) && quint64(n) * smallestElement <= quint64(m_end - m_p);
    }

private:
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

    template <typename Element>
    bool repeated(quint32 smallestElement, Element element)
    {
        quint32 n = 0;
        if (!count(n, smallestElement))
            return false;
        for (quint32 i = 0; i < n && m_stopped == Shape::Safe; ++i) {
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

    // The stream from here on is one the check does not read: the verdict
    // comes from elsewhere.
    bool stop(Shape why)
    {
        m_stopped = why;
        return true;
    }

    // Qt looks a name up among the types this process knows: one it does not
    // know reads as nothing, a name of one of Qt's own types as that type.
    bool namedType(int depth)
    {
        QByteArray name;
        if (!bytes(&name))
            return false;
        if (name.endsWith('\0'))
            name.chop(1);
        if (name == "QVersionNumber")
            return value(VersionNumber, depth);
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
        const int id = QMetaType::fromName(name).id();
        const bool gui = id >= QMetaType::FirstGuiType && id <= QMetaType::LastGuiType;
        const int qt6GuiToQt5 = FirstGuiType - QMetaType::FirstGuiType;
#else
        const int id = QMetaType::type(name.constData());
        const bool gui = id >= QMetaType::FirstGuiType && id <= QMetaType::LastGuiType;
        const int qt6GuiToQt5 = 0;
#endif
        if (id == QMetaType::UnknownType)
            return stop(Shape::Foreign);
        if (gui)
            return value(quint32(id + qt6GuiToQt5), depth);
        if (id < QMetaType::User)
            return value(quint32(id), depth);
        return stop(Shape::Safe);  // registered by the host, read by its own code
    }

    bool value(quint32 type, int depth)
    {
        switch (type) {
        case Invalid: return !m_qt4 || string();
        case Nullptr: return true;
        case Bool: case SignedCharacter: case UChar: case SChar: case CborSimpleType: return skip(1);
        case Char: case Short: case UShort: return skip(2);
        case Int: case UInt: case Time: return skip(4);
        case Date: case Float: return skip(m_qt4 ? 4 : 8);
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
        case VersionNumber: return repeated(4, [this] { return skip(4); });
        case Polygon: return repeated(8, [this] { return skip(8); });
        case PolygonF: return repeated(16, [this] { return skip(16); });
        case NestedVariant: return variant(depth + 1);
        case VariantList: return repeated(4, [this, depth] { return variant(depth + 1); });
        case VariantMap: case VariantHash:
            return repeated(8, [this, depth] { return string() && variant(depth + 1); });
        case EasingCurve: return easingCurve();
        default:
            return stop((type >= FirstGuiType && type <= LastGuiType) || type == SizePolicy ? Shape::Gui
                                                                                            : Shape::Unknown);
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
        StreamShape rects(inner, QDataStream::Qt_4_0);
        quint32 kind = 0;
        quint32 n = 0;
        return rects.u32(kind) && kind == kRectangles && rects.count(n, kRectSize) && rects.skip(quint64(n) * kRectSize);
    }

    // Kind, a function address and, for a custom curve, period, amplitude and
    // overshoot: streams of the versions QSettings writes hold nothing more.
    bool easingCurve()
    {
        quint8 hasConfig = 0;
        return skip(1 + 8) && u8(hasConfig) && (!hasConfig || skip(3 * 8));
    }

    const uchar *m_p;
    const uchar *m_end;
    const bool m_qt4;
    const bool m_withNullFlag;
    Shape m_stopped = Shape::Safe;
};

// ---- The reading child ---------------------------------------------------------

constexpr int kChildStartMs = 10000;
// Far beyond any real value's read; a read that takes longer hangs.
constexpr int kChildReadMs = 10000;

QString readerProgram()
{
    return libraryFolder() + QLatin1Char('/') + QLatin1String(KEL_VALUE_READER);
}

// Verdicts by value, for the life of the process: a value is read once.
std::mutex g_verdictsMutex;
QHash<QByteArray, Readability> &verdicts()
{
    static auto *known = new QHash<QByteArray, Readability>;
    return *known;
}

// The child says it is ready once Qt runs, and that it read the value once
// it has: a child that never got ready tells nothing about the value.
Readability readInChild(const QByteArray &stream, QDataStream::Version version, bool gui)
{
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(readerProgram(), {QString::number(int(version)), gui ? QStringLiteral("gui") : QString()});
    if (!child.waitForStarted(kChildStartMs)) {
        qCWarning(lcSettings) << "Cannot start" << readerProgram() << "to check a stored value:" << child.errorString();
        return Readability::NeedsGui;
    }
    child.write(stream);
    child.closeWriteChannel();
    if (!child.waitForFinished(kChildReadMs)) {
        child.kill();
        child.waitForFinished();
    }
    const QByteArray said = child.readAllStandardOutput();
    if (!said.startsWith('r'))
        return Readability::NeedsGui;
    return said == "ry" && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 ? Readability::Safe
                                                                                               : Readability::Damaged;
}

Readability checkedInChild(const QByteArray &stream, QDataStream::Version version, bool gui)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(int(version)) + (gui ? "g:" : "c:"));
    hash.addData(stream);
    const QByteArray key = hash.result();
    {
        std::lock_guard<std::mutex> lock(g_verdictsMutex);
        const auto known = verdicts().constFind(key);
        if (known != verdicts().cend())
            return *known;
    }
    const Readability verdict = readInChild(stream, version, gui);
    std::lock_guard<std::mutex> lock(g_verdictsMutex);
    verdicts().insert(key, verdict);
    return verdict;
}

} // namespace

Readability readabilityOf(const QByteArray &stream, QDataStream::Version version, bool guiProcess)
{
    switch (StreamShape(stream, version).shape()) {
    case Shape::Safe: return Readability::Safe;
    case Shape::Damaged: return Readability::Damaged;
    case Shape::Foreign: return Readability::Foreign;
    case Shape::Gui:
        if (!guiProcess)
            return Readability::NeedsGui;
        return checkedInChild(stream, version, true);
    case Shape::Unknown: return checkedInChild(stream, version, guiProcess);
    }
    return Readability::Damaged;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
