// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Kel::ImageUtil: where pixmaps and icons come from, what each request costs, masks.
#include "ImageTestFiles.h"
#include "ImageManagerInternals.h"

#include <Gui/Wisp/ImageManager.h>
#include <Kel_ImageUtil.h>

#include <QtCore/QTemporaryDir>
#include <QtGui/QBitmap>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtTest/QtTest>

using Gui::Wisp::ImageManager;
using Gui::Wisp::ImageManagerInternals;
using ImageTest::str;
using Kel::ImageUtil;

namespace {

const QSize kSize(4, 4);

struct Counts
{
    quint64 hits, misses, loads, adds;
};

} // namespace

class TestImageUtil : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void requestCosts_data();
    void requestCosts();
    void preference_data();
    void preference();
    void maskOnEveryRequest_data();
    void maskOnEveryRequest();
    void iconFromCachedImage_data();
    void iconFromCachedImage();

private:
    ImageManager *manager() const { return ImageManager::getInstance(); }
    QString root() const { return m_dir.path() + QLatin1String("/root"); }
    QString cwd() const { return m_dir.path() + QLatin1String("/cwd"); }
    // "product:a.png", "shared:a.png" or "path:a.png" (the working directory) as a file path.
    QString placed(const QString &where) const;
    void compareCounts(const Counts &expected);

    QTemporaryDir m_dir;
    QString m_startDir;
};

QString TestImageUtil::placed(const QString &where) const
{
    const QString file = where.section(QLatin1Char(':'), 1);
    if (where.startsWith(QLatin1String("product:")))
        return root() + QLatin1String("/molvane/images/") + file;
    if (where.startsWith(QLatin1String("shared:")))
        return root() + QLatin1String("/quillan/image/") + file;
    return cwd() + QLatin1Char('/') + file;
}

void TestImageUtil::compareCounts(const Counts &expected)
{
    const ImageManagerInternals::Statistics stats = ImageManagerInternals::statistics();
    QCOMPARE(stats.hits, expected.hits);
    QCOMPARE(stats.misses, expected.misses);
    QCOMPARE(stats.loads, expected.loads);
    QCOMPARE(stats.adds, expected.adds);
}

void TestImageUtil::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_startDir = QDir::currentPath();
}

void TestImageUtil::init()
{
    manager()->clearCache();
    manager()->setCacheLimit(ImageManager::DefaultCacheLimitBytes);
    ImageManagerInternals::resetStatistics();
    ImageManager::setImageRoots({root()});
    // An empty working directory: names tried as paths find only what a test puts there.
    QVERIFY(QDir().mkpath(cwd()));
    QVERIFY(QDir::setCurrent(cwd()));
}

void TestImageUtil::cleanup()
{
    QDir::setCurrent(m_startDir);
    QDir(root()).removeRecursively();
    QDir(cwd()).removeRecursively();
}

void TestImageUtil::requestCosts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file"); // empty: no file anywhere
    QTest::addColumn<int>("firstLoads");

    QTest::newRow("product folder") << str("alpha") << str("product:alpha.png") << 1;
    QTest::newRow("working directory") << str("beta.bmp") << str("path:beta.bmp") << 2;
    QTest::newRow("shared folder only") << str("gamma") << str("shared:gamma.gif") << 3;
    QTest::newRow("nowhere") << str("delta") << QString() << 3;
    QTest::newRow("empty name in the product folder") << QString() << str("product:.jpg") << 1;
    QTest::newRow("empty name nowhere") << QString() << QString() << 3;
}

void TestImageUtil::requestCosts()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QFETCH(int, firstLoads);
    const bool exists = !file.isEmpty();
    if (exists)
        QVERIFY(ImageTest::writeImage(placed(file), ImageTest::solidImage(kSize, Qt::red)));

    QCOMPARE(ImageUtil::GetPixmap(name, false).isNull(), !exists);
    compareCounts({0, 1, quint64(firstLoads), exists ? 1u : 0u});
    QCOMPARE(manager()->cacheCount(), exists ? 1 : 0);
    ImageManagerInternals::resetStatistics();

    // A cached name is neither loaded nor added again; a missing one is
    // searched for again, since it may have appeared since.
    QCOMPARE(ImageUtil::GetPixmap(name, false).isNull(), !exists);
    if (exists)
        compareCounts({1, 0, 0, 0});
    else
        compareCounts({0, 1, 3, 0});
}

