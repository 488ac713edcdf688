// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port::StringBase and UTF-16 on Windows: UTF-8 carries every character a path or name can hold.
#include "WideText_win.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QtCore/QStringDecoder>
#else
#include <QtCore/QTextCodec>
#endif

#include <cstring>

namespace Port::detail {

std::wstring toWide(const char *utf8)
{
    const std::size_t length = utf8 ? std::strlen(utf8) : 0;
    // QString::fromUtf8 would drop a leading byte-order mark.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(QByteArrayView(utf8, qsizetype(length)));
#else
    constexpr int Utf8Mib = 106;
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString text = QTextCodec::codecForMib(Utf8Mib)->toUnicode(utf8, int(length), &state);
#endif
    return text.toStdWString();
}

StringBase fromWide(const wchar_t *text, std::size_t length)
{
    const QByteArray utf8 = QString::fromWCharArray(text, qsizetype(length)).toUtf8();
    return StringBase(utf8.constData(), static_cast<std::uint32_t>(utf8.size()));
}

} // namespace Port::detail
