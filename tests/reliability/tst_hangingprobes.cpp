// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Window probes that hang, ignore SIGTERM or leave a grandchild holding their output: bounded waits, nothing left running.
#include "ArgRecorder.h"
#include "ReliabilitySupport.h"
#include "ViewerTestSupport.h"

#include <Port/Process.h>

#include <QtCore/QElapsedTimer>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <algorithm>

using KelTest::Viewer;

namespace {

constexpr char kProbeName[] = "gqbrowserwindowexists";
constexpr int kDirectRuns = 100;
constexpr int kDirectTimeoutMs = 200;
constexpr int kBrowserRuns = 2;
// What a bound may overrun by on a busy machine before a run counts as
// hanging: tens of seconds, far from the bounds themselves; the slowest run
// is printed with the figures.
constexpr qint64 kSlackMs = 20000;
const QString kUrl = QStringLiteral("http://host/page");

enum class Probe { Hangs, IgnoresTerm, GrandchildKeepsOutput };

// Each probe writes its own pid and, where it has one, its child's pid to PIDS.
QByteArray probeBody(Probe probe)
{
    switch (probe) {
    case Probe::Hangs:
        return "echo $$ > \"$PIDS\"\nexec sleep 30\n";
    case Probe::IgnoresTerm:
        return "trap '' TERM\nsleep 30 &\necho $$ $! > \"$PIDS\"\nwait\nwait\n";
    case Probe::GrandchildKeepsOutput:
        // Says "a window exists" at once, but its grandchild keeps the output open for 30 s.
        return "sleep 30 &\necho $$ $! > \"$PIDS\"\nexit 1\n";
    }
    return QByteArray();
}

class ProbeFixture
{
public:
    explicit ProbeFixture(Probe probe)
        : m_path("PATH", QFile::encodeName(m_dir.path()) + ':' + qgetenv("PATH")),
          m_pids("PIDS", QFile::encodeName(pidFile())),
          m_record(KelTest::ArgRecorderOutVariable, QFile::encodeName(recordFile()))
    {
        QFile file(m_dir.filePath(QLatin1String(kProbeName)));
        const QByteArray script = "#!/bin/sh\n" + probeBody(probe);
        m_written = file.open(QIODevice::WriteOnly) && file.write(script) == script.size();
        file.close();
        m_written = m_written && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    bool written() const { return m_written; }
    QString pidFile() const { return m_dir.path() + QLatin1String("/pids"); }
    QString recordFile() const { return m_dir.path() + QLatin1String("/args.rec"); }

    // The pids the last run wrote; empty when it wrote none.
    QList<qint64> takePids() const
    {
        QFile file(pidFile());
        QList<qint64> pids;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &word : file.readAll().simplified().split(' '))
                pids << word.toLongLong();
        }
        file.remove();
        return pids;
    }

    KelTest::ScopedConfigHome home;

private:
    QTemporaryDir m_dir;
    KelTest::ScopedEnvironmentVariable m_path;
    KelTest::ScopedEnvironmentVariable m_pids;
    KelTest::ScopedEnvironmentVariable m_record;
    bool m_written = false;
};

// How many of pids are still running a moment after the call returned.
int leftRunning(const QList<qint64> &pids)
{
    return int(std::count_if(pids.begin(), pids.end(), [](qint64 pid) { return !KelTest::endsWithin(pid, int(kSlackMs)); }));
}

} // namespace

Q_DECLARE_METATYPE(Probe)

class TestHangingProbes : public QObject
{
    Q_OBJECT

private slots:
    void directRunsAreBounded_data();
    void directRunsAreBounded();
    void browserLaunchIsBounded_data();
    void browserLaunchIsBounded();

private:
    void addProbes();
};

void TestHangingProbes::addProbes()
{
    QTest::addColumn<Probe>("probe");
    QTest::addColumn<int>("expectedStatus");  // of Port::Process
    QTest::newRow("hangs") << Probe::Hangs << int(Port::Process::TimedOut);
    QTest::newRow("ignores SIGTERM") << Probe::IgnoresTerm << int(Port::Process::TimedOut);
    QTest::newRow("grandchild keeps output open") << Probe::GrandchildKeepsOutput << int(Port::Process::Ran);
}

