// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Port::Process: runs a program to its end, with a bounded wait.
 */
#pragma once

#include <Port/StringBase.h>
#include <Port/port_export.h>

namespace Port {

/**
 * Runs a program synchronously, without a shell and without a window, and
 * waits a bounded time for its end.
 *
 * @code
 * Port::Process probe;
 * if (probe.RunNoWindow("gqbrowserwindowexists", true, true) == Port::Process::Ran
 *     && probe.GetChildRetcode() == 1) {
 *     // a browser window takes remote calls
 * }
 * @endcode
 *
 * @threads Any thread may run its own Process object; one object is not used
 *          by two threads at once.
 * @blocking RunNoWindow waits for the program's end, at most timeoutMs().
 * @since 1.19
 */
class PORT_EXPORT Process
{
public:
    /** How long RunNoWindow() waits, in milliseconds, before it kills the program. */
    static constexpr int DefaultTimeoutMs = 3000;

    /** The outcome of RunNoWindow(). */
    enum Status : int {
        Ran = 0,         ///< ran to its end; GetChildRetcode() gives the exit code
        NotFound = 1,    ///< no such program in the absolute entries of PATH
        StartFailed = 2, ///< found but could not be started
        TimedOut = 3,    ///< killed after the wait ran out
        Crashed = 4,     ///< ended by a signal
        BadCommand = 5,  ///< null or empty command
        Lost = 6,        ///< ended, but its exit status was taken elsewhere (SIGCHLD ignored)
    };

    /** A process object that has run nothing, waiting at most #DefaultTimeoutMs. */
    Process();
    /** Destroys the object; a program it ran has ended before RunNoWindow() returned. */
    virtual ~Process();

    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    /**
     * Runs @p command and waits for its end.
     *
     * The program gets no shell, no window, no arguments, and the null
     * device as standard input, output and error. Whatever it leaves running
     * behind it is ended with it. It runs through Port::Launcher::run().
     *
     * @param command the program: a path, or a bare name looked up in the
     *        absolute entries of PATH (see FindProgram())
     * @param waitForEnd kept for the family's callers; the wait is always
     *        bounded by timeoutMs()
     * @param hideWindow kept for the family's callers; there is never a window
     * @return a #Status: #Ran when the program ran to its end
     * @blocking Until the program ends, at most timeoutMs(); then it is killed.
     */
    int RunNoWindow(const char *command, bool waitForEnd, bool hideWindow);

    /** @return the exit code of the last program that ran to its end; -1 otherwise */
    int GetChildRetcode() const;

    /**
     * Sets how long RunNoWindow() waits.
     *
     * @param ms the bound in milliseconds; a negative bound counts as 0, so the
     *        program is killed unless it has already ended
     */
    void setTimeoutMs(int ms);
    /** @return how long RunNoWindow() waits, in milliseconds */
    int timeoutMs() const;

    /**
     * The program that RunNoWindow() would start for @p name.
     *
     * Empty and relative entries of PATH (such as ".") are never searched, so
     * a program planted in the working directory is never run.
     *
     * @param name a program name or path
     * @return @p name itself when it holds a directory separator (on
     *         Windows, with ".exe" or ".com" added when it has no extension
     *         and names no file but names one so), else the first executable
     *         file of that name in the absolute entries of PATH (on Windows,
     *         of the name with ".exe", ".com", ".bat" or ".cmd" when it has no
     *         extension; a batch file found is never run); empty when there is none
     * @blocking One file-status check per entry of PATH.
     */
    static StringBase FindProgram(const char *name);

private:
    int m_retcode = -1;
    int m_timeoutMs = DefaultTimeoutMs;
};

} // namespace Port
