// The reaper of detached programs: one thread while any is watched (and briefly after), woken by pidfds, else polling waitid on their pids.
#include "ChildReaper.h"

#include <QtCore/QByteArray>
#include <QtCore/QDir>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#  include <sys/syscall.h>
#endif

namespace Port::detail {

namespace {

using Clock = std::chrono::steady_clock;

// Without pidfds the reaper looks at its children this often: soon enough
// while a failure would still be reported, rarely once that is over.
constexpr int kPollWhileReportingMs = 50;
constexpr int kPollAfterwardsMs = 1000;
// With nothing left to watch the thread stays this long for the next
// program: launches come in bursts (a page, then its manual), and a new
// thread costs the caller more than the rest of a launch's own work.
constexpr auto kIdleLinger = std::chrono::milliseconds(Launcher::LateFailureWindowMs);

// A descriptor that becomes readable when pid ends (Linux 5.3 and later); -1 otherwise.
int openPidfd(pid_t pid)
{
#if defined(__linux__) && defined(SYS_pidfd_open)
    const long fd = ::syscall(SYS_pidfd_open, pid, 0); // always close-on-exec
    return fd < 0 ? -1 : static_cast<int>(fd);
#else
    static_cast<void>(pid);
    return -1;
#endif
}

void closeDescriptor(int fd)
{
    if (fd >= 0)
        ::close(fd);
}

bool openWakePipe(int fds[2])
{
#if defined(__linux__)
    return ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0;
#else
    if (::pipe(fds) != 0)
        return false;
    for (int i = 0; i < 2; ++i) {
        ::fcntl(fds[i], F_SETFD, FD_CLOEXEC);
        ::fcntl(fds[i], F_SETFL, O_NONBLOCK);
    }
    return true;
#endif
}

enum class ChildState { Running, Ended, Gone };

// Reaps pid if it has ended. Gone: the system reaped it already (the host
// ignores SIGCHLD) or the host took it; its status is lost.
ChildState reapIfEnded(pid_t pid, ProgramEnd *end)
{
    for (;;) {
        siginfo_t info;
        std::memset(&info, 0, sizeof info);
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG) == 0) {
            if (info.si_pid == 0)
                return ChildState::Running;
            end->bySignal = info.si_code != CLD_EXITED;
            end->code = info.si_status;
            return ChildState::Ended;
        }
        if (errno != EINTR)
            return ChildState::Gone;
    }
}

struct WatchedChild
{
    pid_t pid;
    int pidfd; // -1: polled
    Clock::time_point reportUntil;
    LateFailureReport report;
};

struct Failure
{
    LateFailureReport report;
    ProgramEnd end;
};

class ChildReaper
{
public:
    static ChildReaper &instance()
    {
        static ChildReaper reaper;
        return reaper;
    }

    ~ChildReaper()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopping = true;
            wake();
        }
        if (m_thread.joinable())
            m_thread.join();
        if (m_retired.joinable())
            m_retired.join();
        for (const WatchedChild &child : m_watched)
            closeDescriptor(child.pidfd);
        closeDescriptor(m_wake[0]);
        closeDescriptor(m_wake[1]);
    }

    ChildReaper(const ChildReaper &) = delete;
    ChildReaper &operator=(const ChildReaper &) = delete;

    void watch(pid_t pid, const LateFailureReport &report)
    {
        WatchedChild child{pid, openPidfd(pid), Clock::now() + std::chrono::milliseconds(Launcher::LateFailureWindowMs),
                           report};
        std::string noThread;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping) {
                closeDescriptor(child.pidfd);
                return;
            }
            m_watched.push_back(std::move(child));
            if (m_running) {
                wake();
                return;
            }
            // A thread that found nothing left to watch may still be on its
            // way out: the next one joins it, so the caller never waits.
            if (m_thread.joinable()) {
                if (m_retired.joinable()) // only after a thread could not be made
                    m_retired.join();
                m_retired = std::move(m_thread);
            }
            try {
                m_thread = std::thread([this] {
                    joinRetired();
                    run();
                });
                m_running = true;
            } catch (const std::system_error &error) {
                closeDescriptor(m_watched.back().pidfd);
                m_watched.pop_back();
                noThread = error.what();
            }
        }
        if (!noThread.empty())
            report.channel.issueWarning("No thread to wait for '%s' (%s); it stays a zombie once it ends",
                                        QDir::toNativeSeparators(report.program).toUtf8().constData(),
                                        noThread.c_str());
    }

