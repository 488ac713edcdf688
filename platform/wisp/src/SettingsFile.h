// Internal: the process-wide view of one scope's INI file that store objects share.
#pragma once

#include "PendingChanges.h"
#include "SerializedValueCheck.h"
#include "SettingsFileIo.h"

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <memory>
#include <mutex>
#include <vector>

QT_BEGIN_NAMESPACE
class QSettings;
class QTemporaryDir;
QT_END_NAMESPACE

namespace Gui {
namespace Wisp {
namespace detail {

// QSettings reads, parses, locks ("<file>.lock"), merges the changed keys
// into what is on disk and replaces the file; its programs share the file
// with the store. This adds what QSettings lacks:
// - one QSettings for the whole process, read again only when the file
//   changed on disk (a finer look than QSettings' own), so opening a store
//   object costs one stat;
// - a lock across processes for a store object's whole life
//   ("<file>.flock"), so a read-modify-write through one store object stays
//   whole against other store writers;
// - a write that fails is reported and its values are not served afterwards;
// - values that would crash Qt's reader are kept from it: they read as unset,
//   and the next write removes them from the file, keeping the file as it
//   was in "<file>.damaged";
// - the file's owner is kept when root writes it;
// - where a file that is open cannot be replaced (Windows), the store never
//   holds the file open outside the lock QSettings writers take, and tries a
//   write of its own again while other programs read the file.
class SettingsFile
{
public:
    // The view of path, made on first use and kept for the process.
    static std::shared_ptr<SettingsFile> forPath(const QString &path);

    explicit SettingsFile(const QString &path);
    ~SettingsFile();
    SettingsFile(const SettingsFile &) = delete;
    SettingsFile &operator=(const SettingsFile &) = delete;

    // A store object opened: takes the locks (nested objects of one thread
    // share them) and picks up what other writers stored since the last look.
    void attach();
    // A store object closed: writes the changes to disk, then lets go.
    void detach();

    QVariant value(const QString &key, const QVariant &defaultValue);
    void setValue(const QString &key, const QVariant &value);
    bool contains(const QString &key);
    // Removes key and every key below it; an empty key removes all.
    void remove(const QString &key);
    QStringList allKeys();

    // Changes whenever what value() answers may have changed; unique across
    // views. For a store object that is open.
    quint64 version() const { return m_version; }
    // The version the file holds now, told with one look at it and no lock,
    // or 0 when that cannot be told so cheaply: a store object is open in the
    // process, or the file changed since it was last read.
    quint64 versionIfUnchanged();

    const QString &path() const { return m_path; }

private:
    void refresh();
    void readFile(const FileStamp &seen);
    void openReader();
    void openSanitizedCopy(const QByteArray &content);
    void dropView();
    void newVersion();
    bool isCurrent(const FileStamp &now) const;
    QSettings &reader();

    void commit();
    QString write(bool *handedToQt);
    QString removeDamagedValues();
    bool changesReachedDisk(const QSettings &settings) const;
    bool replacedOnRetry() const;
    QString lastingWriteFailure() const;
    QString whyWriteFailed() const;

    void warnWriteFailed(const QString &reason) const;
    void warnUnsafeValue(const UnsafeValue &value) const;
    void warnDamagedValuesRemoved(const QStringList &keys, const QString &copy) const;
    void warnLockTimedOut() const;
    void warnNoKey() const;

    const QString m_path;
    const NativePath m_nativePath;  // made once: every store object stats it
    const QString m_lockPath;
    std::recursive_mutex m_session;
    int m_depth = 0;
    InterProcessLock m_lock;

    std::unique_ptr<QSettings> m_reader;  // the file, or a copy without its unsafe values
    bool m_readerIsCopy = false;
    PendingChanges m_changes;             // the open store objects' changes
    std::unique_ptr<QTemporaryDir> m_copyDirectory;
    int m_copies = 0;

    FileStamp m_stamp;                  // the version of the file the reader holds
    bool m_stampKnown = false;
    std::vector<UnsafeValue> m_unsafe;  // what that version holds that Qt must not read
    bool m_checkedAsGui = false;
    quint64 m_version = 0;
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
