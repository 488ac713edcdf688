// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The settings store's file system work on Windows: stamps from the folder's entries, the update lock as a file deleted when closed.
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

// A file held open, even for its attributes, cannot be replaced: its folder's entry holds its index on the volume,
// which a replacement does not share. A link's entry tells nothing of its target: that stamp never repeats.
FileStamp readFileStamp(const NativePath &path)
{
    static std::atomic<qint64> looksAtLinks{0};
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    const HANDLE folder = CreateFileW(path.substr(0, slash + 1).c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return FileStamp();
    alignas(8) unsigned char entries[8192];  // a store's folder holds a handful of entries
    const FILE_ID_BOTH_DIR_INFO *found = nullptr;
    for (auto read = FileIdBothDirectoryRestartInfo; !found && GetFileInformationByHandleEx(folder, read, entries, sizeof entries);
         read = FileIdBothDirectoryInfo) {
        for (auto *entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(entries); !found;
             entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(reinterpret_cast<const unsigned char *>(entry) + entry->NextEntryOffset)) {
            if (CompareStringOrdinal(entry->FileName, int(entry->FileNameLength / sizeof(wchar_t)), path.c_str() + slash + 1, -1, TRUE) == CSTR_EQUAL)
                found = entry;
            else if (entry->NextEntryOffset == 0)
                break;
        }
    }
    FileStamp stamp;
    if (found && (found->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        stamp = FileStamp{true, -3 - looksAtLinks++};
    else if (found && !(found->FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        stamp = FileStamp{true, found->FileId.QuadPart, found->EndOfFile.QuadPart,
                          (found->LastWriteTime.QuadPart - kFileTimeOfUnixEpoch) * kNsPerFileTimeUnit};
    CloseHandle(folder);
    return stamp;
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
