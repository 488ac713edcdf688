// The process-wide view of one scope's INI file: QSettings underneath, locked while in use, read again only when the file changed.
#include "SettingsFile.h"

#include "ClosedSettingsFiles.h"
#include "LeftoverLockFile.h"

#include <Port/MsgManData.h>

#include <QtCore/QCoreApplication>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QLockFile>
#include <QtCore/QSaveFile>
#include <QtCore/QSettings>
#include <QtCore/QStorageInfo>
#include <QtCore/QTemporaryDir>
#include <QtCore/QThread>
#include <QtGui/QGuiApplication>

#include <algorithm>
#include <atomic>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr char kDomain[] = "wisp";
constexpr char kSourceFile[] = "Gui/Wisp/Settings";
constexpr char kRevision[] = "";
constexpr char kLockSuffix[] = ".flock";
constexpr char kQtLockSuffix[] = ".lock";
constexpr char kDamagedCopySuffix[] = ".damaged";
// Long enough for any number of writers that each hold the lock for a write;
// short enough that a hung process cannot freeze a GUI that opens the store.
constexpr int kLockTimeoutMs = 10000;
// The same bound for the lock QSettings takes around its own write.
constexpr int kQtLockTimeoutMs = 10000;
// A QSettings lock file that no live process holds and that is this old was
// left behind: a live writer fills in its details at once and holds it for a
// write, which takes milliseconds.
constexpr int kLeftoverLockAgeMs = 200;
// A file that changes again while it is read is read again, this often.
constexpr int kMaxReads = 5;
// Bytes that must be free for a write to have room.
constexpr qint64 kRoomForAWrite = 64 * 1024;
// Where an open file cannot be replaced, how long a write is tried again
// while other programs read the file: each holds it for a moment only.
constexpr int kReplaceRetryMs = 2000;
constexpr int kLongestReplacePauseMs = 50;

// Versions are numbered across every view, so a version of one file never
// matches a version of another; 0 means "not known".
std::atomic<quint64> g_lastVersion{0};

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

// Text on the message channel is UTF-8, as every Port::StringBase on Windows.
QByteArray nativeName(const QString &path)
{
    return QDir::toNativeSeparators(path).toUtf8();
}

// Every value lives in the INI file that QSettings programs read and write;
// no text codec is set, as no QSettings program of Qt 5 sets one, so the
// Qt 5 build writes text outside ASCII as escapes that both majors read.
std::unique_ptr<QSettings> openSettings(const QString &path)
{
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}

bool isGuiProcess()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

// QSettings sees a file as changed only when its size or its modification
// time in milliseconds changed.
bool qtWouldMissChange(const FileStamp &seen, const FileStamp &now)
{
    constexpr qint64 kNsPerMs = 1000000;
    return seen.exists && now.exists && seen.size == now.size && seen.size > 0
           && seen.mtimeNs / kNsPerMs == now.mtimeNs / kNsPerMs;
}

// A key QSettings cannot store: empty, or only separators.
bool namesNoKey(const QString &key)
{
    return key.count(QLatin1Char('/')) == key.size();
}

bool holdsValueForGuiOnly(const std::vector<UnsafeValue> &values)
{
    for (const UnsafeValue &value : values) {
        if (value.reason == UnsafeValue::NeedsGuiProcess)
            return true;
    }
    return false;
}

// Where an open file cannot be replaced, the store reads the file only under
// the lock QSettings writers take around their replace, so that a read of the
// store never makes another program's write fail. A reader never hangs on it:
// after the wait it reads all the same. Elsewhere this holds nothing.
std::unique_ptr<QLockFile> lockForReading(const QString &path)
{
    if (!openFileBlocksReplace())
        return nullptr;
    auto lock = std::make_unique<QLockFile>(path + QLatin1String(kQtLockSuffix));
    lock->setStaleLockTime(kLeftoverLockAgeMs);
    lock->tryLock(kQtLockTimeoutMs);
    return lock;
}

bool replaceFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);  // follows a symbolic link and keeps the file's permissions
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
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
    : m_path(path), m_nativePath(toNativePath(path)), m_lockPath(path + QLatin1String(kLockSuffix))
{
}

SettingsFile::~SettingsFile() = default;

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
    refresh();
}

