// Port::Launcher: the one way every program is started, detached or run to its end within a bound.
#pragma once

#include <Port/CommandLine.h>
#include <Port/MsgManData.h>
#include <Port/Process.h>
#include <Port/port_export.h>

namespace Port {

// Whatever the mode, the program gets no shell, the null device as its
// standard streams, a session of its own, no blocked signals and every signal
// at its default disposition, this process's environment and no other
// descriptor or handle of the host. A bare program name is looked up in the
// absolute entries of PATH only (see Process::FindProgram), and the program
// found is remembered while PATH stays the same, as a shell remembers its
// commands; when it can no longer be run, the name is looked up again.
class PORT_EXPORT Launcher
{
public:
    // A detached program that fails this soon after its start is reported.
    static constexpr int LateFailureWindowMs = 3000;

    struct RunResult
    {
        Process::Status status = Process::StartFailed;
        int exitCode = -1; // meaningful only when status is Process::Ran
    };

    Launcher() = delete;

    // Starts command detached and returns as soon as the program runs: the
    // caller never waits for it, and it may outlive the host. A program that
    // is missing, not executable or not a program at all gives false, and why
    // goes to the logging category "kel.launch", naming the program and
    // subject (what it was started for): channel carries only what the caller
    // says of the failure in its own words. A program that exits with a
    // non-zero status or ends abnormally within LateFailureWindowMs is
    // reported on channel later: through a queued call on the thread of the
    // application object when there is one, else directly on the thread that
    // waits for it. Once the application object is being destroyed, or the
    // process has begun to exit, no report is delivered. Every started
    // program is reaped when it ends, by one process-wide reaper that waits
    // for its own children only.
    static bool start(const CommandLine &command, const Port_MsgManData &channel, const QString &subject);

    // Runs command without a window and waits at most timeoutMs (a negative
    // bound counts as 0) for its end. The command and everything it started
    // are killed when the wait runs out, and whatever it leaves running is
    // ended with it when it ends. Reports nothing on the message channel.
    static RunResult run(const CommandLine &command, int timeoutMs);

    // The program start() and run() run for program: a path as it is, a bare
    // name as looked up (empty when there is none), nothing for an empty one.
    static QString programPath(const QString &program);

    // True while a program started detached may still be reported: it runs
    // within its report window, or the report of its failure is on its way.
    // A host about to exit that wants every report waits while this holds,
    // processing its events.
    static bool reportsPending();
};

} // namespace Port
