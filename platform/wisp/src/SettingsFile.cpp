// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// One scope's INI file as the process shares it: QSettings reads and writes it, with the guards QSettings lacks.
#include "SettingsFile.h"

#include "IniText.h"
#include "WispLogging.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDateTime>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
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

bool sameKey(const QString &a, const QString &b)
{
    return a.compare(b, kKeyCase) == 0;
}

bool removalCovers(const QString &removed, const QString &key)
{
    return removed.isEmpty() || sameKey(removed, key)
           || (key.size() > removed.size() && key.at(removed.size()) == QLatin1Char('/') && sameKey(key.left(removed.size()), removed));
}

std::vector<UnreadableValue> unreadableHere(const QByteArray &content)
{
    return unreadableValues(content, qobject_cast<QGuiApplication *>(QCoreApplication::instance()));
}

// The key QSettings reads from line, whatever escapes the file spells it with.
QString settingsKey(const IniLine &line)
{
    const QByteArray section = line.section.isNull() ? QByteArray() : '[' + line.section + "]\n";
    const auto read = readIniText(section + line.key + "=x\n");
    return read.empty() ? QString::fromUtf8(line.key) : read.front().first;
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
    // Without a '/', the common case on every getter, there is nothing to copy.
    return key.contains(QLatin1Char('/')) ? key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/')) : key;
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
SettingsFile::UpdateHold SettingsFile::lockUpdates()
{
    UpdateHold hold{true, nullptr};
    if (m_updater == std::this_thread::get_id())
        return hold;  // the outer update of this thread holds the file
    hold.file = takeTurn();
    if (hold.file)
        m_updater = std::this_thread::get_id();
    std::lock_guard<std::mutex> guard(m_mutex);
    m_view.reset();  // a file replaced twice within a clock tick can come back under the same stamp
    return hold;
}

void SettingsFile::unlockUpdates(UpdateHold &hold)
{
    if (hold.file)
        m_updater = std::thread::id();
    hold = UpdateHold();
}

// Where an open file cannot be replaced (Windows), a read holds the lock
// QSettings writers take around their replace, so that none of them fails
// because of it; after a wait it reads all the same.
bool SettingsFile::readFile(QByteArray *content)
{
    const bool lockable = kOpenFileBlocksReplace && QFileInfo(QFileInfo(m_path).absolutePath()).isDir();
    const std::unique_ptr<QLockFile> lock = lockable ? takeQtLock() : nullptr;
    return readWholeFile(m_nativePath, content);
}

std::shared_ptr<const SettingsFile::View> SettingsFile::currentView()
{
    const FileStamp seen = readFileStamp(m_nativePath);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_view && m_view->stamp == seen)
            return m_view;
    }
    // Read outside the lock: a slow disk holds up this reader only. Writers
    // replace the file whole: when two looks agree, what was read between
    // them is that version; else a stamp no file has makes it read again.
    auto view = std::make_shared<View>();
    QByteArray content;
    if (!readFile(&content))
        qCWarning(lcSettings) << "Cannot read settings file" << m_shownPath;
    view->stamp = readFileStamp(m_nativePath) == seen ? seen : FileStamp{true, -2};
    std::vector<IniLine> unreadable;
    for (const UnreadableValue &value : unreadableHere(content)) {
        unreadable.push_back(value.line);
        qCWarning(lcSettings).noquote() << "Settings file" << m_shownPath << "holds a"
                                        << (value.unchecked ? "value that could not be checked" : "damaged value") << "for"
                                        << settingsKey(value.line) << "- it reads as unset here";
    }
    for (auto &value : readIniText(withoutLines(content, unreadable))) {  // in QSettings' order of keys
        view->keys.append(value.first);
        view->byKey.insert(lookupKey(value.first), std::move(value.second));
    }
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

