// Internal: clears a lock file that a QSettings writer left behind, before QSettings waits on it.
#pragma once

#include <QtCore/QString>

namespace Gui {
namespace Wisp {
namespace detail {

// QSettings takes "<file>.lock" around every write and waits for it without
// end; a lock file left empty by a writer that died between creating and
// filling it passes for a live writer's until it is 30 s old. This waits at
// most timeoutMs for the lock, taking a lock file that no live process holds
// as left over once it is leftoverAgeMs old, and lets go of it again, so the
// write that follows finds it free. False when a live writer kept it the
// whole time (and only then).
bool waitForSettingsLock(const QString &settingsFile, int timeoutMs, int leftoverAgeMs);

} // namespace detail
} // namespace Wisp
} // namespace Gui
