// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel_bench_launch: how long RunPDFViewer and RunWebBrowser hold the caller, beside a bare posix_spawn of the same program.
//
// Every launch starts kel_bench_stayrunning, a program that runs until it is
// killed, as a viewer or browser does; the time measured is the caller's
// wait, never the program's life. The yardsticks are a bare posix_spawn with
// and without an exec-failure pipe. The routes take turns within each round,
// a library launch after each yardstick's; the programs stay running for a
// while, as viewers and browsers do. The
// preferences change every so many rounds, as a user changes them now and
// then; the first launch after a change is measured on its own.
// Prints a Markdown table of medians and 95th percentiles (--table=FILE
// writes it to a file too).
#include "BenchOptions.h"

#include <ChildProcesses.h>

#include <Gui/Wisp/DesktopHelpManager.h>
#include <Gui/Wisp/Settings.h>
#include <Kel_UserSettings.h>
#include <Port/MsgManData.h>
#include <Port/StringBase.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

#ifndef KEL_BENCH_STAY_RUNNING
#  error "KEL_BENCH_STAY_RUNNING must name the stand-in program (set by bench/CMakeLists.txt)"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Launches of each library route; the yardsticks run in every round, twice as often.
constexpr int kLaunches = 250;
constexpr std::chrono::milliseconds kIdleBeforeLaunch{2};
constexpr double kTargetP95Us = 10000;
constexpr double kTargetRatio = 1.1;
constexpr char kBareName[] = "bare posix_spawn";
constexpr char kYardstickName[] = "bare posix_spawn + exec-failure pipe";
// Where the two rows stand in routes().
constexpr std::size_t kBareRoute = 0;
constexpr std::size_t kYardstickRoute = 1;
constexpr char kScope[] = "Molvane";
const char *const kPdf = "/tmp/kel-bench/manual.pdf";
const char *const kUrl = "https://example.org/page?x=1";

QString g_standIn;

// ---- What a launch started, and its end ------------------------------------

// Every launch starts while the programs of the launches before it still run,
// as a host's viewers and browsers do; every so many rounds they are all
// ended, so the machine does not fill up with them, and the preferences
// change to the other layout.
constexpr int kRoundsPerBlock = 25;

// The programs the yardsticks started; the launcher's reaper knows nothing of them.
std::vector<pid_t> g_yardstickChildren;

// Kills everything the launches started and waits until it is reaped: the
// yardsticks' programs here, the library's by the launcher's reaper. The
// warnings queued about the kills are dropped.
void endStartedPrograms()
{
    for (const KelTest::ChildProcess &child : KelTest::childProcesses())
        ::kill(static_cast<pid_t>(child.pid), SIGKILL);
    for (const pid_t pid : g_yardstickChildren)
        ::waitpid(pid, nullptr, 0);
    g_yardstickChildren.clear();
    while (!KelTest::childProcesses().isEmpty())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    QCoreApplication::processEvents();
}

double microsecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const std::size_t index = static_cast<std::size_t>(std::ceil(fraction * double(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

// ---- The launches ------------------------------------------------------------

// The store holds one of two layouts: the PDF viewer is the default one and
// the web browser the user's, or the other way round. Written outside the
// measured calls.
void setPreferences(bool pdfDefault)
{
    Gui::Wisp::Settings store(kScope, true, true, true);
    const QString userCommand = g_standIn + QLatin1String(" %1");
    store.setValue(QStringLiteral("UseDefaultPDFViewer"), pdfDefault);
    store.setValue(QStringLiteral("UseDefaultWebBrowser"), !pdfDefault);
    store.setValue(QStringLiteral("PDFViewer"), userCommand);
    store.setValue(QStringLiteral("WebBrowser"), userCommand);
}

// A preference the launches do not read, changed so that the next launch
// finds the file changed.
void touchPreferences()
{
    static int touches = 0;
    Gui::Wisp::Settings store(kScope, true, true, true);
    store.setValue(QStringLiteral("JavaMemorySize"), ++touches % 4);
}

// The stand-in's argument vector, the same for every yardstick.
char *const *standInArgv()
{
    static const QByteArray program = QFile::encodeName(g_standIn);
    static QByteArray argument(kPdf);
    static char *argv[] = {const_cast<char *>(program.constData()), argument.data(), nullptr};
    return argv;
}

// After a start with an exec-failure pipe: true when the pipe reached its end
// of file, so the exec went through, without an error written to it.
bool execWentThrough(const int fds[2], bool started)
{
    ::close(fds[1]);
    int error = 0;
    const ssize_t got = started ? ::read(fds[0], &error, sizeof error) : -1;
    ::close(fds[0]);
    return got == 0;
}

// posix_spawn of the same program, nothing set up. The C library reports a
// failed exec before it returns, so a launcher on it needs no pipe: the
// stricter measure, shown beside the target's.
bool bareSpawn(pid_t *pid)
{
    char *const *argv = standInArgv();
    return ::posix_spawn(pid, argv[0], nullptr, nullptr, argv, environ) == 0;
}

// The target's yardstick: the same spawn, and a close-on-exec pipe whose end
// of file tells the caller that the program's exec went through, as a
// launcher that cannot count on its C library to report a failed exec must
// do it.
bool bareSpawnWithExecFailurePipe(pid_t *pid)
{
    char *const *argv = standInArgv();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    return execWentThrough(fds, ::posix_spawn(pid, argv[0], nullptr, nullptr, argv, environ) == 0);
}

// The same spawn with what the launcher gives every child: copies of a null
// device kept open as standard streams, no inherited descriptor, a session of
// its own, no blocked signals, every signal at its default. Tells the
// kernel's share of a launch from the library's.
bool spawnWithLauncherAttributes(pid_t *pid)
{
    char *const *argv = standInArgv();
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawnattr_init(&attributes);
    static const int nullDevice = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ::posix_spawn_file_actions_adddup2(&actions, nullDevice, STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, nullDevice, STDOUT_FILENO);
    ::posix_spawn_file_actions_adddup2(&actions, nullDevice, STDERR_FILENO);
    ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    sigset_t mask;
    sigemptyset(&mask);
    ::posix_spawnattr_setsigmask(&attributes, &mask);
    sigfillset(&mask);
    ::posix_spawnattr_setsigdefault(&attributes, &mask);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const int rc = ::posix_spawn(pid, argv[0], &actions, &attributes, argv, environ);
    ::posix_spawnattr_destroy(&attributes);
    ::posix_spawn_file_actions_destroy(&actions);
    return rc == 0;
}

// How a start learns of a failed exec without the C library's help: fork,
// and a close-on-exec pipe that carries the exec's error back.
bool forkWithExecFailurePipe(pid_t *pid)
{
    char *const *argv = standInArgv();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    *pid = ::fork();
    if (*pid == 0) {
        ::execve(argv[0], argv, environ);
        const int error = errno;
        static_cast<void>(::write(fds[1], &error, sizeof error));
        ::_exit(127);
    }
    return execWentThrough(fds, *pid > 0);
}

enum class Layout { Any, PdfDefault, PdfUser };

struct Route
{
    const char *name;
    Layout layout;       // the store layout it needs
    bool held;           // a library launch held against the target
    std::function<bool(pid_t *)> launch; // sets pid when the caller must reap it
    // A fork leaves the caller's memory shared with the child until it
    // writes to it again; that copying would land on whatever launch came
    // next, so such a route runs on its own after the others. So does a
    // launch just after a change of the preferences, which would have every
    // launch after it find the file changed.
    bool apart = false;
    bool afterChange = false;
};

bool runPdfViewer(pid_t *)
{
    return Kel::UserSettings::RunPDFViewer(Port::StringBase(kPdf)) == 0;
}

bool runWebBrowser(pid_t *)
{
    return Kel::UserSettings::RunWebBrowser(Port::StringBase(kUrl)) == 0;
}

const std::vector<Route> &routes()
{
    static const std::vector<Route> all{
        {kBareName, Layout::Any, false, bareSpawn},
        {kYardstickName, Layout::Any, false, bareSpawnWithExecFailurePipe},
        {"posix_spawn with the launcher's attributes", Layout::Any, false, spawnWithLauncherAttributes},
        {"fork + exec-failure pipe", Layout::Any, false, forkWithExecFailurePipe, true},
        {"RunPDFViewer, default opener", Layout::PdfDefault, true, runPdfViewer},
        {"RunWebBrowser, user-defined browser", Layout::PdfDefault, true, runWebBrowser},
        {"RunPDFViewer, user-defined viewer", Layout::PdfUser, true, runPdfViewer},
        {"RunWebBrowser, default opener", Layout::PdfUser, true, runWebBrowser},
        {"RunPDFViewer, user-defined viewer, first after a change of the preferences", Layout::PdfUser, false,
         runPdfViewer, true, true},
    };
    return all;
}

std::vector<std::vector<double>> g_samples;

Layout g_layout = Layout::Any;

void useLayout(Layout layout)
{
    if (layout == Layout::Any || layout == g_layout)
        return;
    setPreferences(layout == Layout::PdfDefault);
    g_layout = layout;
}

// One launch of a route after a moment of idle; its time in microseconds,
// or a negative number when it did not start.
double timeOneLaunch(const Route &route)
{
    useLayout(route.layout);
    if (route.afterChange)
        touchPreferences();
    std::this_thread::sleep_for(kIdleBeforeLaunch);
    pid_t pid = -1;
    const Clock::time_point start = Clock::now();
    const bool started = route.launch(&pid);
    const double us = microsecondsSince(start);
    // Every route's program stays running until the next clean-up: a program
    // that starts up while the next launch is measured weighs on it, whichever
    // route started it.
    if (pid > 0)
        g_yardstickChildren.push_back(pid);
    return started ? us : -1;
}

// The order of one round: the yardsticks, with a library launch after each
// but the last. A library launch thus always follows a yardstick's, and
// finds the library's code as a host's launch finds it after a while of
// other work, not just run; the yardsticks take turns in their places, the
// library routes in theirs, so that the load of a shared machine, which
// drifts over seconds, weighs on all of them alike.
std::vector<std::size_t> roundOrder(std::size_t round, Layout layout)
{
    std::vector<std::size_t> yardsticks;
    std::vector<std::size_t> library;
    for (std::size_t i = 0; i < routes().size(); ++i) {
        const Route &route = routes()[i];
        if (route.apart || (route.layout != Layout::Any && route.layout != layout))
            continue;
        (route.held ? library : yardsticks).push_back(i);
    }
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < yardsticks.size(); ++k) {
        order.push_back(yardsticks[(round + k) % yardsticks.size()]);
        if (k < library.size())
            order.push_back(library[(round + k) % library.size()]);
    }
    return order;
}

void launchRounds(benchmark::State &state)
{
    g_samples.assign(routes().size(), {});
    std::size_t round = 0;
    for (auto _ : state) {
        const Layout layout = (round / kRoundsPerBlock) % 2 == 0 ? Layout::PdfDefault : Layout::PdfUser;
        if (round % kRoundsPerBlock == 0) {
            endStartedPrograms();
            useLayout(layout);
        }
        double roundUs = 0;
        for (const std::size_t i : roundOrder(round, layout)) {
            const double us = timeOneLaunch(routes()[i]);
            if (us < 0) {
                state.SkipWithError(routes()[i].name);
                return;
            }
            g_samples[i].push_back(us);
            roundUs += us;
        }
        state.SetIterationTime(roundUs / 1e6);
        ++round;
    }
}

// The routes that run on their own, after the interleaved rounds.
bool launchApart()
{
    for (std::size_t i = 0; i < routes().size(); ++i) {
        if (!routes()[i].apart)
            continue;
        endStartedPrograms();
        for (int n = 0; n < kLaunches; ++n) {
            const double us = timeOneLaunch(routes()[i]);
            if (us < 0)
                return false;
            g_samples[i].push_back(us);
        }
    }
    return true;
}

// ---- The table ---------------------------------------------------------------

// The machine's load average over the last minute: on a shared machine the
// tail of every start, the bare one included, is the scheduler's.
std::string loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toStdString() : std::string("?");
}

std::string g_loadBefore;

// Markdown; every library launch is held against the target's yardstick,
// and shown against the plain spawn too.
std::string table(bool *allMet)
{
    std::ostringstream out;
    out << "Caller blocked per launch, " << kLaunches
        << " launches of each library route and twice as many of each yardstick, interleaved, with the "
           "preferences changed every "
        << kRoundsPerBlock
        << " rounds (a fork's, and the launches just after a change, on their own after the others), of a "
           "program that stays running (load average "
        << g_loadBefore << " before, " << loadAverage() << " after)\n\n"
        << "| launch | median | p95 | median / bare | p95 / bare | median / yardstick | p95 / yardstick "
           "| target (p95 <= 10 ms, median and p95 <= 1.1x yardstick) |\n"
        << "|---|---:|---:|---:|---:|---:|---:|:---:|\n";
    *allMet = !g_samples[kBareRoute].empty() && !g_samples[kYardstickRoute].empty();
    if (!*allMet)
        return out.str();
    const double bareMedian = percentile(g_samples[kBareRoute], 0.5);
    const double bareP95 = percentile(g_samples[kBareRoute], 0.95);
    const double yardstickMedian = percentile(g_samples[kYardstickRoute], 0.5);
    const double yardstickP95 = percentile(g_samples[kYardstickRoute], 0.95);
    for (std::size_t i = 0; i < routes().size(); ++i) {
        if (g_samples[i].empty())
            continue;
        const double median = percentile(g_samples[i], 0.5);
        const double p95 = percentile(g_samples[i], 0.95);
        char row[320];
        std::snprintf(row, sizeof row, "| %s | %.0f µs | %.0f µs | %.2f | %.2f | %.2f | %.2f | ", routes()[i].name,
                      median, p95, median / bareMedian, p95 / bareP95, median / yardstickMedian, p95 / yardstickP95);
        out << row;
        if (!routes()[i].held) {
            out << "– |\n";
            continue;
        }
        const bool met = p95 <= kTargetP95Us && median <= kTargetRatio * yardstickMedian
                         && p95 <= kTargetRatio * yardstickP95;
        *allMet = *allMet && met;
        out << (met ? "yes" : "NO") << " |\n";
    }
    return out.str();
}

} // namespace

