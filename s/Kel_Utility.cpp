// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::Utility: moving text between Port::StringBase and QString, and the GUI-process check.
#include <Kel_Utility.h>

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QtCore/QStringDecoder>
#include <QtCore/QStringEncoder>
#else
#include <QtCore/QTextCodec>
#endif
#include <QtWidgets/QApplication>

#include <cstring>

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

// The bytes of a Port::StringBase are UTF-8 on Windows and the local 8-bit
// encoding elsewhere (UTF-8 on Linux and macOS). Windows' local 8-bit encoding
// is its ANSI code page, which holds a few hundred characters at most: a CJK
// folder or an emoji in a name would come back as '?'. UTF-8 is what Windows
// itself uses for an application that declares it, and Port's Windows half
// converts with it wherever a string meets the system.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#if defined(Q_OS_WIN)
constexpr QStringConverter::Encoding kPortEncoding = QStringConverter::Utf8;
#else
constexpr QStringConverter::Encoding kPortEncoding = QStringConverter::System;
#endif
#else
QTextCodec *portCodec()
{
#if defined(Q_OS_WIN)
    constexpr int Utf8Mib = 106;
    return QTextCodec::codecForMib(Utf8Mib);
#else
    return QTextCodec::codecForLocale();
#endif
}
#endif

} // namespace

Port::StringBase QStringToPortString(const QString &text)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    QStringEncoder encoder(kPortEncoding);
    const QByteArray bytes = encoder.encode(text);
#else
    const QByteArray bytes = portCodec()->fromUnicode(text);
#endif
    return Port::StringBase(bytes.constData());
}

// Qt's own decoders drop a leading U+FEFF as a byte-order mark; in a name it
// is a character like any other, and a file or core name must come back whole.
// A character cut off at the end stays as a replacement character for each of
// its bytes, never silently dropped.
QString PortStringToQString(const Port::StringBase &text)
{
    const char *bytes = text.c_str();
    const auto length = qstrlen(bytes);  // the text ends at the first NUL
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // The encoding is UTF-8 on every platform here. fromUtf8 is the quick way
    // (a launch converts its target on the GUI thread) wherever there is no
    // leading mark for it to drop.
    constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (length < 3 || std::memcmp(bytes, kByteOrderMark, 3) != 0)
        return QString::fromUtf8(bytes, qsizetype(length));
    QStringDecoder decoder(kPortEncoding, QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return decoder.decode(QByteArrayView(bytes, qsizetype(length)));
#else
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    QString decoded = portCodec()->toUnicode(bytes, int(length), &state);
    decoded.append(QString(state.remainingChars, QChar::ReplacementCharacter));
    return decoded;
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
