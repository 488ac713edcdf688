// The settings store's file system work on UNIX-like systems: stat, flock, the owner given back.
#include "SettingsFileIo.h"

#include <QtCore/QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
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

// The waiters' count lives in the first bytes of the queue file, shared by
// every process that maps it.
using WaiterCount = std::atomic<std::int32_t>;
static_assert(WaiterCount::is_always_lock_free, "the waiters' count is shared between processes");
constexpr off_t kWaiterCountBytes = sizeof(WaiterCount);

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

// The count of waiters, mapped from the queue file; null where the file
// cannot be written, and then the queue file alone tells.
void *mapWaiterCount(int queue)
{
    struct stat st;
    if (::fstat(queue, &st) != 0)
        return nullptr;
    // Only ever grown: a count another process wrote stays as it is.
    if (st.st_size < kWaiterCountBytes && ::ftruncate(queue, kWaiterCountBytes) != 0)
        return nullptr;
    void *map = ::mmap(nullptr, kWaiterCountBytes, PROT_READ | PROT_WRITE, MAP_SHARED, queue, 0);
    return map == MAP_FAILED ? nullptr : map;
}

// A waiter that died while counted leaves the count too high, and one reset
// by a newcomer while a waiter was arriving can end below zero; both only
// send newcomers the slower way, never past the queue.
void leaveWaiterCount(WaiterCount *count)
{
    std::int32_t now = count->load(std::memory_order_relaxed);
    while (now > 0 && !count->compare_exchange_weak(now, now - 1, std::memory_order_release))
    {
    }
}

} // namespace

InterProcessLock::~InterProcessLock()
{
    release();
    if (m_waiterCount)
        ::munmap(m_waiterCount, kWaiterCountBytes);
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
        m_waiterCount = mapWaiterCount(queue);
    }
    const int fd = int(m_handle);
    const int queue = int(m_queueHandle);
    auto *waiters = static_cast<WaiterCount *>(m_waiterCount);

    // flock hands the lock to nobody in particular: a process that lets go
    // and takes it again at once would win every time over processes that
    // poll for it. So while anyone waits (waiters hold the queue file
    // shared, and count themselves), a newcomer lets them go first instead
    // of taking the lock. The count answers without a call into the kernel,
    // which is most of what a store object opened for one read costs; the
    // queue file is asked only when the count says someone waits.
    bool othersWaiting = false;
    if (waiters && waiters->load(std::memory_order_acquire) <= 0) {
        if (tryFlock(fd, LOCK_EX)) {
            m_locked = true;
            return Locked;
        }
    } else {
        othersWaiting = !tryFlock(queue, LOCK_EX);
        if (!othersWaiting) {
            ::flock(queue, LOCK_UN);
            if (waiters)
                waiters->store(0, std::memory_order_release);  // whoever was counted is gone
            if (tryFlock(fd, LOCK_EX)) {
                m_locked = true;
                return Locked;
            }
        }
    }

    if (waiters)
        waiters->fetch_add(1, std::memory_order_acq_rel);
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
    if (waiters)
        leaveWaiterCount(waiters);
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
