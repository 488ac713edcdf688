// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the logging category of the launcher's own diagnostics, which stay off the host's message channel.
#pragma once

#include <QtCore/QLoggingCategory>

namespace Port::detail {

// "kel.launch": why a program could not be started, and the reaper's own troubles.
Q_DECLARE_LOGGING_CATEGORY(lcLaunch)

} // namespace Port::detail
