// Internal: the process-wide view of one scope's INI file that store objects share.
#pragma once

#include <QtCore/QMutex>
#include <QtCore/QSettings>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <memory>

namespace Gui {
namespace Wisp {
namespace detail {

// What identifies one version of a file on disk: a writer replaces the file
// (new inode) or changes its size or modification time.
struct FileStamp
{
    bool exists = false;
    qint64 inode = -1;
    qint64 size = -1;
    qint64 mtimeNs = -1;

    bool operator==(const FileStamp &o) const
    {
        return exists == o.exists && inode == o.inode && size == o.size && mtimeNs == o.mtimeNs;
    }
    bool operator!=(const FileStamp &o) const { return !(*this == o); }
};

// One stat call; defined per platform.
FileStamp readFileStamp(const QString &path);

class SettingsFile
{
public:
    // The view of path, made on first use and kept for the process.
    static std::shared_ptr<SettingsFile> forPath(const QString &path);

    explicit SettingsFile(const QString &path);

    // A store object opened: picks up what other writers stored since the last look.
    void attach();
    // A store object closed: writes pending values to disk.
    void detach();

    QVariant value(const QString &key, const QVariant &defaultValue);
    void setValue(const QString &key, const QVariant &value);
    bool contains(const QString &key);
    void remove(const QString &key);
    void clear();
    QStringList allKeys();

    const QString &path() const { return m_path; }

private:
    void refreshIfChanged();
    void flush();
    void reportWriteFailure();

    const QString m_path;
    QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    FileStamp m_stamp;
    bool m_dirty = false;
};

} // namespace detail
} // namespace Wisp
} // namespace Gui
