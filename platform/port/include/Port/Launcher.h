// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Port::Launcher: the one way every program is started, detached or run to its end within a bound.
 */
#pragma once

#include <Port/CommandLine.h>
#include <Port/MsgManData.h>
#include <Port/Process.h>
#include <Port/port_export.h>

#include <QtCore/QLoggingCategory>

namespace Port {

/**
 * Starts programs: detached, or run to their end within a bound.
 *
 * Whatever the mode, the program gets no shell, the null device as its
 * standard streams, a session of its own, no blocked signals and every signal
 * at its default disposition, this process's environment and no other
 * descriptor or handle of the host. A bare program name is looked up in the
 * absolute entries of PATH only (see Process::FindProgram()), and the program
 * found is remembered while PATH stays the same, as a shell remembers its
 * commands; when it can no longer be run, the name is looked up again. On
 * Windows a path without extension that names no file is tried with ".exe"
 * and ".com", and a batch file is never started (see refuses()).
 *
 * @code
 * const Port::CommandLine command(QStringLiteral("okular"), {QStringLiteral("/tmp/manual.pdf")});
 * if (!Port::Launcher::start(command, channel, QStringLiteral("manual.pdf")))
 *     channel.issueWarning("Unable to launch pdf viewer"); // why: in the category "kel.launch"
 * @endcode
 *
 * Static functions only.
 *
 * @threads Any thread.
 * @since 1.19
 */
class PORT_EXPORT Launcher
{
public:
    /** A detached program that fails this soon after its start, in milliseconds, is reported. */
    static constexpr int LateFailureWindowMs = 3000;

    /** What run() reports. */
    struct RunResult
    {
        /** How the program ended, or why it did not run. */
        Process::Status status = Process::StartFailed;
        /** The exit code; meaningful only when status is Process::Ran. */
        int exitCode = -1;
    };

    Launcher() = delete;

    /**
     * Starts @p command detached: the caller never waits for it, and it may
     * outlive the host.
     *
     * A program that exits with a non-zero status or ends abnormally within
     * #LateFailureWindowMs is reported on @p channel later: through a queued
     * call on the thread of the application object when there is one, else
     * directly on the thread that waits for it. Once the application object
     * is being destroyed, or the process has begun to exit, no report is
     * delivered. Every started program is reaped when it ends, by one
     * process-wide reaper that waits for its own children only.
     *
     * @param command the program and its arguments
     * @param channel where a late failure is reported; the caller says what a
     *        failure to start means in its own words there
     * @param subject what the program was started for (a file or URL), named
     *        in the log and in a late report
     * @return true as soon as the program runs; false for a program that is
     *         missing, not executable, not a program at all or refused (see
     *         refuses()), with the reason in logCategory(), naming the program
     *         and @p subject
     * @blocking Until the program runs (well under a millisecond), never for
     *           its end.
     */
    static bool start(const CommandLine &command, const Port_MsgManData &channel, const QString &subject);

    /**
     * Runs @p command without a window and waits for its end.
     *
     * The command and everything it started are killed when the wait runs
     * out, and whatever it leaves running is ended with it when it ends.
     * Reports nothing on the message channel.
     *
     * @param command the program and its arguments
     * @param timeoutMs the longest wait in milliseconds; a negative bound counts as 0
     * @return how the program ended, and its exit code when it ran to its end;
     *         Process::StartFailed for a program that refuses() names
     * @blocking Until the program ends, at most @p timeoutMs.
     */
    static RunResult run(const CommandLine &command, int timeoutMs);

    /**
     * Whether start() and run() refuse @p program, whatever its arguments.
     *
     * On Windows a batch file is refused (a name whose extension begins with
     * ".bat" or ".cmd"): the system starts it through cmd.exe, which reads
     * characters such as & | < > ^ % in the arguments as its own syntax
     * however they are quoted, so a file name or URL could run commands.
     * Nothing is refused elsewhere.
     *
     * @param program a path, or a bare name, looked up as start() looks it up
     * @return true when no start of @p program is ever made
     * @blocking As programPath().
     */
    static bool refuses(const QString &program);

    /**
     * The logging category "kel.launch": why a program was not started or a
     * file or URL not opened, by this class and by the libraries built on it.
     * The host's message channel hears none of it.
     *
     * @return the category, for qCWarning() and the like
     */
    static const QLoggingCategory &logCategory();

    /**
     * The program that start() and run() run for @p program.
     *
     * @param program a path, or a bare name
     * @return a path as it is (on Windows, with ".exe" or ".com" added when it
     *         has no extension and names no file but names one so), a bare
     *         name as looked up in the absolute entries of PATH (empty when
     *         there is none), nothing for an empty one
     * @blocking One file-status check per entry of PATH, unless the name was
     *           looked up before under the same PATH.
     */
    static QString programPath(const QString &program);

    /**
     * Whether a program started detached may still be reported: it runs
     * within its report window, or the report of its failure is on its way.
     *
     * A host about to exit that wants every report waits while this holds,
     * processing its events.
     *
     * @return true while a report may still come
     */
    static bool reportsPending();
};

} // namespace Port
