// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: bare program names looked up in PATH and remembered while PATH stays the same.
#pragma once

#include <QtCore/QString>

namespace Port::detail {

// The program a bare name runs: Process::FindProgram's answer, remembered
// while PATH holds what it held then, as a shell remembers its commands.
// Empty when there is none; a name not found is looked up again next time.
QString rememberedProgramPath(const QString &name);

// Drops what is remembered of name, whose program could not be run.
void forgetProgramPath(const QString &name);

} // namespace Port::detail
