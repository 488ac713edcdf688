// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port::Process: the checks and bookkeeping around running a command to its end through the launcher.
#include <Port/Process.h>

#include "PortText.h"
#include "ProcessPlatform.h"

#include <Port/CommandLine.h>
#include <Port/Launcher.h>

#include <algorithm>

namespace Port {

Process::Process() = default;

Process::~Process() = default;

int Process::RunNoWindow(const char *command, bool waitForEnd, bool hideWindow)
{
    // Every run is waited for and windowless; the flags stay for the family's callers.
    static_cast<void>(waitForEnd);
    static_cast<void>(hideWindow);

    m_retcode = -1;
    if (!command || *command == '\0')
        return BadCommand;
    const Launcher::RunResult outcome = Launcher::run(CommandLine(detail::fromPortText(command)), m_timeoutMs);
    if (outcome.status == Ran)
        m_retcode = outcome.exitCode;
    return outcome.status;
}

int Process::GetChildRetcode() const
{
    return m_retcode;
}

void Process::setTimeoutMs(int ms)
{
    m_timeoutMs = std::max(ms, 0);
}

int Process::timeoutMs() const
{
    return m_timeoutMs;
}

StringBase Process::FindProgram(const char *name)
{
    if (!name || *name == '\0')
        return StringBase();
    return detail::findProgram(name);
}

} // namespace Port
