// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Image files for the image tests: real files of each format, written into temporary folders.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSize>
#include <QtGui/QColor>
#include <QtGui/QImage>

namespace ImageTest {

// Keeps the test tables short under QT_NO_CAST_FROM_ASCII.
inline QString str(const char *text)
{
    return QString::fromUtf8(text);
}

// A 1x1 GIF89a whose only pixel is pure red. Qt reads GIF but has no writer,
// so the bytes are spelled out: header, 2-colour global table (red, black),
// image descriptor, LZW codes clear/0/end, trailer.
inline QByteArray redPixelGif()
{
    return QByteArray::fromHex("474946383961"       // GIF89a
                               "01000100" "800000"  // 1x1, global table of 2 colours
                               "ff0000" "000000"    // red, black
                               "2c" "00000000" "01000100" "00"
                               "02" "02" "4401" "00" // LZW minimum code size 2, one sub-block
                               "3b");
}

inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Writes image at path in the format its suffix names, creating folders;
// "gif" writes the red pixel whatever the image. format overrides the suffix,
// for files whose name carries no image extension.
inline bool writeImage(const QString &path, const QImage &image, const char *format = nullptr)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (!format && suffix == QLatin1String("gif"))
        return writeBytes(path, redPixelGif());
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return image.save(path, format);
}

inline QImage solidImage(const QSize &size, const QColor &colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// rest everywhere except the corners (0,0) and the opposite one, which are corner.
inline QImage cornerImage(const QSize &size, const QColor &corner, const QColor &rest)
{
    QImage image = solidImage(size, rest);
    image.setPixelColor(0, 0, corner);
    image.setPixelColor(size.width() - 1, size.height() - 1, corner);
    return image;
}

} // namespace ImageTest
