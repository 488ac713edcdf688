// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of the product page: host and locale code by system locale, the test site, the encoded query, and its log line.
#include "ArgRecorder.h"
#include "RecordingHelpManager.h"
#include "ViewerTestSupport.h"
#include "WebpageChild.h"

#include <Kel_ProductWebpage.h>

#include <QtCore/QTemporaryDir>
#include <QtCore/QUrl>
#include <QtTest/QtTest>

namespace {

const QString kLookupPath = QStringLiteral("/cgi-bin/iplicense/locate_core_website.pl?");
const QString kMainHost = QStringLiteral("http://www.dravel.com");
const QString kChinaHost = QStringLiteral("http://china.dravel.com");
const QString kJapanHost = QStringLiteral("http://japan.dravel.com");
const QString kTestSite = QStringLiteral("http://testsite.example:8080/mirror");
constexpr char kTestSiteVariable[] = "DRV_TESTSITE";
const QString kCoreFullName = QStringLiteral("fir_v1_2");
const QString kCoreQuery = QStringLiteral("core_name=fir&core_ver=1.2&core_full_name=fir_v1_2&locale=");
// Locale of the query-value rows, where only the name matters.
constexpr char kEnglishLocale[] = "en_US.UTF-8";

enum class Site { Unset, Empty, Set };

QString siteName(Site site)
{
    switch (site) {
    case Site::Unset:
        return QStringLiteral("unset");
    case Site::Empty:
        return QStringLiteral("empty");
    case Site::Set:
        break;
    }
    return QStringLiteral("set");
}

// Opens fullName's page in a child under locale and reports what it did.
QMap<QByteArray, QStringList> viewInChild(const QString &fullName, const QByteArray &locale, Site site,
                                          const QString &testSite = kTestSite)
{
    const QString localeName = QString::fromLatin1(locale);
    QList<QPair<QString, QString>> env{{QStringLiteral("LC_ALL"), localeName},
                                       {QStringLiteral("LANG"), localeName},
                                       {QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("utility.info=true")}};
    QStringList unset{QStringLiteral("LANGUAGE")};
    if (site == Site::Unset)
        unset << QLatin1String(kTestSiteVariable);
    else
        env.append({QLatin1String(kTestSiteVariable), site == Site::Set ? testSite : QString()});
    const KelTest::ChildResult child =
        KelTest::runSelf({QLatin1String(KelTest::ViewRole), KelTest::hexArgument(fullName)}, env, unset);
    if (!child.finished || child.exitCode != 0)
        return {};
    return KelTest::parseReport(child.out);
}

QByteArray describeLocale(const QMap<QByteArray, QStringList> &report)
{
    return (QStringLiteral("QLocale::system() gave ") + report.value("localeName").join(QLatin1Char(','))
            + QLatin1String(" / ") + report.value("language").join(QLatin1Char(',')) + QLatin1String(" / ")
            + report.value("territory").join(QLatin1Char(',')))
        .toUtf8();
}

// The decoded value of each query field, in order of appearance.
QList<QPair<QString, QString>> queryFields(const QString &url)
{
    QList<QPair<QString, QString>> fields;
    const QString query = url.mid(url.indexOf(QLatin1Char('?')) + 1);
    for (const QString &field : query.split(QLatin1Char('&'))) {
        const int eq = field.indexOf(QLatin1Char('='));
        fields.append({field.left(eq), QUrl::fromPercentEncoding(field.mid(eq + 1).toLatin1())});
    }
    return fields;
}

// Only unreserved characters and %XX may appear in a query value.
bool isStrictlyEncoded(const QString &value)
{
    static const QString unreserved = QStringLiteral("-._~");
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('%')) {
            bool ok = false;
            value.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok || value.mid(i + 1, 2) != value.mid(i + 1, 2).toUpper())
                return false;
            i += 2;
        } else if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || unreserved.contains(c)))) {
            return false;
        }
    }
    return true;
}

QString openingLine(const QString &url)
{
    return QLatin1String("Opening: '") + url + QLatin1Char('\'');
}

} // namespace

Q_DECLARE_METATYPE(Site)

class TestProductWebpage : public QObject
{
    Q_OBJECT

private slots:
    void hostAndLocaleBySystemLocale_data();
    void hostAndLocaleBySystemLocale();
    void queryValues_data();
    void queryValues();
    void userDefinedBrowserGetsLoggedUrl();
    void browserFailureIsReported();
};

