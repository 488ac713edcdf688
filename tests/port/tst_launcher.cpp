// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Port::Launcher as hosts live with it: a program looked up again, reports around a host's exit, launches after fork, a library unloaded.
#include "ArgRecorder.h"
#include "ChildProcesses.h"
#include "KelTestSupport.h"

#include <Port/Launcher.h>

#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtTest/QtTest>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#if !defined(Q_OS_WIN)
#  include <cerrno>
#  include <sys/wait.h>
#  include <unistd.h>
#endif

namespace {

constexpr char ExitVariable[] = "KEL_ARGRECORDER_EXIT";
constexpr char SleepVariable[] = "KEL_ARGRECORDER_SLEEP_MS";
constexpr char HostRole[] = "host";
// What the host role writes on stderr, one line each, so the parent can tell
// the order of its reports and its exit; a report names the status.
constexpr char Reported[] = "exit status 1 within";
constexpr char MainReturnsLine[] = "main returns\n";
constexpr char ExitProcessingLine[] = "exit processing\n";
// Generous on a busy two-core machine under a sanitizer: a report is due
// within the report window and a reaper turn.
constexpr int ReportWaitMs = Port::Launcher::LateFailureWindowMs + 30000;

#if defined(Q_OS_WIN)
constexpr char ProgramSuffix[] = ".exe";
#else
constexpr char ProgramSuffix[] = "";
#endif

void writeLine(const char *line)
{
    std::fputs(line, stderr);
    std::fflush(stderr);
}

Port_MsgManData testChannel()
{
    return Port_MsgManData::createObject("test", "tst_launcher", 1, "");
}

// A host that starts a program failing after failAfterMs and ends its main
// after exitAfterMs, with or without an application object and a handler of
// its own. Arguments: recorder, "app" or "bare", "handler" or "log", failAfterMs, exitAfterMs.
int hostRole(int argc, char **argv)
{
    if (argc < 7)
        return 2;
    const char *recorder = argv[2];
    const bool withApplication = std::strcmp(argv[3], "app") == 0;
    const bool withHandler = std::strcmp(argv[4], "handler") == 0;
    const int failAfterMs = std::atoi(argv[5]);
    const int exitAfterMs = std::atoi(argv[6]);

    std::unique_ptr<QCoreApplication> application;
    if (withApplication)
        application = std::make_unique<QCoreApplication>(argc, argv);
    // Registered before the first launch: it runs after whatever the library
    // registers for the process's exit.
    std::atexit([] { writeLine(ExitProcessingLine); });
    if (withHandler)
        Port_MsgManData::SetHandler([](const Port_Message &m) { writeLine((m.text + '\n').c_str()); });
    qputenv(ExitVariable, "1");
    qputenv(SleepVariable, QByteArray::number(failAfterMs));
    qunsetenv(KelTest::ArgRecorderOutVariable);
    if (!Port::Launcher::start(Port::CommandLine(QFile::decodeName(recorder)), testChannel(), QStringLiteral("race")))
        return 3;
    QDeadlineTimer deadline(exitAfterMs);
    while (!deadline.hasExpired()) {
        if (application)
            QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    writeLine(MainReturnsLine);
    return 0;
}

// Started programs of this process still there (on Linux, not yet reaped).
int programsLeft()
{
    int left = 0;
    for (const KelTest::ChildProcess &child : KelTest::childProcesses())
        left += child.program.isEmpty() || child.program.startsWith(QLatin1String("kel-lookup-probe")) ? 1 : 0;
    return left;
}

// The reports in text after its line marker; with no handler they go to Qt's log.
int reportsAfter(const QByteArray &text, const char *marker)
{
    const int at = text.indexOf(marker);
    return at < 0 ? 0 : text.mid(at).count(Reported);
}

} // namespace

class TestLauncher : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void programLookedUpAgain_data();
    void programLookedUpAgain();
    void exitSoonAfterAFailure();
    void forkedChildReapsItsLaunches();
    void libraryStaysLoadedWhileAReportMayCome();

private:
    QString copyRecorderTo(const QString &folder) const;

    QTemporaryDir m_work;
    QByteArray m_savedPath;
};

void TestLauncher::initTestCase()
{
    QVERIFY(m_work.isValid());
    QVERIFY2(QFile::exists(KelTest::argRecorderPath()), "kel_argrecorder is not built beside the tests");
    m_savedPath = qgetenv("PATH");
}

void TestLauncher::cleanup()
{
    qputenv("PATH", m_savedPath);
    for (const char *name : {ExitVariable, SleepVariable, KelTest::ArgRecorderOutVariable})
        qunsetenv(name);
}

QString TestLauncher::copyRecorderTo(const QString &folder) const
{
    QDir().mkpath(folder);
    const QString copy = folder + QLatin1String("/kel-lookup-probe") + QLatin1String(ProgramSuffix);
    return QFile::copy(KelTest::argRecorderPath(), copy) ? copy : QString();
}

