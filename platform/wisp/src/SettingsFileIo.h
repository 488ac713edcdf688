// Internal: what the settings store adds to QSettings' file handling: exact stamps, a kernel-held lock, the owner kept.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <string>

namespace Gui {
namespace Wisp {
namespace detail {

// What identifies one version of a file on disk: a writer replaces the file
// (new identity) or changes its size or modification time. Finer than what
// QSettings looks at (size and milliseconds), so a change that QSettings
// would miss is still seen.
struct FileStamp
{
    bool exists = false;
    qint64 identity = -1;
    qint64 size = -1;
    qint64 mtimeNs = -1;
    qint64 owner = -1;  // user and group, where the system has them
    qint64 group = -1;

    bool operator==(const FileStamp &o) const
    {
        return exists == o.exists && identity == o.identity && size == o.size && mtimeNs == o.mtimeNs;
    }
    bool operator!=(const FileStamp &o) const { return !(*this == o); }
};

// A path as the system's calls take it: the file system's bytes on UNIX-like
// systems, UTF-16 on Windows, which holds every name a QString can.
#if defined(Q_OS_WIN)
using NativePath = std::wstring;
#else
using NativePath = QByteArray;
#endif
NativePath toNativePath(const QString &path);

// True where a file that any program holds open cannot be replaced
// (Windows): there a reader stands in the way of every writer's replace.
bool openFileBlocksReplace();

// One look at the file's metadata; a symbolic link is followed, so the stamp
// is the file's that the link names.
FileStamp readFileStamp(const NativePath &path);

// A writer that may write any file (root) replaces the file with one of its
// own; this gives it back to the owner and group it had before, so the
// user's file stays the user's. Nothing happens where nothing changed.
void restoreOwner(const NativePath &path, const FileStamp &before);

// An exclusive lock on a sidecar file that the kernel releases when the
// process dies, so a crashed writer never leaves the store locked.
class InterProcessLock
{
public:
    InterProcessLock() = default;
    ~InterProcessLock();
    InterProcessLock(const InterProcessLock &) = delete;
    InterProcessLock &operator=(const InterProcessLock &) = delete;

    enum Result {
        Locked,
        TimedOut,     // another process held it for the whole wait
        Unavailable,  // the lock file cannot be opened (a read-only store)
    };

    // Waits at most timeoutMs for the lock, so a process that hangs while
    // holding it cannot hang every other user of the store.
    Result acquire(const QString &lockPath, int timeoutMs);
    void release();

private:
    qintptr m_handle = -1;       // the open lock file (UNIX: kept for the process)
    qintptr m_queueHandle = -1;  // the file that waiters hold shared (UNIX)
    void *m_waiterCount = nullptr;  // how many wait, mapped from that file (UNIX)
    bool m_locked = false;
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
