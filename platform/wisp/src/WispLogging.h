// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the Qt logging categories of the GUI support library.
#pragma once

#include <Port/Launcher.h>

#include <QtCore/QLoggingCategory>

namespace Gui {
namespace Wisp {

// The settings store's own diagnostics: values it cannot read, writes that fail, locks it stopped waiting for.
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
// "kel.launch", the launcher's: why the default program or a help topic was not opened.
inline const QLoggingCategory &lcLaunch()
{
    return Port::Launcher::logCategory();
}

} // namespace Wisp
} // namespace Gui
