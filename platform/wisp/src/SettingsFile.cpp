// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// One scope's INI file as the process shares it: the parsed file for readers, QSettings for writers, and the guards QSettings lacks.
#include "SettingsFile.h"

#include "ValueCheck.h"
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
// while other programs read it: each holds it for a moment only.
constexpr int kReplaceRetryMs = 2000;
constexpr qint64 kNsPerMs = 1000000;
// Updaters hold their lock for a write; waiters look this often at most.
constexpr std::chrono::microseconds kFirstPause(20), kLongestPause(200);

#if defined(Q_OS_WIN)
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseSensitive;
#endif

QString lookupKey(const QString &key)
{
    return kKeyCase == Qt::CaseSensitive ? key : key.toLower();
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

std::vector<UnreadableValue> unreadableHere(const QByteArray &content)
{
    return unreadableValues(content, qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr);
}

// The key QSettings reads from line, whatever escapes the file spells it with.
QString settingsKey(const IniLine &line)
{
    const QByteArray section = line.section.isNull() ? QByteArray() : '[' + line.section + "]\n";
    const auto read = readIniText(section + line.key + "=x\n");
    return read.empty() ? QString::fromUtf8(line.key) : read.front().first;
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

// A copy of the file beside it that never replaces an older one.
QString keepCopy(const QString &path, const QByteArray &content)
{
    const QString base = path + QLatin1String(".damaged-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 100; ++n) {
        QFile copy(n == 1 ? base : base + QLatin1Char('-') + QString::number(n));
        if (copy.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return copy.write(content) == content.size() && copy.flush() ? copy.fileName() : QString();
        if (!copy.exists())
            return QString();
    }
    return QString();
}

} // namespace

QString normalisedKey(const QString &key)
{
    if (!key.contains(QLatin1Char('/')))
        return key;  // the common case, on every getter: nothing to copy
    return key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

SettingsFile &SettingsFile::forPath(const QString &path)
{
    static std::mutex mutex;
    // Never dropped: a handful of scopes per process at most, and a store
    // object may be opened at any time until the process ends.
    static auto *files = new QHash<QString, SettingsFile *>;
    std::lock_guard<std::mutex> lock(mutex);
    SettingsFile *&file = (*files)[path];
    if (!file)
        file = new SettingsFile(path);
    return *file;
}

// Waits at most ten seconds for the lock file at path (or with
// leftoverOnly, only for one left behind), looking often and out of step
// with other waiters, so that one of them finds it free between its
// holder's writes. QLockFile takes one as left over only when no live
// process holds the kernel lock on it, so a short age is safe. Null when
// none can be made here (the write then says why) or the wait ran out; a
// holder that kept it through a whole wait is not waited for again, nor is a
// lock file that a process which died left unnamed and that cannot be removed.
std::unique_ptr<QLockFile> SettingsFile::takeLock(const QString &path, std::optional<qint64> &stuckHolder,
                                                  bool leftoverOnly)
{
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(kLeftoverLockAgeMs);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockTimeoutMs);
    std::minstd_rand jitter(std::minstd_rand::result_type(reinterpret_cast<quintptr>(&jitter) ^ quintptr(QDateTime::currentMSecsSinceEpoch())));
    for (auto pause = kFirstPause;; pause = std::min(pause * 2, kLongestPause)) {
        if (lock->tryLock(0)) {
            std::lock_guard<std::mutex> guard(m_mutex);
            stuckHolder.reset();
            return lock;
        }
        if (lock->error() != QLockFile::LockFailedError)
            return nullptr;
        qint64 holder = 0;
        QString host, application;
        // A live holder names itself at once; QLockFile has had its chance to
        // remove one left over that it could.
        const bool named = lock->getLockInfo(&holder, &host, &application);
        const bool unnamedLeftover =
            !named && QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime()) > 2 * kLeftoverLockAgeMs;
        if (leftoverOnly && named)
            return std::make_unique<QLockFile>(path);  // a live holder, which QSettings waits for
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            if (stuckHolder == holder)
                return nullptr;
            if (unnamedLeftover || std::chrono::steady_clock::now() >= deadline) {
                stuckHolder = holder;
                qCWarning(lcSettings) << "The lock file" << shown(path) << "stayed locked by process" << holder
                                      << "- going on without waiting for it";
                return nullptr;
            }
        }
        std::this_thread::sleep_for(pause + std::chrono::microseconds(jitter() % pause.count()));
    }
}

