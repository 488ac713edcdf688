// The settings store's file system work on Windows: the file's identity and LockFileEx.
#include "SettingsFileIo.h"

#include <QtCore/QDir>

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

} // namespace

NativePath toNativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

bool openFileBlocksReplace()
{
    return true;
}

namespace {

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

// Windows cannot replace a file that any program holds open, not even for
// reading its attributes: a look that opened the file would make another
// program's write fail now and then. The file's directory entry holds its
// size, its time and its index on the volume, which a replaced file does not
// share even with the same size and time.
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

InterProcessLock::~InterProcessLock()
{
    release();
}

InterProcessLock::Result InterProcessLock::acquire(const QString &lockPath, int timeoutMs)
{
    // Opened for each store object and closed with it: an open handle would
    // keep the user from removing or renaming the store's folder while the
    // process runs.
    const HANDLE h = CreateFileW(toNativePath(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE, kShareEverything,
                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return Unavailable;
    m_handle = reinterpret_cast<qintptr>(h);
    const ULONGLONG deadline = GetTickCount64() + ULONGLONG(timeoutMs);
    DWORD pauseMs = 1;
    for (;;) {
        OVERLAPPED whole = {};
        if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
            m_locked = true;
            return Locked;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION || GetTickCount64() >= deadline) {
            CloseHandle(h);
            m_handle = -1;
            return error == ERROR_LOCK_VIOLATION ? TimedOut : Unavailable;
        }
        Sleep(pauseMs);
        pauseMs = pauseMs < 5 ? pauseMs * 2 : 5;
    }
}

void InterProcessLock::release()
{
    if (m_handle == -1)
        return;
    const HANDLE h = reinterpret_cast<HANDLE>(m_handle);
    if (m_locked) {
        OVERLAPPED whole = {};
        UnlockFileEx(h, 0, MAXDWORD, MAXDWORD, &whole);
    }
    m_locked = false;
    CloseHandle(h);
    m_handle = -1;
}

void restoreOwner(const NativePath &, const FileStamp &)
{
    // A replaced file inherits its folder's permissions; there is no owner to give back.
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
