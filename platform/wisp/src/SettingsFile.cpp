// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// One scope's INI file as the process shares it: QSettings reads and writes it; the store adds what QSettings lacks.
#include "SettingsFile.h"

#include "IniText.h"
#include "WispLogging.h"

#include <QtCore/QDateTime>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSaveFile>
#include <QtCore/QSettings>
#include <QtCore/QThread>

#include <algorithm>
#include <chrono>
#include <random>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

// Long enough for writers that each hold a lock for a write; short enough
// that a hung process cannot freeze a GUI for long.
constexpr int kLockTimeoutMs = 10000;
// A QSettings lock file that no live process holds and that is this old was
// left behind: a live writer fills in its details at once.
constexpr int kLeftoverLockAgeMs = 200;
// Bytes beyond the file's own size that must be free for a write to have room.
constexpr qint64 kRoomForAWrite = 8 * 1024;
// Where an open file cannot be replaced, how long a write is tried again.
constexpr int kReplaceRetryMs = 2000;
constexpr qint64 kNsPerMs = 1000000;
// Lock holders hold a lock for a write; waiters look this often at most.
constexpr std::chrono::microseconds kFirstPause(20), kLongestPause(200);

// QSettings compares an INI file's keys ignoring case on Windows, where a
// file that any program holds open cannot be replaced either.
#if defined(Q_OS_WIN)
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseInsensitive;
constexpr bool kOpenFileBlocksReplace = true;
#else
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseSensitive;
constexpr bool kOpenFileBlocksReplace = false;
#endif

QString lookupKey(const QString &key)
{
    return kKeyCase == Qt::CaseSensitive ? key : key.toLower();
}

// The serialized values of text, by section and key as the file spells them.
QHash<QByteArray, QByteArray> serializedValues(const QByteArray &text)
{
    QHash<QByteArray, QByteArray> values;
    for (const IniLine &line : holdsSerializedValue(text) ? iniLines(text) : std::vector<IniLine>()) {
        const QByteArray value = text.mid(line.valueBegin, line.end - line.valueBegin);
        if (holdsSerializedValue(value))
            values.insert(line.section + '\n' + line.key, value);
    }
    return values;
}

} // namespace

QString normalisedKey(const QString &key)
{
    // Without a '/', the common case on every getter, there is nothing to copy.
    return key.contains(QLatin1Char('/')) ? key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/')) : key;
}

bool sameKey(const QString &a, const QString &b)
{
    return a.compare(b, kKeyCase) == 0;
}

SettingsFile::SettingsFile(const QString &path)
    : m_path(path), m_shownPath(QDir::toNativeSeparators(path)), m_nativePath(toNativePath(path))
{
}

SettingsFile &SettingsFile::forPath(const QString &path)
{
    static std::mutex mutex;
    // Never dropped: a handful of scopes per process, opened until it ends.
    static auto *files = new QHash<QString, SettingsFile *>;
    std::lock_guard<std::mutex> lock(mutex);
    SettingsFile *&file = (*files)[path];
    if (!file)
        file = new SettingsFile(path);
    return *file;
}

// Waits for a lock that tryOnce tries, looking every 20 to 200 µs out of
// step with other waiters, so that one finds it free between its holder's
// writes; at most ten seconds, then logs and goes on without it. A holder
// that kept it through a whole wait is not waited for again.
template <typename TryOnce>
bool SettingsFile::waitFor(std::optional<qint64> &stuckHolder, TryOnce tryOnce)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockTimeoutMs);
    std::minstd_rand jitter(std::minstd_rand::result_type(quintptr(&jitter) ^ quintptr(QDateTime::currentMSecsSinceEpoch())));
    for (auto pause = kFirstPause;; pause = std::min(pause * 2, kLongestPause)) {
        qint64 holder = -1;
        const Attempt attempt = tryOnce(holder);
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            if (attempt == Attempt::Locked)
                stuckHolder.reset();
            if (attempt == Attempt::Locked || attempt == Attempt::Unavailable)
                return attempt == Attempt::Locked;
            if (stuckHolder == holder)
                return false;
            if (attempt == Attempt::LeftBehind || std::chrono::steady_clock::now() >= deadline) {
                stuckHolder = holder;
                const QString by = holder > 0 ? QLatin1String("process ") + QString::number(holder) : QStringLiteral("another writer");
                qCWarning(lcSettings).noquote() << "Settings file" << m_shownPath << "stayed locked by" << by << "- going on without waiting for it";
                return false;
            }
        }
        std::this_thread::sleep_for(pause + std::chrono::microseconds(jitter() % pause.count()));
    }
}

// QSettings' lock around its writes, "<file>.lock"; QLockFile takes one as left
// over only when no live process holds the kernel lock on it, so a short age
// is safe. Null when none can be made here or the wait ran out.
std::unique_ptr<QLockFile> SettingsFile::takeQtLock()
{
    const QString path = m_path + QLatin1String(".lock");
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(kLeftoverLockAgeMs);
    const bool taken = waitFor(m_stuckQtLock, [&](qint64 &holder) {
        if (lock->tryLock(0))
            return Attempt::Locked;
        if (lock->error() != QLockFile::LockFailedError)
            return Attempt::Unavailable;
        // A live holder names itself at once; QLockFile has had its chance to
        // remove one left over that it could.
        QString host, application;
        if (lock->getLockInfo(&holder, &host, &application))
            return Attempt::Held;
        const bool old = QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime()) > 2 * kLeftoverLockAgeMs;
        return old ? Attempt::LeftBehind : Attempt::Held;
    });
    return taken ? std::move(lock) : nullptr;
}

