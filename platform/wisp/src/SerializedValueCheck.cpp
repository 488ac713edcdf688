// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Vouches for serialized settings values by the shape of their stream, and has a child process read the types it does not know.
#include "SerializedValueCheck.h"

#include "SettingsFileIo.h"
#include "WispLogging.h"

#include <QtCore/QCryptographicHash>
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
    Invalid = 0, Bool = 1, Int = 2, UInt = 3, LongLong = 4, ULongLong = 5, Double = 6, Char = 7, VariantMap = 8,
    VariantList = 9, String = 10, StringList = 11, ByteArray = 12, BitArray = 13, Date = 14, Time = 15,
    DateTime = 16, Url = 17, Locale = 18, Rect = 19, RectF = 20, Size = 21, SizeF = 22, Line = 23, LineF = 24,
    Point = 25, PointF = 26, RegExp = 27, VariantHash = 28, EasingCurve = 29, Uuid = 30, Long = 32, Short = 33,
    SignedCharacter = 34, ULong = 35, UShort = 36, UChar = 37, Float = 38, SChar = 40, NestedVariant = 41,
    RegularExpression = 44, ByteArrayList = 49, Nullptr = 51, CborSimpleType = 52, FirstGuiType = 64, Color = 67,
    Polygon = 71, Region = 72, PolygonF = 86, LastGuiType = 87, SizePolicy = 121,
    NamedType = 127,                 // in a stream of version 4.0: the type's name follows
    VersionNumber = 0xFFFFFFFE,      // known by name only
};

// Nesting far beyond any real value, far below what exhausts a stack.
constexpr int kMaxNesting = 64;
constexpr quint32 kNullLength = 0xFFFFFFFFu;

// In a stream of version 4.0 Qt writes Qt 4's numbers: core types up to 30,
// GUI types from 64 to 86, later core types moved up by 97, and 127 for a
// named type. Nothing else comes from Qt; Qt maps these onto Qt 5's.
bool qt5Number(quint32 written, quint32 &number)
{
    number = written >= 128 ? written - 97 : written == 75 ? SizePolicy : written > 75 && written <= 86 ? written - 1 : written;
    return written <= Uuid || (written >= 64 && written <= 86) || written == NamedType || (written >= 128 && written <= 152);
}

enum class Shape { Safe, Damaged, Foreign, Gui, Unknown };

class StreamShape
{
public:
    StreamShape(const QByteArray &bytes, QDataStream::Version version)
        : m_p(reinterpret_cast<const uchar *>(bytes.constData())), m_end(m_p + bytes.size()),
          m_qt4(version < QDataStream::Qt_5_0)
    {
    }

    Shape shape() { return variant(0) ? m_stopped : Shape::Damaged; }

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

    bool bytes(QByteArray *out = nullptr)
    {
        quint32 n = 0;
        if (!u32(n))
            return false;
        if (out && n <= quint32(m_end - m_p))
            *out = QByteArray(reinterpret_cast<const char *>(m_p), int(n));
        return n == kNullLength || skip(n);
    }

    bool string()
    {
        quint32 n = 0;
        return u32(n) && (n == kNullLength || (n % 2 == 0 && skip(n)));
    }