void TestHangingProbes::directRunsAreBounded_data()
{
    addProbes();
}

// The bulk of the runs: the probe as the library runs it, with a short wait.
void TestHangingProbes::directRunsAreBounded()
{
    QFETCH(Probe, probe);
    QFETCH(int, expectedStatus);
    ProbeFixture fixture(probe);
    QVERIFY(fixture.written());

    int inTime = 0;
    int survivors = 0;
    int withoutPids = 0;
    qint64 slowestMs = 0;
    for (int run = 0; run < kDirectRuns; ++run) {
        Port::Process process;
        process.setTimeoutMs(kDirectTimeoutMs);
        QElapsedTimer timer;
        timer.start();
        const int status = process.RunNoWindow(kProbeName, true, true);
        const qint64 ms = timer.elapsed();
        QCOMPARE(status, expectedStatus);
        slowestMs = std::max(slowestMs, ms);
        inTime += ms < kDirectTimeoutMs + kSlackMs ? 1 : 0;
        const QList<qint64> pids = fixture.takePids();
        withoutPids += pids.isEmpty() ? 1 : 0;
        survivors += leftRunning(pids);
    }
    KelTest::figure(QLatin1String("window probe that ") + QLatin1String(QTest::currentDataTag()) + QLatin1String(": ")
                    + QString::number(inTime) + QLatin1String(" of ") + QString::number(kDirectRuns)
                    + QLatin1String(" runs returned within ") + QString::number(kDirectTimeoutMs)
                    + QLatin1String(" ms + ") + QString::number(kSlackMs / 1000) + QLatin1String(" s (slowest ") + QString::number(slowestMs) + QLatin1String(" ms), ")
                    + QString::number(survivors) + QLatin1String(" processes left behind"));
    QCOMPARE(inTime, kDirectRuns);
    QCOMPARE(withoutPids, 0);
    QCOMPARE(survivors, 0);
}

void TestHangingProbes::browserLaunchIsBounded_data()
{
    addProbes();
}

// A few runs through the browser launch with the real wait of the probe.
void TestHangingProbes::browserLaunchIsBounded()
{
    QFETCH(Probe, probe);
    QFETCH(int, expectedStatus);
    ProbeFixture fixture(probe);
    QVERIFY(fixture.written());
    KelTest::useUserDefined(Viewer::Web, KelTest::argRecorderPath() + QLatin1String(" -remote openURL(%1)"));
    // Only a probe that ended saying "a window exists" keeps the remote call.
    const bool windowExists = expectedStatus == int(Port::Process::Ran);

    qint64 slowestMs = 0;
    for (int run = 0; run < kBrowserRuns; ++run) {
        QFile::remove(fixture.recordFile());
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(KelTest::launch(Viewer::Web, kUrl), 0u);
        const qint64 ms = timer.elapsed();
        slowestMs = std::max(slowestMs, ms);
        QVERIFY2(ms < Port::Process::DefaultTimeoutMs + kSlackMs, "the launch waited past the probe's bound");
        QList<QByteArray> expected{QByteArrayLiteral("openURL(") + kUrl.toUtf8() + ')'};
        if (windowExists)
            expected.prepend("-remote");
        QCOMPARE(KelTest::waitForArgRecords(fixture.recordFile(), int(expected.size())), expected);
        const QList<qint64> pids = fixture.takePids();
        QVERIFY(!pids.isEmpty());
        QCOMPARE(leftRunning(pids), 0);
    }
    KelTest::figure(QLatin1String("browser launch with a window probe that ") + QLatin1String(QTest::currentDataTag())
                    + QLatin1String(": slowest of ") + QString::number(kBrowserRuns) + QLatin1String(" runs ")
                    + QString::number(slowestMs) + QLatin1String(" ms (bound 3 s + ") + QString::number(kSlackMs / 1000) + QLatin1String(" s), nothing left behind"));
}

QTEST_GUILESS_MAIN(TestHangingProbes)
#include "tst_hangingprobes.moc"