// The store's own turn for a write or an update: the update lock, looked
// at every 20 to 200 µs, out of step with other
// waiters, for at most ten seconds; then, and for a holder that kept it
// through a whole wait before, the store goes on without it. Null then, and
// where no lock can be made (the write says why).
std::unique_ptr<UpdateLock> SettingsFile::takeTurn()
{
    auto lock = std::make_unique<UpdateLock>(m_path);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockTimeoutMs);
    std::minstd_rand jitter(std::minstd_rand::result_type(quintptr(lock.get()) ^ quintptr(QDateTime::currentMSecsSinceEpoch())));
    bool madeFolder = false;
    for (auto pause = kFirstPause;; pause = std::min(pause * 2, kLongestPause)) {
        const UpdateLock::Result result = lock->tryLock();
        if (result == UpdateLock::Unavailable && !madeFolder && QDir().mkpath(QFileInfo(m_path).absolutePath())) {
            madeFolder = true;  // a write makes its folder anyway
            continue;
        }
        const FileStamp holder = result == UpdateLock::Held ? lock->holder() : FileStamp();
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            if (result == UpdateLock::Locked)
                m_stuckHolder.reset();
            if (result != UpdateLock::Held)
                return result == UpdateLock::Locked ? std::move(lock) : nullptr;
            if (m_stuckHolder == holder)
                return nullptr;
            if (std::chrono::steady_clock::now() >= deadline) {
                m_stuckHolder = holder;
                qCWarning(lcSettings) << "Settings file" << shown(m_path) << "stayed locked by another process"
                                      << "- going on without waiting for it";
                return nullptr;
            }
        }
        std::this_thread::sleep_for(pause + std::chrono::microseconds(jitter() % pause.count()));
    }
}

// Where an open file cannot be replaced (Windows), a read holds the lock
// QSettings writers take around their replace, so that none of them fails
// because of it; after a wait it reads all the same.
bool SettingsFile::readUnderWritersLock(QByteArray *content)
{
    const bool lockable = openFileBlocksReplace() && QFileInfo(QFileInfo(m_path).absolutePath()).isDir();
    const std::unique_ptr<QLockFile> lock = lockable ? takeLock(m_path + QLatin1String(".lock"), m_stuckQtLock) : nullptr;
    return readWholeFile(m_nativePath, content);
}

// ---- Reading -------------------------------------------------------------------

std::shared_ptr<const SettingsFile::View> SettingsFile::currentView()
{
    FileStamp seen = readFileStamp(m_nativePath);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_view && m_view->stamp == seen)
            return m_view;
    }
    // Read outside the lock: a slow disk holds up this reader only.
    auto view = std::make_shared<View>();
    QByteArray content;
    for (int attempt = 0; attempt < kMaxReads; ++attempt) {
        if (!readUnderWritersLock(&content))
            qCWarning(lcSettings) << "Cannot read settings file" << shown(m_path);
        // Writers replace the file whole: when two looks agree, what was read
        // between them is that version. A file that changes at every look
        // keeps no stamp and is read again next time.
        const FileStamp after = readFileStamp(m_nativePath);
        if (after == seen) {
            view->stamp = after;
            break;
        }
        seen = after;
    }
    std::vector<IniLine> unreadable;
    for (const UnreadableValue &value : unreadableHere(content)) {
        unreadable.push_back(value.line);
        qCWarning(lcSettings).noquote() << "Settings file" << shown(m_path) << "holds a"
                                        << (value.unchecked ? "value that could not be checked" : "damaged value")
                                        << "for" << settingsKey(value.line) << "- it reads as unset here";
    }
    for (auto &value : readIniText(withoutLines(content, unreadable))) {
        view->keys.append(value.first);
        view->byKey.insert(lookupKey(value.first), std::move(value.second));
    }
    std::sort(view->keys.begin(), view->keys.end(), [](const QString &a, const QString &b) { return a.compare(b, kKeyCase) < 0; });
    std::lock_guard<std::mutex> lock(m_mutex);
    m_view = view;
    return view;
}

std::optional<QVariant> SettingsFile::value(const QString &key)
{
    const QString normalised = normalisedKey(key);
    const QString lookedUp = lookupKey(normalised);
    const auto inView = [&lookedUp](const View &view) -> std::optional<QVariant> {
        const auto found = view.byKey.constFind(lookedUp);
        return found == view.byKey.cend() ? std::nullopt : std::optional<QVariant>(*found);
    };
    const FileStamp seen = readFileStamp(m_nativePath);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_changes.crbegin(); it != m_changes.crend(); ++it) {
            if (it->value && sameKey(it->key, normalised))
                return *it->value;
            if (!it->value && removalCovers(it->key, normalised))
                return std::nullopt;
        }
        if (m_view && m_view->stamp == seen)
            return inView(*m_view);  // the usual case: one look at the file, one lookup
    }
    return inView(*currentView());
}

