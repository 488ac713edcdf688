// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the start by fork and execve, for C libraries whose posix_spawn cannot close every descriptor in the child.
#pragma once

#include <sys/types.h>

namespace Port::detail {

// Starts path with argv (null-terminated) and this process's environment, as
// posix_spawn with the launcher's set-up would: every signal at its default
// and none blocked, a session of its own, nullDevice (or, when it is -1, a
// fresh open of the null device) as the standard streams, and no other
// descriptor of this process. Returns once the program runs, or why it does
// not (the error number of the step that failed, exec's included); 0 and
// *pid on success.
int forkExec(const char *path, char *const argv[], int nullDevice, pid_t *pid);

} // namespace Port::detail
