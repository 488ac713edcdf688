// Internal: the process-wide reaper of detached programs on UNIX-like systems.
#pragma once

#include "LauncherPlatform.h"

#include <sys/types.h>

namespace Port::detail {

// Watches pid, a child of this process that nobody has waited for yet, and
// reaps it whenever it ends; an end with a failure within
// Launcher::LateFailureWindowMs of this call goes to reportLateFailure. Only
// this pid is ever waited for, so the host's own children are left alone.
void watchChild(pid_t pid, const LateFailureReport &report);

} // namespace Port::detail
