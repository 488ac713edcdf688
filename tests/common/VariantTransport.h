// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Values on a command line between test processes of both Qt majors: QDataStream of Qt 5.15 in base64.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDataStream>
#include <QtCore/QIODevice>
#include <QtCore/QVariant>

namespace KelTest {

// Both Qt majors read and write this stream version.
constexpr QDataStream::Version kVariantTransport = QDataStream::Qt_5_15;

inline QByteArray encodedVariant(const QVariant &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kVariantTransport);
    out << value;
    return bytes.toBase64();
}

inline QVariant decodedVariant(const QByteArray &base64)
{
    const QByteArray bytes = QByteArray::fromBase64(base64);
    QDataStream in(bytes);
    in.setVersion(kVariantTransport);
    QVariant value;
    in >> value;
    return value;
}

} // namespace KelTest
