// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the per-platform half of Port::Launcher and what both halves share.
#pragma once

#include <Port/Launcher.h>

#include <QtCore/QByteArray>

namespace Port::detail {

// Where a detached program's late failure is reported and what it names.
struct LateFailureReport
{
    Port_MsgManData channel;
    QString program;
    QString subject;
};

// How a watched program ended: its exit status, or an abnormal end (a
// signal, or on Windows an exception status) and its number.
struct ProgramEnd
{
    bool abnormal = false;
    int code = 0;
};

// Why a start failed, in the same terms on every platform: the program is
// gone (no such file or folder), is no program the system runs, or may not be
// run, the three worth a second lookup of a bare name; or it is one this
// launcher never starts (whyRefused).
enum class StartProblem { None, Gone, NotAProgram, NotAllowed, Refused, Other };

struct StartFailure
{
    StartProblem problem = StartProblem::None;
    int code = 0;  // the system's error number, for its text
};

// Why program (a path) is never started whatever its arguments; null when it may be.
const char *whyRefused(const QString &program);

// Starts program (a path, already looked up) detached and hands it to the
// watcher of late failures.
StartFailure spawnDetached(const QString &program, const QStringList &arguments, const LateFailureReport &report);

// Runs program (a path, already looked up) to its end, waiting at most timeoutMs (>= 0).
Launcher::RunResult runToEnd(const QString &program, const QStringList &arguments, int timeoutMs);

// What Process::RunNoWindow says of a start that failed.
Process::Status statusOf(StartProblem problem);

// How the late-failure warning says the program ended ("ended with exit status 3").
QByteArray endText(const ProgramEnd &end);

// Issues the warning for a failed end: through a queued call on the
// application object's thread, or directly when there is no application;
// nothing once reports are closed.
void reportLateFailure(const LateFailureReport &report, const ProgramEnd &end);

// Each watched program opens a report window, and closes it once its end is
// reported or its window is over (Launcher::reportsPending).
void reportWindowOpened();
void reportWindowClosed();

// No report is delivered from now on; returns once a delivery under way on
// another thread is done. Called before the application object is destroyed
// and when the process exits.
void closeReports();

// In a child made by fork: nothing of the parent's is being delivered or watched.
void forgetReportsAfterFork();

} // namespace Port::detail
