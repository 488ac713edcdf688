// The settings store's file system work on Windows: stamps from the folder's entries, reads that let others replace the file, a lock file deleted on close.
#include "SettingsFileIo.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include <windows.h>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr DWORD kShareEverything = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// File times count 100 ns units from 1601; counted from 1970 instead, in
// nanoseconds, they fit a qint64 until 2262.
constexpr qint64 kFileTimeOfUnixEpoch = 116444736000000000LL;
constexpr qint64 kNsPerFileTimeUnit = 100;

qint64 joined(DWORD high, DWORD low)
{
    return static_cast<qint64>((quint64(high) << 32) | low);
}

void fillStamp(FileStamp &stamp, qint64 identity, qint64 size, const LARGE_INTEGER &lastWrite)
{
    stamp.exists = true;
    stamp.identity = identity;
    stamp.size = size;
    stamp.mtimeNs = (lastWrite.QuadPart - kFileTimeOfUnixEpoch) * kNsPerFileTimeUnit;
}

// Through a handle on the file itself: what a symbolic link's directory entry
// cannot tell, as it describes the link.
FileStamp stampOfOpenedFile(const NativePath &path)
{
    FileStamp stamp;
    const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareEverything, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return stamp;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file, &info)) {
        LARGE_INTEGER lastWrite;
        lastWrite.QuadPart = joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
        fillStamp(stamp, joined(info.nFileIndexHigh, info.nFileIndexLow),
                  joined(info.nFileSizeHigh, info.nFileSizeLow), lastWrite);
    }
    CloseHandle(file);
    return stamp;
}

bool sameName(const wchar_t *a, std::size_t aLength, const std::wstring &b)
{
    return CompareStringOrdinal(a, int(aLength), b.data(), int(b.size()), TRUE) == CSTR_EQUAL;
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

// Windows cannot replace a file that any program holds open: a look that
// opened the file would make another program's write fail now and then. The
// file's directory entry holds its size, its time and its index on the
// volume, which a replaced file does not share even with the same size and time.
FileStamp readFileStamp(const NativePath &path)
{
    FileStamp stamp;
    const std::wstring::size_type slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return stampOfOpenedFile(path);
    const std::wstring folder = path.substr(0, slash + 1);
    const std::wstring name = path.substr(slash + 1);
    const HANDLE directory = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, kShareEverything, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (directory == INVALID_HANDLE_VALUE)
        return stamp;
    // A store's folder holds a handful of entries: one or two reads.
    alignas(8) unsigned char entries[8192];
    FILE_INFO_BY_HANDLE_CLASS read = FileIdBothDirectoryRestartInfo;
    bool found = false;
    bool isLink = false;
    while (!found && GetFileInformationByHandleEx(directory, read, entries, sizeof entries)) {
        read = FileIdBothDirectoryInfo;
        for (const unsigned char *at = entries;;) {
            const auto *entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(at);
            if (sameName(entry->FileName, entry->FileNameLength / sizeof(wchar_t), name)) {
                found = true;
                isLink = entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
                if (!(entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !isLink)
                    fillStamp(stamp, entry->FileId.QuadPart, entry->EndOfFile.QuadPart, entry->LastWriteTime);
                break;
            }
            if (entry->NextEntryOffset == 0)
                break;
            at += entry->NextEntryOffset;
        }
    }
    CloseHandle(directory);
    return isLink ? stampOfOpenedFile(path) : stamp;
}

bool readWholeFile(const NativePath &path, QByteArray *content)
{
    content->clear();
    // Shared for deletion too, so a writer's replace goes through while this reads.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, kShareEverything, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    bool ok = true;
    char buffer[16384];
    DWORD got = 0;
    while ((ok = ReadFile(file, buffer, sizeof buffer, &got, nullptr)) && got > 0)
        content->append(buffer, int(got));
    CloseHandle(file);
    return ok;
}

bool setModificationTime(const NativePath &path, qint64 mtimeNs)
{
    const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, kShareEverything, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const quint64 units = quint64(mtimeNs / kNsPerFileTimeUnit + kFileTimeOfUnixEpoch);
    FILETIME time{DWORD(units & 0xffffffffu), DWORD(units >> 32)};
    const bool set = SetFileTime(file, nullptr, nullptr, &time);
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
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&libraryFolder), &module))
        return QString();
    wchar_t name[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(module, name, DWORD(std::size(name)));
    if (length == 0 || length >= std::size(name))
        return QString();
    return QFileInfo(QString::fromWCharArray(name, int(length))).absolutePath();
}

UpdateLock::UpdateLock(const QString &path) : m_path(toNativePath(path)) {}

UpdateLock::~UpdateLock()
{
    unlock();
}

// Opened by one process at a time and deleted when its last handle closes,
// also when its holder dies.
UpdateLock::Result UpdateLock::tryLock()
{
    const HANDLE h = CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        m_handle = reinterpret_cast<qintptr>(h);
        return Locked;
    }
    const DWORD error = GetLastError();
    // A file still open elsewhere, or being deleted as its holder lets go;
    // where none can be made (a read-only folder) there is nothing to wait for.
    if (error == ERROR_SHARING_VIOLATION)
        return Held;
    return error == ERROR_ACCESS_DENIED && GetFileAttributesW(m_path.c_str()) != INVALID_FILE_ATTRIBUTES ? Held
                                                                                                       : Unavailable;
}

void UpdateLock::unlock()
{
    if (m_handle == -1)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
}

FileStamp UpdateLock::holder() const
{
    return readFileStamp(m_path);
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
