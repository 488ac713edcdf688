// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the Qt logging categories of the GUI support library.
#pragma once

#include <QtCore/QLoggingCategory>

namespace Gui {
namespace Wisp {

// The settings store's own diagnostics: values it cannot read, writes that fail, locks it stopped waiting for.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
// "kel.launch": why the default program or a help topic was not opened; the host's channel hears only late failures.
Q_DECLARE_LOGGING_CATEGORY(lcLaunch)

} // namespace Wisp
} // namespace Gui
