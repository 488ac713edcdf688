// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Internal: one scope's INI file as the process shares it: read on change, written through QSettings.
#pragma once

#include "SettingsFileIo.h"

#include <QtCore/QHash>
#include <QtCore/QLockFile>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace Gui {
namespace Wisp {
namespace detail {

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
    // what QSettings would read from the file as it is now: one look at its
    // status, and a read when it changed. Null when the key is not stored,
    // or holds a value this process must not read.
    std::optional<QVariant> value(const QString &key);
    QStringList allKeys();  // as on disk

    // Seen at once by every store object of the process, as QSettings
    // objects of one process share theirs, and written by the next write.
    void change(Change change);
    // Hands every change so far to QSettings, which merges them into the
    // file as it is then and replaces it; logs why when they are not written.
    void write();

    // A read-modify-write's hold against other updaters, in this process and
    // others, for at most ten seconds of waiting.
    struct UpdateHold
    {
        bool inProcess = false;
        std::unique_ptr<UpdateLock> file;
    };
    UpdateHold lockUpdates();
    void unlockUpdates(UpdateHold &hold);

private:
    explicit SettingsFile(const QString &path) : m_path(path), m_nativePath(toNativePath(path)) {}

    struct View
    {
        FileStamp stamp;
        QHash<QString, QVariant> byKey;
        QStringList keys;  // as QSettings names them, sorted
    };
    std::shared_ptr<const View> currentView();
    std::unique_ptr<UpdateLock> takeTurn();
    std::unique_ptr<QLockFile> takeLock(const QString &path, std::optional<qint64> &stuckHolder, bool leftoverOnly = false);
    bool readUnderWritersLock(QByteArray *content);
    QString writeThroughQt(const std::vector<Change> &changes, const FileStamp &before);
    bool moveDamagedValuesAside();
    void restoreForeignValues(const QByteArray &before, const std::vector<Change> &changes);
    QString lastingWriteFailure() const;

    const QString m_path;
    const NativePath m_nativePath;

    std::mutex m_mutex;  // held around these members' use only, never across file system calls
    std::shared_ptr<const View> m_view;
    std::vector<Change> m_changes;
    std::optional<FileStamp> m_stuckHolder;     // the lock file of a process that kept the turn through a wait
    std::optional<qint64> m_stuckQtLock;        // the one that kept QSettings' lock through a wait

    std::mutex m_writeMutex;  // one write at a time in the process
    FileStamp m_lastWritten;  // the file as this process's last write left it

    std::recursive_timed_mutex m_updaters;
    std::atomic<int> m_updateDepth{0};         // changed under m_updaters
    std::atomic<bool> m_updatersStuck{false};  // another thread kept m_updaters past a wait
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
