// Internal: one scope's INI file as the process shares it: read on change, written through QSettings.
#pragma once

#include "IniReader.h"
#include "SettingsFileIo.h"

#include <QtCore/QHash>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace Gui {
namespace Wisp {
namespace detail {

// A store object's change: a value set, or a key removed with every key
// below it (an empty key removes all).
struct Change
{
    QString key;
    std::optional<QVariant> value;
};

// Whether key names a stored key the way QSettings matches keys: runs of
// '/' count as one, none at either end; letter case counts except on Windows.
QString normalisedKey(const QString &key);
bool sameKey(const QString &a, const QString &b);
bool removalCovers(const QString &removed, const QString &key);

class SettingsFile
{
public:
    // The file of path, made on first use and kept for the process.
    static SettingsFile &forPath(const QString &path);
    explicit SettingsFile(const QString &path);

    const QString &path() const { return m_path; }

    // What the process's store objects changed and have not written yet, or
    // else what QSettings would read from the file as it is now: one look at
    // the file's status, and a read only when the file changed. Null when the
    // key is not stored (or holds a value this process must not read).
    std::optional<QVariant> value(const QString &key);
    QStringList allKeys();

    // A change seen at once by every store object of the process, as
    // QSettings objects of one process share theirs, and written by the next
    // write.
    void change(Change change);
    // Hands every change made so far to QSettings, which merges them into
    // the file as it is then and replaces it; logs why when they are not written.
    void write();

    // A read-modify-write's hold on the scope against other updaters, in this
    // process and others; waits at most ten seconds. What the caller got is
    // given back to unlockUpdates.
    struct UpdateHold
    {
        bool inProcess = false;
        std::unique_ptr<UpdateLock> file;
    };
    UpdateHold lockUpdates();
    void unlockUpdates(UpdateHold &hold);

private:
    struct View
    {
        FileStamp stamp;
        std::vector<IniValue> values;
        QHash<QString, std::size_t> byKey;  // the last line of each key
    };
    std::shared_ptr<const View> currentView();
    std::shared_ptr<const View> readView(const FileStamp &seen);

    bool moveDamagedValuesAside();
    void keepChangeVisibleToQt(const FileStamp &now);
    QString writeThroughQt(const std::vector<Change> &changes);
    void restoreForeignValues(const std::vector<IniValue> &before, const QByteArray &content,
                              const std::vector<Change> &changes);
    QString lastingWriteFailure() const;

    const QString m_path;
    const NativePath m_nativePath;

    std::mutex m_viewMutex;  // held around the view's exchange and the changes only
    std::shared_ptr<const View> m_view;
    std::vector<Change> m_changes;

    std::mutex m_writeMutex;  // one write at a time in the process
    FileStamp m_lastWritten;  // the file as this process's last write left it

    std::recursive_timed_mutex m_updaters;
    int m_updateDepth = 0;          // under m_updaters
    std::atomic<bool> m_updatersStuck{false};  // another thread kept m_updaters past a wait
    std::optional<FileStamp> m_stuckHolder;  // under m_viewMutex: a process that kept the lock past a wait
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
