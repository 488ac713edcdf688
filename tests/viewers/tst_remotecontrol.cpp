// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of the browser remote call: "-remote" is dropped unless the window probe says a browser window exists.
#include "ArgRecorder.h"
#include "ViewerTestSupport.h"
#include "WindowProbe.h"
#include "Kel_UserSettingsInternal.h"


#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

using KelTest::Viewer;

namespace {

const QString kUrl = QStringLiteral("http://host/page");
// The probe's wait is bounded at 3 s; the whole call stays inside this even
// on a busy machine, where tens of seconds of slack still tell a bound from none.
constexpr qint64 kHangingProbeLimitMs = 3000 + 20000;

// What the window probe does when it runs; every run leaves a line in the marker file.
enum class Probe { Absent, Exit0, Exit1, Exit2, Hangs };

QByteArray exitSettingOf(Probe probe)
{
    switch (probe) {
    case Probe::Exit0:
        return "0";
    case Probe::Exit1:
        return "1";
    case Probe::Exit2:
        return "2";
    case Probe::Hangs:
        return KelTest::ProbeHangs;
    case Probe::Absent:
        break;
    }
    return QByteArray();
}

// Puts the launches back on the platform's own branch even when a check fails.
class ScopedNtOverride
{
public:
    explicit ScopedNtOverride(bool isNt) { Kel::detail::OverrideIsNt(isNt); }
    ~ScopedNtOverride() { Kel::detail::OverrideIsNt(std::nullopt); }
    ScopedNtOverride(const ScopedNtOverride &) = delete;
    ScopedNtOverride &operator=(const ScopedNtOverride &) = delete;
};

// A private store, the stand-in browser's record file, and a probe directory
// first on PATH (an empty one when the probe is absent).
class RemoteFixture
{
public:
    explicit RemoteFixture(Probe probe)
        : m_record(KelTest::ArgRecorderOutVariable, QFile::encodeName(recordFile())),
          m_path("PATH", QFile::encodeName(m_dir.path() + QDir::listSeparator()) + qgetenv("PATH"))
    {
        if (probe != Probe::Absent)
            m_probeWritten = KelTest::plantWindowProbe(m_dir.path(), markerFile(), exitSettingOf(probe));
    }

    QString recordFile() const { return m_dir.path() + QLatin1String("/args.rec"); }
    QString markerFile() const { return m_dir.path() + QLatin1String("/probe-runs"); }
    bool probeWritten() const { return m_probeWritten; }
    int probeRuns() const
    {
        QFile marker(markerFile());
        return marker.open(QIODevice::ReadOnly) ? marker.readAll().count('\n') : 0;
    }

    KelTest::ScopedConfigHome home;
    KelTest::MessageRecorder recorder;

private:
    QTemporaryDir m_dir;
    KelTest::ScopedEnvironmentVariable m_record;
    KelTest::ScopedEnvironmentVariable m_path;
    bool m_probeWritten = true;
};

QStringList substituted(QStringList args, const QString &url)
{
    return args.replaceInStrings(QStringLiteral("%1"), url);
}

} // namespace

Q_DECLARE_METATYPE(Probe)

class TestRemoteControl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void remoteArgument_data();
    void remoteArgument();
    void hangingProbeIsBounded();
    void windowsNtNeverProbes();
};

void TestRemoteControl::initTestCase()
{
    QVERIFY2(QFile::exists(KelTest::argRecorderPath()), "kel_argrecorder is not built beside the tests");
}

// Windows NT never asks the probe; the remote call's rules for other systems
// still run here, probe and browser started by Windows' own launcher.
void TestRemoteControl::init()
{
    Kel::detail::OverrideIsNt(false);
}

void TestRemoteControl::cleanup()
{
    Kel::detail::OverrideIsNt(std::nullopt);
}

