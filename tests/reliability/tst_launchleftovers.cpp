// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// A thousand detached launches, and a few programs that outlive the report window: every one reaped, no thread left.
#include "ArgRecorder.h"
#include "ChildProcesses.h"
#include "ReliabilitySupport.h"
#include "ViewerTestSupport.h"

#include <Gui/Wisp/DesktopHelpManager.h>
#include <Port/Launcher.h>

#include <QtCore/QDir>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

using KelTest::Viewer;

namespace {

#if defined(Q_OS_WIN)
// Each start of a program costs more than half a second under wine.
constexpr int kManyLaunches = 60;
#else
constexpr int kManyLaunches = 1000;
#endif
constexpr int kLongLivedLaunches = 5;
// Wide: every program of a thousand on a busy 2-core machine must have ended and been reaped.
constexpr int kSettleMs = 60000;
const QString kFile = QStringLiteral("/tmp/kel-leftovers.pdf");

enum class Route { UserViewer, DesktopOpener };

struct Children
{
    int all = 0;
    int zombies = 0;
};

Children childrenOfThisProcess()
{
    Children children;
    for (const KelTest::ChildProcess &child : KelTest::childProcesses()) {
#if defined(Q_OS_WIN)
        // Wine starts its desktop process as a child of the first program that makes a window.
        if (child.program.compare(QFileInfo(KelTest::argRecorderPath()).fileName(), Qt::CaseInsensitive) != 0)
            continue;
#endif
        ++children.all;
        children.zombies += child.state == 'Z' ? 1 : 0;
    }
    return children;
}

} // namespace

Q_DECLARE_METATYPE(Route)

class TestLaunchLeftovers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nothingLeftBehind_data();
    void nothingLeftBehind();
};

void TestLaunchLeftovers::initTestCase()
{
    QVERIFY2(QFile::exists(KelTest::argRecorderPath()), "kel_argrecorder is not built beside the tests");
#if defined(Q_OS_WIN)
    // The system's thread pool, which waits for started programs, is set up
    // on the first start and kept for the process: counted from here on.
    const KelTest::ScopedEnvironmentVariable record(KelTest::ArgRecorderOutVariable, std::nullopt);
    QVERIFY(Port::Launcher::start(Port::CommandLine(KelTest::argRecorderPath()),
                                  Port_MsgManData::createObject("test", "warm-up", 0, ""), QStringLiteral("warm-up")));
    QTRY_VERIFY_WITH_TIMEOUT(childrenOfThisProcess().all == 0, kSettleMs);
#endif
}

void TestLaunchLeftovers::nothingLeftBehind_data()
{
    QTest::addColumn<Route>("route");
    QTest::addColumn<QByteArray>("exitSetting");
    QTest::addColumn<int>("runMs");
    QTest::addColumn<int>("launches");
    QTest::addColumn<bool>("reported");

    QTest::newRow("user's viewer, exits 0 at once") << Route::UserViewer << QByteArray("0") << 0 << kManyLaunches << false;
    QTest::newRow("user's viewer, exits 1 at once") << Route::UserViewer << QByteArray("1") << 0 << kManyLaunches << true;
    QTest::newRow("desktop opener, exits 0 at once")
        << Route::DesktopOpener << QByteArray("0") << 0 << kManyLaunches << false;
    QTest::newRow("user's viewer, exits 1 after the report window")
        << Route::UserViewer << QByteArray("1") << Port::Launcher::LateFailureWindowMs + 1000 << kLongLivedLaunches
        << false;
}

