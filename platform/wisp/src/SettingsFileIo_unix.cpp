// The settings store's file system work on UNIX-like systems: stat, flock on a file removed by its holder, the owner given back.
#include "SettingsFileIo.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>

#include <cerrno>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Gui {
namespace Wisp {
namespace detail {

bool openFileBlocksReplace()
{
    return false;
}

NativePath toNativePath(const QString &path)
{
    return QFile::encodeName(path);
}

FileStamp readFileStamp(const NativePath &nativePath)
{
    FileStamp stamp;
    struct stat st;
    if (::stat(nativePath.constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.identity = static_cast<qint64>(st.st_ino);
    stamp.size = static_cast<qint64>(st.st_size);
    stamp.owner = static_cast<qint64>(st.st_uid);
    stamp.group = static_cast<qint64>(st.st_gid);
#if defined(__APPLE__)
    stamp.mtimeNs = static_cast<qint64>(st.st_mtimespec.tv_sec) * 1000000000 + st.st_mtimespec.tv_nsec;
#else
    stamp.mtimeNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
    return stamp;
}

bool readWholeFile(const NativePath &path, QByteArray *content)
{
    QFile file(QFile::decodeName(path));
    content->clear();
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *content = file.readAll();
    return file.error() == QFileDevice::NoError;
}

bool setModificationTime(const NativePath &path, qint64 mtimeNs)
{
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(mtimeNs / 1000000000), long(mtimeNs % 1000000000)}};
    return ::utimensat(AT_FDCWD, path.constData(), times, 0) == 0;
}

void restoreOwner(const NativePath &nativePath, const FileStamp &before)
{
    if (!before.exists || ::geteuid() != 0)
        return;
    const FileStamp now = readFileStamp(nativePath);
    if (now.exists && (now.owner != before.owner || now.group != before.group))
        static_cast<void>(::chown(nativePath.constData(), uid_t(before.owner), gid_t(before.group)));
}

QString libraryFolder()
{
    Dl_info info;
    if (::dladdr(reinterpret_cast<void *>(&libraryFolder), &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
}

UpdateLock::UpdateLock(const QString &path) : m_path(toNativePath(path)) {}

UpdateLock::~UpdateLock()
{
    unlock();
}

UpdateLock::Result UpdateLock::tryLock()
{
    for (;;) {
        const int fd = ::open(m_path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0)
            return Unavailable;
        int locked;
        while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
        }
        if (locked != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK ? Held : Unavailable;
        }
        // The holder before removes the file as it lets go: a lock taken on
        // a file no longer under the name guards nothing, so try again.
        struct stat opened, named;
        if (::fstat(fd, &opened) == 0 && ::stat(m_path.constData(), &named) == 0 && opened.st_ino == named.st_ino
            && opened.st_dev == named.st_dev) {
            m_handle = fd;
            return Locked;
        }
        ::close(fd);
    }
}

void UpdateLock::unlock()
{
    if (m_handle < 0)
        return;
    ::unlink(m_path.constData());
    ::close(int(m_handle));
    m_handle = -1;
}

FileStamp UpdateLock::holder() const
{
    return readFileStamp(m_path);
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
