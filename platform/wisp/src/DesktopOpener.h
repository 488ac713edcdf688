// Internal: what DesktopHelpManager asks of the platform — the default command line and a detached start.
#pragma once

#include <QtCore/QString>

namespace Gui {
namespace Wisp {
namespace DesktopOpener {

// What the default program is asked to open; Windows registers a different
// program for each, freedesktop and macOS use one opener for both.
enum class Kind { PdfFile, WebLink };

struct StartResult
{
    enum Outcome {
        Started,           // running, or ended with status 0 within the start check
        NoOpener,          // the platform knows no default program
        StartFailed,       // the program could not be started; detail is the system error
        ExitedWithFailure, // ended within the start check; detail is its exit code
        Crashed,           // ended within the start check by a signal; detail is its number
    };

    Outcome outcome = StartFailed;
    int detail = 0;
    // The program that was (or would have been) started, for messages.
    QString program;
};

// The default command line with "%1" standing for the file or URL, or a null
// string when there is none.
QString defaultCommand(Kind kind);

// Starts the default program for target (already checked by the caller: not
// empty, no leading '-') without a shell and with its standard streams on the
// null device. Waits at most DesktopHelpManager::StartCheckMs for an early
// end; a program still running then is left running and outlives the call.
StartResult start(Kind kind, const QString &target);

} // namespace DesktopOpener
} // namespace Wisp
} // namespace Gui