void TestLauncher::programLookedUpAgain_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("secondStarts");
    QTest::newRow("moved to a later PATH folder") << QStringLiteral("move") << true;
    QTest::newRow("its folder removed") << QStringLiteral("remove folder") << true;
#if defined(Q_OS_WIN)
    // Any file of the name is a program to the lookup there: it finds the same one again.
    QTest::newRow("replaced by a file that cannot run") << QStringLiteral("spoil") << false;
#else
    QTest::newRow("replaced by a file that cannot run") << QStringLiteral("spoil") << true;
#endif
    QTest::newRow("gone from every PATH folder") << QStringLiteral("remove") << false;
}

// A bare name's program is remembered while PATH stays the same; once it can
// no longer be started it is looked up once more before the start fails.
void TestLauncher::programLookedUpAgain()
{
    QFETCH(QString, change);
    QFETCH(bool, secondStarts);
    const QString row = m_work.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')));
    const QString first = row + QLatin1String("/first");
    const QString later = row + QLatin1String("/later");
    const QString program = copyRecorderTo(first);
    QVERIFY(!program.isEmpty());
    QVERIFY(QDir().mkpath(later));
    qputenv("PATH", QFile::encodeName(QDir::toNativeSeparators(first) + QDir::listSeparator()
                                      + QDir::toNativeSeparators(later)));
    const QString records = row + QLatin1String("/records");
    qputenv(KelTest::ArgRecorderOutVariable, QFile::encodeName(records));
    const QString name = QStringLiteral("kel-lookup-probe");

    KelTest::MessageRecorder messages;
    const bool firstStarted = Port::Launcher::start(Port::CommandLine(name, {QStringLiteral("first")}), testChannel(),
                                                    QStringLiteral("first"));
    const QList<QByteArray> firstRecords = KelTest::waitForArgRecords(records, 1);
    // A program that is still running cannot be moved on Windows.
    QTRY_COMPARE_WITH_TIMEOUT(programsLeft(), 0, ReportWaitMs);
    const QString moved = later + QLatin1String("/kel-lookup-probe") + QLatin1String(ProgramSuffix);
    bool changed = false;
    if (change == QLatin1String("move")) {
        changed = QFile::rename(program, moved);
    } else if (change == QLatin1String("remove folder")) {
        changed = QFile::rename(program, moved) && QDir(first).removeRecursively();
    } else if (change == QLatin1String("spoil")) {
        changed = QFile::copy(program, moved) && QFile::remove(program);
        QFile spoiled(program);
        changed = changed && spoiled.open(QIODevice::WriteOnly) && spoiled.write("not a program\n") > 0;
    } else {
        changed = QFile::remove(program);
    }
    if (!secondStarts)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Could not start '.*kel-lookup-probe.*' for 'second': ")));
    const bool secondStarted = Port::Launcher::start(Port::CommandLine(name, {QStringLiteral("second")}),
                                                     testChannel(), QStringLiteral("second"));
    KelTest::waitForArgRecords(records, secondStarts ? 2 : 1);
    if (!secondStarts)
        QThread::msleep(300);

    QVERIFY(firstStarted);
    QCOMPARE(firstRecords, QList<QByteArray>{"first"});
    QVERIFY(changed);
    QCOMPARE(secondStarted, secondStarts);
    QCOMPARE(KelTest::readArgRecords(records),
             secondStarts ? (QList<QByteArray>{"first", "second"}) : QList<QByteArray>{"first"});
    // The host's channel hears of no start that failed: the log does.
    QVERIFY(messages.messages().empty());
}

