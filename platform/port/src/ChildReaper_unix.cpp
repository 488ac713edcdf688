// The reaper of detached programs: one thread while any is watched (and briefly after), asking after its own children only.
#include "ChildReaper.h"

#include <QtCore/QByteArray>
#include <QtCore/QDir>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <signal.h>
#include <sys/wait.h>

namespace Port::detail {

namespace {

using Clock = std::chrono::steady_clock;

// A program in its report window is asked after this often, so a failure
// reaches the host within a glance; one past it, rarely, only to be reaped.
// The caller that starts a program does nothing but hand over its pid: no
// descriptor per program (a host may keep many open for days, and every later
// start would copy them all) and no wake-up call.
constexpr auto kTickWhileReporting = std::chrono::milliseconds(50);
constexpr auto kTickAfterwards = std::chrono::milliseconds(1000);
// With nothing left to watch the thread stays this long for the next
// program: launches come in bursts (a page, then its manual), and a new
// thread costs the caller more than the rest of a launch's own work.
constexpr auto kIdleLinger = std::chrono::milliseconds(Launcher::LateFailureWindowMs);

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
        }
        m_stop.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        if (m_retired.joinable())
            m_retired.join();
    }

    ChildReaper(const ChildReaper &) = delete;
    ChildReaper &operator=(const ChildReaper &) = delete;

    void watch(pid_t pid, const LateFailureReport &report)
    {
        WatchedChild child{pid, Clock::now() + std::chrono::milliseconds(Launcher::LateFailureWindowMs), report};
        std::string noThread;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping)
                return;
            m_watched.push_back(std::move(child));
            if (m_running)
                return;  // it asks after the new child at its next turn
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
    ChildReaper() = default;

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

    // Under the lock: reaps the watched children that have ended and collects
    // the failures still to be reported. Children past their report window
    // are asked on slow turns only.
    std::vector<Failure> reapEnded(Clock::time_point now)
    {
        std::vector<Failure> failures;
        const bool slowTurn = now >= m_nextSlowTurn;
        for (auto it = m_watched.begin(); it != m_watched.end();) {
            const bool reporting = now <= it->reportUntil;
            ProgramEnd end;
            const ChildState state = reporting || slowTurn ? reapIfEnded(it->pid, &end) : ChildState::Running;
            if (state == ChildState::Running) {
                ++it;
                continue;
            }
            if (state == ChildState::Ended && (end.bySignal || end.code != 0) && reporting)
                failures.push_back(Failure{std::move(it->report), end});
            it = m_watched.erase(it);
        }
        if (slowTurn)
            m_nextSlowTurn = now + kTickAfterwards;
        return failures;
    }

    // Under the lock: the next turn, or none when the thread may end.
    std::optional<Clock::time_point> nextTurn(Clock::time_point now)
    {
        bool reporting = false;
        for (const WatchedChild &child : m_watched)
            reporting = reporting || now <= child.reportUntil;
        if (!m_watched.empty()) {
            m_idle = false;
            return now + (reporting ? kTickWhileReporting : kTickAfterwards);
        }
        if (!m_idle) {
            m_idle = true;
            m_idleSince = now;
        }
        if (now >= m_idleSince + kIdleLinger)
            return std::nullopt;
        // A program may come meanwhile, and a failure of it must be seen in time.
        return now + kTickWhileReporting;
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_idle = false;
        for (;;) {
            if (m_stopping)
                break;
            const Clock::time_point now = Clock::now();
            std::vector<Failure> failures = reapEnded(now);
            if (!failures.empty()) {
                // Outside the lock: a report may run a host's handler that
                // starts another program.
                lock.unlock();
                for (const Failure &failure : failures)
                    reportLateFailure(failure.report, failure.end);
                lock.lock();
                continue;
            }
            const std::optional<Clock::time_point> next = nextTurn(now);
            if (!next)
                break;
            m_stop.wait_until(lock, *next, [this] { return m_stopping; });
        }
        m_running = false;
    }

    std::mutex m_mutex;
    std::condition_variable m_stop;
    std::vector<WatchedChild> m_watched;
    std::thread m_thread;
    std::thread m_retired; // the thread before m_thread, until m_thread joins it
    bool m_running = false;
    bool m_stopping = false;
    Clock::time_point m_nextSlowTurn;  // when the children past their window are asked next
    bool m_idle = false;               // nothing watched since m_idleSince
    Clock::time_point m_idleSince;
};

} // namespace

void watchChild(pid_t pid, const LateFailureReport &report)
{
    ChildReaper::instance().watch(pid, report);
}

} // namespace Port::detail
