// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Gui::Wisp::ImageManager: the bounded cache, file lookup under the image roots, masks.
#include "ImageTestFiles.h"
#include "ImageManagerInternals.h"

#include <Gui/Wisp/ImageManager.h>

#include <QtCore/QTemporaryDir>
#include <QtGui/QBitmap>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtTest/QtTest>

#include <thread>
#include <vector>

using Gui::Wisp::ImageManager;
using Gui::Wisp::ImageManagerInternals;
using ImageTest::str;

namespace {

const QSize kSmall(8, 8);
const qint64 kSmallCost = 8 * 8 * 4; // RGB32

// A null-terminated extension list from "a,b"; an empty text stands for no list at all.
class ExtensionList
{
public:
    explicit ExtensionList(const QString &extensions)
    {
        for (const QString &ext : extensions.split(QLatin1Char(','), Qt::SkipEmptyParts))
            m_storage << ext.toLatin1();
        for (const QByteArray &ext : m_storage)
            m_pointers.push_back(ext.constData());
        m_pointers.push_back(nullptr);
    }
    const char *const *get() const { return m_storage.isEmpty() ? nullptr : m_pointers.data(); }

private:
    QList<QByteArray> m_storage;
    std::vector<const char *> m_pointers;
};

} // namespace

class TestImageManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void addImage_data();
    void addImage();
    void leastRecentlyUsedLeaves_data();
    void leastRecentlyUsedLeaves();
    void lowerLimitEvictsAtOnce();
    void eachFormatLoads_data();
    void eachFormatLoads();
    void lookupOrder_data();
    void lookupOrder();
    void namesStayUnderRoot_data();
    void namesStayUnderRoot();
    void loadByPath_data();
    void loadByPath();
    void maskHidesPointColour_data();
    void maskHidesPointColour();
    void maskOfPointOutside_data();
    void maskOfPointOutside();
    void maskReusedUntilImageChanges_data();
    void maskReusedUntilImageChanges();
    void masksLeaveWithTheirImage();
    void concurrentUseKeepsCacheConsistent();

private:
    ImageManager *manager() const { return ImageManager::getInstance(); }
    QString root(const QString &which) const { return m_dir.path() + QLatin1String("/root") + which; }

    QTemporaryDir m_dir;
    QString m_startDir;
};

void TestImageManager::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_startDir = QDir::currentPath();
    // Nothing has set the roots yet in this process.
    QCOMPARE(ImageManager::imageRoots(), ImageManager::defaultImageRoots());
    const QStringList roots = ImageManager::defaultImageRoots();
    QCOMPARE(roots.size(), 3);
    QCOMPARE(roots.at(0), str(":/"));
    QCOMPARE(roots.at(1), QCoreApplication::applicationDirPath());
    QVERIFY2(roots.at(2).endsWith(QLatin1String("/share/KelGuiUtilities")), qPrintable(roots.at(2)));
}

void TestImageManager::init()
{
    manager()->clearCache();
    manager()->setCacheLimit(ImageManager::DefaultCacheLimitBytes);
    ImageManagerInternals::resetStatistics();
    ImageManager::setImageRoots({root(str("A")), root(str("B"))});
}

void TestImageManager::cleanup()
{
    QDir::setCurrent(m_startDir);
    for (const QString &which : {str("A"), str("B"), str("cwd")})
        QDir(root(which)).removeRecursively();
}

void TestImageManager::addImage_data()
{
    // first: added before under the same name (invalid: none); second: empty size is a null image.
    QTest::addColumn<QSize>("first");
    QTest::addColumn<QSize>("second");
    QTest::addColumn<qint64>("cost"); // 0: the name is not held

    const QSize none;
    const QSize tooBig(65, 64); // the limit is 64x64 RGB32
    QTest::newRow("new name") << none << kSmall << kSmallCost;
    QTest::newRow("re-adding replaces") << kSmall << QSize(4, 4) << qint64(4 * 4 * 4);
    QTest::newRow("exactly the limit is kept") << none << QSize(64, 64) << qint64(64 * 64 * 4);
    QTest::newRow("larger than the limit is not kept") << none << tooBig << qint64(0);
    QTest::newRow("larger than the limit drops the old image") << kSmall << tooBig << qint64(0);
    QTest::newRow("null image drops the old image") << kSmall << QSize(0, 0) << qint64(0);
}

