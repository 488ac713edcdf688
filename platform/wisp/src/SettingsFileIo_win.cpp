// The settings store's file system work on Windows: attributes, LockFileEx, write-flush-move.
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

QString lastError(const char *what)
{
    return QString::fromLatin1(what) + QLatin1String(": error ") + QString::number(GetLastError());
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

bool replaceFileDurably(const QString &path, const QByteArray &data, QString *error)
{
    const std::wstring target = nativePath(path);
    const std::wstring temporary = target + L".tmp";
    // Moving over a read-only file would succeed; its owner meant it to stay.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        *error = QStringLiteral("the file is read-only");
        return false;
    }
    HANDLE h = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *error = lastError("cannot create the temporary file");
        return false;
    }
    DWORD written = 0;
    const bool ok = WriteFile(h, data.constData(), DWORD(data.size()), &written, nullptr)
                    && written == DWORD(data.size()) && FlushFileBuffers(h);
    if (!ok)
        *error = lastError("cannot write the temporary file");
    CloseHandle(h);
    if (!ok) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = lastError("cannot replace the file");
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
