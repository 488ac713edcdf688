// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Port::Process and the launcher under it on UNIX-like systems, with small real scripts put first on PATH.
#include "KelTestSupport.h"

#include <Port/Launcher.h>
#include <Port/Process.h>

#include <QtTest/QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>
#include <fcntl.h>
#include <pthread.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

using Port::Process;

namespace {

constexpr int kShortTimeoutMs = 300;
// How late a killed or finished run may return on a busy machine: tens of
// seconds, still short of the 30 s the leftover grandchild would run.
constexpr qint64 kSlackMs = 20000;

// Whether pid is still a running process (a zombie awaiting its reaper counts as ended).
bool isRunning(qint64 pid)
{
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray line = stat.readAll();
    const int afterName = line.lastIndexOf(')');
    return afterName < 0 || line.mid(afterName + 2, 1) != "Z";
}

bool endsSoon(qint64 pid)
{
    QDeadlineTimer deadline(kSlackMs);
    while (isRunning(pid)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(10);
    }
    return true;
}

bool noChildLeft()
{
    return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

} // namespace

class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void endings_data();
    void endings();
    void startProblems_data();
    void startProblems();
    void badCommand();
    void hangingCommandIsKilled_data();
    void hangingCommandIsKilled();
    void leftoverGrandchildDoesNotDelayOrSurvive();
    void workingDirectoryIsNeverSearched();
    void findProgramSkipsWhatCannotRun();
    void timeoutNeverNegative();
    void descriptorsOpenedMeanwhileStayHome_data();
    void descriptorsOpenedMeanwhileStayHome();

private:
    QString writeScript(const QString &name, const QByteArray &body, QFile::Permissions extra = QFile::ExeOwner);
    qint64 readPid(const QString &name) const;

    QTemporaryDir m_bin;
    QByteArray m_savedPath;
    QString m_savedCwd;
};

void TestProcess::initTestCase()
{
    QVERIFY(m_bin.isValid());
    m_savedPath = qgetenv("PATH");
    m_savedCwd = QDir::currentPath();
}

void TestProcess::cleanupTestCase()
{
    qputenv("PATH", m_savedPath);
}

void TestProcess::init()
{
    qputenv("PATH", QFile::encodeName(m_bin.path()) + ':' + m_savedPath);
}

void TestProcess::cleanup()
{
    QDir::setCurrent(m_savedCwd);
    QVERIFY2(noChildLeft(), "a child was left unreaped");
}

QString TestProcess::writeScript(const QString &name, const QByteArray &body, QFile::Permissions extra)
{
    const QString path = m_bin.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write("#!/bin/sh\n" + body + '\n');
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | extra);
    return path;
}