void TestImageManager::addImage()
{
    QFETCH(QSize, first);
    QFETCH(QSize, second);
    QFETCH(qint64, cost);
    manager()->setCacheLimit(64 * 64 * 4);
    if (first.isValid())
        manager()->addImage(str("pic"), ImageTest::solidImage(first, Qt::red));
    const QImage image = second.isEmpty() ? QImage() : ImageTest::solidImage(second, Qt::green);
    manager()->addImage(str("pic"), image);

    const bool held = cost > 0;
    QCOMPARE(manager()->getImage(str("pic")), held ? image : QImage());
    QCOMPARE(manager()->cacheCount(), held ? 1 : 0);
    QCOMPARE(manager()->cacheCost(), cost);
    const ImageManagerInternals::Statistics stats = ImageManagerInternals::statistics();
    QCOMPARE(stats.adds, quint64(first.isValid() ? 2 : 1));
    QCOMPARE(stats.hits, quint64(held ? 1 : 0));
    QCOMPARE(stats.misses, quint64(held ? 0 : 1));
    QCOMPARE(stats.evictions, quint64(0));
}

void TestImageManager::leastRecentlyUsedLeaves_data()
{
    QTest::addColumn<QString>("touched"); // "icon:" touches through getIcon
    QTest::addColumn<QString>("evicted");

    QTest::newRow("untouched: oldest leaves") << QString() << str("a");
    QTest::newRow("oldest looked up: next oldest leaves") << str("a") << str("b");
    QTest::newRow("newest looked up: oldest leaves") << str("c") << str("a");
    QTest::newRow("oldest made an icon: next oldest leaves") << str("icon:a") << str("b");
    QTest::newRow("unknown name looked up: oldest leaves") << str("zz") << str("a");
}

void TestImageManager::leastRecentlyUsedLeaves()
{
    QFETCH(QString, touched);
    QFETCH(QString, evicted);
    manager()->setCacheLimit(3 * kSmallCost);
    const QStringList names{str("a"), str("b"), str("c"), str("d")};
    for (int i = 0; i < 3; ++i)
        manager()->addImage(names.at(i), ImageTest::solidImage(kSmall, Qt::red));
    if (touched.startsWith(QLatin1String("icon:")))
        manager()->getIcon(touched.mid(5));
    else if (!touched.isEmpty())
        manager()->getImage(touched);
    manager()->addImage(str("d"), ImageTest::solidImage(kSmall, Qt::blue));

    QCOMPARE(ImageManagerInternals::statistics().evictions, quint64(1));
    QCOMPARE(manager()->cacheCost(), 3 * kSmallCost);
    for (const QString &name : names)
        QVERIFY2(manager()->getImage(name).isNull() == (name == evicted), qPrintable(name));
}

void TestImageManager::lowerLimitEvictsAtOnce()
{
    for (const QString &name : {str("a"), str("b"), str("c")})
        manager()->addImage(name, ImageTest::solidImage(kSmall, Qt::red));
    manager()->setCacheLimit(kSmallCost);
    QCOMPARE(manager()->cacheCount(), 1);
    QCOMPARE(ImageManagerInternals::statistics().evictions, quint64(2));
    QVERIFY(!manager()->getImage(str("c")).isNull());

    manager()->setCacheLimit(-1);
    QCOMPARE(manager()->cacheLimit(), qint64(0));
    QCOMPARE(manager()->cacheCost(), qint64(0));
    QCOMPARE(ImageManagerInternals::statistics().evictions, quint64(3));
}

void TestImageManager::eachFormatLoads_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QSize>("size");

    QTest::newRow("bmp") << str("bmp") << QSize(5, 3);
    QTest::newRow("gif") << str("gif") << QSize(1, 1); // the hand-made red pixel
    QTest::newRow("jpg") << str("jpg") << QSize(16, 8);
    QTest::newRow("png") << str("png") << QSize(5, 3);
}

void TestImageManager::eachFormatLoads()
{
    QFETCH(QString, extension);
    QFETCH(QSize, size);
    QVERIFY(ImageTest::writeImage(root(str("A")) + QLatin1String("/d/pic.") + extension,
                                  ImageTest::solidImage(size, Qt::red)));

    const ExtensionList all(str("bmp,gif,jpg,png"));
    const QImage image = ImageManager::loadDravelImage(str("pic"), str("d"), all.get());
    QCOMPARE(image.size(), size);
    const QColor centre = image.pixelColor(size.width() / 2, size.height() / 2);
    // JPEG is lossy: near red is red enough.
    QVERIFY2(centre.red() > 200 && centre.green() < 60 && centre.blue() < 60, qPrintable(centre.name()));
    QCOMPARE(ImageManagerInternals::statistics().loads, quint64(1));
}