// The store's own turn for a write or an update; null when the wait ran out
// or none can be made here.
std::unique_ptr<UpdateLock> SettingsFile::takeTurn()
{
    auto lock = std::make_unique<UpdateLock>(m_path);
    const bool taken = waitFor(m_stuckHolder, [&](qint64 &holder) {
        Attempt attempt = lock->tryLock();
        if (attempt == Attempt::Unavailable && QDir().mkpath(QFileInfo(m_path).absolutePath()))
            attempt = lock->tryLock();  // a write makes its folder anyway
        holder = lock->holder();
        return attempt;
    });
    return taken ? std::move(lock) : nullptr;
}

// Another thread's update holds the kernel's lock, as another process's does.
std::unique_ptr<UpdateLock> SettingsFile::lockUpdates()
{
    if (m_updater == std::this_thread::get_id())
        return nullptr;
    std::unique_ptr<UpdateLock> turn = takeTurn();
    if (turn)
        m_updater = std::this_thread::get_id();
    std::lock_guard<std::mutex> guard(m_mutex);
    m_view.reset();  // a file replaced twice within a clock tick can come back under the same stamp
    return turn;
}

void SettingsFile::unlockUpdates(std::unique_ptr<UpdateLock> &turn)
{
    if (turn)
        m_updater = std::thread::id();
    turn.reset();
}

// QSettings takes a file of the same size and the same time in milliseconds
// as the version it read last for that version: it would serve that one, and
// write over the file as if it still held it. A new time shows the change.
void SettingsFile::showChangeToQt()
{
    const FileStamp now = readFileStamp(m_nativePath);
    if (!now.exists || !m_qtSeen.exists || now == m_qtSeen || now.size != m_qtSeen.size
        || now.mtimeNs / kNsPerMs != m_qtSeen.mtimeNs / kNsPerMs)
        return;
    QFile file(m_path);
    if (file.open(QIODevice::Append))
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(now.mtimeNs / kNsPerMs + 1), QFileDevice::FileModificationTime);
}

std::shared_ptr<const SettingsFile::View> SettingsFile::currentView()
{
    const FileStamp seen = readFileStamp(m_nativePath);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_view && m_view->stamp == seen)
            return m_view;
    }
    // Where an open file cannot be replaced, QSettings writers' lock keeps
    // their replace from failing on this read; after a wait it reads all the same.
    const std::unique_ptr<QLockFile> qtLock = kOpenFileBlocksReplace && seen.exists ? takeQtLock() : nullptr;
    auto view = std::make_shared<View>();
    {
        std::lock_guard<std::mutex> reading(m_qtMutex);
        showChangeToQt();
        const FileStamp before = readFileStamp(m_nativePath);
        const QSettings settings(m_path, QSettings::IniFormat);
        if (settings.status() == QSettings::AccessError)
            qCWarning(lcSettings) << "Cannot read settings file" << m_shownPath;
        view->keys = settings.allKeys();  // in QSettings' order
        for (const QString &key : std::as_const(view->keys))
            view->byKey.insert(lookupKey(key), settings.value(key));
        // Writers replace the file whole: when two looks agree, QSettings read
        // that version; else a stamp no file has makes the next look read again.
        m_qtSeen = readFileStamp(m_nativePath);
        view->stamp = m_qtSeen == before ? before : FileStamp{true, -2};
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_view = view;
    return view;
}

std::optional<QVariant> SettingsFile::value(const QString &key)
{
    const std::shared_ptr<const View> view = currentView();
    const auto found = view->byKey.constFind(lookupKey(normalisedKey(key)));
    return found == view->byKey.cend() ? std::nullopt : std::optional<QVariant>(*found);
}

QStringList SettingsFile::allKeys()
{
    return currentView()->keys;
}

QString SettingsFile::write(const std::vector<Change> &changes)
{
    // The store's writers take turns, looking for the turn finely where
    // QSettings' waiters pause up to five seconds; an update of this thread
    // already holds it.
    const std::unique_ptr<UpdateLock> turn = m_updater == std::this_thread::get_id() ? nullptr : takeTurn();
    QString why = lastingWriteFailure();
    if (why.isEmpty())
        why = writeThroughQt(changes);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_view.reset();  // read again: what is on disk now is what counts
    }
    if (!why.isEmpty())
        qCWarning(lcSettings).noquote() << "Unable to write settings file" << m_shownPath
                                        << QLatin1Char('(') + why + QLatin1String("): the changed values are lost");
    return why;
}

