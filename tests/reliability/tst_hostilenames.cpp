// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Hostile file names and URLs through the viewers, shell payloads, and a window probe planted in the working directory.
#include "ArgRecorder.h"
#include "ReliabilitySupport.h"
#include "ViewerTestSupport.h"
#include "WindowProbe.h"
#include "Kel_UserSettingsInternal.h"

#include <Kel_UserSettings.h>
#include <Kel_Utility.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QLoggingCategory>
#include <QtCore/QRandomGenerator>
#include <QtCore/QScopeGuard>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <algorithm>

using KelTest::Viewer;

namespace {

// Every start of the stand-in begins with this argument, so the records of
// one start can be told from the next.
constexpr char kStartMarker[] = "kel-begin";
#if defined(Q_OS_WIN)
// Each start of a program costs more than half a second under wine.
constexpr int kGeneratedPerViewer = 250;
#else
constexpr int kGeneratedPerViewer = 5000;
#endif
constexpr int kAllRecordedWaitMs = 120000;
constexpr unsigned kRefusedLine = 307;
const QString kUrl = QStringLiteral("http://host/page");

// Pieces that have broken launchers: blanks, quotes, backslashes before
// quotes, placeholders and printf conversions, line breaks, options, shell and
// cmd.exe syntax, non-ASCII letters.
QStringList hostilePieces(const QString &marker)
{
    return {QStringLiteral(" "), QStringLiteral("  "), QStringLiteral("\""), QStringLiteral("'"),
            QStringLiteral("%1"), QStringLiteral("%2"), QStringLiteral("%s"), QStringLiteral("%n"),
            QStringLiteral("%%"), QStringLiteral("\n"), QStringLiteral("\r\n"), QStringLiteral("\t"),
            QStringLiteral("-"), QStringLiteral("--help"), QStringLiteral("\\"), QStringLiteral("&"),
            QStringLiteral("#"), QStringLiteral("?a=b"), QStringLiteral("*"), QStringLiteral("~"),
            QStringLiteral("|"), QStringLiteral(";"), QStringLiteral(">"), QStringLiteral("<"),
            QStringLiteral("{}"), QStringLiteral("../"), QStringLiteral("file.pdf"), QStringLiteral("openURL(x)"),
            QStringLiteral("^"), QStringLiteral("%PATH%"), QStringLiteral("\\\""), QStringLiteral("!"),
            QStringLiteral("-remote"), QStringLiteral("\u00fc"), QStringLiteral("\u2192"), QStringLiteral("\u6838"),
            QStringLiteral("\U0001F600"), QStringLiteral("\u00a0"), QStringLiteral("\x01"), QStringLiteral("\x7f"),
            QLatin1String("$(touch ") + marker + QLatin1Char(')'), QLatin1String("`touch ") + marker + QLatin1Char('`'),
            QLatin1String("'; touch ") + marker + QLatin1String("; '")};
}

QString generatedValue(QRandomGenerator &random, const QStringList &pieces)
{
    QString value;
    if (random.bounded(4) == 0)
        value += QLatin1Char('-');
    const int count = int(random.bounded(7));
    for (int i = 0; i < count; ++i)
        value += pieces.at(int(random.bounded(pieces.size())));
    return value;
}

// The value of each start of the stand-in, or an empty list when a start
// brought no value or more than one.
QList<QByteArray> valuesPerStart(const QList<QByteArray> &records, QString *problem)
{
    QList<QByteArray> values;
    int inStart = -1;  // values seen in the current start; -1 before the first
    for (const QByteArray &record : records) {
        if (record == kStartMarker) {
            if (inStart == 0) {
                *problem = QStringLiteral("a start without a value");
                return {};
            }
            inStart = 0;
            continue;
        }
        if (inStart != 0) {
            *problem = QLatin1String("an extra argument: ") + QString::fromUtf8(record);
            return {};
        }
        values << record;
        inStart = 1;
    }
    if (inStart == 0) {
        *problem = QStringLiteral("a start without a value");
        return {};
    }
    return values;
}

// Counts the records of complete starts in file.
int startsRecorded(const QString &file)
{
    const QList<QByteArray> records = KelTest::readArgRecords(file);
    return int(std::count(records.begin(), records.end(), QByteArray(kStartMarker)));
}

class Fixture
{
public:
    Fixture() : m_record(KelTest::ArgRecorderOutVariable, QFile::encodeName(recordFile())) {}

    QString recordFile() const { return m_dir.path() + QLatin1String("/args.rec"); }
    QString marker() const { return m_dir.path() + QLatin1String("/injected"); }
    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

    KelTest::ScopedConfigHome home;

private:
    QTemporaryDir m_dir;
    KelTest::ScopedEnvironmentVariable m_record;
};

} // namespace

class TestHostileNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void generatedValuesArriveExactly_data();
    void generatedValuesArriveExactly();
    void shellPayloadsNeverRun_data();
    void shellPayloadsNeverRun();
    void plantedProbeNeverRuns_data();
    void plantedProbeNeverRuns();
};