void TestImageManager::lookupOrder_data()
{
    // files: "root/relative path=colour" separated by ';'; expected empty: nothing found.
    QTest::addColumn<QString>("files");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("extensions");
    QTest::addColumn<QString>("expected");

    QTest::newRow("root order before extension order")
        << str("A/d/n.png=red;B/d/n.bmp=lime") << str("n") << str("bmp,png") << str("red");
    QTest::newRow("extension order within a root")
        << str("A/d/n.png=red;A/d/n.bmp=lime") << str("n") << str("bmp,png") << str("lime");
    QTest::newRow("second root when the first lacks it") << str("B/d/n.png=blue") << str("n") << str("png")
                                                         << str("blue");
    QTest::newRow("extension not in the list") << str("A/d/n.png=red") << str("n") << str("bmp") << QString();
    QTest::newRow("name with extension: as given first")
        << str("A/d/n.png.bmp=lime;A/d/n.png=red") << str("n.png") << str("bmp,png") << str("red");
    QTest::newRow("dotted name: then the list") << str("A/d/n.v2.png=blue") << str("n.v2") << str("png")
                                                << str("blue");
    QTest::newRow("no list: the name as given only")
        << str("A/d/n.png=red;B/d/n=lime") << str("n") << QString() << str("lime");
    QTest::newRow("folder named like an image is passed over")
        << str("A/d/n.bmp/x.png=red;A/d/n.png=blue") << str("n") << str("bmp,png") << str("blue");
}

void TestImageManager::lookupOrder()
{
    QFETCH(QString, files);
    QFETCH(QString, name);
    QFETCH(QString, extensions);
    QFETCH(QString, expected);
    for (const QString &file : files.split(QLatin1Char(';'))) {
        const QStringList parts = file.split(QLatin1Char('='));
        // A file without an image extension is written as PNG by content.
        const char *format = QFileInfo(parts.at(0)).suffix().isEmpty() ? "PNG" : nullptr;
        QVERIFY(ImageTest::writeImage(root(parts.at(0)), ImageTest::solidImage(kSmall, QColor(parts.at(1))), format));
    }

    const ExtensionList list(extensions);
    const QImage image = ImageManager::loadDravelImage(name, str("d"), list.get());
    QCOMPARE(image.isNull() ? QString() : image.pixelColor(0, 0).name(),
             expected.isEmpty() ? QString() : QColor(expected).name());
    QCOMPARE(ImageManagerInternals::statistics().loads, quint64(1));
}

void TestImageManager::namesStayUnderRoot_data()
{
    // outside.png sits beside the roots, where no rooted name may reach it.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<bool>("found");

    QTest::newRow("parent segments in the name") << str("../../outside") << str("d") << false;
    QTest::newRow("parent segments in the middle") << str("sub/../../../outside") << str("d") << false;
    QTest::newRow("parent segments in the folder") << str("outside") << str("../..") << false;
    QTest::newRow("absolute name") << m_dir.path() + QLatin1String("/outside") << str("d") << false;
    QTest::newRow("resource name") << str(":/kel-test/dot") << str("d") << false;
    QTest::newRow("embedded NUL") << str("in") + QChar(0) + str("side") << str("d") << false;
    QTest::newRow("dots that are no segment") << str("in..side") << str("d") << true;
    QTest::newRow("empty name is a name") << QString() << str("d") << true;
    QTest::newRow("folder with outer slashes") << str("inside") << str("/d/") << true;
    QTest::newRow("resource root") << str("dot.xpm") << str("kel-test") << true;
}

void TestImageManager::namesStayUnderRoot()
{
    QFETCH(QString, name);
    QFETCH(QString, dir);
    QFETCH(bool, found);
    const QImage red = ImageTest::solidImage(kSmall, Qt::red);
    for (const QString &path : {m_dir.path() + QLatin1String("/outside.png"), root(str("A/d/inside.png")),
                                root(str("A/d/in..side.png")), root(str("A/d/.png"))})
        QVERIFY(ImageTest::writeImage(path, red));
    QVERIFY(QDir().mkpath(root(str("A/d/sub"))));
    ImageManager::setImageRoots({root(str("A")), str(":/")});

    const ExtensionList png(str("png"));
    QCOMPARE(!ImageManager::loadDravelImage(name, dir, png.get()).isNull(), found);
    QCOMPARE(ImageManagerInternals::statistics().loads, quint64(1));
}