// Empty when nothing about the file, its folder or the disk stands in the way.
QString SettingsFile::lastingWriteFailure() const
{
    const QFileInfo file(m_path);
    const QString folder = file.absolutePath();
    if ((file.exists() && !file.isWritable()) || (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) || !QFileInfo(folder).isWritable())
        return QStringLiteral("the file or its folder is not writable");
    return bytesAvailable(toNativePath(folder)) < file.size() + kRoomForAWrite ? QStringLiteral("the disk is full") : QString();
}

// Empty when the changes are on disk, else why they are not.
QString SettingsFile::writeThroughQt(const std::vector<Change> &changes)
{
    // QSettings waits for "<file>.lock" without end, taking one left over as
    // such only when it is 30 s old: one is cleared, or waited for, here
    // first. A file with serialized values is read under that lock, so that
    // what QSettings merges into is what was read.
    QByteArray before;
    readWholeFile(m_nativePath, &before);
    std::unique_ptr<QLockFile> qtLock;
    if (holdsSerializedValue(before) || QFileInfo::exists(m_path + QLatin1String(".lock"))) {
        if (!(qtLock = takeQtLock()))
            return QStringLiteral("its lock file stayed locked");
        readWholeFile(m_nativePath, &before);
    }
    const FileStamp stampBefore = readFileStamp(m_nativePath);
    const auto written = [this](QSettings::Status status) {
        // A format error of the file read before the write hides how the
        // write went; a fresh object writes what is still waiting.
        return status == QSettings::NoError
               || (status == QSettings::FormatError && QSettings(m_path, QSettings::IniFormat).status() != QSettings::AccessError);
    };
    std::unique_lock<std::mutex> writing(m_qtMutex);
    showChangeToQt();
    bool done;
    {
        QSettings settings(m_path, QSettings::IniFormat);
        for (const Change &change : changes) {
            if (change.value)
                settings.setValue(change.key, *change.value);
            else
                settings.remove(change.key);
        }
        qtLock.reset();  // QSettings takes it for its write
        settings.sync();
        done = written(settings.status());
    }
    // Where an open file cannot be replaced, a write fails whenever another
    // program reads the file at that moment; QSettings keeps what it could
    // not write, and a fresh object on the file writes it again.
    const QDeadlineTimer deadline(kOpenFileBlocksReplace && lastingWriteFailure().isEmpty() ? kReplaceRetryMs : 0);
    for (int pauseMs = 1; !done && !deadline.hasExpired(); pauseMs = std::min(pauseMs * 2, 50)) {
        QThread::msleep(pauseMs);
        done = written(QSettings(m_path, QSettings::IniFormat).status());
    }
    if (!done) {
        const QString lasting = lastingWriteFailure();
        return lasting.isEmpty() ? QStringLiteral("the file could not be replaced") : lasting;
    }
    m_qtSeen = readFileStamp(m_nativePath);
    QByteArray after;
    if (holdsSerializedValue(before))
        readWholeFile(m_nativePath, &after);
    writing.unlock();
    restoreOwner(m_nativePath, stampBefore);
    restoreForeignValues(before, after, changes);
    return QString();
}

// QSettings writes back each value as it read it: one of a type this process
// does not know, or cannot make here (a pixmap without a GUI), would come back
// as "@Invalid()" or as another value. Each serialized value this write did
// not set, and that nobody changed since, goes back as it was.
void SettingsFile::restoreForeignValues(const QByteArray &before, const QByteArray &after, const std::vector<Change> &changes)
{
    const QHash<QByteArray, QByteArray> old = serializedValues(before);
    if (old.isEmpty())
        return;
    const auto setHere = [&changes](const IniLine &line) {
        const QString key = normalisedKey(settingsKey(line));
        return std::any_of(changes.cbegin(), changes.cend(), [&key](const Change &c) { return c.value && sameKey(c.key, key); });
    };
    QHash<QByteArray, QByteArray> lost;  // what QSettings wrote instead, by the same names
    for (const IniLine &line : iniLines(after)) {
        const QByteArray name = line.section + '\n' + line.key;
        const QByteArray value = after.mid(line.valueBegin, line.end - line.valueBegin);
        if (old.contains(name) && old.value(name) != value && !setHere(line))
            lost.insert(name, value);
    }
    if (lost.isEmpty())
        return;
    const std::unique_ptr<QLockFile> lock = takeQtLock();
    const FileStamp stamp = readFileStamp(m_nativePath);
    QByteArray now;
    bool kept = lock && readWholeFile(m_nativePath, &now);
    const std::vector<IniLine> lines = kept ? iniLines(now) : std::vector<IniLine>();
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        const QByteArray name = line->section + '\n' + line->key;
        const qsizetype length = line->end - line->valueBegin;
        if (lost.contains(name) && now.mid(line->valueBegin, length) == lost.value(name))
            now.replace(line->valueBegin, length, old.value(name));
    }
    QSaveFile file(m_path);  // follows a symbolic link and keeps the file's permissions
    kept = kept && file.open(QIODevice::WriteOnly) && file.write(now) == now.size() && file.commit();
    if (kept)
        restoreOwner(m_nativePath, stamp);
    else
        qCWarning(lcSettings) << "Could not keep the values of other programs' types in" << m_shownPath;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
