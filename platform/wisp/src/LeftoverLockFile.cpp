// Waits for QSettings' lock file with a short stale age, through QLockFile's own checks.
#include "LeftoverLockFile.h"

#include <QtCore/QFileInfo>
#include <QtCore/QLockFile>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

// The name QSettings gives its lock file.
constexpr char kLockSuffix[] = ".lock";

} // namespace

bool waitForSettingsLock(const QString &settingsFile, int timeoutMs, int leftoverAgeMs)
{
    const QString lockPath = settingsFile + QLatin1String(kLockSuffix);
    if (!QFileInfo::exists(lockPath))
        return true;  // the usual case: nobody is writing
    // QLockFile removes a lock file only when it can take the kernel lock that
    // every live holder keeps on it, so a short stale age never removes the
    // lock of a writer that is still at work.
    QLockFile lock(lockPath);
    lock.setStaleLockTime(leftoverAgeMs);
    if (lock.tryLock(timeoutMs)) {
        lock.unlock();
        return true;
    }
    // A lock file that cannot be made (a read-only folder) is the write's own
    // failure, which QSettings reports.
    return lock.error() != QLockFile::LockFailedError;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
