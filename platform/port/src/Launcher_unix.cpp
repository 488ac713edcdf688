// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port::Launcher on UNIX-like systems: the one posix_spawn, bounded waits that end the whole session, hand-over to the reaper.
#include "ChildReaper.h"
#include "ForkExec.h"
#include "LauncherPlatform.h"

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace Port::detail {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kNullDevice[] = "/dev/null";
// Polling starts fast, since most probes end within a millisecond, and backs
// off so that a slow one does not keep a core busy.
constexpr std::chrono::microseconds kFirstPollDelay{200};
constexpr std::chrono::microseconds kLongestPollDelay{5000};

// The argument vector posix_spawn takes, and the bytes it points into. A
// launch's few arguments stay on the caller's stack.
class ArgumentVector
{
public:
    ArgumentVector(const QByteArray &program, const QStringList &arguments)
    {
        m_bytes.reserve(arguments.size() + 1);
        m_bytes.append(program);
        for (const QString &argument : arguments)
            m_bytes.append(QFile::encodeName(argument));
        m_pointers.reserve(m_bytes.size() + 1);
        // posix_spawn never writes through them; data() would copy the shared program path.
        for (const QByteArray &bytes : m_bytes)
            m_pointers.append(const_cast<char *>(bytes.constData()));
        m_pointers.append(nullptr);
    }

    char *const *get() const { return m_pointers.data(); }

private:
    static constexpr int kOnStack = 8;
    QVarLengthArray<QByteArray, kOnStack> m_bytes;
    QVarLengthArray<char *, kOnStack + 1> m_pointers;
};

// The null device, opened in this process for the children to share: an
// open of it in the child costs each start more than the rest of its set-up.
// -1 when it cannot be opened; the children then open it themselves.
struct NullDevice
{
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;

    static NullDevice open()
    {
        NullDevice null;
        null.fd = ::open(kNullDevice, O_RDWR | O_CLOEXEC);
        struct stat info;
        if (null.fd >= 0 && ::fstat(null.fd, &info) == 0) {
            null.device = info.st_rdev;
            null.inode = info.st_ino;
        } else if (null.fd >= 0) {
            ::close(null.fd);  // not one it could recognise again
            null.fd = -1;
        }
        return null;
    }

    // A host may close descriptors it does not own; the number may then
    // name another file, which must never become a child's output.
    bool stillOpen() const
    {
        struct stat info;
        return fd < 0
               || (::fstat(fd, &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == device && info.st_ino == inode);
    }
};

// What the child does with its descriptors before the program runs: the null
// device as its standard streams, and every other descriptor of the host
// closed. Owns the file actions, so every exit path frees them.
class FileActions
{
public:
    explicit FileActions(int nullDevice)
    {
        m_ready = ::posix_spawn_file_actions_init(&m_actions) == 0;
        m_prepared = m_ready ? redirectStandardStreams(nullDevice) : ENOMEM;
        if (m_prepared == 0)
            m_prepared = closeInheritedDescriptors();
    }
    ~FileActions()
    {
        if (m_ready)
            ::posix_spawn_file_actions_destroy(&m_actions);
    }
    FileActions(const FileActions &) = delete;
    FileActions &operator=(const FileActions &) = delete;

    // 0 when ready, else the error number of the step that failed.
    int prepared() const { return m_prepared; }
    const posix_spawn_file_actions_t *get() const { return &m_actions; }

private:
    // Copies of the shared null device where there is one: the child makes
    // these calls while the caller waits.
    int redirectStandardStreams(int nullDevice)
    {
        int rc = 0;
        for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
            if (rc == 0 && nullDevice >= 0)
                rc = ::posix_spawn_file_actions_adddup2(&m_actions, nullDevice, stream);
            else if (rc == 0)
                rc = ::posix_spawn_file_actions_addopen(&m_actions, stream, kNullDevice, O_RDWR, 0);
        }
        return rc;
    }

    // A host descriptor left without close-on-exec would otherwise live on in
    // the program and in everything it starts in turn.
    int closeInheritedDescriptors()
    {
#if defined(KEL_SPAWN_BY_FORK)
        return 0;  // forkExec closes them in the child
#elif defined(__APPLE__)
        return 0;  // POSIX_SPAWN_CLOEXEC_DEFAULT
#else
        return ::posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
#endif
    }

    posix_spawn_file_actions_t m_actions;
    bool m_ready = false;
    int m_prepared = ENOMEM;
};

// Owns the spawn attributes and the null device's file actions, so every exit path frees them.
class SpawnSetup
{
public:
    SpawnSetup(const NullDevice &null, const SpawnSetup *replaced)
        : m_null(null), m_replaced(replaced), m_actions(null.fd)
    {
        m_attrReady = ::posix_spawnattr_init(&m_attr) == 0;
        m_prepared = m_attrReady ? setAttributes() : ENOMEM;
    }
    ~SpawnSetup()
    {
        if (m_attrReady)
            ::posix_spawnattr_destroy(&m_attr);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    // 0 when ready, else the error number of the step that failed.
    int prepared() const { return m_prepared != 0 ? m_prepared : m_actions.prepared(); }
    bool stillValid() const { return m_null.stillOpen(); }
    int nullDevice() const { return m_null.fd; }

    const FileActions &actions() const { return m_actions; }
    const posix_spawnattr_t *attributes() const { return &m_attr; }

private:
    int setAttributes()
    {
        sigset_t noneBlocked;
        sigemptyset(&noneBlocked);
        // Every signal back to its default: a host that ignores SIGPIPE,
        // SIGCHLD or SIGINT must not hand that on to a browser.
        sigset_t allToDefault;
        sigfillset(&allToDefault);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#if defined(__APPLE__)
        flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
#endif
        // A session of its own: the program does not die with the host's
        // terminal, and one kill of its group ends everything it started.
#if defined(POSIX_SPAWN_SETSID)
        flags |= POSIX_SPAWN_SETSID;
        int rc = 0;
#else
        flags |= POSIX_SPAWN_SETPGROUP;
        int rc = ::posix_spawnattr_setpgroup(&m_attr, 0);
#endif
        if (rc == 0)
            rc = ::posix_spawnattr_setsigmask(&m_attr, &noneBlocked);
        if (rc == 0)
            rc = ::posix_spawnattr_setsigdefault(&m_attr, &allToDefault);
        if (rc == 0)
            rc = ::posix_spawnattr_setflags(&m_attr, flags);
        return rc;
    }

    const NullDevice m_null;
    // Kept, never freed: a start in another thread may still be using it.
    [[maybe_unused]] const SpawnSetup *const m_replaced;
    const FileActions m_actions;
    posix_spawnattr_t m_attr;
    bool m_attrReady = false;
    int m_prepared = ENOMEM;
};

// The same for every start, and only read by posix_spawn: made once, and
// again only when the host closed the null device. None is ever freed, so a
// start in another thread or during the process's exit still finds the one
// it took.
const SpawnSetup &currentSetup()
{
    static std::atomic<SpawnSetup *> current{nullptr};
    SpawnSetup *setup = current.load(std::memory_order_acquire);
    if (setup && setup->stillValid())
        return *setup;
    SpawnSetup *fresh = new SpawnSetup(NullDevice::open(), setup);
    if (current.compare_exchange_strong(setup, fresh, std::memory_order_acq_rel))
        return *fresh;
    ::close(fresh->nullDevice());  // another thread made one first
    delete fresh;
    return *setup;
}

// The one place a program is started. The C library reports a failed exec
// (missing, not executable, not a program) before this returns: glibc since
// 2.24 through its vfork-like clone, musl and macOS likewise, so no
// exec-failure pipe is needed. Where it cannot close every descriptor from a
// number on in the child (glibc before 2.34, musl), the child is made by fork
// and closes them itself: a list the parent makes misses what another thread
// opens meanwhile. 0 or the error number.
int spawn(const QString &program, const QStringList &arguments, pid_t *pid)
{
    const SpawnSetup &setup = currentSetup();
    if (setup.prepared() != 0)
        return setup.prepared();
    const QByteArray path = QFile::encodeName(program);
    const ArgumentVector argv(path, arguments);
#if defined(KEL_SPAWN_BY_FORK)
    return forkExec(path.constData(), argv.get(), setup.nullDevice(), pid);
#else
    return ::posix_spawn(pid, path.constData(), setup.actions().get(), setup.attributes(), argv.get(), environ);
#endif
}

StartFailure failureOf(int error)
{
    switch (error) {
    case 0:
        return StartFailure{};
    case ENOENT:
    case ENOTDIR:
        return StartFailure{StartProblem::Gone, error};
    case ENOEXEC:
        return StartFailure{StartProblem::NotAProgram, error};
    case EACCES:
        return StartFailure{StartProblem::NotAllowed, error};
    default:
        return StartFailure{StartProblem::Other, error};
    }
}

void killGroup(pid_t pgid)
{
    // ESRCH (nothing left in the group) is the usual, harmless answer.
    ::kill(-pgid, SIGKILL);
}

Launcher::RunResult outcomeOf(ChildState state, const ProgramEnd &end)
{
    if (state != ChildState::Ended)
        return Launcher::RunResult{Process::Lost, -1};
    if (end.abnormal)
        return Launcher::RunResult{Process::Crashed, -1};
    return Launcher::RunResult{Process::Ran, end.code};
}

Launcher::RunResult waitForChild(pid_t pid, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::chrono::microseconds delay = kFirstPollDelay;
    ProgramEnd end;
    for (;;) {
        // Not reaped yet: while it is a zombie its pid, and so its process
        // group id, cannot be handed to anyone else.
        const ChildState state = childState(pid, WNOHANG | WNOWAIT, &end);
        // The pid may already belong to someone else: killing its group is not safe.
        if (state == ChildState::Gone)
            return Launcher::RunResult{Process::Lost, -1};
        if (state == ChildState::Ended) {
            // Whatever it left running in its session (say, a daemon holding
            // its output open) must not outlive the call.
            killGroup(pid);
            return outcomeOf(childState(pid, 0, &end), end);
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            break;
        const auto remaining = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
        std::this_thread::sleep_for(std::min(delay, remaining));
        delay = std::min(delay * 2, kLongestPollDelay);
    }
    killGroup(pid);
    ::kill(pid, SIGKILL); // in case it had not made its session yet
    childState(pid, 0, &end);
    return Launcher::RunResult{Process::TimedOut, -1};
}

} // namespace

const char *whyRefused(const QString &)
{
    return nullptr;  // exec runs no interpreter that reads the arguments as commands
}

StartFailure spawnDetached(const QString &program, const QStringList &arguments, const LateFailureReport &report)
{
    pid_t pid = -1;
    const StartFailure failure = failureOf(spawn(program, arguments, &pid));
    if (failure.problem == StartProblem::None)
        watchChild(pid, report);
    return failure;
}

Launcher::RunResult runToEnd(const QString &program, const QStringList &arguments, int timeoutMs)
{
    pid_t pid = -1;
    const StartFailure failure = failureOf(spawn(program, arguments, &pid));
    if (failure.problem != StartProblem::None)
        return Launcher::RunResult{statusOf(failure.problem), -1};
    return waitForChild(pid, timeoutMs);
}

QByteArray endText(const ProgramEnd &end)
{
    return (end.abnormal ? QByteArrayLiteral("was ended by signal ") : QByteArrayLiteral("ended with exit status "))
           + QByteArray::number(end.code);
}

} // namespace Port::detail
