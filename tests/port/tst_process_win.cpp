// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Tests of Port::Process and the launcher under it on Windows: this program in child roles, jobs, statuses, arguments, PATH.
#include "ArgRecorder.h"
#include "KelTestSupport.h"

#include <Port/CommandLine.h>
#include <Port/Launcher.h>
#include <Port/Process.h>

#include <QtTest/QtTest>

#include <cstdlib>
#include <string>

#include <windows.h>

using Port::Launcher;
using Port::Process;

namespace {

// The role this program plays when the test starts it as a child, and where
// its processes write their ids.
constexpr char kRoleVariable[] = "KEL_PROCESS_TEST_ROLE";
constexpr char kPidFolderVariable[] = "KEL_PROCESS_TEST_PIDS";
constexpr char kProbeVariable[] = "KEL_PROBE_VALUE";
constexpr char kOpenHandleVariable[] = "KEL_OPEN_HANDLE";
constexpr char kOpenFileVariable[] = "KEL_OPEN_FILE";
constexpr char kExitVariable[] = "KEL_ARGRECORDER_EXIT";
constexpr DWORD kSleepMs = 30000;
// The first bound a hanging command gets: long enough for it and its
// grandchild to start on an idle machine; a busy one gets twice as long, and again.
constexpr int kFirstBoundMs = 4000;
constexpr int kBoundAttempts = 3;
// Only far below the children's sleep: a killed or finished run returns long
// before it, even on a busy machine under an emulator.
constexpr qint64 kReturnLimitMs = 20000;
constexpr DWORD kEndWaitMs = 20000;
// Starting this program under wine takes a second or more.
constexpr int kChildRunMs = 60000;

// ---- Child side ---------------------------------------------------------------

void writePid(const char *name)
{
    const QString path = qEnvironmentVariable(kPidFolderVariable) + QLatin1Char('/') + QLatin1String(name);
    QFile file(path + QLatin1String(".part"));
    if (file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(quint64(GetCurrentProcessId()))) > 0) {
        file.close();
        file.rename(path);
    }
}

