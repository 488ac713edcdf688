// The settings store's file system work on UNIX-like systems: stat, flock, the owner given back.
#include "SettingsFileIo.h"

#include <QtCore/QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

// Beside the lock file: held shared by every process waiting for the lock.
constexpr char kQueueSuffix[] = ".waiting";
// Longer than a waiter's longest pause with its jitter (twice kLongestPause),
// so those already waiting get the lock first.
constexpr std::chrono::microseconds kNewcomerPause(500);
constexpr std::chrono::microseconds kLongestPause(200);

} // namespace

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

namespace {

int openLockFile(const QByteArray &name)
{
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);  // flock works on a read-only file too
    return fd;
}

bool tryFlock(int fd, int operation)
{
    while (::flock(fd, operation | LOCK_NB) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

} // namespace

InterProcessLock::~InterProcessLock()
{
    release();
    if (m_handle >= 0)
        ::close(int(m_handle));
    if (m_queueHandle >= 0)
        ::close(int(m_queueHandle));
}

InterProcessLock::Result InterProcessLock::acquire(const QString &lockPath, int timeoutMs)
{
    // The lock files stay open between store objects: opening them costs
    // more than the lock itself, and the kernel still drops the locks with
    // the process.
    if (m_handle < 0 || m_queueHandle < 0) {
        const QByteArray name = QFile::encodeName(lockPath);
        const int fd = m_handle >= 0 ? int(m_handle) : openLockFile(name);
        const int queue = fd >= 0 && m_queueHandle < 0 ? openLockFile(name + kQueueSuffix) : int(m_queueHandle);
        m_handle = fd;
        m_queueHandle = queue;
        if (fd < 0 || queue < 0)
            return Unavailable;
    }
    const int fd = int(m_handle);
    const int queue = int(m_queueHandle);

    // flock hands the lock to nobody in particular: a process that lets go
    // and takes it again at once would win every time over processes that
    // poll for it. So while anyone waits (waiters hold the queue file
    // shared), a newcomer lets them go first instead of taking the lock.
    const bool othersWaiting = !tryFlock(queue, LOCK_EX);
    if (!othersWaiting) {
        ::flock(queue, LOCK_UN);
        if (tryFlock(fd, LOCK_EX)) {
            m_locked = true;
            return Locked;
        }
    }

    while (::flock(queue, LOCK_SH) != 0 && errno == EINTR) {
    }
    if (othersWaiting)
        std::this_thread::sleep_for(kNewcomerPause);
    // Poll, backing off from 50 us to 200 us with some jitter so the waiters
    // do not move in step: flock has no timed wait, and a write holds the
    // lock for about a millisecond.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::chrono::microseconds pause(50);
    unsigned jitter = unsigned(::getpid());
    Result result = TimedOut;
    for (;;) {
        if (tryFlock(fd, LOCK_EX)) {
            m_locked = true;
            result = Locked;
            break;
        }
        if (errno != EWOULDBLOCK) {
            result = Unavailable;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        jitter = jitter * 1103515245u + 12345u;
        std::this_thread::sleep_for(pause + std::chrono::microseconds((jitter >> 16) % (pause.count() + 1)));
        pause = std::min(pause * 2, kLongestPause);
    }
    ::flock(queue, LOCK_UN);
    return result;
}

void InterProcessLock::release()
{
    if (!m_locked)
        return;
    m_locked = false;
    ::flock(int(m_handle), LOCK_UN);
}

void restoreOwner(const NativePath &nativePath, const FileStamp &before)
{
    if (!before.exists || ::geteuid() != 0)
        return;
    const FileStamp now = readFileStamp(nativePath);
    if (now.exists && (now.owner != before.owner || now.group != before.group))
        static_cast<void>(::chown(nativePath.constData(), uid_t(before.owner), gid_t(before.group)));
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
