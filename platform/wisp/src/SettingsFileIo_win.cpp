// The settings store's file system work on Windows: attributes and LockFileEx.
#include "SettingsFileIo.h"

#include <QtCore/QDir>
#include <QtCore/QFile>

#include <windows.h>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

FileStamp readFileStamp(const QByteArray &encodedPath)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(nativePath(QFile::decodeName(encodedPath)).c_str(), GetFileExInfoStandard, &data))
        return stamp;
    stamp.exists = true;
    // The creation time changes when a writer replaces the file.
    stamp.identity = (qint64(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
    stamp.size = (qint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.mtimeNs = ((qint64(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime) * 100;
    return stamp;
}

InterProcessLock::~InterProcessLock()
{
    release();
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

InterProcessLock::Result InterProcessLock::acquire(const QString &lockPath, int timeoutMs)
{
    if (m_handle == -1) {
        HANDLE h = CreateFileW(nativePath(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return Unavailable;
        m_handle = reinterpret_cast<qintptr>(h);
    }
    HANDLE h = reinterpret_cast<HANDLE>(m_handle);
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs);
    DWORD pauseMs = 1;
    for (;;) {
        OVERLAPPED whole = {};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
            m_locked = true;
            return Locked;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION)
            return Unavailable;
        if (GetTickCount64() >= deadline)
            return TimedOut;
        Sleep(pauseMs);
        pauseMs = pauseMs < 5 ? pauseMs * 2 : 5;
    }
}

void InterProcessLock::release()
{
    if (!m_locked)
        return;
    m_locked = false;
    OVERLAPPED whole = {};
    UnlockFileEx(reinterpret_cast<HANDLE>(m_handle), 0, MAXDWORD, MAXDWORD, &whole);
}

void restoreOwner(const QByteArray &, const FileStamp &)
{
    // A replaced file inherits its folder's permissions; there is no owner to give back.
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
