// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A Qt-linked shared library that does next to nothing: the yardstick that kel_bench_dlopen loads beside ours.
#include <QtCore/QString>
#include <QtGui/QImage>

// A couple of Qt symbols to bind and one static object to construct, as any
// Qt-linked library has, and nothing more.
namespace {
const QString kGreeting = QString::fromLatin1("trivial");
}

extern "C" int kel_bench_trivial_size()
{
    const QImage image(1, 1, QImage::Format_ARGB32);
    return kGreeting.size() + image.width();
}