QStringList SettingsFile::allKeys()
{
    return currentView()->keys;
}

void SettingsFile::change(Change change)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_changes.push_back(std::move(change));
}

// ---- Writing -------------------------------------------------------------------

void SettingsFile::write()
{
    // The store's writers of this and other processes take turns for their
    // writes: they look for the turn finely, where QSettings' waiters poll its
    // own lock with pauses of up to five seconds, so writers wait
    // milliseconds for each other instead of seconds; and the stamp each
    // records after its write is the one QSettings saw. An update of another
    // thread of this process already holds the turn.
    const std::unique_ptr<UpdateLock> turn = m_updateDepth > 0 ? nullptr : takeTurn();
    std::lock_guard<std::mutex> writing(m_writeMutex);
    std::vector<Change> changes;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        changes = m_changes;  // they stay visible until the file holds them, or they are lost
    }
    if (changes.empty())
        return;  // another store object wrote them
    FileStamp before;
    QByteArray content;
    std::vector<UnreadableValue> unreadable;
    const auto readNow = [&] {
        before = readFileStamp(m_nativePath);
        readUnderWritersLock(&content);
        unreadable = unreadableHere(content);
    };
    const auto holding = [&unreadable](bool unchecked) {
        return std::find_if(unreadable.cbegin(), unreadable.cend(), [unchecked](const UnreadableValue &v) { return v.unchecked == unchecked; });
    };
    // QSettings reads every value of the file before it writes it: what it
    // must not read leaves the file first, or the file is not written.
    QString why = lastingWriteFailure();
    if (why.isEmpty())
        readNow();
    if (why.isEmpty() && holding(false) != unreadable.cend()) {
        if (!moveDamagedValuesAside())
            why = QStringLiteral("its damaged values could not be set aside");
        readNow();
    }
    if (why.isEmpty() && holding(true) != unreadable.cend())
        why = QStringLiteral("it holds values that could not be checked, such as ") + settingsKey(holding(true)->line);
    if (why.isEmpty())
        why = writeThroughQt(changes, before);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_changes.erase(m_changes.begin(), m_changes.begin() + std::ptrdiff_t(changes.size()));
        m_view.reset();  // read again: what is on disk now is what counts
    }
    if (!why.isEmpty()) {
        qCWarning(lcSettings).noquote() << "Unable to write settings file" << shown(m_path)
                                        << QLatin1Char('(') + why + QLatin1String("): the changed values are lost");
        return;
    }
    restoreOwner(m_nativePath, before);
    restoreForeignValues(content, changes);
    m_lastWritten = readFileStamp(m_nativePath);
}

