// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Loads 10,000 distinct 64×64 images from files through GetPixmap and reports the cache's high-water mark and peak RSS.
//
// Each image is a PNG under a temporary image root, fetched by name with its
// mask, as a host would; the image cache's bound is the default 32 MiB. The
// program checks the cache's cost after every load and prints the largest,
// beside getrusage's peak resident set size before and after the loads.
#include "ImageManagerInternals.h"

#include <Gui/Wisp/ImageManager.h>
#include <Kel_ImageUtil.h>

#include <QtCore/QDir>
#include <QtCore/QTemporaryDir>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPixmap>

#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kImages = 10000;
constexpr int kSide = 64;

long peakRssKiB()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;  // KiB on Linux
}

QImage distinctImage(int i)
{
    QImage image(kSide, kSide, QImage::Format_ARGB32);
    image.fill(qRgb(255, 0, 255));
    // A few pixels encode i, so no two files are alike.
    for (int bit = 0; bit < 16; ++bit)
        image.setPixel(bit, 1 + (bit % 3), (i >> bit) & 1 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir root;
    const QString folder = root.path() + QLatin1String("/molvane/images");
    if (!root.isValid() || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "kel_bench_imagememory: cannot create the image folder\n");
        return 1;
    }
    for (int i = 0; i < kImages; ++i) {
        const QString file = folder + QStringLiteral("/img%1.png").arg(i);
        if (!distinctImage(i).save(file)) {
            std::fprintf(stderr, "kel_bench_imagememory: cannot write %s\n", qUtf8Printable(file));
            return 1;
        }
    }

    Gui::Wisp::ImageManager *manager = Gui::Wisp::ImageManager::getInstance();
    Gui::Wisp::ImageManager::setImageRoots({root.path()});
    const qint64 limit = manager->cacheLimit();
    const long rssBefore = peakRssKiB();
    qint64 highWater = 0;
    int failures = 0;
    for (int i = 0; i < kImages; ++i) {
        const QPixmap pixmap = Kel::ImageUtil::GetPixmap(QStringLiteral("img%1").arg(i), true);
        if (pixmap.isNull())
            ++failures;
        highWater = qMax(highWater, manager->cacheCost());
    }
    const long rssAfter = peakRssKiB();
    const Gui::Wisp::ImageManagerInternals::Statistics stats = Gui::Wisp::ImageManagerInternals::statistics();

    std::printf("images loaded: %d of %d (%dx%d ARGB32, %lld bytes each)\n", kImages - failures, kImages, kSide,
                kSide, static_cast<long long>(kSide) * kSide * 4);
    std::printf("cache limit: %lld bytes; highest cost seen: %lld bytes; images held at the end: %d; evictions: %llu\n",
                static_cast<long long>(limit), static_cast<long long>(highWater), manager->cacheCount(),
                static_cast<unsigned long long>(stats.evictions));
    std::printf("peak RSS before the loads: %ld KiB; after: %ld KiB (growth %ld KiB)\n", rssBefore, rssAfter,
                rssAfter - rssBefore);
    const bool withinBound = highWater <= limit && failures == 0;
    std::printf("cache within its bound: %s\n", withinBound ? "yes" : "NO");
    return withinBound ? 0 : 1;
}