// Whatever the programs do, each is reaped when it ends (no zombie), the
// reaper's thread ends once nothing is left to watch, and only a failure
// within the report window is reported.
void TestLaunchLeftovers::nothingLeftBehind()
{
    QFETCH(Route, route);
    QFETCH(QByteArray, exitSetting);
    QFETCH(int, runMs);
    QFETCH(int, launches);
    QFETCH(bool, reported);

#if defined(Q_OS_WIN)
    // The desktop's default program is the one registered for PDF files.
    if (route == Route::DesktopOpener && !qEnvironmentVariableIsSet("KEL_TEST_RECORDER_REGISTERED"))
        QSKIP("PDF files open with the user's own program here, not with the argument recorder");
#endif
    KelTest::ScopedConfigHome home;
    QTemporaryDir openerDir;
    QVERIFY(QFile::copy(KelTest::argRecorderPath(), openerDir.filePath(QStringLiteral("xdg-open"))));
    const KelTest::ScopedEnvironmentVariable path(
        "PATH", QFile::encodeName(openerDir.path() + QDir::listSeparator()) + qgetenv("PATH"));
    const KelTest::ScopedEnvironmentVariable record(KelTest::ArgRecorderOutVariable, std::nullopt);
    const KelTest::ScopedEnvironmentVariable exit("KEL_ARGRECORDER_EXIT", exitSetting);
    const KelTest::ScopedEnvironmentVariable sleep("KEL_ARGRECORDER_SLEEP_MS", QByteArray::number(runMs));
    Gui::Wisp::DesktopHelpManager help;
    if (route == Route::DesktopOpener) {
        Gui::Wisp::HelpManager::setInstance(&help);
        KelTest::setUseDefault(Viewer::Pdf, true);
    } else {
        KelTest::useUserDefined(Viewer::Pdf, KelTest::argRecorderPath() + QLatin1String(" %1"));
    }
    QCOMPARE(childrenOfThisProcess().all, 0);
    const int threadsBefore = KelTest::threadCount();
#if defined(Q_OS_WIN)
    const int handlesBefore = KelTest::handleCount();
#endif
    KelTest::MessageRecorder messages;

    QElapsedTimer timer;
    timer.start();
    int failed = 0;
    for (int i = 0; i < launches; ++i)
        failed += KelTest::launch(Viewer::Pdf, kFile) == 0 ? 0 : 1;
    const qint64 launchMs = timer.elapsed();
    const int threadsRightAfter = KelTest::threadCount();
#if defined(Q_OS_WIN)
    // Windows keeps no zombies; a program's handle and the wait on it are
    // what is left until the reaper lets go of them. The system's pool keeps
    // or retires its idle threads as it sees fit: they are shown, not counted.
    QTRY_VERIFY_WITH_TIMEOUT(childrenOfThisProcess().all == 0 && KelTest::handleCount() <= handlesBefore, kSettleMs);
#else
    QTRY_VERIFY_WITH_TIMEOUT(childrenOfThisProcess().all == 0 && KelTest::threadCount() == threadsBefore, kSettleMs);
#endif
    const qint64 settledMs = timer.elapsed();
    const int expectedWarnings = reported ? launches : 0;
    QTRY_COMPARE_WITH_TIMEOUT(int(messages.messages().size()), expectedWarnings, kSettleMs);
    const Children left = childrenOfThisProcess();

    KelTest::figure(QString::number(launches) + QLatin1String(" launches, ") + QLatin1String(QTest::currentDataTag())
                    + QLatin1String(": launches took ") + QString::number(launchMs) + QLatin1String(" ms, all reaped after ")
                    + QString::number(settledMs) + QLatin1String(" ms; threads ") + QString::number(threadsBefore)
                    + QLatin1String(" before, ") + QString::number(threadsRightAfter) + QLatin1String(" right after, ")
                    + QString::number(KelTest::threadCount()) + QLatin1String(" at the end; ")
                    + QString::number(left.all) + QLatin1String(" children and ") + QString::number(left.zombies)
                    + QLatin1String(" zombies left; ")
#if defined(Q_OS_WIN)
                    + QString::number(handlesBefore) + QLatin1String(" handles before, ")
                    + QString::number(KelTest::handleCount()) + QLatin1String(" at the end; ")
#endif
                    + QString::number(messages.messages().size()) + QLatin1String(" warnings"));
    QCOMPARE(failed, 0);
    QCOMPARE(left.zombies, 0);
#if defined(Q_OS_WIN)
    QVERIFY(KelTest::handleCount() <= handlesBefore);
#else
    QCOMPARE(KelTest::threadCount(), threadsBefore);
#endif
    QVERIFY(messages.allArrivedOn(QThread::currentThread()));
}

QTEST_GUILESS_MAIN(TestLaunchLeftovers)
#include "tst_launchleftovers.moc"
