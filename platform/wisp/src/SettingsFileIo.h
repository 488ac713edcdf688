// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the settings store's file system work that Qt has no call for: exact stamps, a lock that leaves no file, the owner kept.
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <string>

namespace Gui {
namespace Wisp {
namespace detail {

// One version of a file: a writer replaces the file (a new identity) or
// changes its size or time. Finer than QSettings' look (size and
// milliseconds), so a change QSettings would miss is seen.
struct FileStamp
{
    bool exists = false;
    qint64 identity = -1, size = -1, mtimeNs = -1;
    qint64 owner = -1, group = -1;  // where the system has them

    bool operator==(const FileStamp &o) const
    {
        return exists == o.exists && identity == o.identity && size == o.size && mtimeNs == o.mtimeNs;
    }
    bool operator!=(const FileStamp &o) const { return !(*this == o); }
};

// The file system's bytes on UNIX-like systems, UTF-16 on Windows.
#if defined(Q_OS_WIN)
using NativePath = std::wstring;
#else
using NativePath = QByteArray;
#endif
NativePath toNativePath(const QString &path);

// True where a file that any program holds open cannot be replaced (Windows).
bool openFileBlocksReplace();
// One look at the file's metadata, through a symbolic link.
FileStamp readFileStamp(const NativePath &path);
// The whole file (a missing one is empty); false when it cannot be read.
bool readWholeFile(const NativePath &path, QByteArray *content);
// The bytes a program may still write in this folder's file system.
qint64 bytesAvailable(const NativePath &folder);
// Gives the file this modification time.
bool setModificationTime(const NativePath &path, qint64 mtimeNs);
// A writer that may write any file (root) replaces the file with one of its
// own; this gives it back to the owner and group it had before.
void restoreOwner(const NativePath &path, const FileStamp &before);
// The folder of the library that holds this code.
QString libraryFolder();

// An exclusive lock across processes on one store file, held by the kernel,
// so that a holder that dies lets go, and leaving nothing behind: on
// UNIX-like systems an flock on the store's folder, on Windows a file beside
// the store open in one process at a time and deleted when closed. Taken for
// writes, so it writes nothing to disk itself (QLockFile syncs its file).
class UpdateLock
{
public:
    explicit UpdateLock(const QString &storeFile);
    ~UpdateLock();
    UpdateLock(const UpdateLock &) = delete;
    UpdateLock &operator=(const UpdateLock &) = delete;

    // Never waits. Unavailable where none can be had (no folder yet).
    enum Result { Locked, Held, Unavailable };
    Result tryLock();
    // Who holds it, as far as one look tells.
    FileStamp holder() const;

private:
    const NativePath m_path;
    qintptr m_handle = -1;
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
