// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: one scope's INI file as the process shares it, and the file system work for it that Qt has no call for.
#pragma once

#include <QtCore/QDir>
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
// The folder of the library that holds this code.
QString libraryFolder();

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

class SettingsFile
{
public:
    // The file of path, made on first use and kept for the process.
    static SettingsFile &forPath(const QString &path);
    const QString &path() const { return m_path; }

    // What the process's store objects set and have not written yet, else
    // what QSettings reads from the file as it is now (one look at its status,
    // a read when it changed); null when not stored or not to be read here.
    std::optional<QVariant> value(const QString &key);
    QStringList allKeys();  // as on disk

    // Seen at once by every store object of the process, as QSettings shares
    // them, and handed to QSettings by the next write, which merges them into
    // the file as it is then and replaces it, or logs why it did not.
    void change(Change change);
    void write();

    // A read-modify-write's hold against other updaters, on other threads and
    // in other processes, for at most ten seconds of waiting.
    struct UpdateHold
    {
        bool held = false;
        std::unique_ptr<UpdateLock> file;  // none in an update nested in another of its thread
    };
    UpdateHold lockUpdates();
    void unlockUpdates(UpdateHold &hold);

private:
    explicit SettingsFile(const QString &path)
        : m_path(path), m_shownPath(QDir::toNativeSeparators(path)), m_nativePath(toNativePath(path)) {}

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
    bool readFile(QByteArray *content);
    template <typename Edit>
    bool rewrite(Edit edit);
    QString writeThroughQt(const std::vector<Change> &changes, const FileStamp &before);
    bool moveDamagedValuesAside();
    void restoreForeignValues(const QByteArray &before, const std::vector<Change> &changes);
    QString lastingWriteFailure() const;

    const QString m_path;
    const QString m_shownPath;  // in the system's own spelling, for messages
    const NativePath m_nativePath;

    std::mutex m_mutex;  // held around these members' use only, never across file system calls
    std::shared_ptr<const View> m_view;
    std::vector<Change> m_changes;
    std::optional<qint64> m_stuckHolder;  // who kept the writers' turn through a whole wait
    std::optional<qint64> m_stuckQtLock;  // who kept QSettings' lock through a whole wait

    std::mutex m_writeMutex;  // one write at a time in the process
    FileStamp m_lastWritten;  // the file as this process's last write left it

    std::atomic<std::thread::id> m_updater{};  // the thread whose update holds the turn
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
