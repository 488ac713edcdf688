// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The settings store's file system work on UNIX-like systems: stat, the owner given back, the kernel's lock on the folder.
#include "SettingsInternal.h"
#include "WispLogging.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace Gui {
namespace Wisp {
namespace detail {

NativePath toNativePath(const QString &path)
{
    return QFile::encodeName(path);
}

FileStamp readFileStamp(const NativePath &path)
{
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return FileStamp();
#if defined(__APPLE__)
    const struct timespec &mtime = st.st_mtimespec;
#else
    const struct timespec &mtime = st.st_mtim;
#endif
    return FileStamp{true, qint64(st.st_ino), qint64(st.st_size), qint64(mtime.tv_sec) * 1000000000 + mtime.tv_nsec,
                     qint64(st.st_uid), qint64(st.st_gid)};
}

qint64 bytesAvailable(const NativePath &folder)
{
    struct statvfs fs;
    return ::statvfs(folder.constData(), &fs) == 0 ? qint64(fs.f_bavail) * qint64(fs.f_frsize) : -1;
}

void restoreOwner(const NativePath &path, const FileStamp &before)
{
    const FileStamp now = readFileStamp(path);
    if (before.exists && ::geteuid() == 0 && now.exists && (now.owner != before.owner || now.group != before.group))
        if (::chown(path.constData(), uid_t(before.owner), gid_t(before.group)) != 0)
            // The file stays root's until its owner's program writes it again.
            qCWarning(lcSettings, "Settings file '%s' could not be given back to its owner: %s", path.constData(),
                      std::strerror(errno));
}

// The kernel's lock on the store's folder itself: taking it writes nothing,
// so a write's turn costs no journal entry, and leaves nothing behind.
UpdateLock::UpdateLock(const QString &storeFile) : m_path(toNativePath(QFileInfo(storeFile).absolutePath())) {}

UpdateLock::~UpdateLock()
{
    if (m_handle >= 0)
        ::close(int(m_handle));
}

Attempt UpdateLock::tryLock()
{
    const int fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Attempt::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {  // without waiting, so never interrupted
        m_handle = fd;
        return Attempt::Locked;
    }
    const int error = errno;
    ::close(fd);
    return error == EWOULDBLOCK ? Attempt::Held : Attempt::Unavailable;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