// Empty when the changes are on disk, else why they are not.
QString SettingsFile::writeThroughQt(const std::vector<Change> &changes, const FileStamp &before)
{
    // QSettings takes "<file>.lock" around its write and waits for it without
    // end, taking one left over as such only when it is 30 s old: one is
    // cleared here first, or the write given up when it cannot be.
    if (QFileInfo::exists(m_path + QLatin1String(".lock")) && !takeLock(m_path + QLatin1String(".lock"), m_stuckQtLock, true))
        return QStringLiteral("its lock file was left behind and cannot be removed");
    // QSettings judges a file changed by its size and its time in
    // milliseconds. One replaced since this process last wrote it, at the
    // same size within the same millisecond (or restored with its old time),
    // would look unchanged to it, and its write would bring back what the
    // file held before: a new time makes the change plain to it.
    if (m_lastWritten.exists && before.exists && before != m_lastWritten && before.size == m_lastWritten.size
        && before.mtimeNs / kNsPerMs == m_lastWritten.mtimeNs / kNsPerMs)
        setModificationTime(m_nativePath, before.mtimeNs + kNsPerMs);
    const auto written = [this](QSettings::Status status) {
        // A format error of the file read before the write hides how the
        // write went; a fresh object writes what is still waiting.
        return status == QSettings::NoError
               || (status == QSettings::FormatError && QSettings(m_path, QSettings::IniFormat).status() != QSettings::AccessError);
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
    // Where an open file cannot be replaced, a write fails whenever another
    // program reads the file at that moment; QSettings keeps what it could
    // not write, and a fresh object on the file writes it again.
    const QDeadlineTimer deadline(openFileBlocksReplace() && lastingWriteFailure().isEmpty() ? kReplaceRetryMs : 0);
    for (int pauseMs = 1; !written(status) && !deadline.hasExpired(); pauseMs = std::min(pauseMs * 2, 50)) {
        QThread::msleep(pauseMs);
        status = QSettings(m_path, QSettings::IniFormat).status();
    }
    if (written(status))
        return QString();
    const QString lasting = lastingWriteFailure();
    return lasting.isEmpty() ? QStringLiteral("the file could not be replaced") : lasting;
}

// The values that would end the process leave the file; the file as it was
// stays beside it in a copy of its own.
bool SettingsFile::moveDamagedValuesAside()
{
    const std::unique_ptr<QLockFile> lock = takeLock(m_path + QLatin1String(".lock"), m_stuckQtLock);
    const FileStamp before = readFileStamp(m_nativePath);
    QByteArray content;
    if (!lock || !readWholeFile(m_nativePath, &content))
        return false;
    std::vector<IniLine> damaged;
    QStringList keys;
    for (const UnreadableValue &value : unreadableHere(content)) {
        if (!value.unchecked) {
            damaged.push_back(value.line);
            keys.append(settingsKey(value.line));
        }
    }
    const QString copy = damaged.empty() ? QString() : keepCopy(m_path, content);
    if (!damaged.empty() && (copy.isEmpty() || !replaceFile(m_path, withoutLines(content, damaged))))
        return false;
    restoreOwner(m_nativePath, before);
    if (!damaged.empty())
        qCWarning(lcSettings).noquote() << "Removed the damaged values of" << keys.join(QLatin1String(", ")) << "from settings file"
                                        << shown(m_path) << "- the file as it was is kept as" << shown(copy);
    return true;
}

// QSettings writes a value of a type this process does not know (a peer
// program's own) back as "@Invalid()": its text as it was goes back in.
void SettingsFile::restoreForeignValues(const QByteArray &before, const std::vector<Change> &changes)
{
    QHash<QByteArray, QByteArray> serialized;  // by section and key as the file spells them
    for (const IniLine &line : iniLines(before)) {
        const QByteArray value = before.mid(line.valueBegin, line.end - line.valueBegin);
        if (holdsSerializedValue(value))
            serialized.insert(line.section + '\n' + line.key, value);
    }
    const auto changed = [&changes](const QString &key) {
        return std::any_of(changes.cbegin(), changes.cend(), [&key](const Change &change) {
            return change.value ? sameKey(change.key, key) : removalCovers(change.key, key);
        });
    };
    const std::unique_ptr<QLockFile> lock = serialized.isEmpty() ? nullptr : takeLock(m_path + QLatin1String(".lock"), m_stuckQtLock);
    QByteArray now;
    if (!lock || !readWholeFile(m_nativePath, &now))
        return;
    const std::vector<IniLine> lines = iniLines(now);
    bool restored = false;
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const auto old = serialized.constFind(line->section + '\n' + line->key);
        const qsizetype length = line->end - line->valueBegin;
        if (old != serialized.cend() && now.mid(line->valueBegin, length).trimmed() == "@Invalid()" && !changed(settingsKey(*line))) {
            now.replace(line->valueBegin, length, *old);
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
    const QString folder = file.absolutePath();
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the file is not writable");
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        return QStringLiteral("its folder cannot be made");
    if (!QFileInfo(folder).isWritable())
        return QStringLiteral("its folder is not writable");
    if (bytesAvailable(toNativePath(folder)) < file.size() + kRoomForAWrite)
        return QStringLiteral("the disk is full");
    return QString();
}

// ---- Updates -------------------------------------------------------------------

SettingsFile::UpdateHold SettingsFile::lockUpdates()
{
    UpdateHold hold;
    // A thread that kept the lock through one wait is not waited for again.
    hold.inProcess = m_updatersStuck ? m_updaters.try_lock()
                                     : m_updaters.try_lock_for(std::chrono::milliseconds(kLockTimeoutMs));
    if (!hold.inProcess) {
        if (!m_updatersStuck.exchange(true))
            qCWarning(lcSettings) << "Another thread kept settings file" << shown(m_path) << "for an update; going on without it";
        return hold;
    }
    m_updatersStuck = false;
    if (m_updateDepth++ > 0)
        return hold;  // the outer update of this thread holds the file
    hold.file = takeTurn();
    std::lock_guard<std::mutex> guard(m_mutex);
    // A file replaced twice within a clock tick can come back under the same
    // number and size: an update reads it afresh.
    m_view.reset();
    return hold;
}

void SettingsFile::unlockUpdates(UpdateHold &hold)
{
    if (!hold.inProcess)
        return;
    hold.file.reset();
    --m_updateDepth;
    m_updaters.unlock();
    hold.inProcess = false;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
