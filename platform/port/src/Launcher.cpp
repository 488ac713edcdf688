// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port::Launcher: program lookup, why a start failed, and the delivery of late-failure reports.
#include <Port/Launcher.h>

#include "LauncherPlatform.h"
#include "ProcessPlatform.h"
#include "ProgramLookup.h"

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QMetaObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace Port {

namespace {

constexpr char kNoProgram[] = "no program given";
constexpr char kNotOnPath[] = "not found in the absolute entries of PATH";
constexpr auto kDeliveryPoll = std::chrono::milliseconds(1);

QByteArray displayName(const QString &program)
{
    return QDir::toNativeSeparators(program).toUtf8();
}

bool isPath(const QString &program)
{
    return program.contains(QLatin1Char('/')) || program.contains(QDir::separator());
}

bool isBareName(const QString &program)
{
    return !program.isEmpty() && !isPath(program);
}

// A path stays as it is (but for an extension the system would not add), never
// narrowed to 8 bits; a bare name is looked up. Empty when there is nothing to start.
QString resolve(const QString &program)
{
    return isBareName(program) ? detail::rememberedProgramPath(program) : detail::completedProgramPath(program);
}

// The program a bare name found may since have been removed, moved or spoiled.
bool worthLookingUpAgain(detail::StartProblem problem)
{
    return problem == detail::StartProblem::Gone || problem == detail::StartProblem::NotAProgram
           || problem == detail::StartProblem::NotAllowed;
}

void logNotStarted(const QString &program, const QString &subject, const QByteArray &why)
{
    qCWarning(Launcher::logCategory, "Could not start '%s' for '%s': %s", displayName(program).constData(),
              subject.toUtf8().constData(), why.constData());
}

// Where late reports go. Launches note the application object on their own
// thread, and it is forgotten before it is destroyed, so a report never asks
// for QCoreApplication::instance() on another thread. Every member is
// trivially destructible: the state outlives every thread that may still
// deliver while the process exits.
struct ReportGate
{
    std::atomic<QCoreApplication *> application{nullptr};
    std::atomic<bool> closed{false};
    std::atomic<int> delivering{0};
    std::atomic<int> windowsOpen{0};
};

ReportGate g_gate;
// Set while this thread delivers directly: a host handler that ends the
// process from there must not wait for itself.
thread_local bool t_delivering = false;

void noteApplication()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application || g_gate.application.load() == application)
        return;
    g_gate.application = application;
    g_gate.closed = false;
    qAddPostRoutine(&detail::closeReports);
}

// A library unloaded while the application lives must not leave its routine behind.
struct PostRoutineRemoval
{
    ~PostRoutineRemoval() { qRemovePostRoutine(&detail::closeReports); }
} g_postRoutineRemoval;

class Delivery
{
public:
    Delivery() { ++g_gate.delivering; }
    ~Delivery() { --g_gate.delivering; }
    Delivery(const Delivery &) = delete;
    Delivery &operator=(const Delivery &) = delete;
};

} // namespace

bool Launcher::start(const CommandLine &command, const Port_MsgManData &channel, const QString &subject)
{
    noteApplication();
    QString program = resolve(command.program());
    if (program.isEmpty()) {
        logNotStarted(command.program(), subject, command.program().isEmpty() ? kNoProgram : kNotOnPath);
        return false;
    }
    detail::StartFailure failure =
        detail::spawnDetached(program, command.arguments(), detail::LateFailureReport{channel, program, subject});
    // A program remembered for a bare name may have been removed or moved
    // since: it is looked up once more, as a shell does.
    if (worthLookingUpAgain(failure.problem) && isBareName(command.program())) {
        detail::forgetProgramPath(command.program());
        const QString found = resolve(command.program());
        if (!found.isEmpty() && found != program) {
            program = found;
            failure = detail::spawnDetached(program, command.arguments(),
                                            detail::LateFailureReport{channel, program, subject});
        }
    }
    if (failure.problem == detail::StartProblem::None)
        return true;
    logNotStarted(program, subject,
                  failure.problem == detail::StartProblem::Refused ? QByteArray(detail::whyRefused(program))
                                                                   : qt_error_string(failure.code).toUtf8());
    return false;
}

QString Launcher::programPath(const QString &program)
{
    return resolve(program);
}

bool Launcher::refuses(const QString &program)
{
    const QString path = resolve(program);
    return !path.isEmpty() && detail::whyRefused(path);
}

const QLoggingCategory &Launcher::logCategory()
{
    static const QLoggingCategory category("kel.launch");
    return category;
}

bool Launcher::reportsPending()
{
    return g_gate.windowsOpen.load() > 0 || g_gate.delivering.load() > 0;
}

Launcher::RunResult Launcher::run(const CommandLine &command, int timeoutMs)
{
    const QString program = resolve(command.program());
    if (program.isEmpty())
        return RunResult{Process::NotFound, -1};
    return detail::runToEnd(program, command.arguments(), std::max(timeoutMs, 0));
}

Process::Status detail::statusOf(StartProblem problem)
{
    return problem == StartProblem::Gone ? Process::NotFound : Process::StartFailed;
}

void detail::reportLateFailure(const LateFailureReport &report, const ProgramEnd &end)
{
    const auto issue = [report, end] {
        report.channel.issueWarning("'%s' for '%s' %s within %d s of its start", displayName(report.program).constData(),
                                    report.subject.toUtf8().constData(), endText(end).constData(),
                                    Launcher::LateFailureWindowMs / 1000);
    };
    // Counted before closed is read, and closeReports sets closed before it
    // reads the count: either this sees closed, or that waits for this.
    const Delivery delivery;
    if (g_gate.closed)
        return;
    // The host shows warnings on its GUI thread; the reaper is not that thread.
    if (QCoreApplication *application = g_gate.application) {
        QMetaObject::invokeMethod(application, issue, Qt::QueuedConnection);
        return;
    }
    t_delivering = true;
    issue();
    t_delivering = false;
}

void detail::reportWindowOpened()
{
    ++g_gate.windowsOpen;
}

void detail::reportWindowClosed()
{
    --g_gate.windowsOpen;
}

void detail::closeReports()
{
    g_gate.closed = true;
    g_gate.application = nullptr;
    const int own = t_delivering ? 1 : 0;
    while (g_gate.delivering.load() > own)
        std::this_thread::sleep_for(kDeliveryPoll);
}

void detail::forgetReportsAfterFork()
{
    g_gate.delivering = 0;
    g_gate.windowsOpen = 0;
    t_delivering = false;
}

} // namespace Port
