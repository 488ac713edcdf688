// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: one scope's INI file as the process shares it, and the file system work for it that Qt has no call for.
#pragma once

#include <QtCore/QHash>
#include <QtCore/QLockFile>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {

// ---- The platform's part: SettingsFileIo_unix.cpp, SettingsFileIo_win.cpp -----

// One version of a file, finer than QSettings' look (size and milliseconds):
// a writer replaces the file (a new identity) or changes its size or time.
struct FileStamp
{
    bool exists = false;
    qint64 identity = -1, size = -1, mtimeNs = -1;
    qint64 owner = -1, group = -1;  // where the system has them

    bool operator==(const FileStamp &o) const
    {
        return exists == o.exists && identity == o.identity && size == o.size && mtimeNs == o.mtimeNs;
    }
    bool operator!=(const FileStamp &o) const { return !(*this == o); }
};

// The file system's bytes on UNIX-like systems, UTF-16 on Windows.
#if defined(Q_OS_WIN)
using NativePath = std::wstring;
#else
using NativePath = QByteArray;
#endif
NativePath toNativePath(const QString &path);

// One look at the file's metadata, through a symbolic link.
FileStamp readFileStamp(const NativePath &path);
// The whole file (a missing one is empty); false when it cannot be read.
bool readWholeFile(const NativePath &path, QByteArray *content);
// The bytes a program may still write in this folder's file system.
qint64 bytesAvailable(const NativePath &folder);
// Gives a file that root replaced back to the owner and group it had before.
void restoreOwner(const NativePath &path, const FileStamp &before);

// One try at a lock. Unavailable: none can be had here (no folder yet).
enum class Attempt { Locked, Held, Unavailable, LeftBehind };

// An exclusive lock on one store file that the kernel lets go of when its
// holder dies and that writes and leaves nothing: an flock on the store's
// folder, on Windows a file beside it open once and deleted when closed.
class UpdateLock
{
    Q_DISABLE_COPY(UpdateLock)
public:
    explicit UpdateLock(const QString &storeFile);
    ~UpdateLock();
    Attempt tryLock();       // never waits
    qint64 holder() const;  // as far as one look tells

private:
    const NativePath m_path;
    qintptr m_handle = -1;
};

// ---- The file ------------------------------------------------------------------

// A value set, or a key removed with every key below it (an empty key: all).
struct Change
{
    QString key;
    std::optional<QVariant> value;
};

// A key as QSettings looks it up: runs of '/' are one, none at either end.
QString normalisedKey(const QString &key);
// Whether two keys name the same value, as QSettings compares them here.
bool sameKey(const QString &a, const QString &b);

class SettingsFile
{
public:
    // The file of path, made on first use and kept for the process.
    static SettingsFile &forPath(const QString &path);
    const QString &path() const { return m_path; }

    // What QSettings reads from the file as it is now: one look at its
    // status, and a read through QSettings when it changed.
    std::optional<QVariant> value(const QString &key);
    QStringList allKeys();

    // Hands changes to QSettings in the writers' turn, which the calling
    // thread's update may already hold; empty when the file holds them, else why not.
    QString write(const std::vector<Change> &changes);

    // A read-modify-write's turn against every other writer, in this process
    // and in others; null when the wait ran out, or the turn is the one this
    // thread's own update already holds.
    std::unique_ptr<UpdateLock> lockUpdates();
    void unlockUpdates(std::unique_ptr<UpdateLock> &turn);

private:
    explicit SettingsFile(const QString &path);

    struct View
    {
        FileStamp stamp;
        QHash<QString, QVariant> byKey;
        QStringList keys;  // as QSettings names and orders them
    };
    std::shared_ptr<const View> currentView();
    template <typename TryOnce>
    bool waitFor(std::optional<qint64> &stuckHolder, TryOnce tryOnce);
    std::unique_ptr<QLockFile> takeQtLock();
    std::unique_ptr<UpdateLock> takeTurn();
    void showChangeToQt();
    QString writeThroughQt(const std::vector<Change> &changes);
    void restoreForeignValues(const QByteArray &before, const QByteArray &after, const std::vector<Change> &changes);
    QString lastingWriteFailure() const;

    const QString m_path;
    const QString m_shownPath;  // in the system's own spelling, for messages
    const NativePath m_nativePath;

    std::mutex m_mutex;  // held around these members' use only, never across file system calls
    std::shared_ptr<const View> m_view;
    std::optional<qint64> m_stuckHolder;  // who kept the writers' turn through a whole wait
    std::optional<qint64> m_stuckQtLock;  // who kept QSettings' lock through a whole wait

    // QSettings shares what one of its objects set but has not written with
    // every object on the file: a read never runs beside a write's.
    std::mutex m_qtMutex;
    FileStamp m_qtSeen;  // the file as QSettings last read or wrote it; under m_qtMutex
    std::atomic<std::thread::id> m_updater{};  // the thread whose update holds the turn
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
