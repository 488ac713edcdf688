// One scope's INI file as the process shares it: the parsed file for readers, QSettings for writers, and the guards QSettings lacks.
#include "SettingsFile.h"

#include "LeftoverLockFile.h"
#include "WispLogging.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QLockFile>
#include <QtCore/QSaveFile>
#include <QtCore/QSettings>
#include <QtCore/QStorageInfo>
#include <QtCore/QThread>
#include <QtGui/QGuiApplication>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

constexpr char kQtLockSuffix[] = ".lock";
constexpr char kUpdateLockSuffix[] = ".update-lock";
constexpr char kDamagedCopySuffix[] = ".damaged-";
constexpr char kInvalidValue[] = "@Invalid()";
// Long enough for any number of writers that each hold a lock for a write;
// short enough that a hung process cannot freeze a GUI for long.
constexpr int kLockTimeoutMs = 10000;
// A QSettings lock file that no live process holds and that is this old was
// left behind: a live writer fills in its details at once.
constexpr int kLeftoverLockAgeMs = 200;
// A file that changes again while it is read is read again, this often.
constexpr int kMaxReads = 5;
// Bytes beyond the file's own size that must be free for a write to have room.
constexpr qint64 kRoomForAWrite = 8 * 1024;
// Where an open file cannot be replaced, how long a write is tried again
// while other programs read the file: each holds it for a moment only.
constexpr int kReplaceRetryMs = 2000;
constexpr qint64 kNsPerMs = 1000000;
// Updaters hold the lock for a write; waiters look this often at most.
constexpr std::chrono::microseconds kFirstPause(20);
constexpr std::chrono::microseconds kLongestPause(200);

#if defined(Q_OS_WIN)
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseSensitive;
#endif

QString lookupKey(const QString &key)
{
    return kKeyCase == Qt::CaseSensitive ? key : key.toLower();
}

bool isGuiProcess()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

bool replaceFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);  // follows a symbolic link and keeps the file's permissions
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

// A copy of the file that never replaces an older one.
QString keepCopy(const QString &path, const QByteArray &content)
{
    const QString base = path + QLatin1String(kDamagedCopySuffix)
                         + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 100; ++n) {
        const QString name = n == 1 ? base : base + QLatin1Char('-') + QString::number(n);
        QFile copy(name);
        if (copy.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return copy.write(content) == content.size() && copy.flush() ? name : QString();
        if (copy.error() != QFileDevice::OpenError || !QFileInfo::exists(name))
            return QString();
    }
    return QString();
}

bool isUnreadable(Readability readability)
{
    return readability == Readability::Damaged || readability == Readability::NeedsGui;
}

} // namespace

