// Internal: the per-platform half of Port::Process, behind one small interface.
#pragma once

#include <Port/Process.h>

namespace Port::detail {

struct RunOutcome
{
    int status = Process::StartFailed;
    int exitCode = -1; // meaningful only when status is Process::Ran
};

// Starts program (as FindProgram resolved it) with no arguments, the null
// device as its standard streams and no window, and waits at most timeoutMs.
RunOutcome runProgram(const StringBase &program, int timeoutMs);

// Platform lookup behind Process::FindProgram; name is neither null nor empty.
StringBase findProgram(const char *name);

} // namespace Port::detail
