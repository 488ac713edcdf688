// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The settings store's file system work on Windows: stamps from the folder's entries, reads that let others replace the file.
#include "SettingsFileIo.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include <windows.h>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr DWORD kShareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// File times count 100 ns units from 1601; counted from 1970 in nanoseconds
// they fit a qint64 until 2262.
constexpr qint64 kFileTimeOfUnixEpoch = 116444736000000000LL;
constexpr qint64 kNsPerFileTimeUnit = 100;

qint64 joined(DWORD high, DWORD low)
{
    return qint64((quint64(high) << 32) | low);
}

FileStamp stampOf(qint64 identity, qint64 size, qint64 lastWrite)
{
    return FileStamp{true, identity, size, (lastWrite - kFileTimeOfUnixEpoch) * kNsPerFileTimeUnit};
}

// Through a handle on the file: what a link's folder entry cannot tell.
FileStamp stampOfOpenedFile(const NativePath &path)
{
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareEverything, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    FileStamp stamp;
    if (file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info))
        stamp = stampOf(joined(info.nFileIndexHigh, info.nFileIndexLow), joined(info.nFileSizeHigh, info.nFileSizeLow),
                        joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return stamp;
}

} // namespace

NativePath toNativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

bool openFileBlocksReplace()
{
    return true;
}

// A file that any program holds open, even for its attributes, cannot be
// replaced: a look that opened it would make another program's write fail
// now and then. Its folder entry holds its size, its time and its index on
// the volume, which a replacement does not share even at the same size and time.
FileStamp readFileStamp(const NativePath &path)
{
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return stampOfOpenedFile(path);
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
    return isLink ? stampOfOpenedFile(path) : stamp;
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

bool setModificationTime(const NativePath &path, qint64 mtimeNs)
{
    const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, kShareEverything, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    const quint64 units = quint64(mtimeNs / kNsPerFileTimeUnit + kFileTimeOfUnixEpoch);
    const FILETIME time{DWORD(units & 0xffffffffu), DWORD(units >> 32)};
    const bool set = file != INVALID_HANDLE_VALUE && SetFileTime(file, nullptr, nullptr, &time);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return set;
}

void restoreOwner(const NativePath &, const FileStamp &)
{
    // A replaced file inherits its folder's permissions; there is no owner to give back.
}

QString libraryFolder()
{
    HMODULE module = nullptr;
    wchar_t name[4 * MAX_PATH];
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&libraryFolder), &module))
        return QString();
    const DWORD length = GetModuleFileNameW(module, name, DWORD(std::size(name)));
    return length == 0 || length >= std::size(name) ? QString() : QFileInfo(QString::fromWCharArray(name, int(length))).absolutePath();
}

UpdateLock::UpdateLock(const QString &storeFile) : m_path(toNativePath(storeFile + QLatin1String(".update-lock"))) {}

FileStamp UpdateLock::holder() const
{
    return readFileStamp(m_path);  // a new holder makes a new file
}

UpdateLock::~UpdateLock()
{
    if (m_handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
}

// Open in one process at a time and deleted with its last handle, also when its holder dies.
UpdateLock::Result UpdateLock::tryLock()
{
    const HANDLE h = CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        m_handle = reinterpret_cast<qintptr>(h);
        return Locked;
    }
    // Open elsewhere, or being deleted as its holder lets go; where none can
    // be made (a read-only folder) there is nothing to wait for.
    const DWORD error = GetLastError();
    const bool exists = GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES;
    return error == ERROR_SHARING_VIOLATION || (error == ERROR_ACCESS_DENIED && exists) ? Held : Unavailable;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
