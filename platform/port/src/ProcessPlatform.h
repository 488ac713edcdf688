// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the per-platform program lookup behind Port::Process::FindProgram and the launcher.
#pragma once

#include <Port/Process.h>

#include <QtCore/QString>

namespace Port::detail {

// Platform lookup behind Process::FindProgram; name is neither null nor empty.
StringBase findProgram(const char *name);

// The file a program path (not a bare name) starts: on Windows a path without
// extension that names no file is tried with the extensions a lookup adds, as
// the system adds none; elsewhere the path as it is.
QString completedProgramPath(const QString &path);

} // namespace Port::detail
