// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Random core names through the product page, decoded by a real web server's standard parser; format lookalikes verbatim.
#include "ReliabilitySupport.h"
#include "RecordingHelpManager.h"
#include "ViewerTestSupport.h"
#include "WebpageChild.h"

#include <Kel_ProductWebpage.h>
#include <Kel_Utility.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QLoggingCategory>
#include <QtCore/QProcess>
#include <QtCore/QRandomGenerator>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtCore/QUrl>
#include <QtCore/QUrlQuery>
#include <QtTest/QtTest>

namespace {

constexpr int kNames = 10000;
constexpr int kFetchWaitMs = 120000;
const QString kFetchScript = QStringLiteral(KEL_PRODUCT_PAGE_FETCH);
const QString kLookupPath = QStringLiteral("/cgi-bin/iplicense/locate_core_website.pl");
const QByteArray kTestSite("http://kel-test.invalid");

struct CoreName
{
    QString full;
    QString name;
    QString version;
};

// Pieces of names: every printable ASCII character one by one, query and
// format syntax, controls, and letters beyond ASCII and beyond the BMP.
QStringList namePieces()
{
    QStringList pieces;
    for (char c = 0x20; c < 0x7f; ++c)
        pieces << QString(QLatin1Char(c));
    pieces << QStringLiteral("%1") << QStringLiteral("%2") << QStringLiteral("%s") << QStringLiteral("%n")
           << QStringLiteral("%%") << QStringLiteral("%41") << QStringLiteral("&x=") << QStringLiteral("+")
           << QStringLiteral("\t") << QStringLiteral("\n") << QStringLiteral("\r") << QStringLiteral("\x01")
           << QStringLiteral("\x7f") << QStringLiteral("\u00fc") << QStringLiteral("\u2192") << QStringLiteral("\u6838")
           << QStringLiteral("\U0001F600") << QStringLiteral("\ufeff") << QStringLiteral("\u2028")
           << QStringLiteral("e\u0301") << QStringLiteral("_") << QStringLiteral("__");
    return pieces;
}

QString randomText(QRandomGenerator &random, const QStringList &pieces, int most)
{
    QString text;
    const int count = int(random.bounded(most + 1));
    for (int i = 0; i < count; ++i)
        text += pieces.at(int(random.bounded(pieces.size())));
    return text;
}

// A name whose parts the test knows without asking the library: the core
// name holds no "_v", so the first "_v" is the one the test put there.
CoreName randomCoreName(QRandomGenerator &random, const QStringList &pieces)
{
    CoreName core;
    core.name = randomText(random, pieces, 8);
    while (core.name.contains(QLatin1String("_v")))
        core.name.replace(QLatin1String("_v"), QLatin1String("_w"));
    core.full = core.name;
    if (random.bounded(4) != 0) {
        const QString rawVersion = randomText(random, pieces, 5);
        core.full += QLatin1String("_v") + rawVersion;
        core.version = rawVersion;
        core.version.replace(QLatin1Char('_'), QLatin1Char('.'));
    }
    return core;
}

// The one value of field, or a note of what came instead.
QString singleValue(const QJsonObject &query, const char *field)
{
    const QJsonArray values = query.value(QLatin1String(field)).toArray();
    if (values.size() != 1)
        return QLatin1String("<") + QString::number(values.size()) + QLatin1String(" values>");
    return values.at(0).toString();
}

} // namespace

class TestProductPageValues : public QObject
{
    Q_OBJECT

private slots:
    void randomNamesArriveEqual();
    void formatLookalikesShownVerbatim_data();
    void formatLookalikesShownVerbatim();
};

