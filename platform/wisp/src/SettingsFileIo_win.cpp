// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The settings store's file system work on Windows: stamps that never open the file, the update lock as a file deleted when closed.
#include "SettingsInternal.h"

#include <QtCore/QDir>

#include <atomic>

#include <windows.h>

namespace Gui {
namespace Wisp {
namespace detail {

// File times count 100 ns units from 1601.
constexpr qint64 kFileTimeOfUnixEpoch = 116444736000000000LL;
constexpr qint64 kNsPerFileTimeUnit = 100;

NativePath toNativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// A file that a program holds open cannot be replaced, so a look never opens
// it: its attributes come from the file system's own query. A link's attributes tell
// nothing of its target: that stamp never repeats, so the file is read at every look.
FileStamp readFileStamp(const NativePath &path)
{
    static std::atomic<qint64> looksAtLinks{0};
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return FileStamp();
    if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return FileStamp{true, -3 - looksAtLinks++};
    const auto join = [](DWORD high, DWORD low) { return qint64((quint64(high) << 32) | low); };
    return FileStamp{true, 0, join(data.nFileSizeHigh, data.nFileSizeLow),
                     (join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime) - kFileTimeOfUnixEpoch) * kNsPerFileTimeUnit};
}

qint64 bytesAvailable(const NativePath &folder)
{
    ULARGE_INTEGER available;
    return GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) ? qint64(available.QuadPart) : -1;
}

void restoreOwner(const NativePath &, const FileStamp &) {}  // a replaced file takes its folder's permissions

UpdateLock::UpdateLock(const QString &storeFile) : m_path(toNativePath(storeFile + QLatin1String(".update-lock"))) {}

UpdateLock::~UpdateLock()
{
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

// Open in one process at a time and deleted with its last handle, also when its holder dies.
Attempt UpdateLock::tryLock()
{
    const HANDLE h = CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        m_handle = reinterpret_cast<qintptr>(h);
        return Attempt::Locked;
    }
    // Open elsewhere, or being deleted as its holder lets go; where none can
    // be made (a read-only folder) there is nothing to wait for.
    const DWORD error = GetLastError();
    const bool exists = GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
    return error == ERROR_SHARING_VIOLATION || (error == ERROR_ACCESS_DENIED && exists) ? Attempt::Held : Attempt::Unavailable;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
