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
    // is missing, not executable or not a program at all is reported at once
    // on channel, naming it and subject (what it was started for), and gives
    // false. A program that exits with a non-zero status or is ended by a
    // signal within LateFailureWindowMs is reported on channel later: through
    // a queued call on the thread of the application object when there is one,
    // else directly on the reaper's thread. Every started program is reaped when
    // it ends, by one process-wide reaper that waits for its own children only.
    static bool start(const CommandLine &command, const Port_MsgManData &channel, const QString &subject);

    // Runs command without a window and waits at most timeoutMs (a negative
    // bound counts as 0) for its end. The command and everything it started
    // are killed when the wait runs out, and whatever it leaves running is
    // ended with it when it ends. Reports nothing on the message channel.
    static RunResult run(const CommandLine &command, int timeoutMs);

    // The program start() and run() run for a bare name, or an empty string
    // when there is none (or name is a path).
    static QString programPath(const QString &name);
};

} // namespace Port
