// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Starting a program with fork and execve where the C library's posix_spawn cannot close every descriptor in the child.
#include "ForkExec.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace Port::detail {

namespace {

// Everything below until startChild's end runs in the child between fork and
// execve, while other threads of the host may hold any lock: system calls only,
// nothing that allocates or locks.

[[noreturn]] void failInChild(int reportFd, int error)
{
    while (::write(reportFd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

// The kernel's own close of a range of descriptors (Linux 5.9); false where it has none.
bool closeRange(unsigned int first, unsigned int last)
{
    if (first > last)
        return true;
#if defined(SYS_close_range)
    return ::syscall(SYS_close_range, first, last, 0) == 0;
#else
    return false;
#endif
}

#if defined(__linux__) && defined(SYS_getdents64)
// The layout getdents64 fills in.
struct DirectoryEntry
{
    std::uint64_t inode;
    std::int64_t offset;
    unsigned short length;
    unsigned char type;
    char name[1];
};

// Closes what the process's descriptor folder lists from 3 on, but keep;
// false when there is no such folder. The folder is read from its start again
// after a close, as its listing may move.
bool closeListed(int keep)
{
    const int folder = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return false;
    alignas(DirectoryEntry) char buffer[1024];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, folder, buffer, sizeof buffer);
        if (got <= 0)
            break;
        bool closed = false;
        for (long at = 0; at < got;) {
            const auto *entry = reinterpret_cast<const DirectoryEntry *>(buffer + at);
            at += entry->length;
            int fd = 0;
            const char *digit = entry->name;
            for (; *digit >= '0' && *digit <= '9'; ++digit)
                fd = fd * 10 + (*digit - '0');
            if (*digit != '\0' || digit == entry->name || fd <= STDERR_FILENO || fd == keep || fd == folder)
                continue;
            ::close(fd);
            closed = true;
        }
        if (closed && ::lseek(folder, 0, SEEK_SET) < 0)
            break;
    }
    ::close(folder);
    return true;
}
#else
bool closeListed(int)
{
    return false;
}
#endif

// Every descriptor of the host from 3 on, but keep: the program must hold
// none, not even one another thread opened a moment ago without close-on-exec.
void closeAllBut(int keep)
{
    if (closeRange(STDERR_FILENO + 1, static_cast<unsigned int>(keep) - 1) && closeRange(keep + 1, ~0U))
        return;
    if (closeListed(keep))
        return;
    rlimit limit;
    const int highest = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 1u << 20
                            ? static_cast<int>(limit.rlim_cur)
                            : 1 << 20;
    for (int fd = STDERR_FILENO + 1; fd < highest; ++fd) {
        if (fd != keep)
            ::close(fd);
    }
}

[[noreturn]] void startChild(const char *path, char *const argv[], int nullDevice, int reportFd)
{
    // Every signal back to its default before any may be delivered: a host's
    // handler must never run here, nor an ignored signal stay ignored in the program.
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    for (int sig = 1; sig < NSIG; ++sig)
        ::sigaction(sig, &byDefault, nullptr);
    // A session of its own, as every started program gets.
    if (::setsid() < 0)
        failInChild(reportFd, errno);
    if (nullDevice < 0)
        nullDevice = ::open("/dev/null", O_RDWR);
    if (nullDevice < 0)
        failInChild(reportFd, errno);
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        // The same number stays open across exec only without close-on-exec.
        const int rc = nullDevice == stream ? ::fcntl(stream, F_SETFD, 0) : ::dup2(nullDevice, stream);
        if (rc < 0)
            failInChild(reportFd, errno);
    }
    closeAllBut(reportFd);
    sigset_t noneBlocked;
    sigemptyset(&noneBlocked);
    ::sigprocmask(SIG_SETMASK, &noneBlocked, nullptr);
    ::execve(path, argv, environ);
    failInChild(reportFd, errno);
}

// A descriptor of the pipe from 3 on, so the standard streams never take it.
int aboveStandardStreams(int fd)
{
    if (fd > STDERR_FILENO)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

int readReport(int fd)
{
    int error = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &error, sizeof error);
        if (got == static_cast<ssize_t>(sizeof error))
            return error;
        if (got < 0 && errno == EINTR)
            continue;
        return 0;  // closed by a successful exec
    }
}

} // namespace

int forkExec(const char *path, char *const argv[], int nullDevice, pid_t *pid)
{
    // The pipe closes at exec; what comes through it is why exec failed.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) < 0)
        return errno;
    report[0] = aboveStandardStreams(report[0]);
    report[1] = aboveStandardStreams(report[1]);
    if (report[0] < 0 || report[1] < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return error;
    }
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t child = ::fork();
    if (child == 0)
        startChild(path, argv, nullDevice, report[1]);
    const int forkError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(report[1]);
    if (child < 0) {
        ::close(report[0]);
        return forkError;
    }
    const int error = readReport(report[0]);
    ::close(report[0]);
    if (error != 0) {
        while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        return error;
    }
    *pid = child;
    return 0;
}

} // namespace Port::detail