qint64 TestProcess::readPid(const QString &name) const
{
    QFile file(m_bin.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : -1;
}

void TestProcess::endings_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("retcode");
    QTest::addColumn<bool>("nullDeviceClosed");  // the host closed what the launcher keeps open

    QTest::newRow("success") << QByteArray("exit 0") << int(Process::Ran) << 0 << false;
    QTest::newRow("exit 1") << QByteArray("exit 1") << int(Process::Ran) << 1 << false;
    QTest::newRow("exit 7") << QByteArray("exit 7") << int(Process::Ran) << 7 << false;
    QTest::newRow("killed") << QByteArray("kill -KILL $$") << int(Process::Crashed) << -1 << false;
    // The test ignores SIGPIPE and SIGHUP and blocks SIGUSR1; the child must
    // get the defaults back and die of them.
    QTest::newRow("SIGPIPE reset") << QByteArray("kill -PIPE $$; exit 0") << int(Process::Crashed) << -1 << false;
    QTest::newRow("SIGHUP reset") << QByteArray("kill -HUP $$; exit 0") << int(Process::Crashed) << -1 << false;
    QTest::newRow("SIGUSR1 unblocked") << QByteArray("kill -USR1 $$; exit 0") << int(Process::Crashed) << -1 << false;
    QTest::newRow("stdin is empty") << QByteArray("read line && exit 9; exit 4") << int(Process::Ran) << 4 << false;
    // Fields after the name in /proc/PID/stat: state, parent, group, session.
    QTest::newRow("session of its own")
        << QByteArray("read -r s < /proc/$$/stat; set -- ${s##*) }; [ \"$4\" = \"$$\" ] && exit 5; exit 6")
        << int(Process::Ran) << 5 << false;
    QTest::newRow("no inherited descriptor")
        << QByteArray("[ -e /proc/$$/fd/$KEL_OPEN_FD ] && exit 7; exit 8") << int(Process::Ran) << 8 << false;
    QTest::newRow("this process's environment")
        << QByteArray("[ \"$KEL_PROBE_VALUE\" = 'a b' ] && exit 3; exit 2") << int(Process::Ran) << 3 << false;
    const QByteArray quiet("echo out; echo err >&2; [ \"$(readlink /proc/$$/fd/1)\" = /dev/null ] && "
                           "[ \"$(readlink /proc/$$/fd/2)\" = /dev/null ] && exit 5; exit 6");
    QTest::newRow("output goes nowhere") << quiet << int(Process::Ran) << 5 << false;
    QTest::newRow("output goes nowhere, null device closed by the host") << quiet << int(Process::Ran) << 5 << true;
}

void TestProcess::endings()
{
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(int, retcode);
    QFETCH(bool, nullDeviceClosed);
    QVERIFY(!writeScript(QStringLiteral("kel-probe"), body).isEmpty());

    // A host that closes every descriptor it did not open itself; the file
    // it opens next may get the number, and must get nothing of the child.
    QFile hostFile(m_bin.filePath(QStringLiteral("host-file")));
    QList<int> reused;
    if (nullDeviceClosed) {
        QVERIFY(hostFile.open(QIODevice::ReadWrite | QIODevice::Truncate));
        for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::Files | QDir::System)) {
            const int number = fd.fileName().toInt();
            if (number > STDERR_FILENO && fd.symLinkTarget() == QLatin1String("/dev/null")) {
                QVERIFY(::dup2(hostFile.handle(), number) == number);
                reused.append(number);
            }
        }
        QVERIFY(!reused.isEmpty());
    }

    // A descriptor without close-on-exec, as careless host code leaves one.
    const int openFd = ::open("/dev/null", O_RDONLY);
    QVERIFY(openFd > STDERR_FILENO);
    qputenv("KEL_OPEN_FD", QByteArray::number(openFd));
    qputenv("KEL_PROBE_VALUE", "a b");
    sigset_t usr1;
    sigemptyset(&usr1);
    sigaddset(&usr1, SIGUSR1);
    sigset_t previousMask;
    ::pthread_sigmask(SIG_BLOCK, &usr1, &previousMask);
    const auto previousPipe = std::signal(SIGPIPE, SIG_IGN);
    const auto previousHup = std::signal(SIGHUP, SIG_IGN);
    Process p;
    const int got = p.RunNoWindow("kel-probe", true, true);
    std::signal(SIGHUP, previousHup);
    std::signal(SIGPIPE, previousPipe);
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ::close(openFd);
    QCOMPARE(got, status);
    QCOMPARE(p.GetChildRetcode(), retcode);
    for (const int number : reused)
        ::close(number);
    if (nullDeviceClosed)
        QCOMPARE(hostFile.size(), qint64(0));
}

void TestProcess::startProblems_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("status");

    QTest::newRow("not on PATH") << QStringLiteral("kel-no-such-program") << int(Process::NotFound);
    QTest::newRow("missing path") << QStringLiteral("/nonexistent-kel/prog") << int(Process::NotFound);
    QTest::newRow("not executable") << QStringLiteral("@plain") << int(Process::StartFailed);
    QTest::newRow("directory") << QStringLiteral("@") << int(Process::StartFailed);
}

