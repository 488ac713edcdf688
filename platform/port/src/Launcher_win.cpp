// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port::Launcher on Windows: CreateProcessW without a shell, a job for runs to the end, thread-pool waits for late failures.
#include "LauncherPlatform.h"
#include "WindowsCommandLine.h"

#include <QtCore/QDir>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

namespace Port::detail {

namespace {

// What createProcess answers for a program whyRefused names: an error number
// of the kind applications define (bit 29 set), which the system never gives.
constexpr DWORD kRefusedProgram = 0x20000001;

// Closes a handle on every exit path.
class Handle
{
public:
    explicit Handle(HANDLE h = nullptr) : m_handle(h) {}
    ~Handle()
    {
        if (m_handle && m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return m_handle; }

private:
    HANDLE m_handle;
};

StartFailure failureOf(DWORD error)
{
    const int code = static_cast<int>(error);
    switch (error) {
    case ERROR_SUCCESS:
        return StartFailure{};
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return StartFailure{StartProblem::Gone, code};
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return StartFailure{StartProblem::NotAProgram, code};
    case ERROR_ACCESS_DENIED:
        return StartFailure{StartProblem::NotAllowed, code};
    case kRefusedProgram:
        return StartFailure{StartProblem::Refused, code};
    default:
        return StartFailure{StartProblem::Other, code};
    }
}

// Windows has no signals: an abnormal end shows as an exception status in
// the exit code, such as 0xC0000005 for an access violation. exit(-1) and
// every other status a program gives itself is an exit status.
bool endedAbnormally(DWORD exitCode)
{
    return (exitCode & 0xF0000000u) == 0xC0000000u;
}

// The null device, opened so that a child can inherit it; null when it cannot be opened.
HANDLE openInheritableNullDevice()
{
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    const HANDLE device = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
}

// Lets a child inherit exactly the handles given, however many inheritable
// handles the host holds, even ones other threads open meanwhile.
class InheritedHandles
{
public:
    explicit InheritedHandles(HANDLE handle) : m_handles{handle}
    {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        m_buffer.resize(size);
        auto *list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        if (InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            m_list = list;
            if (!UpdateProcThreadAttribute(m_list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, m_handles, sizeof m_handles,
                                           nullptr, nullptr)) {
                DeleteProcThreadAttributeList(m_list);
                m_list = nullptr;
            }
        }
    }
    ~InheritedHandles()
    {
        if (m_list)
            DeleteProcThreadAttributeList(m_list);
    }
    InheritedHandles(const InheritedHandles &) = delete;
    InheritedHandles &operator=(const InheritedHandles &) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST list() const { return m_list; }

private:
    HANDLE m_handles[1];
    std::vector<char> m_buffer;
    LPPROC_THREAD_ATTRIBUTE_LIST m_list = nullptr;
};

// The application is named, so nothing is searched for and no shell reads the
// command line. The null device is the program's standard streams and the only
// handle of the host it inherits; without it, it inherits none. 0 or the system error.
DWORD createProcess(const QString &program, const QStringList &arguments, DWORD flags, PROCESS_INFORMATION *info)
{
    // Every start passes here, whichever route found the program.
    if (whyRefused(program))
        return kRefusedProgram;
    const std::wstring application = QDir::toNativeSeparators(program).toStdWString();
    // CreateProcessW may write to the command line.
    std::wstring commandLine = windowsCommandLine(program, arguments).toStdWString();
    const Handle nullDevice(openInheritableNullDevice());
    const InheritedHandles inherited(nullDevice.get());
    STARTUPINFOEXW startup = {};
    startup.StartupInfo.cb = sizeof startup.StartupInfo;
    BOOL inherit = FALSE;
    if (nullDevice.get() && inherited.list()) {
        startup.StartupInfo.cb = sizeof startup;
        startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
        startup.StartupInfo.hStdInput = nullDevice.get();
        startup.StartupInfo.hStdOutput = nullDevice.get();
        startup.StartupInfo.hStdError = nullDevice.get();
        startup.lpAttributeList = inherited.list();
        flags |= EXTENDED_STARTUPINFO_PRESENT;
        inherit = TRUE;
    }
    if (!CreateProcessW(application.c_str(), &commandLine[0], nullptr, nullptr, inherit,
                        flags | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &startup.StartupInfo, info))
        return GetLastError();
    return ERROR_SUCCESS;
}

// A job that ends everything the command starts once its handle closes, so no
// grandchild outlives the call.
HANDLE createKillOnCloseJob()
{
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

// What a wait holds: the program, where to report, and a reference to this
// library, so that a host that unloads the library during the report window
// runs no unloaded code; the reference goes once the callback has returned.
struct LateWatch
{
    HANDLE process;
    LateFailureReport report;
    HMODULE library;
};

// Runs on a thread of the system's pool once the program ended or the report
// window is over, whichever comes first.
void CALLBACK onEndOrWindowOver(PTP_CALLBACK_INSTANCE instance, PVOID context, PTP_WAIT wait, TP_WAIT_RESULT result)
{
    const std::unique_ptr<LateWatch> watch(static_cast<LateWatch *>(context));
    DWORD exitCode = 0;
    if (result == WAIT_OBJECT_0 && GetExitCodeProcess(watch->process, &exitCode) && exitCode != 0)
        reportLateFailure(watch->report, ProgramEnd{endedAbnormally(exitCode), static_cast<int>(exitCode)});
    reportWindowClosed();
    CloseHandle(watch->process);
    CloseThreadpoolWait(wait);
    if (watch->library)
        FreeLibraryWhenCallbackReturns(instance, watch->library);
}

// Null when there is none to take.
HMODULE referenceToThisLibrary()
{
    HMODULE library = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&onEndOrWindowOver),
                       &library);
    return library;
}

// Windows keeps no zombies: once the program has ended or the report window
// is over, its handle is all there is to let go of. Takes over process.
void watchForLateFailure(HANDLE process, const LateFailureReport &report)
{
    auto watch = std::make_unique<LateWatch>(LateWatch{process, report, referenceToThisLibrary()});
    PTP_WAIT wait = CreateThreadpoolWait(&onEndOrWindowOver, watch.get(), nullptr);
    if (!wait) {
        CloseHandle(process);
        if (watch->library)
            FreeLibrary(watch->library);
        return;
    }
    reportWindowOpened();
    // A negative due time is relative, in units of 100 ns.
    ULARGE_INTEGER due;
    due.QuadPart = static_cast<ULONGLONG>(-10000LL * Launcher::LateFailureWindowMs);
    FILETIME dueTime;
    dueTime.dwLowDateTime = due.LowPart;
    dueTime.dwHighDateTime = due.HighPart;
    SetThreadpoolWait(wait, process, &dueTime);
    watch.release();
}

} // namespace

const char *whyRefused(const QString &program)
{
    // CreateProcessW hands a batch file to cmd.exe, which reads & | < > ^ % in
    // its arguments as commands, however the arguments are quoted. The name is
    // read as Windows reads it: a stream name after a colon and trailing dots
    // and blanks do not count. Any extension that begins so is refused, as
    // what Windows takes for a batch file by its name differs between versions.
    const QString path = QDir::toNativeSeparators(program);
    QString name = path.mid(path.lastIndexOf(QLatin1Char('\\')) + 1);
    if (name.size() >= 2 && name.at(1) == QLatin1Char(':') && name.size() == path.size())
        name.remove(0, 2);  // "C:viewer.bat", in drive C's current folder
    name = name.left(name.indexOf(QLatin1Char(':')));
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return nullptr;
    const QString extension = name.mid(dot + 1);
    for (const char *batch : {"bat", "cmd"}) {
        if (extension.startsWith(QLatin1String(batch), Qt::CaseInsensitive))
            return "a batch file, which Windows would run through cmd.exe, reading its arguments as commands";
    }
    return nullptr;
}

StartFailure spawnDetached(const QString &program, const QStringList &arguments, const LateFailureReport &report)
{
    PROCESS_INFORMATION info = {};
    // No console, and a process group of its own: the host's console and its
    // Ctrl+C never reach the program.
    const StartFailure failure =
        failureOf(createProcess(program, arguments, DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, &info));
    if (failure.problem != StartProblem::None)
        return failure;
    CloseHandle(info.hThread);
    watchForLateFailure(info.hProcess, report);
    return failure;
}

Launcher::RunResult runToEnd(const QString &program, const QStringList &arguments, int timeoutMs)
{
    const Handle job(createKillOnCloseJob());
    PROCESS_INFORMATION info = {};
    // Suspended until it is in the job, so nothing it starts escapes it.
    const StartFailure failure = failureOf(createProcess(program, arguments, CREATE_NO_WINDOW | CREATE_SUSPENDED, &info));
    if (failure.problem != StartProblem::None)
        return Launcher::RunResult{statusOf(failure.problem), -1};
    const Handle process(info.hProcess);
    const Handle thread(info.hThread);
    if (job.get())
        AssignProcessToJobObject(job.get(), process.get());
    ResumeThread(thread.get());

    if (WaitForSingleObject(process.get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) {
        if (job.get())
            TerminateJobObject(job.get(), 1);
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), INFINITE);
        return Launcher::RunResult{Process::TimedOut, -1};
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode))
        return Launcher::RunResult{Process::Lost, -1};
    if (endedAbnormally(exitCode))
        return Launcher::RunResult{Process::Crashed, -1};
    // Closing the job on return ends whatever the command left running.
    return Launcher::RunResult{Process::Ran, static_cast<int>(exitCode)};
}

QByteArray endText(const ProgramEnd &end)
{
    if (end.abnormal)
        return QByteArrayLiteral("ended abnormally with status 0x")
               + QByteArray::number(static_cast<quint32>(end.code), 16).toUpper();
    return QByteArrayLiteral("ended with exit status ") + QByteArray::number(end.code);
}

} // namespace Port::detail
