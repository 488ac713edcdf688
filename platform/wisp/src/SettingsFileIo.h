// Internal: the settings store's file system work that Qt has no call for: exact stamps, a lock that leaves no file, the owner kept.
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

// True where a file that any program holds open cannot be replaced (Windows).
bool openFileBlocksReplace();

// One look at the file's metadata; a symbolic link is followed.
FileStamp readFileStamp(const NativePath &path);

// The whole file, opened so that no other program's replace of it fails
// meanwhile; false when it cannot be read (a missing file reads as empty).
bool readWholeFile(const NativePath &path, QByteArray *content);

// Gives the file this modification time, so that programs that judge a
// change by size and time see one.
bool setModificationTime(const NativePath &path, qint64 mtimeNs);

// A writer that may write any file (root) replaces the file with one of its
// own; this gives it back to the owner and group it had before.
void restoreOwner(const NativePath &path, const FileStamp &before);

// The folder of the library that holds this code.
QString libraryFolder();

// An exclusive lock across processes that leaves no file behind once let go,
// and none when its holder dies: the system drops it with the process.
class UpdateLock
{
public:
    explicit UpdateLock(const QString &path);
    ~UpdateLock();
    UpdateLock(const UpdateLock &) = delete;
    UpdateLock &operator=(const UpdateLock &) = delete;

    enum Result { Locked, Held, Unavailable };
    // Never waits; Held when another holds it, Unavailable when the lock
    // cannot be made (a read-only folder: the update cannot write anyway).
    Result tryLock();
    void unlock();
    // Who holds it, as far as one look tells: the same holder keeps the same
    // lock file, a new holder makes a new one.
    FileStamp holder() const;

private:
    const NativePath m_path;
    qintptr m_handle = -1;
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