private:
    ChildReaper()
    {
        if (!openWakePipe(m_wake))
            m_wake[0] = m_wake[1] = -1; // polling alone still ends the wait
    }

    void joinRetired()
    {
        std::thread retired;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            retired = std::move(m_retired);
        }
        if (retired.joinable())
            retired.join();
    }

    void wake()
    {
        if (m_wake[1] >= 0) {
            const char byte = 0;
            // A full pipe already holds a wake-up.
            static_cast<void>(::write(m_wake[1], &byte, 1));
        }
    }

    void drainWake()
    {
        char buffer[64];
        while (m_wake[0] >= 0 && ::read(m_wake[0], buffer, sizeof buffer) > 0) {
        }
    }

    // Under the lock: reaps every watched child that has ended and collects
    // the failures still to be reported.
    std::vector<Failure> reapEnded()
    {
        std::vector<Failure> failures;
        const Clock::time_point now = Clock::now();
        for (auto it = m_watched.begin(); it != m_watched.end();) {
            ProgramEnd end;
            const ChildState state = reapIfEnded(it->pid, &end);
            if (state == ChildState::Running) {
                ++it;
                continue;
            }
            if (state == ChildState::Ended && (end.bySignal || end.code != 0) && now <= it->reportUntil)
                failures.push_back(Failure{std::move(it->report), end});
            closeDescriptor(it->pidfd);
            it = m_watched.erase(it);
        }
        return failures;
    }

    // Under the lock: what to wait on next, and for how long (-1: until woken).
    int prepareWait(std::vector<pollfd> &fds) const
    {
        fds.clear();
        fds.push_back(pollfd{m_wake[0], POLLIN, 0});
        bool polled = false;
        bool reporting = false;
        const Clock::time_point now = Clock::now();
        for (const WatchedChild &child : m_watched) {
            if (child.pidfd >= 0)
                fds.push_back(pollfd{child.pidfd, POLLIN, 0});
            else
                polled = true;
            reporting = reporting || now <= child.reportUntil;
        }
        if (!polled && m_wake[0] >= 0)
            return -1;
        return reporting ? kPollWhileReportingMs : kPollAfterwardsMs;
    }

    // Under the lock: how long to wait for a new program before ending, or 0 to end now.
    int lingerMs(Clock::time_point idleSince, std::vector<pollfd> &fds) const
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(idleSince + kIdleLinger - Clock::now());
        if (left.count() <= 0 || m_wake[0] < 0)
            return 0;
        fds.assign(1, pollfd{m_wake[0], POLLIN, 0});
        return int(left.count());
    }

    void run()
    {
        std::vector<pollfd> fds;
        std::optional<Clock::time_point> idleSince;
        for (;;) {
            std::vector<Failure> failures;
            int timeoutMs = 0;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_stopping) {
                    m_running = false;
                    return;
                }
                failures = reapEnded();
                if (!m_watched.empty()) {
                    idleSince.reset();
                    timeoutMs = prepareWait(fds);
                } else if (failures.empty()) {
                    if (!idleSince)
                        idleSince = Clock::now();
                    timeoutMs = lingerMs(*idleSince, fds);
                    if (timeoutMs == 0) {
                        m_running = false;
                        return;
                    }
                }
                // With nothing left but reports, come straight back after them.
            }
            // Outside the lock: a report may run a host's handler that starts
            // another program.
            for (const Failure &failure : failures)
                reportLateFailure(failure.report, failure.end);
            if (timeoutMs != 0) {
                ::poll(fds.data(), fds.size(), timeoutMs);
                drainWake();
            }
        }
    }

    std::mutex m_mutex;
    std::vector<WatchedChild> m_watched;
    std::thread m_thread;
    std::thread m_retired; // the thread before m_thread, until m_thread joins it
    bool m_running = false;
    bool m_stopping = false;
    int m_wake[2] = {-1, -1};
};

} // namespace

void watchChild(pid_t pid, const LateFailureReport &report)
{
    ChildReaper::instance().watch(pid, report);
}

} // namespace Port::detail
