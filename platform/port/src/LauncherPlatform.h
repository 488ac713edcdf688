// Internal: the per-platform half of Port::Launcher and the late-failure report both halves share.
#pragma once

#include <Port/Launcher.h>

namespace Port::detail {

// Where a detached program's late failure is reported and what it names.
struct LateFailureReport
{
    Port_MsgManData channel;
    QString program;
    QString subject;
};

// How a watched program ended: its exit status, or the signal that ended it.
struct ProgramEnd
{
    bool bySignal = false;
    int code = 0;
};

// Starts program (a path, already looked up) detached and hands it to the
// reaper; 0, or the system's error number when it could not be started.
int spawnDetached(const QString &program, const QStringList &arguments, const LateFailureReport &report);

// Runs program (a path, already looked up) to its end, waiting at most timeoutMs (>= 0).
Launcher::RunResult runToEnd(const QString &program, const QStringList &arguments, int timeoutMs);

// Issues the warning for a failed end through a queued call on the
// application object's thread, or directly when there is no application.
void reportLateFailure(const LateFailureReport &report, const ProgramEnd &end);

} // namespace Port::detail
