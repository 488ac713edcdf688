// Port::Process: runs a command synchronously, with a bounded wait.
#pragma once

#include <Port/StringBase.h>
#include <Port/port_export.h>

namespace Port {

class PORT_EXPORT Process
{
public:
    // How long RunNoWindow waits before it kills the command.
    static constexpr int DefaultTimeoutMs = 3000;

    enum Status : int {
        Ran = 0,          // ran to its end; GetChildRetcode gives the exit code
        NotFound = 1,     // no such program on PATH
        StartFailed = 2,  // found but could not be started
        TimedOut = 3,     // killed after the wait ran out
        Crashed = 4,      // ended by a signal
        BadCommand = 5,   // null or empty command
        Lost = 6,         // ended, but its exit status was taken elsewhere (SIGCHLD ignored)
    };

    Process();
    virtual ~Process();

    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    // Runs command (a program name looked up in the absolute entries of PATH,
    // or a path) through Port::Launcher::run: without a shell and without a
    // window, and waits for its end. Standard input, output and error are the
    // null device. Whatever the command leaves running behind it is ended with
    // it. Returns a Status.
    // waitForEnd and hideWindow are kept for the family's callers; the wait is
    // always bounded by timeoutMs().
    int RunNoWindow(const char *command, bool waitForEnd, bool hideWindow);

    // Exit code of the last command that ran to its end; -1 otherwise.
    int GetChildRetcode() const;

    // A negative wait counts as 0: the command is killed unless it has already ended.
    void setTimeoutMs(int ms);
    int timeoutMs() const;

    // The program that RunNoWindow would start for name: name itself when it
    // holds a directory separator, else the first executable file of that name
    // in the absolute entries of PATH (empty and relative entries such as "."
    // are never searched, so a planted program in the working directory is
    // never run). Empty when there is none.
    static StringBase FindProgram(const char *name);

private:
    int m_retcode = -1;
    int m_timeoutMs = DefaultTimeoutMs;
};

} // namespace Port