void TestRemoteControl::remoteArgument_data()
{
    QTest::addColumn<Probe>("probe");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("expected");  // before "%1" is replaced by the URL
    QTest::addColumn<int>("probeRuns");
    QTest::addColumn<QString>("url");

    const QStringList remote{QStringLiteral("-remote"), QStringLiteral("openURL(%1)")};
    const QStringList local{QStringLiteral("openURL(%1)")};
    QTest::newRow("windowExists") << Probe::Exit1 << remote << remote << 1 << kUrl;
    QTest::newRow("noWindow") << Probe::Exit0 << remote << local << 1 << kUrl;
    QTest::newRow("probeFails") << Probe::Exit2 << remote << local << 1 << kUrl;
    QTest::newRow("probeAbsent") << Probe::Absent << remote << local << 0 << kUrl;
    QTest::newRow("matchIgnoresCase") << Probe::Exit0
                                      << QStringList{QStringLiteral("-REMOTE"), QStringLiteral("OpenUrl(%1,new-tab)")}
                                      << QStringList{QStringLiteral("OpenUrl(%1,new-tab)")} << 1 << kUrl;
    QTest::newRow("otherArgumentsKeepOrder")
        << Probe::Exit0
        << QStringList{QStringLiteral("-a"), QStringLiteral("-remote"), QStringLiteral("-b"),
                       QStringLiteral("openURL(%1)"), QStringLiteral("-c")}
        << QStringList{QStringLiteral("-a"), QStringLiteral("-b"), QStringLiteral("openURL(%1)"),
                       QStringLiteral("-c")}
        << 1 << kUrl;
    QTest::newRow("onlyLaterRemoteDropped")
        << Probe::Exit0
        << QStringList{QStringLiteral("-remote:first"), QStringLiteral("-Remote:second"), QStringLiteral("openURL(%1)")}
        << QStringList{QStringLiteral("-remote:first"), QStringLiteral("openURL(%1)")} << 1 << kUrl;
    // Half a remote call is no remote call: the probe is not even asked.
    const QStringList remoteOnly{QStringLiteral("-remote"), QStringLiteral("%1")};
    QTest::newRow("remoteWithoutOpenUrl") << Probe::Exit0 << remoteOnly << remoteOnly << 0 << kUrl;
    QTest::newRow("openUrlWithoutRemote") << Probe::Exit0 << local << local << 0 << kUrl;
    QTest::newRow("prefixMustBeAtStart")
        << Probe::Exit0 << QStringList{QStringLiteral("x-remote"), QStringLiteral("xopenURL(%1)")}
        << QStringList{QStringLiteral("x-remote"), QStringLiteral("xopenURL(%1)")} << 0 << kUrl;
    // The arguments are looked at as stored, before the URL takes the place of "%1".
    QTest::newRow("urlNotTakenForOpenUrl") << Probe::Exit0 << remoteOnly << remoteOnly << 0
                                           << QStringLiteral("openURL://host/");
}

void TestRemoteControl::remoteArgument()
{
    QFETCH(Probe, probe);
    QFETCH(QStringList, args);
    QFETCH(QStringList, expected);
    QFETCH(int, probeRuns);
    QFETCH(QString, url);

    RemoteFixture fixture(probe);
    QVERIFY(fixture.probeWritten());
    KelTest::useUserDefined(Viewer::Web, KelTest::argRecorderPath() + QLatin1Char(' ') + args.join(QLatin1Char(' ')));

    QCOMPARE(KelTest::launch(Viewer::Web, url), 0u);
    const QStringList arrived = substituted(expected, url);
    QCOMPARE(KelTest::waitForArgRecords(fixture.recordFile(), arrived.size()), KelTest::toByteArrays(arrived));
    QCOMPARE(fixture.probeRuns(), probeRuns);
    QVERIFY(fixture.recorder.lines().isEmpty());
}

// A probe that never ends counts as "no window" once its bounded wait is over.
void TestRemoteControl::hangingProbeIsBounded()
{
    RemoteFixture fixture(Probe::Hangs);
    QVERIFY(fixture.probeWritten());
    KelTest::useUserDefined(Viewer::Web, KelTest::argRecorderPath() + QLatin1String(" -remote openURL(%1)"));

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(KelTest::launch(Viewer::Web, kUrl), 0u);
    QVERIFY2(timer.elapsed() < kHangingProbeLimitMs, "the browser launch waited for the probe without bound");
    const QList<QByteArray> expected{QByteArrayLiteral("openURL(") + kUrl.toUtf8() + ')'};
    QCOMPARE(KelTest::waitForArgRecords(fixture.recordFile(), 1), expected);
    QCOMPARE(fixture.probeRuns(), 1);
}

// Windows NT has no remote call: the probe is never run there, the arguments stay.
void TestRemoteControl::windowsNtNeverProbes()
{
    RemoteFixture fixture(Probe::Exit0);
    QVERIFY(fixture.probeWritten());
    KelTest::useUserDefined(Viewer::Web, KelTest::argRecorderPath() + QLatin1String(" -remote openURL(%1)"));

    {
        ScopedNtOverride nt(true);
        QCOMPARE(KelTest::launch(Viewer::Web, kUrl), 0u);
    }
#if !defined(Q_OS_WIN)
    QVERIFY(!Kel::detail::IsNt());
#endif
    const QList<QByteArray> expected{"-remote", QByteArrayLiteral("openURL(") + kUrl.toUtf8() + ')'};
    QCOMPARE(KelTest::waitForArgRecords(fixture.recordFile(), 2), expected);
    QCOMPARE(fixture.probeRuns(), 0);
}

QTEST_GUILESS_MAIN(TestRemoteControl)
#include "tst_remotecontrol.moc"