void TestProcess::startProblems()
{
    QFETCH(QString, command);
    QFETCH(int, status);
    writeScript(QStringLiteral("plain"), "exit 0", {});
    if (command.startsWith(QLatin1Char('@')))
        command = m_bin.filePath(command.mid(1));

    Process p;
    QCOMPARE(p.RunNoWindow(QFile::encodeName(command).constData(), true, true), status);
    QCOMPARE(p.GetChildRetcode(), -1);
}

void TestProcess::badCommand()
{
    Process p;
    QCOMPARE(p.RunNoWindow(nullptr, true, true), int(Process::BadCommand));
    QCOMPARE(p.RunNoWindow("", true, true), int(Process::BadCommand));
}

void TestProcess::hangingCommandIsKilled_data()
{
    QTest::addColumn<QByteArray>("body");

    QTest::newRow("sleeps") << QByteArray("echo $$ > \"$0.pid\"; exec sleep 30");
    QTest::newRow("ignores TERM, waits on a grandchild")
        << QByteArray("trap '' TERM; sleep 30 & echo $! > \"$0.pid\"; wait");
}

void TestProcess::hangingCommandIsKilled()
{
    QFETCH(QByteArray, body);
    QVERIFY(!writeScript(QStringLiteral("kel-hang"), body).isEmpty());

    Process p;
    p.setTimeoutMs(kShortTimeoutMs);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(p.RunNoWindow("kel-hang", true, true), int(Process::TimedOut));
    QVERIFY(timer.elapsed() < kShortTimeoutMs + kSlackMs);
    QCOMPARE(p.GetChildRetcode(), -1);
    const qint64 pid = readPid(QStringLiteral("kel-hang.pid"));
    QVERIFY(pid > 0);
    QVERIFY2(endsSoon(pid), "the command or its grandchild outlived the call");
}

void TestProcess::leftoverGrandchildDoesNotDelayOrSurvive()
{
    // The grandchild keeps the script's output open and would run for 30 s.
    QVERIFY(!writeScript(QStringLiteral("kel-daemon"), "sleep 30 & echo $! > \"$0.pid\"; exit 3").isEmpty());
    Process p;
    p.setTimeoutMs(10000);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(p.RunNoWindow("kel-daemon", true, true), int(Process::Ran));
    QVERIFY(timer.elapsed() < kSlackMs);
    QCOMPARE(p.GetChildRetcode(), 3);
    QVERIFY2(endsSoon(readPid(QStringLiteral("kel-daemon.pid"))), "the grandchild outlived the call");
}

void TestProcess::workingDirectoryIsNeverSearched()
{
    QTemporaryDir cwd;
    QVERIFY(cwd.isValid());
    const QString marker = cwd.filePath(QStringLiteral("ran"));
    QFile planted(cwd.filePath(QStringLiteral("kel-planted")));
    QVERIFY(planted.open(QIODevice::WriteOnly));
    planted.write("#!/bin/sh\ntouch '" + QFile::encodeName(marker) + "'\n");
    planted.close();
    planted.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(QDir(cwd.path()).mkdir(QStringLiteral("sub")));
    QFile::copy(planted.fileName(), cwd.filePath(QStringLiteral("sub/kel-planted")));

    QVERIFY(QDir::setCurrent(cwd.path()));
    qputenv("PATH", "::.:sub:./sub:");
    QVERIFY(Process::FindProgram("kel-planted").IsEmpty());
    Process p;
    QCOMPARE(p.RunNoWindow("kel-planted", true, true), int(Process::NotFound));
    QVERIFY(!QFile::exists(marker));
}