QString normalisedKey(const QString &key)
{
    if (!key.contains(QLatin1Char('/')))
        return key;  // the common case, on every getter: nothing to copy
    return key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

bool sameKey(const QString &a, const QString &b)
{
    return a.compare(b, kKeyCase) == 0;
}

bool removalCovers(const QString &removed, const QString &key)
{
    return removed.isEmpty() || sameKey(removed, key)
           || (key.size() > removed.size() && key.at(removed.size()) == QLatin1Char('/')
               && sameKey(key.left(removed.size()), removed));
}

SettingsFile &SettingsFile::forPath(const QString &path)
{
    static std::mutex mutex;
    // Files are never dropped: a handful of scopes per process at most, and a
    // store object may be opened at any time until the process ends.
    static auto *files = new QHash<QString, SettingsFile *>;
    std::lock_guard<std::mutex> lock(mutex);
    SettingsFile *&file = (*files)[path];
    if (!file)
        file = new SettingsFile(path);
    return *file;
}

SettingsFile::SettingsFile(const QString &path) : m_path(path), m_nativePath(toNativePath(path)) {}

// ---- Reading -------------------------------------------------------------------

std::shared_ptr<const SettingsFile::View> SettingsFile::currentView()
{
    const FileStamp now = readFileStamp(m_nativePath);
    {
        std::lock_guard<std::mutex> lock(m_viewMutex);
        if (m_view && m_view->stamp == now)
            return m_view;
    }
    // Read outside the lock: a slow disk holds up this reader only.
    std::shared_ptr<const View> view = readView(now);
    std::lock_guard<std::mutex> lock(m_viewMutex);
    m_view = view;
    return view;
}

std::shared_ptr<const SettingsFile::View> SettingsFile::readView(const FileStamp &seen)
{
    auto view = std::make_shared<View>();
    FileStamp before = seen;
    QByteArray content;
    for (int attempt = 0; attempt < kMaxReads; ++attempt) {
        if (!readWholeFile(m_nativePath, &content))
            qCWarning(lcSettings) << "Cannot read settings file" << shown(m_path);
        // Writers replace the file whole: when two looks agree, what was read
        // between them is that version.
        const FileStamp after = readFileStamp(m_nativePath);
        view->stamp = after;
        if (after == before)
            break;
        view->stamp = FileStamp();  // a file that changes at every look: read again next time
        before = after;
    }
    view->values = readIniValues(content, isGuiProcess());
    for (std::size_t i = 0; i < view->values.size(); ++i) {
        const IniValue &value = view->values[i];
        view->byKey.insert(lookupKey(value.key), i);
        if (value.readability == Readability::Damaged)
            qCWarning(lcSettings) << "Settings file" << shown(m_path) << "holds a damaged value for" << value.key
                                  << "- it reads as unset";
        else if (value.readability == Readability::NeedsGui)
            qCWarning(lcSettings) << "Settings file" << shown(m_path) << "holds a value for" << value.key
                                  << "that only a program with a GUI can read - it reads as unset here, and this "
                                     "program does not write the file";
    }
    return view;
}

std::optional<QVariant> SettingsFile::value(const QString &key)
{
    const QString normalised = normalisedKey(key);
    {
        std::lock_guard<std::mutex> lock(m_viewMutex);
        for (auto it = m_changes.crbegin(); it != m_changes.crend(); ++it) {
            if (it->value && sameKey(it->key, normalised))
                return *it->value;
            if (!it->value && removalCovers(it->key, normalised))
                return std::nullopt;
        }
    }
    const std::shared_ptr<const View> view = currentView();
    const auto found = view->byKey.constFind(lookupKey(normalised));
    if (found == view->byKey.cend() || isUnreadable(view->values[*found].readability))
        return std::nullopt;
    return view->values[*found].value;
}

QStringList SettingsFile::allKeys()
{
    const std::shared_ptr<const View> view = currentView();
    QStringList keys;
    for (const IniValue &value : view->values) {
        if (!isUnreadable(value.readability))
            keys.append(value.key);
    }
    std::lock_guard<std::mutex> lock(m_viewMutex);
    for (const Change &change : m_changes) {
        if (change.value)
            keys.append(change.key);
        else
            keys.erase(std::remove_if(keys.begin(), keys.end(),
                                      [&change](const QString &k) { return removalCovers(change.key, k); }),
                       keys.end());
    }
    std::sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) { return a.compare(b, kKeyCase) < 0; });
    keys.erase(std::unique(keys.begin(), keys.end(), sameKey), keys.end());
    return keys;
}

void SettingsFile::change(Change change)
{
    std::lock_guard<std::mutex> lock(m_viewMutex);
    m_changes.push_back(std::move(change));
}

// ---- Writing -------------------------------------------------------------------

void SettingsFile::write()
{
    std::lock_guard<std::mutex> writing(m_writeMutex);
    std::vector<Change> changes;
    {
        // They stay visible until the file holds them (or they are lost).
        std::lock_guard<std::mutex> lock(m_viewMutex);
        changes = m_changes;
    }
    if (changes.empty())
        return;  // another store object wrote them
    FileStamp before;
    QByteArray content;
    std::vector<IniValue> values;
    const auto readNow = [&] {
        before = readFileStamp(m_nativePath);
        readWholeFile(m_nativePath, &content);
        values = readIniValues(content, isGuiProcess());
    };
    const auto holds = [&values](Readability readability) {
        return std::find_if(values.cbegin(), values.cend(),
                            [readability](const IniValue &value) { return value.readability == readability; });
    };
    // QSettings reads every value of the file before it writes it: what it
    // must not read leaves the file first, or the file is not written.
    QString why = lastingWriteFailure();
    if (why.isEmpty()) {
        readNow();
        if (holds(Readability::Damaged) != values.cend()) {
            if (moveDamagedValuesAside())
                readNow();
            else
                why = QStringLiteral("its damaged values could not be set aside");
        }
    }
    const auto needsGui = holds(Readability::NeedsGui);
    if (why.isEmpty() && needsGui != values.cend())
        why = QStringLiteral("it holds values that only a program with a GUI can read, starting with ") + needsGui->key;
    if (why.isEmpty() && !waitForSettingsLock(m_path, kLockTimeoutMs, kLeftoverLockAgeMs))
        why = QStringLiteral("another program kept it locked");
    if (why.isEmpty()) {
        keepChangeVisibleToQt(before);
        why = writeThroughQt(changes);
    }
    {
        std::lock_guard<std::mutex> lock(m_viewMutex);
        m_changes.erase(m_changes.begin(), m_changes.begin() + std::ptrdiff_t(changes.size()));
        m_view.reset();  // read again: what is on disk now is what counts
    }
    if (!why.isEmpty()) {
        qCWarning(lcSettings).noquote() << "Unable to write settings file" << shown(m_path)
                                        << QLatin1Char('(') + why + QLatin1String("): the changed values are lost");
        return;
    }
    restoreOwner(m_nativePath, before);
    restoreForeignValues(values, content, changes);
    m_lastWritten = readFileStamp(m_nativePath);
}