void TestImageManager::loadByPath_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");

    const QSize null(0, 0);
    QTest::newRow("absolute") << root(str("cwd/abs.png")) << kSmall;
    QTest::newRow("relative to the working directory") << str("rel/rel.bmp") << kSmall;
    QTest::newRow("dot segments") << str("./rel/../rel/rel.bmp") << kSmall;
    QTest::newRow("Qt resource") << str(":/kel-test/dot.xpm") << QSize(2, 2);
    QTest::newRow("empty") << QString() << null;
    QTest::newRow("folder") << str("rel") << null;
    QTest::newRow("missing") << str("rel/none.png") << null;
    QTest::newRow("not an image") << str("text.png") << null;
    QTest::newRow("embedded NUL") << str("rel/rel.bmp") + QChar(0) << null;
}

void TestImageManager::loadByPath()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QVERIFY(ImageTest::writeImage(root(str("cwd/abs.png")), ImageTest::solidImage(kSmall, Qt::red)));
    QVERIFY(ImageTest::writeImage(root(str("cwd/rel/rel.bmp")), ImageTest::solidImage(kSmall, Qt::red)));
    QVERIFY(ImageTest::writeBytes(root(str("cwd/text.png")), QByteArray("not an image")));
    QVERIFY(QDir::setCurrent(root(str("cwd"))));

    QCOMPARE(ImageManager::loadDravelImage(name).size(), size);
    QCOMPARE(ImageManagerInternals::statistics().loads, quint64(1));
    QCOMPARE(manager()->cacheCount(), 0);
}

void TestImageManager::maskHidesPointColour_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<QPoint>("point");

    QTest::newRow("RGB32 corner") << QImage::Format_RGB32 << QPoint(0, 0);
    QTest::newRow("RGB32 middle") << QImage::Format_RGB32 << QPoint(1, 1);
    QTest::newRow("premultiplied corner") << QImage::Format_ARGB32_Premultiplied << QPoint(0, 0);
    QTest::newRow("RGBA8888 corner") << QImage::Format_RGBA8888 << QPoint(0, 0);
    QTest::newRow("indexed corner") << QImage::Format_Indexed8 << QPoint(0, 0);
    QTest::newRow("RGB16 corner") << QImage::Format_RGB16 << QPoint(0, 0);
}

void TestImageManager::maskHidesPointColour()
{
    QFETCH(QImage::Format, format);
    QFETCH(QPoint, point);
    // Half-transparent red in two corners, one green pixel, opaque blue elsewhere.
    QImage argb(4, 3, QImage::Format_ARGB32);
    argb.fill(QColor(0, 0, 255));
    argb.setPixel(0, 0, qRgba(255, 0, 0, 128));
    argb.setPixel(3, 2, qRgba(255, 0, 0, 128));
    argb.setPixel(2, 0, qRgb(0, 255, 0));
    const QImage image = argb.convertToFormat(format);

    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(ImageManager::createMaskWithPoint(image, point));
    const QImage shown = pixmap.toImage();
    int hidden = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool expectHidden = image.pixel(x, y) == image.pixel(point);
            hidden += expectHidden ? 1 : 0;
            const QString where = QStringLiteral("%1,%2").arg(x).arg(y);
            QVERIFY2((qAlpha(shown.pixel(x, y)) == 0) == expectHidden, qPrintable(where));
        }
    }
    QVERIFY(hidden >= 2);
}

void TestImageManager::maskOfPointOutside_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<QPoint>("point");

    const QImage image = ImageTest::solidImage(QSize(4, 3), Qt::red);
    QTest::newRow("left of the image") << image << QPoint(-1, 0);
    QTest::newRow("one past the right") << image << QPoint(4, 0);
    QTest::newRow("one past the bottom") << image << QPoint(0, 3);
    QTest::newRow("null image") << QImage() << QPoint(0, 0);
}

void TestImageManager::maskOfPointOutside()
{
    QFETCH(QImage, image);
    QFETCH(QPoint, point);
    QVERIFY(ImageManager::createMaskWithPoint(image, point).isNull());
}

// Every pixel of image is hidden by mask exactly when it has the colour at point.
static bool maskMatches(const QImage &image, const QPoint &point, const QBitmap &mask)
{
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(mask);
    const QImage shown = pixmap.toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((qAlpha(shown.pixel(x, y)) == 0) != (image.pixel(x, y) == image.pixel(point)))
                return false;
        }
    }
    return true;
}

enum class MaskChange { None, SharedCopy, PointPixel, OtherPixel, OtherPoint, Fill };
Q_DECLARE_METATYPE(MaskChange)

void TestImageManager::maskReusedUntilImageChanges_data()
{
    QTest::addColumn<MaskChange>("change");
    QTest::addColumn<bool>("reused");

    QTest::newRow("same image") << MaskChange::None << true;
    QTest::newRow("the cache's copy of it") << MaskChange::SharedCopy << true;
    QTest::newRow("colour at the point changed") << MaskChange::PointPixel << false;
    QTest::newRow("another pixel changed") << MaskChange::OtherPixel << false;
    QTest::newRow("another point") << MaskChange::OtherPoint << false;
    QTest::newRow("whole image refilled") << MaskChange::Fill << false;
}