void TestHostileNames::initTestCase()
{
    QVERIFY2(QFile::exists(KelTest::argRecorderPath()), "kel_argrecorder is not built beside the tests");
}

void TestHostileNames::generatedValuesArriveExactly_data()
{
    QTest::addColumn<Viewer>("viewer");
    QTest::newRow("pdf viewer") << Viewer::Pdf;
    QTest::newRow("web browser") << Viewer::Web;
}

// For the PDF viewer a file beginning with '-' arrives as "./" and the file;
// the browser refuses such a URL and an empty one (warnings of line 307,
// nothing started). Everything else arrives exactly as given (a file with the
// platform's separators), a "%1" in it not expanded again.
void TestHostileNames::generatedValuesArriveExactly()
{
    QFETCH(Viewer, viewer);
    Fixture fixture;
    KelTest::useUserDefined(viewer, KelTest::argRecorderPath() + QLatin1Char(' ') + QLatin1String(kStartMarker)
                                        + QLatin1String(" %1"));
    QRandomGenerator random(viewer == Viewer::Pdf ? 4711 : 4712);
    const QStringList pieces = hostilePieces(fixture.marker());

    // A thousand refusals' reasons would bury the test's own output.
    QLoggingCategory::setFilterRules(QStringLiteral("kel.launch.warning=false"));
    QList<QByteArray> expected;
    int refused = 0;
    int failed = 0;
    QStringList firstFailure;  // what the first failed launch said
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kGeneratedPerViewer; ++i) {
        const QString value = generatedValue(random, pieces);
        const bool option = value.startsWith(QLatin1Char('-'));
        KelTest::MessageRecorder messages;
        const unsigned int result = KelTest::launch(viewer, value);
        if (viewer == Viewer::Web && (option || value.isEmpty())) {
            // The fixed warning of the launch's line alone; the reason goes to the log.
            const auto warnings = messages.messages();
            if (result == 1 && warnings.size() == 1 && warnings.front().line == kRefusedLine)
                ++refused;
            else if (++failed == 1)
                firstFailure = messages.lines();
            continue;
        }
        if ((result != 0 || !messages.lines().isEmpty()) && ++failed == 1)
            firstFailure = messages.lines();
        const QString safe = option ? QLatin1String("./") + value : value;
        expected << KelTest::substituted(viewer, safe).toUtf8();
    }
    const qint64 launchMs = timer.elapsed();
    QLoggingCategory::setFilterRules(QString());
    QDeadlineTimer allRecorded(kAllRecordedWaitMs);
    while (startsRecorded(fixture.recordFile()) < expected.size() && !allRecorded.hasExpired())
        QThread::msleep(50);
    const qint64 totalMs = timer.elapsed();

    QString problem;
    QList<QByteArray> received = valuesPerStart(KelTest::readArgRecords(fixture.recordFile()), &problem);
    const int optionLike = int(std::count_if(received.begin(), received.end(),
                                             [](const QByteArray &v) { return v.startsWith('-'); }));
    std::sort(received.begin(), received.end());
    std::sort(expected.begin(), expected.end());
    int mismatched = 0;
    for (int i = 0; i < std::max(received.size(), expected.size()); ++i)
        mismatched += received.value(i) != expected.value(i) ? 1 : 0;

    KelTest::figure(QString::number(kGeneratedPerViewer) + QLatin1String(" generated values through the ")
                    + QLatin1String(KelTest::viewerName(viewer)) + QLatin1String(" launcher: ")
                    + QString::number(received.size()) + QLatin1String(" started and recorded, ")
                    + QString::number(refused) + QLatin1String(" refused (options or empty), ")
                    + QString::number(mismatched) + QLatin1String(" not exactly as expected, ")
                    + QString::number(optionLike) + QLatin1String(" starting with '-', launches took ")
                    + QString::number(launchMs) + QLatin1String(" ms, all recorded after ")
                    + QString::number(totalMs) + QLatin1String(" ms"));
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(failed == 0, qPrintable(QString::number(failed) + QLatin1String(" launches failed; the first said: ")
                                     + firstFailure.join(QLatin1String(" / "))));
    QCOMPARE(received.size(), expected.size());
    QCOMPARE(mismatched, 0);
    QCOMPARE(optionLike, 0);
    QVERIFY2(!QFile::exists(fixture.marker()), "a shell ran a payload of a generated value");
}