int main(int argc, char **argv)
{
    const std::string tablePath = KelBench::takeOption(argc, argv, "--table=");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    // A store of its own, and the stand-in first on PATH as the desktop's opener.
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "kel_bench_launch: cannot create a temporary directory\n");
        return 1;
    }
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QLatin1String("/config")));
    g_standIn = QFile::decodeName(KEL_BENCH_STAY_RUNNING);
    const QString openerDir = home.path() + QLatin1String("/bin");
    if (!QDir().mkpath(openerDir) || !QFile::copy(g_standIn, openerDir + QLatin1String("/xdg-open"))) {
        std::fprintf(stderr, "kel_bench_launch: cannot install the stand-in opener\n");
        return 1;
    }
    qputenv("PATH", QFile::encodeName(openerDir) + ':' + qgetenv("PATH"));
    // The reports of the killed programs are dropped, not printed.
    Port_MsgManData::SetHandler([](const Port_Message &) {});

    QCoreApplication app(argc, argv);
    Gui::Wisp::DesktopHelpManager help;
    Gui::Wisp::HelpManager::setInstance(&help);
    g_loadBefore = loadAverage();

    benchmark::RegisterBenchmark("launch rounds", launchRounds)
        ->Iterations(2 * kLaunches)
        ->Repetitions(1)
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!launchApart())
        std::fprintf(stderr, "kel_bench_launch: a route measured on its own did not start\n");
    endStartedPrograms();

    bool allMet = false;
    const std::string markdown = table(&allMet);
    std::cout << '\n' << markdown << std::flush;
    if (!KelBench::writeTable(tablePath, markdown, "kel_bench_launch"))
        return 1;
    if (!allMet)
        std::fprintf(stderr, "kel_bench_launch: at least one launch missed its target\n");
    return 0;
}