void SettingsFile::write()
{
    // The store's writers take turns, looking for the turn finely where
    // QSettings' waiters pause up to five seconds, so that the stamp each
    // records after its write is the one QSettings saw. An update of this
    // process already holds the turn.
    const std::unique_ptr<UpdateLock> turn = m_updater.load() != std::thread::id() ? nullptr : takeTurn();
    std::lock_guard<std::mutex> writing(m_writeMutex);
    std::unique_lock<std::mutex> lock(m_mutex);
    const std::vector<Change> changes = m_changes;  // they stay visible until the file holds them, or they are lost
    lock.unlock();
    if (changes.empty())
        return;  // another store object wrote them
    FileStamp before;
    QByteArray content;
    const auto readNow = [&] {
        before = readFileStamp(m_nativePath);
        readFile(&content);
        return unreadableHere(content);
    };
    QString why = lastingWriteFailure();
    std::vector<UnreadableValue> unreadable = why.isEmpty() ? readNow() : std::vector<UnreadableValue>();
    // QSettings reads every value of the file before it writes it: what would
    // end the process leaves the file first, or the file is not written.
    if (!unreadable.empty() && std::none_of(unreadable.cbegin(), unreadable.cend(), [](const UnreadableValue &v) { return v.unchecked; })
        && moveDamagedValuesAside())
        unreadable = readNow();
    if (why.isEmpty() && !unreadable.empty())
        why = QStringLiteral("it holds values that cannot be read safely, such as ") + settingsKey(unreadable.front().line);
    if (why.isEmpty())
        why = writeThroughQt(changes, before);
    lock.lock();
    m_changes.erase(m_changes.begin(), m_changes.begin() + std::ptrdiff_t(changes.size()));
    m_view.reset();  // read again: what is on disk now is what counts
    lock.unlock();
    if (!why.isEmpty()) {
        qCWarning(lcSettings).noquote() << "Unable to write settings file" << m_shownPath
                                        << QLatin1Char('(') + why + QLatin1String("): the changed values are lost");
        return;
    }
    restoreOwner(m_nativePath, before);
    restoreForeignValues(content, changes);
    m_lastWritten = readFileStamp(m_nativePath);
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
QString SettingsFile::writeThroughQt(const std::vector<Change> &changes, const FileStamp &before)
{
    // QSettings waits for "<file>.lock" without end, taking one left over as
    // such only when it is 30 s old: one is cleared, or waited for, here first.
    if (QFileInfo::exists(m_path + QLatin1String(".lock")) && !takeQtLock())
        return QStringLiteral("its lock file stayed locked");
    // QSettings judges a file changed by its size and its time in
    // milliseconds: one replaced since this process wrote it at the same size
    // within the same millisecond would look unchanged to it, and its write
    // would bring back what the file held before. A new time shows the change.
    QFile file(m_path);
    if (m_lastWritten.exists && before.exists && !(before == m_lastWritten) && before.size == m_lastWritten.size
        && before.mtimeNs / kNsPerMs == m_lastWritten.mtimeNs / kNsPerMs && file.open(QIODevice::Append))
        file.setFileTime(QDateTime::fromMSecsSinceEpoch(before.mtimeNs / kNsPerMs + 1), QFileDevice::FileModificationTime);
    file.close();
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
    const QDeadlineTimer deadline(kOpenFileBlocksReplace && lastingWriteFailure().isEmpty() ? kReplaceRetryMs : 0);
    for (int pauseMs = 1; !written(status) && !deadline.hasExpired(); pauseMs = std::min(pauseMs * 2, 50)) {
        QThread::msleep(pauseMs);
        status = QSettings(m_path, QSettings::IniFormat).status();
    }
    const QString lasting = written(status) ? QString() : lastingWriteFailure();
    return written(status) || !lasting.isEmpty() ? lasting : QStringLiteral("the file could not be replaced");
}

// Under QSettings' lock, replaces the file with edit(what it holds now);
// false when that could not be done.
template <typename Edit>
bool SettingsFile::rewrite(Edit edit)
{
    const std::unique_ptr<QLockFile> lock = takeQtLock();
    const FileStamp before = readFileStamp(m_nativePath);
    QByteArray content;
    if (!lock || !readWholeFile(m_nativePath, &content))
        return false;
    const QByteArray edited = edit(content);
    if (edited == content)
        return true;
    QSaveFile file(m_path);  // follows a symbolic link and keeps the file's permissions
    if (!file.open(QIODevice::WriteOnly) || file.write(edited) != edited.size() || !file.commit())
        return false;
    restoreOwner(m_nativePath, before);
    return true;
}

// The values that would end the process leave the file; the file as it was
// stays beside it in a copy of its own.
bool SettingsFile::moveDamagedValuesAside()
{
    QStringList keys;
    QString copy;
    const bool moved = rewrite([&](const QByteArray &content) {
        std::vector<IniLine> damaged;
        for (const UnreadableValue &value : unreadableHere(content)) {
            if (value.unchecked)
                continue;
            damaged.push_back(value.line);
            keys.append(settingsKey(value.line));
        }
        copy = damaged.empty() ? QString() : keepCopy(m_path, content);
        return copy.isEmpty() ? content : withoutLines(content, damaged);
    });
    if (moved && !copy.isEmpty())
        qCWarning(lcSettings).noquote() << "Removed the damaged values of" << keys.join(QLatin1String(", ")) << "from settings file"
                                        << m_shownPath << "- the file as it was is kept as" << QDir::toNativeSeparators(copy);
    return moved && !copy.isEmpty();
}

// QSettings writes a value of a type this process does not know (a peer
// program's own) back as "@Invalid()": its text as it was goes back in.
void SettingsFile::restoreForeignValues(const QByteArray &before, const std::vector<Change> &changes)
{
    QHash<QByteArray, QByteArray> serialized;  // by section and key as the file spells them
    for (const IniLine &line : holdsSerializedValue(before) ? iniLines(before) : std::vector<IniLine>()) {
        const QByteArray value = before.mid(line.valueBegin, line.end - line.valueBegin);
        if (holdsSerializedValue(value))
            serialized.insert(line.section + '\n' + line.key, value);
    }
    const auto changed = [&changes](const QString &key) {
        return std::any_of(changes.cbegin(), changes.cend(), [&key](const Change &c) { return c.value && sameKey(c.key, key); });
    };  // a removed key is not in the file any more
    const bool kept = serialized.isEmpty() || rewrite([&](QByteArray now) {
        const std::vector<IniLine> lines = iniLines(now);
        for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
            const auto old = serialized.constFind(line->section + '\n' + line->key);
            const qsizetype length = line->end - line->valueBegin;
            if (old != serialized.cend() && now.mid(line->valueBegin, length).trimmed() == "@Invalid()" && !changed(settingsKey(*line)))
                now.replace(line->valueBegin, length, *old);
        }
        return now;
    });
    if (!kept)
        qCWarning(lcSettings) << "Could not keep the values of other programs' types in" << m_shownPath;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
