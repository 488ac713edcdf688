// The process-wide view of one scope's INI file: re-read only when another writer changed it.
#include "SettingsFile.h"

#include <Port/MsgManData.h>

#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr char kDomain[] = "wisp";
constexpr char kSourceFile[] = "Gui/Wisp/Settings";
constexpr char kRevision[] = "";

QMutex &registryMutex()
{
    static QMutex mutex;
    return mutex;
}

// Views are never dropped: a handful of scopes per process at most, and a
// store object may be opened at any time until the process ends.
QHash<QString, std::shared_ptr<SettingsFile>> &registry()
{
    static auto *views = new QHash<QString, std::shared_ptr<SettingsFile>>;
    return *views;
}

} // namespace

std::shared_ptr<SettingsFile> SettingsFile::forPath(const QString &path)
{
    QMutexLocker lock(&registryMutex());
    std::shared_ptr<SettingsFile> &view = registry()[path];
    if (!view)
        view = std::make_shared<SettingsFile>(path);
    return view;
}

SettingsFile::SettingsFile(const QString &path)
    : m_path(path)
{
}

void SettingsFile::attach()
{
    QMutexLocker lock(&m_mutex);
    refreshIfChanged();
}

void SettingsFile::detach()
{
    QMutexLocker lock(&m_mutex);
    if (m_dirty)
        flush();
}

void SettingsFile::refreshIfChanged()
{
    const FileStamp now = readFileStamp(m_path);
    if (m_settings && now == m_stamp)
        return;
    if (!m_settings) {
        m_settings = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        // Qt 6 reads and writes INI files as UTF-8; so must Qt 5, or the two
        // would garble each other's non-ASCII values in the one user store.
        m_settings->setIniCodec("UTF-8");
#endif
    }
    // sync() re-reads the file and keeps values set here but not yet written.
    m_settings->sync();
    m_stamp = readFileStamp(m_path);
}

void SettingsFile::flush()
{
    const QDir dir = QFileInfo(m_path).dir();
    if (!dir.exists())
        dir.mkpath(QStringLiteral("."));
    m_settings->sync();
    m_dirty = false;
    if (m_settings->status() == QSettings::AccessError)
        reportWriteFailure();
    m_stamp = readFileStamp(m_path);
}

void SettingsFile::reportWriteFailure()
{
    const QByteArray file = QFile::encodeName(QDir::toNativeSeparators(m_path));
    Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
        .issueWarning("Unable to write settings file %s: the changed values are lost", file.constData());
}

QVariant SettingsFile::value(const QString &key, const QVariant &defaultValue)
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings)
        refreshIfChanged();
    return m_settings->value(key, defaultValue);
}

void SettingsFile::setValue(const QString &key, const QVariant &value)
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings)
        refreshIfChanged();
    m_settings->setValue(key, value);
    m_dirty = true;
}

bool SettingsFile::contains(const QString &key)
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings)
        refreshIfChanged();
    return m_settings->contains(key);
}

void SettingsFile::remove(const QString &key)
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings)
        refreshIfChanged();
    m_settings->remove(key);
    m_dirty = true;
}

void SettingsFile::clear()
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings)
        refreshIfChanged();
    m_settings->clear();
    m_dirty = true;
}

QStringList SettingsFile::allKeys()
{
    QMutexLocker lock(&m_mutex);
    if (!m_settings)
        refreshIfChanged();
    return m_settings->allKeys();
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