// QSettings judges a file changed by its size and its time in milliseconds.
// A file replaced since this process last wrote it, at the same size within
// the same millisecond (or restored with its old time), would look unchanged
// to it, and its write would bring back what the file held before; a new
// time makes the change plain to it and to every other QSettings program.
void SettingsFile::keepChangeVisibleToQt(const FileStamp &now)
{
    if (m_lastWritten.exists && now.exists && now != m_lastWritten && now.size == m_lastWritten.size
        && now.mtimeNs / kNsPerMs == m_lastWritten.mtimeNs / kNsPerMs)
        setModificationTime(m_nativePath, now.mtimeNs + kNsPerMs);
}

// Empty when the changes are on disk, else why they are not.
QString SettingsFile::writeThroughQt(const std::vector<Change> &changes)
{
    const auto written = [this](QSettings::Status status) {
        // A format error of the file read before the write hides how the
        // write went; a fresh object writes what is still waiting.
        return status == QSettings::NoError
               || (status == QSettings::FormatError
                   && QSettings(m_path, QSettings::IniFormat).status() != QSettings::AccessError);
    };
    QSettings::Status status;
    {
        QSettings settings(m_path, QSettings::IniFormat);
        for (const Change &change : changes) {
            if (change.value)
                settings.setValue(change.key, *change.value);
            else
                settings.remove(change.key);
        }
        settings.sync();
        status = settings.status();
    }
    if (written(status))
        return QString();
    // Where an open file cannot be replaced, a write fails whenever another
    // program reads the file at that moment; QSettings keeps what it could
    // not write, and a fresh object on the file writes it again.
    const QDeadlineTimer deadline(openFileBlocksReplace() && lastingWriteFailure().isEmpty() ? kReplaceRetryMs : 0);
    for (int pauseMs = 1; !deadline.hasExpired(); pauseMs = std::min(pauseMs * 2, 50)) {
        QThread::msleep(pauseMs);
        if (written(QSettings(m_path, QSettings::IniFormat).status()))
            return QString();
    }
    const QString lasting = lastingWriteFailure();
    return lasting.isEmpty() ? QStringLiteral("the file could not be replaced") : lasting;
}

// Before QSettings reads every value of the file to write it, the values that
// would end the process leave the file; the file as it was stays beside it
// in a copy of its own.
bool SettingsFile::moveDamagedValuesAside()
{
    QLockFile lock(m_path + QLatin1String(kQtLockSuffix));
    lock.setStaleLockTime(kLeftoverLockAgeMs);
    if (!lock.tryLock(kLockTimeoutMs))
        return false;
    const FileStamp before = readFileStamp(m_nativePath);
    QByteArray content;
    readWholeFile(m_nativePath, &content);
    const std::vector<IniValue> values = readIniValues(content, isGuiProcess());
    std::vector<const IniValue *> damaged;
    QStringList keys;
    for (const IniValue &value : values) {
        if (value.readability == Readability::Damaged) {
            damaged.push_back(&value);
            keys.append(value.key);
        }
    }
    if (damaged.empty())
        return true;
    const QString copy = keepCopy(m_path, content);
    if (copy.isEmpty() || !replaceFile(m_path, withoutValues(content, damaged)))
        return false;
    restoreOwner(m_nativePath, before);
    qCWarning(lcSettings).noquote() << "Removed the damaged values of" << keys.join(QLatin1String(", "))
                                    << "from settings file" << shown(m_path) << "- the file as it was is kept as"
                                    << shown(copy);
    return true;
}

