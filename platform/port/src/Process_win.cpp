// Port::Process on Windows: PATH lookup, CreateProcessW without a window inside a job, bounded wait.
#include "ProcessPlatform.h"
#include "WideText_win.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <windows.h>

#include <string>

namespace Port::detail {

namespace {

// Extensions CreateProcessW can start directly; scripts need an interpreter.
const wchar_t *const kProgramExtensions[] = {L".exe", L".com"};

bool isFile(const std::wstring &path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// "C:\dir" or "\\server\share": never a drive-relative or working-directory entry.
bool isAbsoluteDirectory(const QString &dir)
{
    return (dir.size() >= 3 && dir.at(1) == QLatin1Char(':') && (dir.at(2) == QLatin1Char('\\') || dir.at(2) == QLatin1Char('/')))
        || dir.startsWith(QLatin1String("\\\\"));
}

bool hasExtension(const std::wstring &name)
{
    const std::wstring::size_type dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && name.find_first_of(L"\\/", dot) == std::wstring::npos;
}

// The first candidate for name inside dir that is a file.
std::wstring findInDirectory(const std::wstring &dir, const std::wstring &name)
{
    std::wstring base = dir;
    if (base.back() != L'\\' && base.back() != L'/')
        base += L'\\';
    base += name;
    if (hasExtension(name) && isFile(base))
        return base;
    for (const wchar_t *extension : kProgramExtensions) {
        if (isFile(base + extension))
            return base + extension;
    }
    return std::wstring();
}

QStringList pathEntries()
{
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (size == 0)
        return QStringList();
    std::wstring buffer(size, L'\0');
    const DWORD n = GetEnvironmentVariableW(L"PATH", &buffer[0], size);
    if (n == 0 || n >= size)
        return QStringList();
    buffer.resize(n);
    return QString::fromStdWString(buffer).split(QLatin1Char(';'));
}

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

int statusForStartError(DWORD error)
{
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? Process::NotFound
                                                                             : Process::StartFailed;
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

} // namespace

StringBase findProgram(const char *name)
{
    const std::wstring wideName = toWide(name);
    if (wideName.find_first_of(L"\\/") != std::wstring::npos)
        return StringBase(name);
    // Walk PATH ourselves rather than SearchPathW, which also looks in the
    // working directory where anyone may have planted a program.
    for (const QString &entry : pathEntries()) {
        QString dir = entry.trimmed();
        if (dir.size() >= 2 && dir.startsWith(QLatin1Char('"')) && dir.endsWith(QLatin1Char('"')))
            dir = dir.mid(1, dir.size() - 2);
        if (!isAbsoluteDirectory(dir))
            continue;
        const std::wstring found = findInDirectory(dir.toStdWString(), wideName);
        if (!found.empty())
            return fromWide(found);
    }
    return StringBase();
}

RunOutcome runProgram(const StringBase &program, int timeoutMs)
{
    RunOutcome outcome;
    const std::wstring application = toWide(program.c_str());
    // The command line is the quoted program alone; CreateProcessW may write to it.
    std::wstring commandLine = L"\"" + application + L"\"";

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const Handle job(createKillOnCloseJob());
    // Suspended until it is in the job, so nothing it starts escapes it.
    const DWORD flags = CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT;
    if (!CreateProcessW(application.c_str(), &commandLine[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                        &startup, &info)) {
        outcome.status = statusForStartError(GetLastError());
        return outcome;
    }
    const Handle process(info.hProcess);
    const Handle thread(info.hThread);
    if (job.get())
        AssignProcessToJobObject(job.get(), process.get());
    ResumeThread(thread.get());

    const DWORD waited = WaitForSingleObject(process.get(), static_cast<DWORD>(timeoutMs));
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), INFINITE);
        outcome.status = Process::TimedOut;
        return outcome;
    }
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(process.get(), &exitCode)) {
        outcome.status = Process::Lost;
        return outcome;
    }
    // Windows has no signals: an abnormal end shows as an NTSTATUS exit code,
    // such as 0xC0000005 for an access violation.
    if ((exitCode & 0xC0000000u) == 0xC0000000u) {
        outcome.status = Process::Crashed;
        return outcome;
    }
    outcome.status = Process::Ran;
    outcome.exitCode = static_cast<int>(exitCode);
    return outcome;
}

} // namespace Port::detail