void TestImageManager::maskReusedUntilImageChanges()
{
    QFETCH(MaskChange, change);
    QFETCH(bool, reused);
    // Blue, a red diagonal, a green pixel: the point (0,0) is red.
    QImage image(5, 4, QImage::Format_ARGB32);
    image.fill(QColor(0, 0, 255));
    for (int i = 0; i < 4; ++i)
        image.setPixel(i, i, qRgb(255, 0, 0));
    image.setPixel(4, 0, qRgb(0, 255, 0));
    const QPoint point(0, 0);
    manager()->addImage(str("masked"), image);

    const QBitmap first = ImageManager::createMaskWithPoint(image, point);
    QVERIFY(maskMatches(image, point, first));

    QImage second = image;
    QPoint secondPoint = point;
    switch (change) {
    case MaskChange::None:
        break;
    case MaskChange::SharedCopy:
        second = manager()->getImage(str("masked"));
        break;
    case MaskChange::PointPixel:
        second.setPixel(point, qRgb(0, 0, 255));
        break;
    case MaskChange::OtherPixel:
        second.setPixel(3, 0, qRgb(255, 0, 0));
        break;
    case MaskChange::OtherPoint:
        secondPoint = QPoint(4, 0);
        break;
    case MaskChange::Fill:
        second.fill(QColor(255, 0, 0));
        break;
    }
    const QBitmap again = ImageManager::createMaskWithPoint(second, secondPoint);
    QCOMPARE(again.cacheKey() == first.cacheKey(), reused);
    QVERIFY(maskMatches(second, secondPoint, again));
    // The first image still gets its own mask after the other one was made.
    QVERIFY(maskMatches(image, point, ImageManager::createMaskWithPoint(image, point)));
}

void TestImageManager::masksLeaveWithTheirImage()
{
    const QImage a = ImageTest::solidImage(kSmall, Qt::red);
    const QImage b = ImageTest::solidImage(kSmall, Qt::green);
    manager()->addImage(str("a"), a);
    manager()->addImage(str("b"), b);
    ImageManager::createMaskWithPoint(a, QPoint(0, 0));
    ImageManager::createMaskWithPoint(a, QPoint(1, 1));
    ImageManager::createMaskWithPoint(b, QPoint(0, 0));
    QCOMPARE(ImageManagerInternals::maskCacheCount(), 3);

    // "a" is the least recently used image and leaves first.
    manager()->getImage(str("b"));
    manager()->setCacheLimit(kSmallCost);
    QCOMPARE(manager()->cacheCount(), 1);
    QCOMPARE(ImageManagerInternals::maskCacheCount(), 1);

    manager()->clearCache();
    QCOMPARE(ImageManagerInternals::maskCacheCount(), 0);

    // However many images are masked, only a bounded number of masks stay.
    for (int i = 0; i < 500; ++i)
        ImageManager::createMaskWithPoint(ImageTest::solidImage(kSmall, QColor(i % 256, i / 256, 0)), QPoint(0, 0));
    const int kept = ImageManagerInternals::maskCacheCount();
    QVERIFY2(kept <= 64, qPrintable(QString::number(kept)));
}

void TestImageManager::concurrentUseKeepsCacheConsistent()
{
    const int threads = 4;
    const int rounds = 400;
    const int names = 20;
    manager()->setCacheLimit(10 * kSmallCost);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([this, t] {
            const QImage image = ImageTest::solidImage(kSmall, QColor(t * 40, 0, 0));
            for (int i = 0; i < rounds; ++i) {
                const QString name = QString::number((i * 7 + t) % names);
                if (manager()->getImage(name).isNull())
                    manager()->addImage(name, image);
            }
        });
    }
    for (std::thread &worker : workers)
        worker.join();

    const ImageManagerInternals::Statistics stats = ImageManagerInternals::statistics();
    QCOMPARE(stats.hits + stats.misses, quint64(threads * rounds));
    QCOMPARE(stats.adds, stats.misses);
    QCOMPARE(manager()->cacheCost(), manager()->cacheCount() * kSmallCost);
    int held = 0;
    for (int i = 0; i < names; ++i)
        held += manager()->getImage(QString::number(i)).isNull() ? 0 : 1;
    QCOMPARE(held, manager()->cacheCount());
    QVERIFY(held <= 10);
}

QTEST_MAIN(TestImageManager)
#include "tst_imagemanager.moc"
