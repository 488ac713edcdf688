// The process-wide view of one scope's INI file: locked while in use, re-read only when the file changed.
#include "SettingsFile.h"

#include <Port/MsgManData.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr char kDomain[] = "wisp";
constexpr char kSourceFile[] = "Gui/Wisp/Settings";
constexpr char kRevision[] = "";
constexpr char kLockSuffix[] = ".flock";
// Long enough for any number of writers that each hold the lock for a write;
// short enough that a hung process cannot freeze a GUI that opens the store.
constexpr int kLockTimeoutMs = 10000;

std::mutex &registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Views are never dropped: a handful of scopes per process at most, and a
// store object may be opened at any time until the process ends.
QHash<QString, std::shared_ptr<SettingsFile>> &registry()
{
    static auto *views = new QHash<QString, std::shared_ptr<SettingsFile>>;
    return *views;
}

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

QByteArray nativeName(const QString &path)
{
    return QFile::encodeName(QDir::toNativeSeparators(path));
}

} // namespace

std::shared_ptr<SettingsFile> SettingsFile::forPath(const QString &path)
{
    std::lock_guard<std::mutex> lock(registryMutex());
    std::shared_ptr<SettingsFile> &view = registry()[path];
    if (!view)
        view = std::make_shared<SettingsFile>(path);
    return view;
}

SettingsFile::SettingsFile(const QString &path)
    : m_path(path), m_nativePath(QFile::encodeName(path)), m_lockPath(path + QLatin1String(kLockSuffix))
{
}

void SettingsFile::attach()
{
    m_session.lock();
    if (++m_depth > 1)
        return;
    InterProcessLock::Result locked = m_lock.acquire(m_lockPath, kLockTimeoutMs);
    if (locked == InterProcessLock::Unavailable) {
        // The lock file lives beside the store, so the folder must exist even
        // for a reader: a writer in another process may be about to create it.
        QDir().mkpath(QFileInfo(m_path).absolutePath());
        locked = m_lock.acquire(m_lockPath, kLockTimeoutMs);
    }
    if (locked == InterProcessLock::TimedOut)
        warnLockTimedOut();
    refreshIfChanged();
}

void SettingsFile::detach()
{
    if (m_dirty)
        flush();
    if (--m_depth == 0)
        m_lock.release();
    m_session.unlock();
}

void SettingsFile::refreshIfChanged()
{
    if (!m_loaded || readFileStamp(m_nativePath) != m_stamp)
        reload();
}

void SettingsFile::reload()
{
    // The stamp is taken first: a change that slips in between is seen next time.
    m_stamp = readFileStamp(m_nativePath);
    m_document = IniDocument::parse(readWholeFile(m_path));
    m_loaded = true;
    m_dirty = false;
}

void SettingsFile::flush()
{
    m_dirty = false;
    QString reason;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (replaceFileDurably(m_path, m_document.serialize(), &reason)) {
        m_stamp = readFileStamp(m_nativePath);
        return;
    }
    warnWriteFailed(reason);
    // What could not be stored must not be served as if it were.
    reload();
}

void SettingsFile::warnWriteFailed(const QString &reason) const
{
    Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
        .issueWarning("Unable to write settings file %s (%s): the changed values are lost",
                      nativeName(m_path).constData(), reason.toLocal8Bit().constData());
}

void SettingsFile::warnLockTimedOut() const
{
    Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
        .issueWarning("Settings file %s stayed locked by another process; going on without the lock",
                      nativeName(m_path).constData());
}

void SettingsFile::warnDamagedValue(const QString &key) const
{
    Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
        .issueWarning("Settings file %s holds a damaged value for %s; it reads as unset",
                      nativeName(m_path).constData(), key.toLocal8Bit().constData());
}

QVariant SettingsFile::value(const QString &key, const QVariant &defaultValue) const
{
    bool rejected = false;
    QVariant result = m_document.value(key, defaultValue, &rejected);
    if (rejected)
        warnDamagedValue(key);
    return result;
}

void SettingsFile::setValue(const QString &key, const QVariant &value)
{
    m_document.setValue(key, value);
    m_dirty = true;
}

bool SettingsFile::contains(const QString &key) const
{
    return m_document.contains(key);
}

void SettingsFile::remove(const QString &key)
{
    m_document.remove(key);
    m_dirty = true;
}

QStringList SettingsFile::allKeys() const
{
    return m_document.keys();
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