// Hosts that end 0 to 3 s after starting a program that fails right before:
// the report must never reach a host that is going away, and the host must
// never crash on its way out.
void TestLauncher::exitSoonAfterAFailure()
{
#if defined(Q_OS_WIN)
    QSKIP("Windows ends a process's other threads before its exit code runs");
#endif
    constexpr int Runs = 200;
    constexpr int AtOnce = 20;
    constexpr int LongestExitMs = 3000;
    constexpr int ReapTurnMs = 50;
    const char *modes[][2] = {{"app", "handler"}, {"app", "log"}, {"bare", "handler"}, {"bare", "log"}};

    int crashed = 0, reported = 0, afterMainWithApp = 0, afterMainBare = 0, afterExit = 0;
    QByteArray firstCrash;
    QElapsedTimer timer;
    timer.start();
    for (int wave = 0; wave < Runs; wave += AtOnce) {
        std::vector<std::unique_ptr<QProcess>> hosts;
        for (int i = wave; i < wave + AtOnce; ++i) {
            const int exitAfterMs = i * LongestExitMs / (Runs - 1);
            // The failure is seen from a reaper turn before the exit to just after it.
            const int failAfterMs = std::max(0, exitAfterMs - (i % 3) * ReapTurnMs / 2);
            hosts.push_back(std::make_unique<QProcess>());
            hosts.back()->setProcessChannelMode(QProcess::MergedChannels);
            hosts.back()->start(QCoreApplication::applicationFilePath(),
                                {QLatin1String(HostRole), KelTest::argRecorderPath(), QLatin1String(modes[i % 4][0]),
                                 QLatin1String(modes[i % 4][1]), QString::number(failAfterMs),
                                 QString::number(exitAfterMs)});
        }
        for (int k = 0; k < AtOnce; ++k) {
            QProcess &host = *hosts[k];
            QVERIFY(host.waitForFinished(ReportWaitMs));
            const QByteArray output = host.readAll();
            const bool ok = host.exitStatus() == QProcess::NormalExit && host.exitCode() == 0
                            && !output.contains("Sanitizer") && !output.contains("runtime error");
            if (!ok && firstCrash.isEmpty())
                firstCrash = "exit code " + QByteArray::number(host.exitCode()) + ": " + output.left(2000);
            crashed += ok ? 0 : 1;
            reported += output.count(Reported);
            ((wave + k) % 4 < 2 ? afterMainWithApp : afterMainBare) += reportsAfter(output, MainReturnsLine);
            afterExit += reportsAfter(output, ExitProcessingLine);
        }
    }
    qInfo("FIGURE: %d hosts ending 0 to %d ms after a failing start, in %lld s: %d crashed, %d reports, "
          "after main returned %d (with an application object) and %d (without), after exit began %d",
          Runs, LongestExitMs, timer.elapsed() / 1000, crashed, reported, afterMainWithApp, afterMainBare, afterExit);
    QVERIFY2(crashed == 0, firstCrash.constData());
    QCOMPARE(afterExit, 0);
    QCOMPARE(afterMainWithApp, 0);
}

// A child made by fork without exec has no reaper thread of its own: its
// launches must still be reaped and their failures reported.
void TestLauncher::forkedChildReapsItsLaunches()
{
#if defined(Q_OS_WIN)
    QSKIP("Windows has no fork");
#else
    // The parent's reaper is busy with a program when the child is made.
    qputenv(SleepVariable, "2000");
    QVERIFY(Port::Launcher::start(Port::CommandLine(KelTest::argRecorderPath()), testChannel(),
                                  QStringLiteral("parent")));
    qputenv(SleepVariable, "0");
    qputenv(ExitVariable, "1");
    // Its thread is past its start-up first: GCC 12's AddressSanitizer keeps no
    // fork handlers, so a fork while a thread registers with it leaves the
    // child's next thread hanging on the sanitizer's own lock.
    QThread::msleep(300);
    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        static std::atomic<bool> reported{false};
        Port_MsgManData::SetHandler([](const Port_Message &) { reported = true; });
        if (!Port::Launcher::start(Port::CommandLine(KelTest::argRecorderPath()), testChannel(),
                                   QStringLiteral("child")))
            ::_exit(3);
        QDeadlineTimer deadline(ReportWaitMs);
        while (!reported && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(10);
        }
        // Reaped: no child of this process is left to wait for.
        const bool reaped = ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
        ::_exit(reported ? (reaped ? 0 : 4) : 5);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    qInfo("FIGURE: a forked child's failing launch: exit code %d (0: reaped and reported, 4: not reaped, "
          "5: not reported) after %lld ms",
          WIFEXITED(status) ? WEXITSTATUS(status) : -1, timer.elapsed());
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
#endif
}

// A host that unloads the library right after a start: the thread that
// waits for the program runs the library's code until the report is out.
void TestLauncher::libraryStaysLoadedWhileAReportMayCome()
{
#if defined(Q_OS_WIN)
    const QString library = KelTest::binDir() + QLatin1String("/" KEL_PORT_LIBRARY_NAME);
    const QString host = KelTest::binDir() + QLatin1String("/kel_port_unloadinghost.exe");
#else
    const QString library = KelTest::binDir() + QLatin1String("/../lib/" KEL_PORT_LIBRARY_NAME);
    const QString host = KelTest::binDir() + QLatin1String("/kel_port_unloadinghost");
#endif
    const KelTest::ChildResult result = KelTest::runProgram(
        host, {library, KelTest::argRecorderPath()},
        {{QLatin1String(ExitVariable), QStringLiteral("1")}, {QLatin1String(SleepVariable), QStringLiteral("1000")}},
        {QLatin1String(KelTest::ArgRecorderOutVariable)});
    qInfo("FIGURE: a host that unloads the library at once: exit code %d; %s", result.exitCode,
          result.out.trimmed().constData());
    QVERIFY(result.finished);
    QCOMPARE(result.exitCode, 0);
}

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], HostRole) == 0)
        return hostRole(argc, argv);
    QCoreApplication app(argc, argv);
    TestLauncher test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_launcher.moc"