void SettingsFile::detach()
{
    // The locks go whatever the write does.
    struct Leave
    {
        SettingsFile &file;
        ~Leave()
        {
            if (--file.m_depth == 0)
                file.m_lock.release();
            file.m_session.unlock();
        }
    } leave{*this};
    if (!m_changes.isEmpty())
        commit();
}

// ---- Reading -------------------------------------------------------------------

void SettingsFile::newVersion()
{
    m_version = g_lastVersion.fetch_add(1, std::memory_order_relaxed) + 1;
}

quint64 SettingsFile::versionIfUnchanged()
{
    // Another thread's open store object, or one of this thread's, may hold
    // changes that the version does not cover: the caller takes the long way.
    std::unique_lock<std::recursive_mutex> session(m_session, std::try_to_lock);
    if (!session.owns_lock() || m_depth > 0)
        return 0;
    return isCurrent(readFileStamp(m_nativePath)) ? m_version : 0;
}

bool SettingsFile::isCurrent(const FileStamp &now) const
{
    if (!m_reader || !m_stampKnown || now != m_stamp)
        return false;
    // A copy made while the process had no GUI is read again once it has one.
    return !(m_readerIsCopy && !m_checkedAsGui && isGuiProcess());
}

void SettingsFile::refresh()
{
    FileStamp now = readFileStamp(m_nativePath);
    if (isCurrent(now))
        return;
    const std::unique_ptr<QLockFile> reading = lockForReading(m_path);
    newVersion();
    for (int attempt = 0; attempt < kMaxReads; ++attempt) {
        readFile(now);
        // Both this look and QSettings' own read fell between the two stats:
        // when they agree, QSettings holds exactly the version checked here.
        const FileStamp after = readFileStamp(m_nativePath);
        if (after == now) {
            m_stamp = now;
            m_stampKnown = true;
            for (const UnsafeValue &value : m_unsafe)
                warnUnsafeValue(value);
            return;
        }
        now = after;
    }
    // A file that changes at every look: serve what was read last, look again next time.
    m_stampKnown = false;
}

void SettingsFile::readFile(const FileStamp &seen)
{
    const QByteArray content = readWholeFile(m_path);
    m_checkedAsGui = isGuiProcess();
    m_unsafe = findUnsafeValues(content, m_checkedAsGui);
    if (!m_unsafe.empty())
        openSanitizedCopy(withoutValues(content, m_unsafe));
    else if (!m_reader || m_readerIsCopy || (m_stampKnown && qtWouldMissChange(m_stamp, seen)))
        openReader();
    else
        m_reader->sync();
}

void SettingsFile::openReader()
{
    // QSettings would hand back what it kept of the file from an earlier
    // object, unchanged (a change it missed, a value it failed to write);
    // only a forgotten file is read afresh.
    m_reader.reset();
    forgetClosedSettingsFiles();
    m_reader = openSettings(m_path);
    m_readerIsCopy = false;
    newVersion();
}

// The file less what Qt must not read, in a private file of its own: every
// other value stays readable.
void SettingsFile::openSanitizedCopy(const QByteArray &content)
{
    if (!m_copyDirectory)
        m_copyDirectory = std::make_unique<QTemporaryDir>();
    // A new name each time: QSettings would serve a name it has read before from memory.
    const QString copy = m_copyDirectory->path() + QLatin1Char('/') + QString::number(++m_copies) + QLatin1String(".ini");
    QFile file(copy);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    file.close();
    m_reader = openSettings(copy);  // reads the copy now; it is not needed afterwards
    QFile::remove(copy);
    m_readerIsCopy = true;
}

void SettingsFile::dropView()
{
    m_reader.reset();
    m_stampKnown = false;
}

QSettings &SettingsFile::reader()
{
    if (!m_reader)
        refresh();
    if (!m_reader) {
        const std::unique_ptr<QLockFile> reading = lockForReading(m_path);
        openReader();
    }
    return *m_reader;
}

QVariant SettingsFile::value(const QString &key, const QVariant &defaultValue)
{
    if (namesNoKey(key))
        return defaultValue;
    QVariant changed;
    switch (m_changes.lookup(key, &changed)) {
    case PendingChanges::Answer::Set:
        return changed;
    case PendingChanges::Answer::Removed:
        return defaultValue;
    case PendingChanges::Answer::Unchanged:
        break;
    }
    return reader().value(key, defaultValue);
}