    // A count is believable only when that many of the smallest element fit.
    template <typename Element>
    bool repeated(quint32 smallestElement, Element element)
    {
        quint32 n = 0;
        if (!u32(n) || quint64(n) * smallestElement > quint64(m_end - m_p))
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
        if (depth > kMaxNesting || !u32(type) || (!m_qt4 && !skip(1)))  // newer streams add a null flag
            return false;
        if (!m_qt4)
            return type <= EasingCurve && value(type, depth);  // the newer version holds a date-time only
        quint32 number = 0;
        if (!qt5Number(type, number))
            return false;
        return number == NamedType ? namedType(depth) : value(number, depth);
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
        const int guiToQt5 = FirstGuiType - QMetaType::FirstGuiType;
#else
        const int id = QMetaType::type(name.constData());
        const int guiToQt5 = 0;
#endif
        if (id == QMetaType::UnknownType)
            return stop(Shape::Foreign);
        if (id >= QMetaType::FirstGuiType && id <= QMetaType::LastGuiType)
            return value(quint32(id + guiToQt5), depth);
        return id < QMetaType::User ? value(quint32(id), depth) : stop(Shape::Safe);  // a host's type: its own code reads it
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
        case String: case Locale: return string();
        case ByteArray: case Url: return bytes();
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
        case VariantMap: case VariantHash: return repeated(8, [this, depth] { return string() && variant(depth + 1); });
        // Kind, a function address and, for a custom curve, period, amplitude
        // and overshoot: streams of the versions QSettings writes hold no more.
        case EasingCurve: return skip(9) && m_p < m_end && (*m_p++ == 0 || skip(3 * 8));
        case DateTime: {
            // Day and time; then the time kind, and an offset or a zone's name.
            if (m_qt4)
                return skip(9);
            const bool fixed = skip(12) && m_p < m_end;
            const uchar kind = fixed ? *m_p++ : 0;
            return fixed && (kind == 2 ? skip(4) : kind == 3 ? bytes() : true);
        }
        case Region: {
            // Qt writes a region as its rectangles; Qt's reader also takes
            // nested set operations, which can recurse without bound.
            QByteArray inner;
            if (!bytes(&inner))
                return false;
            if (inner.isEmpty())
                return true;
            StreamShape rects(inner, QDataStream::Qt_4_0);
            quint32 kind = 0;
            return rects.u32(kind) && kind == 10 && rects.repeated(16, [&rects] { return rects.skip(16); });
        }
        default:
            return stop((type >= FirstGuiType && type <= LastGuiType) || type == SizePolicy ? Shape::Gui : Shape::Unknown);
        }
    }

    const uchar *m_p;
    const uchar *m_end;
    const bool m_qt4;
    Shape m_stopped = Shape::Safe;
};

// ---- The reading child ---------------------------------------------------------

// Far beyond any real start or read; a read that takes longer hangs.
constexpr int kChildWaitMs = 10000;

// The child says 'r' once Qt runs and 'y' once it read the value: a child
// that never got ready tells nothing about the value.
Readability readInChild(const QByteArray &stream, QDataStream::Version version, bool gui)
{
    const QString program = libraryFolder() + QLatin1Char('/') + QLatin1String(KEL_VALUE_READER);
    QProcess child;
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program, {QString::number(int(version)), gui ? QStringLiteral("gui") : QString()});
    if (!child.waitForStarted(kChildWaitMs)) {
        qCWarning(lcSettings) << "Cannot start" << program << "to check a stored value:" << child.errorString();
        return Readability::NeedsGui;
    }
    child.write(stream);
    child.closeWriteChannel();
    if (!child.waitForFinished(kChildWaitMs)) {
        child.kill();
        child.waitForFinished();
    }
    const QByteArray said = child.readAllStandardOutput();
    if (!said.startsWith('r'))
        return Readability::NeedsGui;
    const bool read = said == "ry" && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    return read ? Readability::Safe : Readability::Damaged;
}

// A value is read in a child once per process.
Readability checkedInChild(const QByteArray &stream, QDataStream::Version version, bool gui)
{
    static std::mutex mutex;
    static auto *verdicts = new QHash<QByteArray, Readability>;
    const QByteArray key = QCryptographicHash::hash(QByteArray::number(int(version)) + (gui ? "g" : "c") + stream,
                                                    QCryptographicHash::Sha256);
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (verdicts->contains(key))
            return verdicts->value(key);
    }
    const Readability verdict = readInChild(stream, version, gui);
    std::lock_guard<std::mutex> lock(mutex);
    verdicts->insert(key, verdict);
    return verdict;
}

} // namespace

Readability readabilityOf(const QByteArray &stream, QDataStream::Version version, bool guiProcess)
{
    switch (StreamShape(stream, version).shape()) {
    case Shape::Safe: return Readability::Safe;
    case Shape::Foreign: return Readability::Foreign;
    case Shape::Gui: return guiProcess ? checkedInChild(stream, version, true) : Readability::NeedsGui;
    case Shape::Unknown: return checkedInChild(stream, version, guiProcess);
    case Shape::Damaged: break;
    }
    return Readability::Damaged;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
