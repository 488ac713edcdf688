// Kel::Utility: moving text between Port::StringBase and QString, and the GUI-process check.
#include <Kel_Utility.h>

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QtCore/QStringDecoder>
#else
#include <QtCore/QTextCodec>
#endif
#include <QtWidgets/QApplication>

namespace Kel {
namespace Utility {

namespace {

constexpr char kOrganisation[] = "Dravel";
constexpr char kApplicationName[] = "Brantle 2.0 API";
constexpr char kApplicationShortName[] = "_bq";

bool equalsExactly(const QString &name, const char *expected)
{
    return QStringToPortString(name).Compare(expected, Port::CompareExact) == 0;
}

} // namespace

// The local 8-bit encoding is the one Qt itself uses for file names, so paths
// and names survive the trip in both directions.
Port::StringBase QStringToPortString(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    return Port::StringBase(bytes.constData());
}

// Qt's own decoders drop a leading U+FEFF as a byte-order mark; in a name it
// is a character like any other, and a file or core name must come back whole.
QString PortStringToQString(const Port::StringBase &text)
{
    const char *bytes = text.c_str();
    const auto length = qstrlen(bytes);  // the text ends at the first NUL
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(QByteArrayView(bytes, qsizetype(length)));
#else
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    return QTextCodec::codecForLocale()->toUnicode(bytes, int(length), &state);
#endif
}

const char *PortStringToConstCharPtr(const Port::StringBase &text)
{
    return text.c_str();
}

bool IsGuiCompatibleProcess()
{
    // Every Qt 5/6 QApplication is a GUI client: the type check is the cast.
    if (!dynamic_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    if (!equalsExactly(QCoreApplication::organizationName(), kOrganisation))
        return false;
    const QString application = QCoreApplication::applicationName();
    return equalsExactly(application, kApplicationName) || equalsExactly(application, kApplicationShortName);
}

} // namespace Utility
} // namespace Kel