void SettingsFile::setValue(const QString &key, const QVariant &value)
{
    if (namesNoKey(key)) {
        warnNoKey();
        return;
    }
    m_changes.set(key, value);
    newVersion();
}

bool SettingsFile::contains(const QString &key)
{
    if (namesNoKey(key))
        return false;
    QVariant changed;
    switch (m_changes.lookup(key, &changed)) {
    case PendingChanges::Answer::Set:
        return true;
    case PendingChanges::Answer::Removed:
        return false;
    case PendingChanges::Answer::Unchanged:
        break;
    }
    return reader().contains(key);
}

void SettingsFile::remove(const QString &key)
{
    // QSettings would take a key of separators alone for "every key".
    if (!key.isEmpty() && namesNoKey(key))
        return;
    m_changes.remove(key);
    newVersion();
}

QStringList SettingsFile::allKeys()
{
    return m_changes.appliedTo(reader().allKeys());
}

// ---- Writing -------------------------------------------------------------------

void SettingsFile::commit()
{
    bool handedToQt = false;
    const QString failure = write(&handedToQt);
    m_changes.clear();
    newVersion();
    if (failure.isEmpty())
        return;
    warnWriteFailed(failure);
    // QSettings keeps a change it could not write and would serve it: what
    // could not be stored must not be served as if it were.
    if (handedToQt)
        dropView();
}

// Empty when the changes are on disk, else why they are not. QSettings gets
// the changes only when nothing stands in the way of the write.
QString SettingsFile::write(bool *handedToQt)
{
    // QSettings reads the file once more before it merges the changes into
    // it when another program changed it meanwhile; that version is checked
    // first, like every version it reads.
    if (!m_stampKnown || readFileStamp(m_nativePath) != m_stamp) {
        const std::unique_ptr<QLockFile> reading = lockForReading(m_path);
        m_unsafe = findUnsafeValues(readWholeFile(m_path), isGuiProcess());
    }
    if (!m_unsafe.empty()) {
        const QString why = removeDamagedValues();
        if (!why.isEmpty())
            return why;
    }
    if (!waitForSettingsLock(m_path, kQtLockTimeoutMs, kLeftoverLockAgeMs))
        return QStringLiteral("another program kept it locked");

    const FileStamp before = readFileStamp(m_nativePath);
    // On the file itself, sharing what the reader holds of it. A new object
    // reads the file at once when it is not the version the reader holds; its
    // write takes the lock itself.
    std::unique_ptr<QSettings> writer;
    {
        const bool readsTheFile = !m_stampKnown || m_readerIsCopy || before != m_stamp;
        const std::unique_ptr<QLockFile> reading = readsTheFile ? lockForReading(m_path) : nullptr;
        writer = openSettings(m_path);
    }
    m_changes.replay(*writer);
    *handedToQt = true;
    writer->sync();
    if (!changesReachedDisk(*writer) && !replacedOnRetry())
        return whyWriteFailed();
    restoreOwner(m_nativePath, before);
    m_stamp = readFileStamp(m_nativePath);
    // A reader of a copy goes back to the file, which no longer holds what the copy left out.
    m_stampKnown = !m_readerIsCopy;
    return QString();
}

// Before QSettings reads every value of the file to write it, the values it
// must not read leave the file; the file as it was stays beside it.
QString SettingsFile::removeDamagedValues()
{
    QLockFile lock(m_path + QLatin1String(kQtLockSuffix));
    lock.setStaleLockTime(kLeftoverLockAgeMs);
    if (!lock.tryLock(kQtLockTimeoutMs)) {
        return lock.error() == QLockFile::LockFailedError ? QStringLiteral("another program kept it locked")
                                                          : whyWriteFailed();
    }
    const FileStamp before = readFileStamp(m_nativePath);
    const QByteArray content = readWholeFile(m_path);
    m_unsafe = findUnsafeValues(content, isGuiProcess());
    if (m_unsafe.empty())
        return QString();
    if (holdsValueForGuiOnly(m_unsafe))
        return QStringLiteral("it holds values that only a program with a GUI can read, starting with ")
               + m_unsafe.front().key;
    const QString copy = m_path + QLatin1String(kDamagedCopySuffix);
    if (!replaceFile(copy, content))
        return QStringLiteral("its damaged values could not be set aside in ") + QDir::toNativeSeparators(copy);
    if (!replaceFile(m_path, withoutValues(content, m_unsafe)))
        return whyWriteFailed();
    restoreOwner(m_nativePath, before);
    QStringList keys;
    for (const UnsafeValue &value : m_unsafe)
        keys.append(value.key);
    warnDamagedValuesRemoved(keys, copy);
    m_unsafe.clear();
    return QString();
}