void TestImageUtil::preference_data()
{
    QTest::addColumn<QString>("files"); // "place:file=colour" separated by ';'
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("product folder before working directory")
        << str("product:n.png=red;path:n.png=lime") << str("n.png") << str("red");
    QTest::newRow("working directory before shared folder")
        << str("path:n.png=lime;shared:n.png=blue") << str("n.png") << str("lime");
    QTest::newRow("bmp before png") << str("product:n.png=red;product:n.bmp=blue") << str("n") << str("blue");
    QTest::newRow("gif before png") << str("product:n.png=blue;product:n.gif=red") << str("n") << str("red");
}

void TestImageUtil::preference()
{
    QFETCH(QString, files);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    for (const QString &file : files.split(QLatin1Char(';'))) {
        const QStringList parts = file.split(QLatin1Char('='));
        QVERIFY(ImageTest::writeImage(placed(parts.at(0)), ImageTest::solidImage(kSize, QColor(parts.at(1)))));
    }
    const QPixmap pixmap = ImageUtil::GetPixmap(name, false);
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.toImage().pixelColor(0, 0).name(), QColor(expected).name());
}

void TestImageUtil::maskOnEveryRequest_data()
{
    QTest::addColumn<bool>("firstMask");
    QTest::addColumn<bool>("secondMask");

    QTest::newRow("mask, then mask from the cache") << true << true;
    QTest::newRow("no mask, then mask from the cache") << false << true;
    QTest::newRow("mask, then no mask from the cache") << true << false;
}

void TestImageUtil::maskOnEveryRequest()
{
    QFETCH(bool, firstMask);
    QFETCH(bool, secondMask);
    // White in two corners, blue elsewhere: with the mask both white pixels vanish.
    QVERIFY(ImageTest::writeImage(placed(str("product:masked.png")),
                                  ImageTest::cornerImage(kSize, Qt::white, Qt::blue)));

    for (const bool mask : {firstMask, secondMask}) {
        const QPixmap pixmap = ImageUtil::GetPixmap(str("masked"), mask);
        QCOMPARE(pixmap.mask().isNull(), !mask);
        const QImage shown = pixmap.toImage();
        QCOMPARE(qAlpha(shown.pixel(0, 0)), mask ? 0 : 255);
        QCOMPARE(qAlpha(shown.pixel(kSize.width() - 1, kSize.height() - 1)), mask ? 0 : 255);
        QCOMPARE(shown.pixel(1, 1), QColor(Qt::blue).rgba());
    }
    compareCounts({1, 1, 1, 1});
}

void TestImageUtil::iconFromCachedImage_data()
{
    QTest::addColumn<bool>("mask");
    QTest::addColumn<bool>("exists");

    QTest::newRow("without mask") << false << true;
    QTest::newRow("with mask") << true << true;
    QTest::newRow("unknown name") << true << false;
}

void TestImageUtil::iconFromCachedImage()
{
    QFETCH(bool, mask);
    QFETCH(bool, exists);
    if (exists)
        QVERIFY(ImageTest::writeImage(placed(str("shared:icon.bmp")), ImageTest::cornerImage(kSize, Qt::white, Qt::blue)));

    const QIcon icon = ImageUtil::GetIcon(str("icon"), mask);
    QCOMPARE(icon.isNull(), !exists);
    compareCounts({0, 1, 3, exists ? 1u : 0u});
    if (!exists)
        return;
    // The icon is made from the cached image, which never carries the mask.
    QCOMPARE(icon.pixmap(kSize).toImage().pixel(0, 0), QColor(Qt::white).rgba());
    ImageManagerInternals::resetStatistics();
    QVERIFY(!ImageUtil::GetIcon(str("icon"), !mask).isNull());
    compareCounts({1, 0, 0, 0});
}

QTEST_MAIN(TestImageUtil)
#include "tst_imageutil.moc"