void TestHostileNames::shellPayloadsNeverRun_data()
{
    QTest::addColumn<Viewer>("viewer");
    QTest::addColumn<bool>("inCommandLine");  // the payload is an argument of the stored command line
    QTest::addColumn<QString>("payload");     // MARKER stands for the marker file

    const QStringList payloads{QStringLiteral("'; touch MARKER; '"), QStringLiteral("$(touch MARKER)"),
                               QStringLiteral("`touch MARKER`"), QStringLiteral("\"; touch MARKER; \""),
                               QStringLiteral("x|touch MARKER"), QStringLiteral("x&&touch MARKER")};
    for (const QString &payload : payloads) {
        const QByteArray tag = payload.toUtf8();
        QTest::newRow(("pdf file " + tag).constData()) << Viewer::Pdf << false << payload;
        QTest::newRow(("url " + tag).constData()) << Viewer::Web << false << payload;
        QTest::newRow(("command line " + tag).constData()) << Viewer::Pdf << true << payload;
    }
}

void TestHostileNames::shellPayloadsNeverRun()
{
    QFETCH(Viewer, viewer);
    QFETCH(bool, inCommandLine);
    QFETCH(QString, payload);
    Fixture fixture;
    QString value = payload;
    value.replace(QLatin1String("MARKER"), fixture.marker());

    QString commandLine = KelTest::argRecorderPath() + QLatin1String(" %1");
    if (inCommandLine)
        commandLine += QLatin1Char(' ') + value;
    KelTest::useUserDefined(viewer, commandLine);
    const QString target = inCommandLine ? QStringLiteral("plain.pdf") : value;
    QCOMPARE(KelTest::launch(viewer, target), 0u);
    QList<QByteArray> expected{KelTest::substituted(viewer, target).toUtf8()};
    // The stored command line is cut at blanks, each piece one literal argument.
    if (inCommandLine) {
        for (const QString &piece : value.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            expected << piece.toUtf8();
    }
    QCOMPARE(KelTest::waitForArgRecords(fixture.recordFile(), int(expected.size())), expected);

    // The same name stored as a recent project and read back runs nothing either.
    Kel::UserSettings::SetPreviousProjectName(Kel::Utility::QStringToPortString(value));
    Kel::UserSettings::GetRecentProjects();
    QVERIFY2(!QFile::exists(fixture.marker()), "a shell ran the payload");
}

void TestHostileNames::plantedProbeNeverRuns_data()
{
    QTest::addColumn<QByteArray>("path");  // PLANTED stands for the planting directory's absolute path
    QTest::addColumn<bool>("probeRuns");

    const QByteArray system = qgetenv("PATH");
    const char separator = QDir::listSeparator().toLatin1();
    QTest::newRow("empty PATH") << QByteArray() << false;
    QTest::newRow("only an empty entry") << QByteArray(1, separator) << false;
    QTest::newRow("leading empty entry") << separator + system << false;
    QTest::newRow("trailing empty entry") << system + separator << false;
    QTest::newRow("empty entry inside") << system + separator + separator + "/bin" << false;
    QTest::newRow("dot first") << QByteArray(".") + separator + system << false;
    QTest::newRow("dot slash") << QByteArray("./") + separator + system << false;
    QTest::newRow("relative sub directory") << QByteArray("sub") + separator + "./sub" + separator + system << false;
    QTest::newRow("absolute entry (control)") << QByteArray("PLANTED") + separator + system << true;
}

// The window probe is looked up only in absolute PATH entries: a probe
// planted in the working directory never runs, and without a probe the
// browser starts anew ("-remote" dropped).
void TestHostileNames::plantedProbeNeverRuns()
{
    QFETCH(QByteArray, path);
    QFETCH(bool, probeRuns);
    // Windows NT never asks the probe; its lookup, the one every bare program
    // name takes, is the same there and must not reach the working directory either.
    Kel::detail::OverrideIsNt(false);
    const auto platformAnswer = qScopeGuard([] { Kel::detail::OverrideIsNt(std::nullopt); });
    Fixture fixture;
    QTemporaryDir cwd;
    QVERIFY(QDir(cwd.path()).mkdir(QStringLiteral("sub")));
    const QString marker = fixture.path(QStringLiteral("probe-ran"));
    for (const QString &folder : {cwd.path(), cwd.filePath(QStringLiteral("sub"))})
        QVERIFY(KelTest::plantWindowProbe(folder, marker, "1"));
    KelTest::useUserDefined(Viewer::Web, KelTest::argRecorderPath() + QLatin1String(" -remote openURL(%1)"));

    const QString savedCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(cwd.path()));
    unsigned int result = 1;
    {
        path.replace("PLANTED", QFile::encodeName(cwd.path()));
        KelTest::ScopedEnvironmentVariable pathVariable("PATH", path);
        result = KelTest::launch(Viewer::Web, kUrl);
    }
    QDir::setCurrent(savedCwd);
    QCOMPARE(result, 0u);

    QList<QByteArray> expected{QByteArrayLiteral("openURL(") + kUrl.toUtf8() + ')'};
    if (probeRuns)
        expected.prepend("-remote");
    QCOMPARE(KelTest::waitForArgRecords(fixture.recordFile(), int(expected.size())), expected);
    QCOMPARE(QFile::exists(marker), probeRuns);
}

QTEST_GUILESS_MAIN(TestHostileNames)
#include "tst_hostilenames.moc"
