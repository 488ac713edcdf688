// Internal: the process-wide view of one scope's INI file that store objects share.
#pragma once

#include "IniDocument.h"
#include "SettingsFileIo.h"

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <memory>
#include <mutex>

namespace Gui {
namespace Wisp {
namespace detail {

// While any store object of a scope is open, its thread holds the view and
// the process holds the scope's inter-process lock: every store object is a
// critical section across threads and processes, so a read-modify-write
// through one store object loses nothing to another writer.
class SettingsFile
{
public:
    // The view of path, made on first use and kept for the process.
    static std::shared_ptr<SettingsFile> forPath(const QString &path);

    explicit SettingsFile(const QString &path);

    // A store object opened: takes the locks (nested objects of one thread
    // share them) and picks up what other writers stored since the last look.
    void attach();
    // A store object closed: writes pending values to disk, then lets go.
    void detach();

    QVariant value(const QString &key, const QVariant &defaultValue) const;
    void setValue(const QString &key, const QVariant &value);
    bool contains(const QString &key) const;
    void remove(const QString &key);
    QStringList allKeys() const;

    const QString &path() const { return m_path; }

private:
    void refreshIfChanged();
    void reload();
    void flush();
    void warnWriteFailed(const QString &reason) const;
    void warnDamagedValue(const QString &key) const;
    void warnLockTimedOut() const;

    const QString m_path;
    const QByteArray m_nativePath;  // encoded once: every store object stats it
    const QString m_lockPath;
    std::recursive_mutex m_session;
    int m_depth = 0;
    InterProcessLock m_lock;
    IniDocument m_document;
    FileStamp m_stamp;
    bool m_loaded = false;
    bool m_dirty = false;
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
