// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the process-wide reaper of detached programs on UNIX-like systems, and the one way to ask after a child.
#pragma once

#include "LauncherPlatform.h"

#include <sys/types.h>

namespace Port::detail {

// Watches pid, a child of this process that nobody has waited for yet, and
// reaps it whenever it ends; an end with a failure within
// Launcher::LateFailureWindowMs of this call goes to reportLateFailure. Only
// this pid is ever waited for, so the host's own children are left alone.
void watchChild(pid_t pid, const LateFailureReport &report);

enum class ChildState { Running, Ended, Gone };

// Asks after pid with waitid: waitOptions adds WNOHANG (do not wait) and
// WNOWAIT (leave it to be reaped later) to WEXITED. Gone: the system reaped
// it already (the host ignores SIGCHLD) or the host took it; its end is lost.
ChildState childState(pid_t pid, int waitOptions, ProgramEnd *end);

} // namespace Port::detail
