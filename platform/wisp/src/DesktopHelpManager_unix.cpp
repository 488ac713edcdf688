// DesktopHelpManager on freedesktop and macOS: finds the desktop opener and starts it detached, without a shell.
#include "DesktopOpener.h"

#include <Gui/Wisp/DesktopHelpManager.h>
#include <Port/MsgManData.h>
#include <Port/Process.h>

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace Gui {
namespace Wisp {
namespace DesktopOpener {

namespace {

constexpr char MessageDomain[] = "wisp";
constexpr char SourceName[] = "DesktopHelpManager_unix.cpp";
constexpr char NullDevice[] = "/dev/null";
#if defined(Q_OS_MACOS)
constexpr char MacOpener[] = "/usr/bin/open";
#else
constexpr char OpenerName[] = "xdg-open";
#endif
// How often the start check looks whether the opener has already ended.
constexpr int PollIntervalMs = 10;
// Signals a host commonly ignores; the opener must not inherit that, or a
// browser it starts in turn would misbehave on a closed pipe or a child's end.
constexpr int SignalsToReset[] = {SIGPIPE, SIGCHLD, SIGHUP, SIGINT, SIGQUIT, SIGTERM};

Port_MsgManData messageAt(unsigned line)
{
    return Port_MsgManData::createObject(MessageDomain, SourceName, line, "");
}

// The one opener for files and links; empty when there is none.
QString openerPath()
{
#if defined(Q_OS_MACOS)
    return QFileInfo(QFile::decodeName(MacOpener)).isExecutable() ? QFile::decodeName(MacOpener) : QString();
#else
    // Only absolute PATH entries are searched, so an "xdg-open" planted in the
    // working directory is never the one that runs.
    return QFile::decodeName(Port::Process::FindProgram(OpenerName).c_str());
#endif
}

// The opener's argument as bytes: a file by the file system's encoding, a
// link as the UTF-8 the opener expects.
QByteArray encodeTarget(Kind kind, const QString &target)
{
    return kind == Kind::PdfFile ? QFile::encodeName(target) : target.toUtf8();
}

class SpawnFileActions
{
public:
    SpawnFileActions() : m_error(posix_spawn_file_actions_init(&m_actions)) {}
    ~SpawnFileActions()
    {
        if (m_error == 0)
            posix_spawn_file_actions_destroy(&m_actions);
    }
    SpawnFileActions(const SpawnFileActions &) = delete;
    SpawnFileActions &operator=(const SpawnFileActions &) = delete;

    int initError() const { return m_error; }
    posix_spawn_file_actions_t *get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
    int m_error;
};

class SpawnAttributes
{
public:
    SpawnAttributes() : m_error(posix_spawnattr_init(&m_attributes)) {}
    ~SpawnAttributes()
    {
        if (m_error == 0)
            posix_spawnattr_destroy(&m_attributes);
    }
    SpawnAttributes(const SpawnAttributes &) = delete;
    SpawnAttributes &operator=(const SpawnAttributes &) = delete;

    int initError() const { return m_error; }
    posix_spawnattr_t *get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
    int m_error;
};

// Standard streams on the null device and, where the C library can, no other
// descriptor of the host leaks into the opener and the browser after it.
int prepareStreams(posix_spawn_file_actions_t *actions)
{
    if (int error = posix_spawn_file_actions_addopen(actions, STDIN_FILENO, NullDevice, O_RDONLY, 0))
        return error;
    if (int error = posix_spawn_file_actions_addopen(actions, STDOUT_FILENO, NullDevice, O_WRONLY, 0))
        return error;
    if (int error = posix_spawn_file_actions_addopen(actions, STDERR_FILENO, NullDevice, O_WRONLY, 0))
        return error;
#if defined(__GLIBC_PREREQ)
#  if __GLIBC_PREREQ(2, 34)
    if (int error = posix_spawn_file_actions_addclosefrom_np(actions, STDERR_FILENO + 1))
        return error;
#  endif
#endif
    return 0;
}

// A session of its own, so the opener does not die with the host's terminal
// or process group; default signal handling and no blocked signals.
int prepareAttributes(posix_spawnattr_t *attributes)
{
    sigset_t noSignals;
    sigemptyset(&noSignals);
    if (int error = posix_spawnattr_setsigmask(attributes, &noSignals))
        return error;
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : SignalsToReset)
        sigaddset(&defaults, signal);
    if (int error = posix_spawnattr_setsigdefault(attributes, &defaults))
        return error;
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#if defined(POSIX_SPAWN_SETSID)
    flags |= POSIX_SPAWN_SETSID;
#else
    flags |= POSIX_SPAWN_SETPGROUP;
    if (int error = posix_spawnattr_setpgroup(attributes, 0))
        return error;
#endif
    return posix_spawnattr_setflags(attributes, flags);
}

// Starts program with the single argument; an errno value on failure.
int spawnOpener(const QByteArray &program, const QByteArray &argument, pid_t *pid)
{
    SpawnFileActions actions;
    if (actions.initError() != 0)
        return actions.initError();
    if (int error = prepareStreams(actions.get()))
        return error;
    SpawnAttributes attributes;
    if (attributes.initError() != 0)
        return attributes.initError();
    if (int error = prepareAttributes(attributes.get()))
        return error;
    char *argv[] = {const_cast<char *>(program.constData()), const_cast<char *>(argument.constData()), nullptr};
    return posix_spawn(pid, program.constData(), actions.get(), attributes.get(), argv, environ);
}

// Waits for pid in the background so an opener that outlives the start check
// does not stay a zombie once it ends.
void reapLater(pid_t pid)
{
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error &error) {
        messageAt(__LINE__).issueWarning("No thread to wait for opener process %ld (%s); it stays a zombie once it ends",
                                         static_cast<long>(pid), error.what());
    }
}

StartResult outcomeOfEnd(int status)
{
    StartResult result;
    if (WIFEXITED(status)) {
        result.detail = WEXITSTATUS(status);
        result.outcome = result.detail == 0 ? StartResult::Started : StartResult::ExitedWithFailure;
    } else {
        result.detail = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        result.outcome = StartResult::Crashed;
    }
    return result;
}

// An opener that fails does so at once (no handler for the type, a bad
// target); one that is still running after the check has handed the target on.
StartResult awaitEarlyEnd(pid_t pid)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(DesktopHelpManager::StartCheckMs);
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            return outcomeOfEnd(status);
        if (ended < 0 && errno == EINTR)
            continue;
        if (ended < 0) {
            // A host that ignores SIGCHLD has its children reaped by the
            // system: the opener did start, its status is gone.
            return StartResult{StartResult::Started, 0, QString()};
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            reapLater(pid);
            return StartResult{StartResult::Started, 0, QString()};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(PollIntervalMs));
    }
}

} // namespace

QString defaultCommand(Kind)
{
    const QString opener = openerPath();
    if (opener.isEmpty())
        return QString();
    const bool holdsBlank = std::any_of(opener.cbegin(), opener.cend(), [](QChar c) { return c.isSpace(); });
    const QString program = holdsBlank ? QLatin1Char('"') + opener + QLatin1Char('"') : opener;
    return program + QLatin1String(" %1");
}

StartResult start(Kind kind, const QString &target)
{
    const QString opener = openerPath();
    if (opener.isEmpty())
        return StartResult{StartResult::NoOpener, 0, QString()};
    pid_t pid = 0;
    StartResult result;
    if (int error = spawnOpener(QFile::encodeName(opener), encodeTarget(kind, target), &pid))
        result = StartResult{StartResult::StartFailed, error, QString()};
    else
        result = awaitEarlyEnd(pid);
    result.program = opener;
    return result;
}

} // namespace DesktopOpener
} // namespace Wisp
} // namespace Gui
