// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: what DesktopHelpManager asks of the platform — the default command line and a detached start.
#pragma once

#include <Port/MsgManData.h>

#include <QtCore/QString>

namespace Gui {
namespace Wisp {
namespace DesktopOpener {

// What the default program is asked to open; Windows registers a different
// program for each, freedesktop and macOS use one opener for both.
enum class Kind { PdfFile, WebLink };

enum class StartOutcome {
    Started,  // running; a failure soon after is reported on the channel later
    NoOpener, // the platform knows no default program; nothing reported yet
    Failed,   // could not be started; already reported on the channel
};

// The default command line with "%1" standing for the file or URL, or a null
// string when there is none.
QString defaultCommand(Kind kind);

// Starts the default program for target (already checked by the caller: not
// empty, no leading '-') through Port::Launcher, detached: the call never
// waits for the program.
StartOutcome start(Kind kind, const QString &target, const Port_MsgManData &channel);

} // namespace DesktopOpener
} // namespace Wisp
} // namespace Gui