void TestProductWebpage::hostAndLocaleBySystemLocale_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<Site>("site");
    QTest::addColumn<QString>("expectedBase");
    QTest::addColumn<QString>("expectedCode");

    struct Row
    {
        const char *locale;
        QString host;
        const char *code;
    };
    // The language decides before the country: Chinese in Taiwan is "cn",
    // Japanese in Taiwan is "tw" yet still goes to the Japanese host.
    const Row rows[] = {
        {"zh_CN.UTF-8", kChinaHost, "cn"}, {"zh_TW.UTF-8", kChinaHost, "cn"}, {"ja_TW.UTF-8", kJapanHost, "tw"},
        {"ko_KR.UTF-8", kMainHost, "kr"},  {"ja_JP.UTF-8", kJapanHost, "jp"}, {"de_DE.UTF-8", kMainHost, "en"},
        {"en_US.UTF-8", kMainHost, "en"},
    };
    for (const Row &row : rows) {
        for (Site site : {Site::Unset, Site::Empty, Site::Set}) {
            // The test site is taken as it stands, even empty.
            const QString base = site == Site::Unset ? row.host : site == Site::Set ? kTestSite : QString();
            QTest::addRow("%s/site-%s", row.locale, qPrintable(siteName(site)))
                << QByteArray(row.locale) << site << base << QString::fromLatin1(row.code);
        }
    }
}

void TestProductWebpage::hostAndLocaleBySystemLocale()
{
    QFETCH(QByteArray, locale);
    QFETCH(Site, site);
    QFETCH(QString, expectedBase);
    QFETCH(QString, expectedCode);

    const QMap<QByteArray, QStringList> report = viewInChild(kCoreFullName, locale, site);
    QVERIFY2(!report.isEmpty(), "the child did not report");
    const QString expectedUrl = expectedBase + kLookupPath + kCoreQuery + expectedCode;
    QVERIFY2(report.value("url") == QStringList{expectedUrl},
             (QByteArray("url ") + report.value("url").join(QLatin1Char(' ')).toUtf8() + "; "
              + describeLocale(report))
                 .constData());
}

void TestProductWebpage::queryValues_data()
{
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<QString>("expectedQuery");
    QTest::addColumn<QString>("coreName");
    QTest::addColumn<QString>("coreVersion");

    QTest::newRow("version") << QStringLiteral("name_v1_2")
                             << QStringLiteral("core_name=name&core_ver=1.2&core_full_name=name_v1_2")
                             << QStringLiteral("name") << QStringLiteral("1.2");
    QTest::newRow("threePartVersion") << QStringLiteral("name_v2_0_1")
                                      << QStringLiteral("core_name=name&core_ver=2.0.1&core_full_name=name_v2_0_1")
                                      << QStringLiteral("name") << QStringLiteral("2.0.1");
    QTest::newRow("splitAtFirstMarker") << QStringLiteral("a_vb_v1_0")
                                        << QStringLiteral("core_name=a&core_ver=b.v1.0&core_full_name=a_vb_v1_0")
                                        << QStringLiteral("a") << QStringLiteral("b.v1.0");
    QTest::newRow("upperCaseMarkerNoSplit") << QStringLiteral("Name_V1_0")
                                            << QStringLiteral("core_name=Name_V1_0&core_ver=&core_full_name=Name_V1_0")
                                            << QStringLiteral("Name_V1_0") << QString();
    QTest::newRow("markerAtEnd") << QStringLiteral("name_v")
                                 << QStringLiteral("core_name=name&core_ver=&core_full_name=name_v")
                                 << QStringLiteral("name") << QString();
    QTest::newRow("markerAtStart") << QStringLiteral("_v1_0")
                                   << QStringLiteral("core_name=&core_ver=1.0&core_full_name=_v1_0") << QString()
                                   << QStringLiteral("1.0");
    QTest::newRow("noMarker") << QStringLiteral("plain") << QStringLiteral("core_name=plain&core_ver=&core_full_name=plain")
                              << QStringLiteral("plain") << QString();
    QTest::newRow("empty") << QString() << QStringLiteral("core_name=&core_ver=&core_full_name=") << QString()
                           << QString();
    QTest::newRow("queryDelimiters")
        << QStringLiteral("a&b=c#d e_v1_0")
        << QStringLiteral("core_name=a%26b%3Dc%23d%20e&core_ver=1.0&core_full_name=a%26b%3Dc%23d%20e_v1_0")
        << QStringLiteral("a&b=c#d e") << QStringLiteral("1.0");
    QTest::newRow("formatDirectives")
        << QStringLiteral("%1 %2 %s %n_v1")
        << QStringLiteral("core_name=%251%20%252%20%25s%20%25n&core_ver=1&core_full_name=%251%20%252%20%25s%20%25n_v1")
        << QStringLiteral("%1 %2 %s %n") << QStringLiteral("1");
    QTest::newRow("nonAscii")
        << QStringLiteral("Prüf→核_v3_1")
        << QStringLiteral("core_name=Pr%C3%BCf%E2%86%92%E6%A0%B8&core_ver=3.1&core_full_name=Pr%C3%BCf%E2%86%92%E6%A0%B8_v3_1")
        << QStringLiteral("Prüf→核") << QStringLiteral("3.1");
    QTest::newRow("emojiAndCombiningMark")
        << QString::fromUtf8("\u65e5\u672c\U0001F600e\u0301_v2")
        << QStringLiteral("core_name=%E6%97%A5%E6%9C%AC%F0%9F%98%80e%CC%81&core_ver=2"
                          "&core_full_name=%E6%97%A5%E6%9C%AC%F0%9F%98%80e%CC%81_v2")
        << QString::fromUtf8("\u65e5\u672c\U0001F600e\u0301") << QStringLiteral("2");
    // '+' would read as a blank on the server if it went unencoded.
    QTest::newRow("plusSigns") << QStringLiteral("c++_v1") << QStringLiteral("core_name=c%2B%2B&core_ver=1&core_full_name=c%2B%2B_v1")
                               << QStringLiteral("c++") << QStringLiteral("1");
    QTest::newRow("pathAndQuestionMark") << QStringLiteral("x_v1/2?y")
                                         << QStringLiteral("core_name=x&core_ver=1%2F2%3Fy&core_full_name=x_v1%2F2%3Fy")
                                         << QStringLiteral("x") << QStringLiteral("1/2?y");
    QTest::newRow("quoteOfLogLine") << QStringLiteral("it's_v1")
                                    << QStringLiteral("core_name=it%27s&core_ver=1&core_full_name=it%27s_v1")
                                    << QStringLiteral("it's") << QStringLiteral("1");
    QTest::newRow("unreservedKept") << QStringLiteral("a~b-c.d_v1")
                                    << QStringLiteral("core_name=a~b-c.d&core_ver=1&core_full_name=a~b-c.d_v1")
                                    << QStringLiteral("a~b-c.d") << QStringLiteral("1");
}