void TestProductPageValues::randomNamesArriveEqual()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed: no web server with a standard query parser");
    KelTest::ScopedConfigHome home;
    KelTest::ScopedEnvironmentVariable site("DRV_TESTSITE", kTestSite);
    KelTest::RecordingHelpManager browser;
    browser.install();
    QRandomGenerator random(90210);
    const QStringList pieces = namePieces();

    QElapsedTimer timer;
    timer.start();
    QVector<CoreName> names;
    // Ten thousand log lines would drown the test log; formatLookalikesShownVerbatim checks them.
    QLoggingCategory::setFilterRules(QStringLiteral("utility.info=false"));
    for (int i = 0; i < kNames; ++i) {
        names << randomCoreName(random, pieces);
        Kel::ProductWebpage::View(Kel::Utility::QStringToPortString(names.last().full));
    }
    QLoggingCategory::setFilterRules(QString());
    const qint64 viewMs = timer.elapsed();
    QCOMPARE(browser.urls.size(), kNames);

    QTemporaryDir dir;
    const QString urlFile = dir.filePath(QStringLiteral("urls.txt"));
    const QString resultFile = dir.filePath(QStringLiteral("results.jsonl"));
    {
        QFile out(urlFile);
        QVERIFY(out.open(QIODevice::WriteOnly));
        for (const QString &url : browser.urls) {
            // A URL with a raw blank or line break would not even reach the server whole.
            QVERIFY2(!url.contains(QRegularExpression(QStringLiteral("\\s"))), qPrintable(url));
            out.write(url.toUtf8() + '\n');
        }
    }
    QProcess fetch;
    fetch.setProcessChannelMode(QProcess::ForwardedChannels);
    fetch.start(python, {kFetchScript, urlFile, resultFile});
    QVERIFY(fetch.waitForFinished(kFetchWaitMs));
    QCOMPARE(fetch.exitCode(), 0);
    const qint64 totalMs = timer.elapsed();

    QFile results(resultFile);
    QVERIFY(results.open(QIODevice::ReadOnly));
    int equal = 0;
    QString firstDifference;
    for (int i = 0; i < kNames; ++i) {
        const QJsonObject answer = QJsonDocument::fromJson(results.readLine()).object();
        const QJsonObject query = answer.value(QStringLiteral("query")).toObject();
        const CoreName &core = names.at(i);
        const bool same = answer.value(QStringLiteral("path")).toString() == kLookupPath && query.size() == 4
                          && singleValue(query, "core_name") == core.name
                          && singleValue(query, "core_ver") == core.version
                          && singleValue(query, "core_full_name") == core.full
                          && singleValue(query, "locale") == QLatin1String("en");
        if (same)
            ++equal;
        else if (firstDifference.isEmpty())
            firstDifference = core.full + QLatin1String(" -> ") + browser.urls.at(i) + QLatin1String(" -> ")
                              + QString::fromUtf8(QJsonDocument(answer).toJson(QJsonDocument::Compact));
    }
    KelTest::figure(QString::number(kNames) + QLatin1String(" random core names through the product page: ")
                    + QString::number(equal) + QLatin1String(" decoded by the server equal to their input, ")
                    + QString::number(kNames - equal) + QLatin1String(" different; URLs built in ")
                    + QString::number(viewMs) + QLatin1String(" ms, all fetched after ")
                    + QString::number(totalMs) + QLatin1String(" ms"));
    QVERIFY2(firstDifference.isEmpty(), qPrintable(firstDifference));
    QCOMPARE(equal, kNames);
}

void TestProductPageValues::formatLookalikesShownVerbatim_data()
{
    QTest::addColumn<QString>("fullName");
    QTest::newRow("placeholders and conversions") << QStringLiteral("%1 %2 %s %n");
    QTest::newRow("conversions in the version") << QStringLiteral("%s%s%s%s_v%n_%1");
    QTest::newRow("wide and precise") << QStringLiteral("%999999999s %.99999f %p %x");
    QTest::newRow("escaped percent and braces") << QStringLiteral("%% {0} {} %%1");
    QTest::newRow("percent-encoded lookalike") << QStringLiteral("%41%2F%00_v%25");
}

// What the browser gets decodes to the name, and the log line of the
// "utility" category shows exactly that URL.
void TestProductPageValues::formatLookalikesShownVerbatim()
{
    QFETCH(QString, fullName);
    KelTest::ScopedConfigHome home;
    KelTest::ScopedEnvironmentVariable site("DRV_TESTSITE", kTestSite);
    KelTest::RecordingHelpManager browser;
    browser.install();
    KelTest::LogCapture logs;
    KelTest::LogCapture::clear();

    Kel::ProductWebpage::View(Kel::Utility::QStringToPortString(fullName));

    QCOMPARE(browser.urls.size(), 1);
    const QString url = browser.urls.first();
    const QUrlQuery query(QUrl(url, QUrl::StrictMode).query(QUrl::FullyEncoded));
    QCOMPARE(query.queryItemValue(QStringLiteral("core_full_name"), QUrl::FullyDecoded), fullName);
    QCOMPARE(KelTest::LogCapture::messages(), QStringList{QLatin1String("Opening: '") + url + QLatin1Char('\'')});
}

QTEST_GUILESS_MAIN(TestProductPageValues)
#include "tst_productpagevalues.moc"
