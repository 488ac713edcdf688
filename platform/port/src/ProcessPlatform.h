// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the per-platform program lookup behind Port::Process::FindProgram.
#pragma once

#include <Port/Process.h>

namespace Port::detail {

// Platform lookup behind Process::FindProgram; name is neither null nor empty.
StringBase findProgram(const char *name);

} // namespace Port::detail
