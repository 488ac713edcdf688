// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The settings store's file system work on Windows: stamps from the folder's entries, reads that let others replace the file.
#include "SettingsFile.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include <atomic>

#include <windows.h>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr DWORD kShareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// File times count 100 ns units from 1601.
constexpr qint64 kFileTimeOfUnixEpoch = 116444736000000000LL;
constexpr qint64 kNsPerFileTimeUnit = 100;

FileStamp stampOf(qint64 identity, qint64 size, qint64 lastWrite)
{
    return FileStamp{true, identity, size, (lastWrite - kFileTimeOfUnixEpoch) * kNsPerFileTimeUnit};
}

} // namespace

NativePath toNativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// A file that any program holds open, even for its attributes, cannot be
// replaced: a look that opened it would make another program's write fail
// now and then. Its folder entry holds its size, its time and its index on
// the volume, which a replacement does not share even at the same size and
// time. A link's entry tells nothing of its target: that stamp never repeats,
// so the file is read at every look.
FileStamp readFileStamp(const NativePath &path)
{
    static std::atomic<qint64> looksAtLinks{0};
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    const std::wstring name = path.substr(slash + 1);
    const HANDLE folder = CreateFileW(path.substr(0, slash + 1).c_str(), FILE_LIST_DIRECTORY, kShareEverything, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return FileStamp();
    alignas(8) unsigned char entries[8192];  // a store's folder holds a handful of entries
    FILE_INFO_BY_HANDLE_CLASS read = FileIdBothDirectoryRestartInfo;
    const FILE_ID_BOTH_DIR_INFO *found = nullptr;
    while (!found && GetFileInformationByHandleEx(folder, read, entries, sizeof entries)) {
        read = FileIdBothDirectoryInfo;
        for (const unsigned char *at = entries; !found; at += reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(at)->NextEntryOffset) {
            const auto *entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(at);
            if (CompareStringOrdinal(entry->FileName, int(entry->FileNameLength / sizeof(wchar_t)), name.data(),
                                     int(name.size()), TRUE) == CSTR_EQUAL)
                found = entry;
            else if (entry->NextEntryOffset == 0)
                break;
        }
    }
    FileStamp stamp;
    const bool isLink = found && (found->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (found && !isLink && !(found->FileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        stamp = stampOf(found->FileId.QuadPart, found->EndOfFile.QuadPart, found->LastWriteTime.QuadPart);
    CloseHandle(folder);
    return isLink ? FileStamp{true, -3 - looksAtLinks++} : stamp;
}

bool readWholeFile(const NativePath &path, QByteArray *content)
{
    content->clear();
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, kShareEverything, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
    char buffer[16384];
    DWORD got = 0;
    bool ok;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0)
        content->append(buffer, int(got));
    CloseHandle(file);
    return ok;
}

qint64 bytesAvailable(const NativePath &folder)
{
    ULARGE_INTEGER available;
    return GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) ? qint64(available.QuadPart) : -1;
}

void restoreOwner(const NativePath &, const FileStamp &) {}  // a replaced file takes its folder's permissions

UpdateLock::UpdateLock(const QString &storeFile) : m_path(toNativePath(storeFile + QLatin1String(".update-lock"))) {}

qint64 UpdateLock::holder() const { return readFileStamp(m_path).identity; }  // a new holder makes a new file

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
