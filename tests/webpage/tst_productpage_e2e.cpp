// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// End to end: the product page request, fetched by a real user-defined browser (curl), decoded by a local web server.
#include "ViewerTestSupport.h"
#include "WebpageChild.h"

#include <QtCore/QElapsedTimer>
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

namespace {

const QString kServerScript = QStringLiteral(KEL_QUERY_ECHO_SERVER);
const QString kLookupPath = QStringLiteral("/cgi-bin/iplicense/locate_core_website.pl");
// curl fetches the page and throws it away; no shell is involved.
const QString kBrowserCommand = QStringLiteral("curl -s -o /dev/null %1");
constexpr int kServerStartMs = 10000;
constexpr int kRequestWaitMs = 15000;
constexpr int kPollMs = 50;

// The server's record of the one request that reached it, or an empty object.
QJsonObject waitForRequest(const QString &recordFile)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kRequestWaitMs) {
        QFile file(recordFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QByteArray line = file.readLine();
            if (line.endsWith('\n'))
                return QJsonDocument::fromJson(line).object();
        }
        QThread::msleep(kPollMs);
    }
    return QJsonObject();
}

// Each field's single decoded value; a field that came split or repeated shows as such.
QMap<QString, QStringList> decodedFields(const QJsonObject &query)
{
    QMap<QString, QStringList> fields;
    for (auto it = query.begin(); it != query.end(); ++it) {
        for (const QJsonValue &value : it.value().toArray())
            fields[it.key()] << value.toString();
    }
    return fields;
}

} // namespace

class TestProductPageEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void valuesArriveDecoded_data();
    void valuesArriveDecoded();

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_recordFile;
    QString m_site;
};

void TestProductPageEndToEnd::initTestCase()
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        QSKIP("python3 is not installed: no local web server for the end-to-end test");
    if (QStandardPaths::findExecutable(QStringLiteral("curl")).isEmpty())
        QSKIP("curl is not installed: no real browser stand-in for the end-to-end test");

    m_recordFile = m_dir.path() + QLatin1String("/requests.jsonl");
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(python, {kServerScript, m_recordFile});
    QVERIFY2(m_server.waitForStarted(kServerStartMs), "the local web server did not start");
    QElapsedTimer timer;
    timer.start();
    while (!m_server.canReadLine() && timer.elapsed() < kServerStartMs)
        m_server.waitForReadyRead(kPollMs);
    bool ok = false;
    const int port = m_server.readLine().trimmed().toInt(&ok);
    QVERIFY2(ok && port > 0, "the local web server did not name its port");
    m_site = QStringLiteral("http://127.0.0.1:") + QString::number(port);
}

void TestProductPageEndToEnd::cleanupTestCase()
{
    if (m_server.state() != QProcess::NotRunning) {
        m_server.kill();
        m_server.waitForFinished(kServerStartMs);
    }
}

void TestProductPageEndToEnd::valuesArriveDecoded_data()
{
    QTest::addColumn<QString>("fullName");
    QTest::addColumn<QString>("coreName");
    QTest::addColumn<QString>("coreVersion");

    QTest::newRow("plain") << QStringLiteral("fir_v1_2") << QStringLiteral("fir") << QStringLiteral("1.2");
    QTest::newRow("queryDelimiters") << QStringLiteral("a&b=c#d e_v1_0") << QStringLiteral("a&b=c#d e")
                                     << QStringLiteral("1.0");
    QTest::newRow("plusAndBlanks") << QStringLiteral("c++ core  x_v2") << QStringLiteral("c++ core  x")
                                   << QStringLiteral("2");
    QTest::newRow("utf8") << QStringLiteral("Prüf→核_v3_1") << QStringLiteral("Prüf→核") << QStringLiteral("3.1");
    QTest::newRow("percentAndFormat") << QStringLiteral("%1 %s %41_v1") << QStringLiteral("%1 %s %41")
                                      << QStringLiteral("1");
    QTest::newRow("noVersion") << QStringLiteral("it's #1") << QStringLiteral("it's #1") << QString();
}

void TestProductPageEndToEnd::valuesArriveDecoded()
{
    QFETCH(QString, fullName);
    QFETCH(QString, coreName);
    QFETCH(QString, coreVersion);

    QFile::remove(m_recordFile);
    KelTest::ScopedConfigHome home;  // the child reads this store
    KelTest::useUserDefined(KelTest::Viewer::Web, kBrowserCommand);

    const QString english = QStringLiteral("en_US.UTF-8");
    const QString local = QStringLiteral("127.0.0.1");
    const KelTest::ChildResult child = KelTest::runSelf(
        {QLatin1String(KelTest::ViewStoredBrowserRole), KelTest::hexArgument(fullName)},
        {{QStringLiteral("LC_ALL"), english},
         {QStringLiteral("LANG"), english},
         {QStringLiteral("DRV_TESTSITE"), m_site},
         {QStringLiteral("no_proxy"), local},
         {QStringLiteral("NO_PROXY"), local}},
        {QStringLiteral("LANGUAGE")});
    QVERIFY(child.finished);
    QCOMPARE(child.exitCode, 0);

    const QJsonObject request = waitForRequest(m_recordFile);
    QVERIFY2(!request.isEmpty(), "no request reached the local web server");
    QCOMPARE(request.value(QStringLiteral("path")).toString(), kLookupPath);
    QMap<QString, QStringList> expected;
    expected[QStringLiteral("core_name")] << coreName;
    expected[QStringLiteral("core_ver")] << coreVersion;
    expected[QStringLiteral("core_full_name")] << fullName;
    expected[QStringLiteral("locale")] << QStringLiteral("en");
    QCOMPARE(decodedFields(request.value(QStringLiteral("query")).toObject()), expected);
}

KEL_WEBPAGE_TEST_MAIN(TestProductPageEndToEnd)
#include "tst_productpage_e2e.moc"
