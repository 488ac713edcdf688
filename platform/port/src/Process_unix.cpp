// Port::Process on UNIX-like systems: PATH lookup, posix_spawn into its own process group, bounded wait.
#include "ProcessPlatform.h"

#include <QtCore/QByteArray>
#include <QtCore/QList>
#include <QtCore/QtGlobal>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace Port::detail {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kNullDevice[] = "/dev/null";
// Polling starts fast, since most probes end within a millisecond, and backs
// off so that a slow one does not keep a core busy.
constexpr std::chrono::microseconds kFirstPollDelay{200};
constexpr std::chrono::microseconds kLongestPollDelay{5000};

// Signals a host commonly ignores or blocks; the child gets them back at their defaults.
constexpr int kSignalsReset[] = {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM,
                                 SIGALRM, SIGUSR1, SIGUSR2, SIGTSTP, SIGTTIN, SIGTTOU};

bool isExecutableFile(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

QByteArray searchPath()
{
    if (qEnvironmentVariableIsSet("PATH"))
        return qgetenv("PATH");
    // No PATH at all: the system's own default, as the shells use.
    const std::size_t size = ::confstr(_CS_PATH, nullptr, 0);
    if (size == 0)
        return QByteArray();
    std::vector<char> buffer(size);
    ::confstr(_CS_PATH, buffer.data(), buffer.size());
    return QByteArray(buffer.data());
}

// Owns the spawn attributes and file actions, so every exit path frees them.
class SpawnSetup
{
public:
    SpawnSetup()
    {
        m_actionsReady = ::posix_spawn_file_actions_init(&m_actions) == 0;
        m_attrReady = ::posix_spawnattr_init(&m_attr) == 0;
    }
    ~SpawnSetup()
    {
        if (m_actionsReady)
            ::posix_spawn_file_actions_destroy(&m_actions);
        if (m_attrReady)
            ::posix_spawnattr_destroy(&m_attr);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    // 0 on success, else the error number of the step that failed.
    int prepare()
    {
        if (!m_actionsReady || !m_attrReady)
            return ENOMEM;
        int rc = redirectStandardStreams();
        if (rc == 0)
            rc = closeInheritedDescriptors();
        if (rc == 0)
            rc = setAttributes();
        return rc;
    }

    const posix_spawn_file_actions_t *actions() const { return &m_actions; }
    const posix_spawnattr_t *attributes() const { return &m_attr; }

private:
    int redirectStandardStreams()
    {
        int rc = ::posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, kNullDevice, O_RDONLY, 0);
        if (rc == 0)
            rc = ::posix_spawn_file_actions_addopen(&m_actions, STDOUT_FILENO, kNullDevice, O_WRONLY, 0);
        if (rc == 0)
            rc = ::posix_spawn_file_actions_addopen(&m_actions, STDERR_FILENO, kNullDevice, O_WRONLY, 0);
        return rc;
    }

    // A host descriptor left without close-on-exec would otherwise live on in
    // the child and in anything it leaves behind.
    int closeInheritedDescriptors()
    {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        return ::posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
#else
        return 0;
#endif
    }

    int setAttributes()
    {
        sigset_t noneBlocked;
        sigemptyset(&noneBlocked);
        sigset_t toDefault;
        sigemptyset(&toDefault);
        for (int sig : kSignalsReset)
            sigaddset(&toDefault, sig);
        // Its own process group (0: the child's pid) lets us end the child and
        // everything it started with one kill.
        int rc = ::posix_spawnattr_setpgroup(&m_attr, 0);
        if (rc == 0)
            rc = ::posix_spawnattr_setsigmask(&m_attr, &noneBlocked);
        if (rc == 0)
            rc = ::posix_spawnattr_setsigdefault(&m_attr, &toDefault);
        if (rc == 0)
            rc = ::posix_spawnattr_setflags(
                &m_attr, static_cast<short>(POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
        return rc;
    }

    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attr;
    bool m_actionsReady = false;
    bool m_attrReady = false;
};

int statusForStartError(int error)
{
    return (error == ENOENT || error == ENOTDIR) ? Process::NotFound : Process::StartFailed;
}

// Process::Ran when program can be started, else why not.
int checkStartable(const char *program)
{
    struct stat info;
    if (::stat(program, &info) != 0)
        return statusForStartError(errno);
    if (!S_ISREG(info.st_mode) || ::access(program, X_OK) != 0)
        return Process::StartFailed;
    return Process::Ran;
}

void killGroup(pid_t pgid)
{
    // ESRCH (nothing left in the group) is the usual, harmless answer.
    ::kill(-pgid, SIGKILL);
}

int reap(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) == -1) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

enum class EndState { Running, Ended, Lost };

// Whether the child has ended, without reaping it: while it is a zombie its
// pid, and so its process group id, cannot be handed to anyone else.
EndState peekEnd(pid_t pid)
{
    for (;;) {
        siginfo_t info;
        std::memset(&info, 0, sizeof info);
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0)
            return info.si_pid == 0 ? EndState::Running : EndState::Ended;
        if (errno != EINTR)
            return EndState::Lost; // ECHILD: reaped behind our back, SIGCHLD ignored
    }
}

RunOutcome outcomeOf(int waitStatus)
{
    RunOutcome outcome;
    if (waitStatus != -1 && WIFEXITED(waitStatus)) {
        outcome.status = Process::Ran;
        outcome.exitCode = WEXITSTATUS(waitStatus);
    } else if (waitStatus != -1 && WIFSIGNALED(waitStatus)) {
        outcome.status = Process::Crashed;
    } else {
        outcome.status = Process::Lost;
    }
    return outcome;
}

RunOutcome waitForChild(pid_t pid, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::chrono::microseconds delay = kFirstPollDelay;
    for (;;) {
        const EndState state = peekEnd(pid);
        if (state == EndState::Lost) {
            // The pid may already belong to someone else: killing its group is not safe.
            RunOutcome lost;
            lost.status = Process::Lost;
            return lost;
        }
        if (state == EndState::Ended) {
            // Whatever it left running in its group (say, a daemon holding its
            // output open) must not outlive the call.
            killGroup(pid);
            return outcomeOf(reap(pid));
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            break;
        const auto remaining = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
        std::this_thread::sleep_for(std::min(delay, remaining));
        delay = std::min(delay * 2, kLongestPollDelay);
    }
    killGroup(pid);
    ::kill(pid, SIGKILL); // in case it had not joined its group yet
    reap(pid);
    RunOutcome timedOut;
    timedOut.status = Process::TimedOut;
    return timedOut;
}

} // namespace

StringBase findProgram(const char *name)
{
    if (std::strchr(name, '/'))
        return StringBase(name);
    const QByteArray path = searchPath();
    for (const QByteArray &dir : path.split(':')) {
        // Only absolute directories: an empty entry or "." would mean the
        // working directory, where anyone may have planted a program.
        if (!dir.startsWith('/'))
            continue;
        const std::string candidate = std::string(dir.constData(), static_cast<std::size_t>(dir.size())) + '/' + name;
        if (isExecutableFile(candidate))
            return StringBase(candidate.c_str());
    }
    return StringBase();
}

RunOutcome runProgram(const StringBase &program, int timeoutMs)
{
    RunOutcome outcome;
    outcome.status = checkStartable(program.c_str());
    if (outcome.status != Process::Ran)
        return outcome;

    SpawnSetup setup;
    if (setup.prepare() != 0) {
        outcome.status = Process::StartFailed;
        return outcome;
    }
    std::string argv0(program.c_str());
    char *argv[] = {&argv0[0], nullptr};
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), setup.actions(), setup.attributes(), argv, environ);
    if (rc != 0) {
        outcome.status = statusForStartError(rc);
        return outcome;
    }
    // The child sets its group itself; setting it here too closes the window
    // on systems where posix_spawn returns before the child has run.
    ::setpgid(pid, pid);
    return waitForChild(pid, timeoutMs);
}

} // namespace Port::detail