void TestProcess::findProgramSkipsWhatCannotRun()
{
    QTemporaryDir later;
    QVERIFY(later.isValid());
    // First on PATH: a directory and a file without the execute bit, both named like the program.
    QVERIFY(QDir(m_bin.path()).mkdir(QStringLiteral("kel-tool")));
    QTemporaryDir plainDir;
    QFile plain(plainDir.filePath(QStringLiteral("kel-tool")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString real = later.filePath(QStringLiteral("kel-tool"));
    QVERIFY(QFile::copy(writeScript(QStringLiteral("kel-tool-src"), "exit 5"), real));

    qputenv("PATH", QFile::encodeName(m_bin.path() + QLatin1Char(':') + plainDir.path() + QLatin1Char(':') + later.path()));
    QCOMPARE(QFile::decodeName(Process::FindProgram("kel-tool").c_str()), real);
    QCOMPARE(QByteArray(Process::FindProgram("./x/kel-tool").c_str()), QByteArray("./x/kel-tool"));
    QVERIFY(Process::FindProgram(nullptr).IsEmpty());
    Process p;
    QCOMPARE(p.RunNoWindow("kel-tool", true, true), int(Process::Ran));
    QCOMPARE(p.GetChildRetcode(), 5);
}

void TestProcess::timeoutNeverNegative()
{
    Process p;
    QCOMPARE(p.timeoutMs(), Process::DefaultTimeoutMs);
    p.setTimeoutMs(-5);
    QCOMPARE(p.timeoutMs(), 0);
}

void TestProcess::descriptorsOpenedMeanwhileStayHome_data()
{
    QTest::addColumn<bool>("detached");
    QTest::newRow("run to its end") << false;
    QTest::newRow("started detached") << true;
}

// While another thread opens a file without close-on-exec, over and over, no
// started program may hold it: the close must happen in the child itself,
// after the fork, not from a list the host made just before.
void TestProcess::descriptorsOpenedMeanwhileStayHome()
{
    QFETCH(bool, detached);
    constexpr int kStarts = 200;
    const QString marker = m_bin.filePath(QStringLiteral("kel-marker"));
    QVERIFY(QFile(marker).open(QIODevice::WriteOnly));
    qputenv("KEL_MARKER", QFile::encodeName(marker));
    // Exit status 1 tells that the program holds the file.
    QVERIFY(!writeScript(QStringLiteral("kel-fdcheck"),
                         "for f in /proc/$$/fd/*; do [ \"$f\" -ef \"$KEL_MARKER\" ] && exit 1; done; exit 0")
                 .isEmpty());

    std::atomic<bool> stop{false};
    std::thread opener([&stop, path = QFile::encodeName(marker)] {
        while (!stop) {
            const int fd = ::open(path.constData(), O_RDONLY);
            if (fd >= 0)
                ::close(fd);
        }
    });
    KelTest::MessageRecorder reports;
    const Port_MsgManData channel = Port_MsgManData::createObject("test", "tst_process_unix", 1, "");
    int holding = 0;
    int notStarted = 0;
    for (int i = 0; i < kStarts; ++i) {
        if (detached) {
            notStarted += Port::Launcher::start(Port::CommandLine(QStringLiteral("kel-fdcheck")), channel,
                                                QString::number(i)) ? 0 : 1;
            continue;
        }
        Process p;
        p.setTimeoutMs(10000);
        notStarted += p.RunNoWindow("kel-fdcheck", true, true) == Process::Ran ? 0 : 1;
        holding += p.GetChildRetcode() == 1 ? 1 : 0;
    }
    stop = true;
    opener.join();
    // A detached program that held the file reports its exit status 1.
    QDeadlineTimer deadline(60000);
    while (detached && Port::Launcher::reportsPending() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    if (detached)
        holding = int(reports.messages().size());
    qInfo("FIGURE: %d programs %s while another thread opened a file without close-on-exec: %d held it, "
          "%d not started", kStarts, detached ? "started detached" : "run to their end", holding, notStarted);
    QCOMPARE(notStarted, 0);
    QCOMPARE(holding, 0);
}

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process_unix.moc"