// Starts this program again as a sleeper, inside this process's job unless it breaks away.
bool startGrandchild(DWORD extraFlags)
{
    SetEnvironmentVariableW(L"KEL_PROCESS_TEST_ROLE", L"sleep");
    std::wstring self = QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdWString();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(self.c_str(), &self[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW | extraFlags, nullptr,
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    const QString pidFile = qEnvironmentVariable(kPidFolderVariable) + QLatin1String("/grandchild");
    QDeadlineTimer deadline(kChildRunMs);
    while (!QFile::exists(pidFile) && !deadline.hasExpired())
        QThread::msleep(10);
    return true;
}

// The file a handle refers to, or an empty string.
QString fileOfHandle(HANDLE handle)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetFinalPathNameByHandleW(handle, path, MAX_PATH, FILE_NAME_NORMALIZED);
    return length > 0 && length < MAX_PATH ? QString::fromWCharArray(path, int(length)) : QString();
}

// The null device: a character device that is no console, empty when read.
bool isNullDevice(HANDLE handle)
{
    DWORD mode = 0;
    char byte = 0;
    DWORD read = 1;
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR
           && !GetConsoleMode(handle, &mode) && ReadFile(handle, &byte, 1, &read, nullptr) && read == 0;
}

int playRole(const QString &role)
{
    if (role == QLatin1String("exit 7"))
        return 7;
    if (role == QLatin1String("exit -1"))
        std::exit(-1);
    if (role == QLatin1String("abort"))
        std::abort();
    if (role == QLatin1String("exception status"))
        ExitProcess(STATUS_ACCESS_VIOLATION);
    if (role == QLatin1String("environment"))
        return qEnvironmentVariable(kProbeVariable) == QLatin1String("a b") ? 3 : 2;
    if (role == QLatin1String("handles")) {
        const HANDLE handle = reinterpret_cast<HANDLE>(qEnvironmentVariable(kOpenHandleVariable).toULongLong());
        return fileOfHandle(handle).endsWith(qEnvironmentVariable(kOpenFileVariable), Qt::CaseInsensitive) ? 7 : 8;
    }
    if (role == QLatin1String("streams")) {
        const bool allNull = isNullDevice(GetStdHandle(STD_INPUT_HANDLE)) && isNullDevice(GetStdHandle(STD_OUTPUT_HANDLE))
                             && isNullDevice(GetStdHandle(STD_ERROR_HANDLE));
        return allNull ? 5 : 6;
    }
    if (role == QLatin1String("sleep")) {
        writePid("grandchild");
        Sleep(kSleepMs);
        return 0;
    }
    writePid("child");
    if (role == QLatin1String("sleep alone")) {
        Sleep(kSleepMs);
        return 0;
    }
    // The grandchild tries to leave the job first; the job does not allow it.
    if (role == QLatin1String("grandchild leaving the job") && !startGrandchild(CREATE_BREAKAWAY_FROM_JOB))
        startGrandchild(0);
    if (role == QLatin1String("grandchild") || role == QLatin1String("grandchild, then exit 3"))
        startGrandchild(0);
    if (role == QLatin1String("grandchild, then exit 3"))
        return 3;
    Sleep(kSleepMs);
    return 0;
}

// ---- Test side ----------------------------------------------------------------

QByteArray portText(const QString &text)
{
    return text.toUtf8();
}

// The search path in UTF-16: the C runtime's copy of the environment holds the
// ANSI code page, which would lose a folder named beyond it.
QString searchPath()
{
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring buffer(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"PATH", &buffer[0], size);
    return QString::fromWCharArray(buffer.data(), int(length < size ? length : 0));
}

void setSearchPath(const QString &path)
{
    SetEnvironmentVariableW(L"PATH", path.toStdWString().c_str());
}

// Whether the process of pid has ended, or ends within the wait.
bool endsSoon(qint64 pid)
{
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return true;
    const bool ended = WaitForSingleObject(process, kEndWaitMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

} // namespace

class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void endings_data();
    void endings();
    void argumentsArriveExactly_data();
    void argumentsArriveExactly();
    void hangingCommandIsKilledWithItsJob_data();
    void hangingCommandIsKilledWithItsJob();
    void leftoverGrandchildDoesNotDelayOrSurvive();
    void startProblems_data();
    void startProblems();
    void pathLookup_data();
    void pathLookup();

private:
    qint64 readPid(const char *name) const;
    QString copyRecorder(const QString &folder) const;

    QTemporaryDir m_work;
    QString m_savedPath;
    QString m_savedCwd;
};

void TestProcess::initTestCase()
{
    QVERIFY(m_work.isValid());
    QVERIFY2(QFile::exists(KelTest::argRecorderPath()), "kel_argrecorder is not built beside the tests");
    m_savedPath = searchPath();
    m_savedCwd = QDir::currentPath();
    qputenv(kPidFolderVariable, QFile::encodeName(m_work.path()));
}

void TestProcess::init()
{
    QFile::remove(m_work.filePath(QStringLiteral("child")));
    QFile::remove(m_work.filePath(QStringLiteral("grandchild")));
}

void TestProcess::cleanup()
{
    QDir::setCurrent(m_savedCwd);
    setSearchPath(m_savedPath);
    for (const char *name : {kRoleVariable, kProbeVariable, kOpenHandleVariable, kOpenFileVariable, kExitVariable,
                             KelTest::ArgRecorderOutVariable})
        qunsetenv(name);
}

qint64 TestProcess::readPid(const char *name) const
{
    QFile file(m_work.filePath(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toLongLong() : -1;
}

QString TestProcess::copyRecorder(const QString &folder) const
{
    QDir().mkpath(folder);
    const QString copy = folder + QLatin1String("/kel-tool.exe");
    return QFile::copy(KelTest::argRecorderPath(), copy) ? copy : QString();
}

void TestProcess::endings_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("retcode");

    QTest::newRow("exit 7") << QStringLiteral("exit 7") << int(Process::Ran) << 7;
    // All 32 bits of the status, as a program gave it: no exception status.
    QTest::newRow("exit -1") << QStringLiteral("exit -1") << int(Process::Ran) << -1;
    // Windows has no signals: the C runtime's abort is an ordinary exit with status 3.
    QTest::newRow("abort") << QStringLiteral("abort") << int(Process::Ran) << 3;
    QTest::newRow("exception status") << QStringLiteral("exception status") << int(Process::Crashed) << -1;
    QTest::newRow("this process's environment") << QStringLiteral("environment") << int(Process::Ran) << 3;
    QTest::newRow("no inherited handle") << QStringLiteral("handles") << int(Process::Ran) << 8;
    QTest::newRow("null device as standard streams") << QStringLiteral("streams") << int(Process::Ran) << 5;
}

void TestProcess::endings()
{
    QFETCH(QString, role);
    QFETCH(int, status);
    QFETCH(int, retcode);
    qputenv(kRoleVariable, role.toUtf8());
    qputenv(kProbeVariable, "a b");
    // An inheritable handle, as careless host code leaves one.
    const QString openFile = m_work.filePath(QStringLiteral("held-open"));
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const HANDLE held = CreateFileW(QDir::toNativeSeparators(openFile).toStdWString().c_str(), GENERIC_WRITE, 0,
                                    &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    QVERIFY(held != INVALID_HANDLE_VALUE);
    qputenv(kOpenHandleVariable, QByteArray::number(quint64(held)));
    qputenv(kOpenFileVariable, "held-open");

    Process p;
    p.setTimeoutMs(kChildRunMs);
    const int got = p.RunNoWindow(portText(QCoreApplication::applicationFilePath()).constData(), true, true);
    CloseHandle(held);
    QCOMPARE(got, status);
    QCOMPARE(p.GetChildRetcode(), retcode);
}

void TestProcess::argumentsArriveExactly_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("blanks and empty") << QStringList{QStringLiteral("a b"), QString(), QStringLiteral(" "),
                                                     QStringLiteral("\t")};
    QTest::newRow("quotes") << QStringList{QStringLiteral("\""), QStringLiteral("a\"b"), QStringLiteral("\"a b\""),
                                           QStringLiteral("\"\"")};
    QTest::newRow("backslashes before quotes and at the end")
        << QStringList{QStringLiteral("a\\\"b"), QStringLiteral("a\\\\\"b"), QStringLiteral("C:\\dir\\"),
                       QStringLiteral("\\\\server\\share\\ x\\\\")};
    QTest::newRow("cmd.exe syntax") << QStringList{QStringLiteral("%PATH%"), QStringLiteral("^&|<>"),
                                                   QStringLiteral("a & b"), QStringLiteral("!x!"),
                                                   QStringLiteral("%1")};
    QTest::newRow("option-like") << QStringList{QStringLiteral("-x"), QStringLiteral("--help"), QStringLiteral("/?")};
    QTest::newRow("beyond the code page") << QStringList{QStringLiteral("\u6838\u5fc3"), QStringLiteral("\U0001F600"),
                                                         QStringLiteral("e\u0301"), QStringLiteral("\u00fc \u2192")};
}

// Each argument reaches the program as one argument, exactly, with no shell between.
void TestProcess::argumentsArriveExactly()
{
    QFETCH(QStringList, arguments);
    const QString records = m_work.filePath(QStringLiteral("args.rec"));
    QFile::remove(records);
    qputenv(KelTest::ArgRecorderOutVariable, QFile::encodeName(records));

    const Launcher::RunResult result = Launcher::run(Port::CommandLine(KelTest::argRecorderPath(), arguments), kChildRunMs);
    QCOMPARE(int(result.status), int(Process::Ran));
    QCOMPARE(result.exitCode, 0);
    QList<QByteArray> expected;
    for (const QString &argument : arguments)
        expected << KelTest::recordedBytes(argument);
    QCOMPARE(KelTest::readArgRecords(records), expected);
}

void TestProcess::hangingCommandIsKilledWithItsJob_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<bool>("withGrandchild");
    QTest::newRow("sleeps") << QStringLiteral("sleep alone") << false;
    QTest::newRow("waits on a grandchild") << QStringLiteral("grandchild") << true;
    QTest::newRow("its grandchild tries to leave the job") << QStringLiteral("grandchild leaving the job") << true;
}

void TestProcess::hangingCommandIsKilledWithItsJob()
{
    QFETCH(QString, role);
    QFETCH(bool, withGrandchild);
    qputenv(kRoleVariable, role.toUtf8());

    // The command must have started all it starts before the bound runs out,
    // or the test proves nothing about them.
    int boundMs = kFirstBoundMs;
    for (int attempt = 1;; ++attempt, boundMs *= 2) {
        init();
        QElapsedTimer timer;
        timer.start();
        const Launcher::RunResult result =
            Launcher::run(Port::CommandLine(QCoreApplication::applicationFilePath()), boundMs);
        const qint64 returnedMs = timer.elapsed();
        QCOMPARE(int(result.status), int(Process::TimedOut));
        QVERIFY2(returnedMs < boundMs + kReturnLimitMs, qPrintable(QString::number(returnedMs)));
        const bool allStarted = readPid("child") > 0 && (!withGrandchild || readPid("grandchild") > 0);
        if (allStarted || attempt == kBoundAttempts) {
            QVERIFY2(allStarted, "the command did not start all it starts within the longest bound");
            qInfo("bound %d ms: returned after %lld ms", boundMs, returnedMs);
            break;
        }
    }
    for (const char *name : {"child", "grandchild"}) {
        const qint64 pid = readPid(name);
        QVERIFY2(pid <= 0 || endsSoon(pid), name);
    }
}

void TestProcess::leftoverGrandchildDoesNotDelayOrSurvive()
{
    qputenv(kRoleVariable, "grandchild, then exit 3");
    Process p;
    p.setTimeoutMs(kChildRunMs);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(p.RunNoWindow(portText(QCoreApplication::applicationFilePath()).constData(), true, true),
             int(Process::Ran));
    QVERIFY2(timer.elapsed() < kReturnLimitMs, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(p.GetChildRetcode(), 3);
    const qint64 grandchild = readPid("grandchild");
    QVERIFY(grandchild > 0);
    QVERIFY2(endsSoon(grandchild), "the grandchild outlived the call");
}

void TestProcess::startProblems_data()
{
    QTest::addColumn<QString>("command");  // "@" stands for the work folder
    QTest::addColumn<int>("status");
    QTest::newRow("not on PATH") << QStringLiteral("kel-no-such-program") << int(Process::NotFound);
    QTest::newRow("missing path") << QStringLiteral("C:\\nonexistent-kel\\prog.exe") << int(Process::NotFound);
    QTest::newRow("not a program") << QStringLiteral("@/plain.exe") << int(Process::StartFailed);
    QTest::newRow("directory") << QStringLiteral("@") << int(Process::StartFailed);
    QTest::newRow("empty") << QString() << int(Process::BadCommand);
}

void TestProcess::startProblems()
{
    QFETCH(QString, command);
    QFETCH(int, status);
    QFile plain(m_work.filePath(QStringLiteral("plain.exe")));
    QVERIFY(plain.open(QIODevice::WriteOnly) && plain.write("not a program\n") > 0);
    plain.close();
    command.replace(QLatin1Char('@'), m_work.path());

    Process p;
    QCOMPARE(p.RunNoWindow(portText(command).constData(), true, true), status);
    QCOMPARE(p.GetChildRetcode(), -1);
}

void TestProcess::pathLookup_data()
{
    QTest::addColumn<QStringList>("path");        // entries; "@" stands for the work folder
    QTest::addColumn<QStringList>("programs");    // folders that get a kel-tool.exe
    QTest::addColumn<QString>("expected");        // the program found; empty: none
    QTest::addColumn<QString>("workingFolder");

    QTest::newRow("working folder and relative entries never searched")
        << QStringList{QString(), QStringLiteral("."), QStringLiteral("sub"), QStringLiteral(".\\sub"),
                       QStringLiteral("\\sub")}
        << QStringList{QStringLiteral("@/cwd"), QStringLiteral("@/cwd/sub")} << QString() << QStringLiteral("@/cwd");
    QTest::newRow("a folder named like the program is skipped")
        << QStringList{QStringLiteral("@/first"), QStringLiteral("@/later")} << QStringList{QStringLiteral("@/later")}
        << QStringLiteral("@/later/kel-tool.exe") << QString();
    QTest::newRow("quoted entry") << QStringList{QStringLiteral("\"@/with blank\"")}
                                  << QStringList{QStringLiteral("@/with blank")}
                                  << QStringLiteral("@/with blank/kel-tool.exe") << QString();
    // Found as a shell would find it, so that it is refused by name: never run.
    QTest::newRow("a batch file first on PATH")
        << QStringList{QStringLiteral("@/batch"), QStringLiteral("@/later")} << QStringList{QStringLiteral("@/later")}
        << QStringLiteral("@/batch/kel-tool.bat") << QString();
    QTest::newRow("folder beyond the code page")
        << QStringList{QStringLiteral("@/\u5de5\u5177 \U0001F600")} << QStringList{QStringLiteral("@/\u5de5\u5177 \U0001F600")}
        << QStringLiteral("@/\u5de5\u5177 \U0001F600/kel-tool.exe") << QString();
}

// A bare name is looked up in the absolute entries of PATH only, and the
// program found is the one that runs, whatever its folder is called.
void TestProcess::pathLookup()
{
    QFETCH(QStringList, path);
    QFETCH(QStringList, programs);
    QFETCH(QString, expected);
    QFETCH(QString, workingFolder);
    const auto inWork = [this](QString text) { return QDir::toNativeSeparators(text.replace(QLatin1Char('@'), m_work.path())); };
    for (const QString &folder : programs)
        QVERIFY(!copyRecorder(inWork(folder)).isEmpty());
    QVERIFY(QDir().mkpath(inWork(QStringLiteral("@/first/kel-tool.exe"))));
    if (!workingFolder.isEmpty())
        QVERIFY(QDir::setCurrent(inWork(workingFolder)));
    QStringList entries;
    for (const QString &entry : path)
        entries << inWork(entry);
    // The saved entries stay behind: they name the folders the programs' libraries are in.
    setSearchPath(entries.join(QLatin1Char(';')) + QLatin1Char(';') + m_savedPath);
    const QString records = m_work.filePath(QStringLiteral("lookup.rec"));
    QFile::remove(records);
    qputenv(KelTest::ArgRecorderOutVariable, QFile::encodeName(records));
    qputenv(kExitVariable, "5");
    const bool batch = expected.endsWith(QLatin1String(".bat"));
    if (batch) {
        QVERIFY(QDir().mkpath(inWork(QStringLiteral("@/batch"))));
        QFile file(inWork(expected));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("@echo ran>\"" + records.toUtf8() + "\"\r\n") > 0);
    }

    const QString found = QString::fromUtf8(Process::FindProgram("kel-tool").c_str());
    QCOMPARE(found, expected.isEmpty() ? QString() : inWork(expected));
    Process p;
    p.setTimeoutMs(kChildRunMs);
    const int status = p.RunNoWindow("kel-tool", true, true);
    QCOMPARE(status, int(expected.isEmpty() ? Process::NotFound : batch ? Process::StartFailed : Process::Ran));
    QCOMPARE(p.GetChildRetcode(), expected.isEmpty() || batch ? -1 : 5);
    QCOMPARE(QFile::exists(records), !expected.isEmpty() && !batch);
    QDir(inWork(QStringLiteral("@/batch"))).removeRecursively();
    for (const QString &folder : programs)
        QDir(inWork(folder)).removeRecursively();
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString role = qEnvironmentVariable(kRoleVariable);
    if (!role.isEmpty())
        return playRole(role);
    TestProcess test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_process_win.moc"