bool SettingsFile::changesReachedDisk(const QSettings &settings) const
{
    switch (settings.status()) {
    case QSettings::NoError:
        return true;
    case QSettings::FormatError: {
        // A format error of the file read before the write hides how the
        // write went; a fresh object writes what is still waiting, or finds
        // nothing waiting.
        const QSettings fresh(m_path, QSettings::IniFormat);
        return fresh.status() != QSettings::AccessError;
    }
    default:
        return false;
    }
}

// Where an open file cannot be replaced, a write fails whenever another
// program reads the file at that moment. QSettings keeps the changes it could
// not write, and a fresh object on the same file, which shares them, writes
// them again; that is tried for a while unless the failure lasts by nature.
bool SettingsFile::replacedOnRetry() const
{
    if (!openFileBlocksReplace() || !lastingWriteFailure().isEmpty())
        return false;
    const QDeadlineTimer deadline(kReplaceRetryMs);
    int pauseMs = 1;
    while (!deadline.hasExpired()) {
        QThread::msleep(pauseMs);
        const QSettings fresh(m_path, QSettings::IniFormat);  // writes what is still waiting
        if (fresh.status() == QSettings::NoError)
            return true;
        pauseMs = std::min(pauseMs * 2, kLongestReplacePauseMs);
    }
    return false;
}

// Empty when nothing about the file, its folder or the disk stands in the way.
QString SettingsFile::lastingWriteFailure() const
{
    const QFileInfo file(m_path);
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the file is not writable");
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("its folder cannot be made");
    if (!folder.isWritable())
        return QStringLiteral("its folder is not writable");
    if (QStorageInfo(folder.absoluteFilePath()).bytesAvailable() < kRoomForAWrite)
        return QStringLiteral("the disk is full");
    return QString();
}

QString SettingsFile::whyWriteFailed() const
{
    const QString lasting = lastingWriteFailure();
    return lasting.isEmpty() ? QStringLiteral("the file could not be replaced") : lasting;
}

// ---- Warnings ------------------------------------------------------------------

void SettingsFile::warnWriteFailed(const QString &reason) const
{
    Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
        .issueWarning("Unable to write settings file %s (%s): the changed values are lost",
                      nativeName(m_path).constData(), reason.toUtf8().constData());
}

void SettingsFile::warnLockTimedOut() const
{
    Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
        .issueWarning("Settings file %s stayed locked by another process; going on without the lock",
                      nativeName(m_path).constData());
}

void SettingsFile::warnUnsafeValue(const UnsafeValue &value) const
{
    if (value.reason == UnsafeValue::Damaged) {
        Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
            .issueWarning("Settings file %s holds a damaged value for %s; it reads as unset",
                          nativeName(m_path).constData(), value.key.toUtf8().constData());
    } else {
        Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
            .issueWarning("Settings file %s holds a value for %s that only a program with a GUI can read; it reads "
                          "as unset, and this program does not write the file",
                          nativeName(m_path).constData(), value.key.toUtf8().constData());
    }
}

void SettingsFile::warnDamagedValuesRemoved(const QStringList &keys, const QString &copy) const
{
    Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
        .issueWarning("Removed the damaged values of %s from settings file %s; the file as it was is kept as %s",
                      keys.join(QLatin1String(", ")).toUtf8().constData(), nativeName(m_path).constData(),
                      nativeName(copy).constData());
}

void SettingsFile::warnNoKey() const
{
    Port_MsgManData::createObject(kDomain, kSourceFile, __LINE__, kRevision)
        .issueWarning("A value without a key is not stored in settings file %s", nativeName(m_path).constData());
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
