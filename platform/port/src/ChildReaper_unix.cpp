// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The reaper of detached programs: one thread while any is watched (and briefly after), asking after its own children only.
#include "ChildReaper.h"

#include <QtCore/QByteArray>
#include <QtCore/QDir>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <pthread.h>
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

struct WatchedChild
{
    pid_t pid;
    Clock::time_point reportUntil;
    LateFailureReport report;
    bool inWindow = true;  // its report window is still counted as open
};

struct Failure
{
    LateFailureReport report;
    ProgramEnd end;
};

bool failed(const ProgramEnd &end)
{
    return end.abnormal || end.code != 0;
}

// Never destroyed, and its thread never joined: a thread mid-turn while the
// process exits, or at the moment of a fork, finds all it uses still there.
// A child made by fork starts with none of the parent's children and no
// thread, and makes its own thread at its first start.
class ChildReaper
{
public:
    static ChildReaper &instance()
    {
        static ChildReaper *const reaper = [] {
            auto *made = new ChildReaper;
            ::pthread_atfork(&prepareFork, &afterForkInParent, &afterForkInChild);
            // Registered at the first start: it runs before whatever the host
            // made before that is torn down.
            std::atexit(&closeReports);
            return made;
        }();
        return *reaper;
    }

    ChildReaper(const ChildReaper &) = delete;
    ChildReaper &operator=(const ChildReaper &) = delete;

    void watch(pid_t pid, const LateFailureReport &report)
    {
        std::string noThread;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_watched.push_back(
                WatchedChild{pid, Clock::now() + std::chrono::milliseconds(Launcher::LateFailureWindowMs), report});
            reportWindowOpened();
            if (m_running)
                return;  // it asks after the new child at its next turn
            try {
                std::thread([this] { run(); }).detach();
                m_running = true;
            } catch (const std::system_error &error) {
                // The next thread reaps it; nobody reports its end.
                m_watched.back().inWindow = false;
                reportWindowClosed();
                noThread = error.what();
            }
        }
        if (!noThread.empty())
            qCWarning(Launcher::logCategory, "No thread to wait for '%s' (%s); it is reaped after a later start",
                      QDir::toNativeSeparators(report.program).toUtf8().constData(), noThread.c_str());
    }

private:
    ChildReaper() = default;

    static void prepareFork() { instance().m_mutex.lock(); }
    static void afterForkInParent() { instance().m_mutex.unlock(); }
    static void afterForkInChild()
    {
        ChildReaper &reaper = instance();
        reaper.m_watched.clear();
        reaper.m_running = false;
        reaper.m_idle = false;
        forgetReportsAfterFork();
        reaper.m_mutex.unlock();
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
            if (it->inWindow && !reporting) {
                it->inWindow = false;
                reportWindowClosed();
            }
            ProgramEnd end;
            const ChildState state = reporting || slowTurn ? childState(it->pid, WNOHANG, &end) : ChildState::Running;
            if (state == ChildState::Running) {
                ++it;
                continue;
            }
            if (it->inWindow && state == ChildState::Ended && failed(end))
                failures.push_back(Failure{std::move(it->report), end});  // its window closes once reported
            else if (it->inWindow)
                reportWindowClosed();
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
            reporting = reporting || child.inWindow;
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
            const Clock::time_point now = Clock::now();
            std::vector<Failure> failures = reapEnded(now);
            if (!failures.empty()) {
                // Outside the lock: a report may run a host's handler that
                // starts another program.
                lock.unlock();
                for (const Failure &failure : failures) {
                    reportLateFailure(failure.report, failure.end);
                    reportWindowClosed();
                }
                lock.lock();
                continue;
            }
            const std::optional<Clock::time_point> next = nextTurn(now);
            if (!next)
                break;
            lock.unlock();
            std::this_thread::sleep_until(*next);
            lock.lock();
        }
        m_running = false;
    }

    std::mutex m_mutex;
    std::vector<WatchedChild> m_watched;
    bool m_running = false;            // a thread is on its turns
    Clock::time_point m_nextSlowTurn;  // when the children past their window are asked next
    bool m_idle = false;               // nothing watched since m_idleSince
    Clock::time_point m_idleSince;
};

} // namespace

ChildState childState(pid_t pid, int waitOptions, ProgramEnd *end)
{
    for (;;) {
        siginfo_t info;
        std::memset(&info, 0, sizeof info);
        if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | waitOptions) == 0) {
            if (info.si_pid == 0)
                return ChildState::Running;
            end->abnormal = info.si_code != CLD_EXITED;
            end->code = info.si_status;
            return ChildState::Ended;
        }
        if (errno != EINTR)
            return ChildState::Gone;
    }
}

void watchChild(pid_t pid, const LateFailureReport &report)
{
    ChildReaper::instance().watch(pid, report);
}

} // namespace Port::detail