// The name arrives as the value it is; the log line shows the URL as sent,
// and is written before the browser is asked.
void TestProductWebpage::queryValues()
{
    QFETCH(QString, fullName);
    QFETCH(QString, expectedQuery);
    QFETCH(QString, coreName);
    QFETCH(QString, coreVersion);

    const QMap<QByteArray, QStringList> report = viewInChild(fullName, kEnglishLocale, Site::Set);
    QVERIFY2(!report.isEmpty(), "the child did not report");
    const QString url = kTestSite + kLookupPath + expectedQuery + QLatin1String("&locale=en");
    QCOMPARE(report.value("url"), QStringList{url});
    QCOMPARE(report.value("log"), QStringList{openingLine(url)});
    QCOMPARE(report.value("logsBeforeBrowser"), QStringList{QStringLiteral("1")});

    const QList<QPair<QString, QString>> fields = queryFields(url);
    const QList<QPair<QString, QString>> expected{{QStringLiteral("core_name"), coreName},
                                                  {QStringLiteral("core_ver"), coreVersion},
                                                  {QStringLiteral("core_full_name"), fullName},
                                                  {QStringLiteral("locale"), QStringLiteral("en")}};
    QCOMPARE(fields, expected);
    for (const QString &field : url.mid(url.indexOf(QLatin1Char('?')) + 1).split(QLatin1Char('&')))
        QVERIFY2(isStrictlyEncoded(field.mid(field.indexOf(QLatin1Char('=')) + 1)), qPrintable(field));
}

// A user-defined browser gets exactly the URL of the log line, as one argument.
void TestProductWebpage::userDefinedBrowserGetsLoggedUrl()
{
    QVERIFY2(QFile::exists(KelTest::argRecorderPath()), "kel_argrecorder is not built beside the tests");
    KelTest::ScopedConfigHome home;
    QTemporaryDir dir;
    const QString recordFile = dir.path() + QLatin1String("/args.rec");
    KelTest::ScopedEnvironmentVariable record(KelTest::ArgRecorderOutVariable, QFile::encodeName(recordFile));
    KelTest::ScopedEnvironmentVariable site(kTestSiteVariable, kTestSite.toUtf8());
    KelTest::useUserDefined(KelTest::Viewer::Web, KelTest::argRecorderPath() + QLatin1String(" %1"));
    KelTest::LogCapture logs;
    KelTest::LogCapture::clear();

    Kel::ProductWebpage::View(Kel::Utility::QStringToPortString(QStringLiteral("a&b c_v1_0")));

    const QList<QByteArray> records = KelTest::waitForArgRecords(recordFile, 1);
    QCOMPARE(records.size(), 1);
    const QString url = QString::fromUtf8(records.first());
    QVERIFY2(url.startsWith(kTestSite + kLookupPath
                            + QLatin1String("core_name=a%26b%20c&core_ver=1.0&core_full_name=a%26b%20c_v1_0&locale=")),
             qPrintable(url));
    QCOMPARE(KelTest::LogCapture::messages(), QStringList{openingLine(url)});
}

// The page is still logged when the browser fails; the failure is the browser's warning.
void TestProductWebpage::browserFailureIsReported()
{
    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder recorder;
    KelTest::RecordingHelpManager manager;
    manager.runSucceeds = false;
    manager.install();
    KelTest::LogCapture logs;
    KelTest::LogCapture::clear();

    Kel::ProductWebpage::View(Kel::Utility::QStringToPortString(kCoreFullName));

    QCOMPARE(manager.urls.size(), 1);
    QCOMPARE(KelTest::LogCapture::messages(), QStringList{openingLine(manager.urls.first())});
    QCOMPARE(recorder.lines(), QStringList{QStringLiteral("241:Unable to launch web browser")});
}

KEL_WEBPAGE_TEST_MAIN(TestProductWebpage)
#include "tst_productwebpage.moc"
