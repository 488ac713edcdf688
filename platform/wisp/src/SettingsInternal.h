// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: the settings store's file system work that Qt has no call for (SettingsFileIo_*.cpp), and the lines QSettings writes (IniText.cpp).
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <string>
#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {

// One version of a file, finer than QSettings' look (size and milliseconds).
struct FileStamp
{
    bool exists = false;
    qint64 identity = -1, size = -1, mtimeNs = -1, owner = -1, group = -1;  // owner, group where the system has them

    bool operator==(const FileStamp &o) const { return exists == o.exists && identity == o.identity && size == o.size && mtimeNs == o.mtimeNs; }
};

// The file system's bytes on UNIX-like systems, UTF-16 on Windows.
#if defined(Q_OS_WIN)
using NativePath = std::wstring;
#else
using NativePath = QByteArray;
#endif
NativePath toNativePath(const QString &path);
FileStamp readFileStamp(const NativePath &path);  // through a symbolic link
qint64 bytesAvailable(const NativePath &folder);  // to a program, in the folder's file system
void restoreOwner(const NativePath &path, const FileStamp &before);  // of a file root replaced

enum class Attempt { Locked, Held, Unavailable };  // Unavailable: none can be had here (no folder yet)

// An exclusive lock on one store file that the kernel lets go of when its holder dies, leaving nothing:
// an flock on the store's folder; on Windows a file beside it, open once and deleted when closed.
class UpdateLock
{
    Q_DISABLE_COPY(UpdateLock)
public:
    explicit UpdateLock(const QString &storeFile);
    ~UpdateLock();
    Attempt tryLock();  // never waits

private:
    const NativePath m_path;
    qintptr m_handle = -1;
};

// A key=value line as QSettings writes them, one a key: section and key as spelled, the value's bytes.
struct IniLine
{
    QByteArray section, key;
    qsizetype valueBegin = 0, end = 0;

    QByteArray name() const { return section + '\n' + key; }
};
std::vector<IniLine> iniLines(const QByteArray &text);
QString settingsKey(const IniLine &line);  // the key QSettings reads from line

// A value QSettings turns back into an object through QDataStream.
inline bool holdsSerializedValue(const QByteArray &text)
{
    return text.contains("@Variant(") || text.contains("@DateTime(");
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