// QSettings writes a value of a type this process does not know (a peer
// program's own) back as "@Invalid()"; its text as it was goes back in.
void SettingsFile::restoreForeignValues(const std::vector<IniValue> &before, const QByteArray &content,
                                        const std::vector<Change> &changes)
{
    QHash<QString, QByteArray> foreign;
    for (const IniValue &value : before) {
        const bool changed = std::any_of(changes.cbegin(), changes.cend(), [&value](const Change &change) {
            return change.value ? sameKey(normalisedKey(change.key), value.key) : removalCovers(change.key, value.key);
        });
        if (value.readability == Readability::Foreign && !changed)
            foreign.insert(lookupKey(value.key), content.mid(value.valueBegin, value.end - value.valueBegin));
    }
    if (foreign.isEmpty())
        return;
    QLockFile lock(m_path + QLatin1String(kQtLockSuffix));
    lock.setStaleLockTime(kLeftoverLockAgeMs);
    if (!lock.tryLock(kLockTimeoutMs))
        return;
    QByteArray now;
    readWholeFile(m_nativePath, &now);
    const std::vector<IniValue> values = readIniValues(now, isGuiProcess());
    bool restored = false;
    for (auto value = values.crbegin(); value != values.crend(); ++value) {
        const auto text = foreign.constFind(lookupKey(value->key));
        if (text != foreign.cend() && now.mid(value->valueBegin, value->end - value->valueBegin).trimmed() == kInvalidValue) {
            now.replace(value->valueBegin, value->end - value->valueBegin, *text);
            restored = true;
        }
    }
    if (restored && !replaceFile(m_path, now))
        qCWarning(lcSettings) << "Could not keep the values of other programs' types in" << shown(m_path);
}

// Empty when nothing about the file, its folder or the disk stands in the way.
QString SettingsFile::lastingWriteFailure() const
{
    const QFileInfo file(m_path);
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the file is not writable");
    const QFileInfo folder(file.absolutePath());
    if (!folder.exists() && !QDir().mkpath(folder.absoluteFilePath()))
        return QStringLiteral("its folder cannot be made");
    if (!QFileInfo(folder.absoluteFilePath()).isWritable())
        return QStringLiteral("its folder is not writable");
    if (QStorageInfo(folder.absoluteFilePath()).bytesAvailable() < file.size() + kRoomForAWrite)
        return QStringLiteral("the disk is full");
    return QString();
}

// ---- Updates -------------------------------------------------------------------

SettingsFile::UpdateHold SettingsFile::lockUpdates()
{
    UpdateHold hold;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockTimeoutMs);
    // A holder that kept the lock past one wait is not waited for again.
    hold.inProcess = m_updatersStuck ? m_updaters.try_lock() : m_updaters.try_lock_until(deadline);
    if (!hold.inProcess) {
        if (!m_updatersStuck.exchange(true))
            qCWarning(lcSettings) << "Another thread kept settings file" << shown(m_path)
                                  << "for an update; going on without waiting for it";
        return hold;
    }
    m_updatersStuck = false;
    if (m_updateDepth++ > 0)
        return hold;  // the outer update of this thread holds the file

    auto lock = std::make_unique<UpdateLock>(m_path + QLatin1String(kUpdateLockSuffix));
    thread_local std::minstd_rand jitter(std::random_device{}());
    auto pause = kFirstPause;
    bool madeFolder = false;
    for (;;) {
        switch (lock->tryLock()) {
        case UpdateLock::Locked: {
            hold.file = std::move(lock);
            std::lock_guard<std::mutex> guard(m_viewMutex);
            m_stuckHolder.reset();
            // A file replaced twice within a clock tick can come back under
            // the same number and size: an update reads it afresh.
            m_view.reset();
            return hold;
        }
        case UpdateLock::Unavailable:
            // An update writes: its folder is made now, not at its write.
            if (madeFolder || !QDir().mkpath(QFileInfo(m_path).absolutePath()))
                return hold;  // a folder that cannot hold it: the write fails and says why
            madeFolder = true;
            continue;
        case UpdateLock::Held:
            break;
        }
        const FileStamp holder = lock->holder();
        std::optional<FileStamp> stuck;
        {
            std::lock_guard<std::mutex> guard(m_viewMutex);
            stuck = m_stuckHolder;
        }
        if (stuck && *stuck == holder)
            return hold;
        if (std::chrono::steady_clock::now() >= deadline) {
            qCWarning(lcSettings) << "Settings file" << shown(m_path)
                                  << "stayed locked by another process; going on without the lock";
            std::lock_guard<std::mutex> guard(m_viewMutex);
            m_stuckHolder = holder;
            return hold;
        }
        // flock hands the lock to nobody in particular: waiters look often,
        // out of step with each other, so one of them finds it free.
        std::this_thread::sleep_for(pause + std::chrono::microseconds(jitter() % pause.count()));
        pause = std::min(pause * 2, kLongestPause);
    }
}

void SettingsFile::unlockUpdates(UpdateHold &hold)
{
    if (!hold.inProcess)
        return;
    if (hold.file)
        hold.file->unlock();
    hold.file.reset();
    --m_updateDepth;
    m_updaters.unlock();
    hold.inProcess = false;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
