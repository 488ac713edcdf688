// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Gui::Wisp::Settings: short-lived handles on a scope's INI file, which QSettings reads and writes; the store adds that nothing is lost and nothing freezes.
#include <Gui/Wisp/Settings.h>

#include "SettingsInternal.h"
#include "WispLogging.h"

#include <QtCore/QDateTime>
#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QLockFile>
#include <QtCore/QRegularExpression>
#include <QtCore/QSaveFile>
#include <QtCore/QSettings>
#include <QtCore/QStandardPaths>
#include <QtCore/QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

namespace Gui {
namespace Wisp {

Q_LOGGING_CATEGORY(lcSettings, "kel.settings")

namespace {

using namespace detail;

constexpr char kOrganisationDirectory[] = "Dravel";
constexpr char kFileSuffix[] = ".ini";
constexpr int kLockTimeoutMs = 10000;  // far beyond a write; a hung process freezes a GUI no longer
constexpr int kLeftoverLockAgeMs = 200;  // a QSettings lock file this old that no live process holds was left behind
constexpr qint64 kRoomForAWrite = 8 * 1024, kNsPerMs = 1000000;  // room: free beyond the file's own size
constexpr int kReplaceRetryMs = 2000;
constexpr std::chrono::microseconds kFirstPause(20), kLongestPause(200);

// QSettings compares keys ignoring case on Windows, where an open file cannot be replaced either.
#if defined(Q_OS_WIN)
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseInsensitive;
constexpr bool kOpenFileBlocksReplace = true;
#else
constexpr Qt::CaseSensitivity kKeyCase = Qt::CaseSensitive;
constexpr bool kOpenFileBlocksReplace = false;
#endif

QString lookupKey(const QString &key) { return kKeyCase == Qt::CaseSensitive ? key : key.toLower(); }
bool sameKey(const QString &a, const QString &b) { return a.compare(b, kKeyCase) == 0; }

// Runs of '/' are one, none at either end, as QSettings looks a key up.
QString normalisedKey(const QString &key)
{
    return key.contains(QLatin1Char('/')) ? key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/')) : key;
}

// Empty, or only separators: QSettings would take it for every key.
bool namesNoKey(const QString &key)
{
    return key.isEmpty() || (key.front() == QLatin1Char('/') && key.count(QLatin1Char('/')) == key.size());
}

// A value set, or a key removed with every key below it (an empty key: all).
struct Change
{
    QString key;
    std::optional<QVariant> value;

    bool covers(const QString &other) const
    {
        if (value)
            return sameKey(key, other);
        return key.isEmpty() || sameKey(key, other)
               || (other.size() > key.size() && other.at(key.size()) == QLatin1Char('/') && sameKey(other.left(key.size()), key));
    }
};

// A missing file is empty; false when it cannot be read.
bool readWholeFile(const QString &path, QByteArray *content)
{
    QFile file(path);
    *content = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return file.isOpen() ? file.error() == QFileDevice::NoError : !file.exists();
}

std::nullptr_t warnStuck(std::atomic<bool> &stuck, const QString &file, const char *by)
{
    if (!stuck.exchange(true))
        qCWarning(lcSettings).noquote() << "Settings file" << file << "stayed locked by" << by << "- going on without waiting for it";
    return nullptr;
}

// One scope's file as the process shares it.
class SettingsFile
{
public:
    explicit SettingsFile(const QString &path) : m_path(path), m_shownPath(QDir::toNativeSeparators(path)), m_nativePath(toNativePath(path)) {}

    const QString &path() const { return m_path; }

    // As QSettings reads the file now: a look at its status, a lookup among the values read from this version.
    std::optional<QVariant> value(const QString &key)
    {
        const FileStamp seen = readFileStamp(m_nativePath);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto found = m_known.stamp == seen ? m_known.values.constFind(lookupKey(key)) : m_known.values.cend();
            if (found != m_known.values.cend())
                return *found;
        }
        // Where an open file cannot be replaced, QSettings writers wait for the read (their lock after ours, as in a write).
        std::lock_guard<std::mutex> reading(m_qtMutex);
        const std::unique_ptr<QLockFile> qtLock = kOpenFileBlocksReplace && seen.exists ? takeQtLock() : nullptr;
        const FileStamp read = readThroughQt();
        const std::optional<QVariant> value = m_qt->contains(key) ? std::optional<QVariant>(m_qt->value(key)) : std::nullopt;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!(m_known.stamp == read))
            m_known = Known{read, {}};
        m_known.values.insert(lookupKey(key), value);
        return value;
    }

    QStringList allKeys()
    {
        std::lock_guard<std::mutex> reading(m_qtMutex);
        readThroughQt();
        return m_qt->allKeys();
    }

    // A read-modify-write's turn against every other writer, another thread's as another process's.
    std::unique_ptr<UpdateLock> lockUpdates()
    {
        if (m_updater == std::this_thread::get_id())
            return nullptr;
        std::unique_ptr<UpdateLock> turn = takeTurn();
        if (turn)
            m_updater = std::this_thread::get_id();
        std::lock_guard<std::mutex> guard(m_mutex);
        m_known = Known();  // a file replaced twice within a clock tick can come back under the same stamp
        return turn;
    }

    void unlockUpdates(std::unique_ptr<UpdateLock> &turn)
    {
        if (turn)
            m_updater = std::thread::id();
        turn.reset();
    }

    // In the writers' turn, unless this thread's update holds it; false after a warning.
    bool write(const std::vector<Change> &changes)
    {
        const std::unique_ptr<UpdateLock> turn = m_updater == std::this_thread::get_id() ? nullptr : takeTurn();
        QString why = lastingWriteFailure();
        if (why.isEmpty())
            why = writeThroughQt(changes);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_known = Known();  // what is on disk now is what counts
        }
        if (!why.isEmpty())
            qCWarning(lcSettings).noquote() << "Unable to write settings file" << m_shownPath
                                            << QLatin1Char('(') + why + QLatin1String("): the changed values are lost");
        return why.isEmpty();
    }

private:
    struct Known  // the values looked up in one version of the file
    {
        FileStamp stamp;
        QHash<QString, std::optional<QVariant>> values;
    };

    // Looked for every 20 to 200 µs out of step (QSettings' waiters pause up to 5 s); 10 s, then not again until had.
    std::unique_ptr<UpdateLock> takeTurn()
    {
        auto lock = std::make_unique<UpdateLock>(m_path);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLockTimeoutMs);
        std::minstd_rand jitter(std::minstd_rand::result_type(quintptr(&jitter) ^ quintptr(QDateTime::currentMSecsSinceEpoch())));
        for (auto pause = kFirstPause;; pause = std::min(pause * 2, kLongestPause)) {
            Attempt attempt = lock->tryLock();
            if (attempt == Attempt::Unavailable && QDir().mkpath(QFileInfo(m_path).absolutePath()))
                attempt = lock->tryLock();  // a write makes its folder anyway
            if (attempt != Attempt::Held) {
                m_turnStuck = false;
                return attempt == Attempt::Locked ? std::move(lock) : nullptr;
            }
            if (m_turnStuck || std::chrono::steady_clock::now() >= deadline)
                return warnStuck(m_turnStuck, m_shownPath, "another writer");
            std::this_thread::sleep_for(pause + std::chrono::microseconds(jitter() % pause.count()));
        }
    }

    // "<file>.lock", which QSettings waits for without end. QLockFile removes one no live process holds;
    // a live holder names itself at once, so an old one naming no one that stays is not waited for.
    std::unique_ptr<QLockFile> takeQtLock()
    {
        const QString path = m_path + QLatin1String(".lock");
        auto lock = std::make_unique<QLockFile>(path);
        lock->setStaleLockTime(kLeftoverLockAgeMs);
        const QDeadlineTimer deadline(m_qtLockStuck ? 0 : kLockTimeoutMs);
        qint64 pid;
        QString host, application;
        while (!lock->tryLock(int(std::min<qint64>(deadline.remainingTime(), kLeftoverLockAgeMs)))) {
            if (lock->error() != QLockFile::LockFailedError)
                return nullptr;
            if (deadline.hasExpired() || (!lock->getLockInfo(&pid, &host, &application)
                                          && QFileInfo(path).lastModified().msecsTo(QDateTime::currentDateTime()) > 2 * kLeftoverLockAgeMs))
                return warnStuck(m_qtLockStuck, m_shownPath, "another program");
        }
        m_qtLockStuck = false;
        return lock;
    }

    // QSettings takes a file of the same size and millisecond as the one it read last for that one: a new time shows the change.
    void showChangeToQt()
    {
        const FileStamp now = readFileStamp(m_nativePath);
        QFile file(m_path);
        if (now.exists && m_qtSeen.exists && !(now == m_qtSeen) && now.size == m_qtSeen.size
            && now.mtimeNs / kNsPerMs == m_qtSeen.mtimeNs / kNsPerMs && file.open(QIODevice::Append))
            file.setFileTime(QDateTime::fromMSecsSinceEpoch(now.mtimeNs / kNsPerMs + 1), QFileDevice::FileModificationTime);
    }

    // QSettings' copy, read again when the file changed; the version it stands for, or a stamp no file has. Under m_qtMutex.
    FileStamp readThroughQt()
    {
        if (!m_qt)
            m_qt = std::make_unique<QSettings>(m_path, QSettings::IniFormat);
        showChangeToQt();
        const FileStamp before = readFileStamp(m_nativePath);
        m_qt->sync();
        if (before.exists && !QFileInfo(m_path).isReadable())
            qCWarning(lcSettings) << "Cannot read settings file" << m_shownPath;
        // Writers replace the file whole: two looks that agree saw what QSettings read.
        m_qtSeen = before;  // as QSettings noted it before its read
        return readFileStamp(m_nativePath) == before ? before : FileStamp{true, -2};
    }

    QString lastingWriteFailure() const
    {
        const QFileInfo file(m_path);
        const QString folder = file.absolutePath();
        if ((file.exists() && !file.isWritable()) || (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) || !QFileInfo(folder).isWritable())
            return QStringLiteral("the file or its folder is not writable");
        return bytesAvailable(toNativePath(folder)) < file.size() + kRoomForAWrite ? QStringLiteral("the disk is full") : QString();
    }

    // Empty when the changes are on disk, else why not.
    QString writeThroughQt(const std::vector<Change> &changes)
    {
        // A QSettings lock file is cleared or waited for first; a file with serialized values, and any where an
        // open one cannot be replaced, is read under it, so that QSettings merges into what was read.
        QByteArray before;
        std::unique_ptr<QLockFile> qtLock;
        for (bool lock = kOpenFileBlocksReplace || QFileInfo::exists(m_path + QLatin1String(".lock")); !qtLock; lock = true) {
            if (lock && !(qtLock = takeQtLock()))
                return QStringLiteral("its lock file stayed locked");
            if (readWholeFile(m_path, &before) && !qtLock && !holdsSerializedValue(before))
                break;
        }
        qtLock.reset();  // QSettings takes it for its write, after the process's own lock
        const FileStamp stampBefore = readFileStamp(m_nativePath);
        // A format error of the file read hides how the write went; a fresh object writes what waits.
        const auto written = [this](QSettings::Status status) {
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
            settings.sync();
            done = written(settings.status());
        }
        // Where an open file cannot be replaced, a write fails while another program reads it.
        const QDeadlineTimer deadline(kOpenFileBlocksReplace && lastingWriteFailure().isEmpty() ? kReplaceRetryMs : 0);
        for (int pauseMs = 1; !done && !deadline.hasExpired(); pauseMs = std::min(pauseMs * 2, 50)) {
            QThread::msleep(pauseMs);
            done = written(QSettings(m_path, QSettings::IniFormat).status());
        }
        if (!done)
            return lastingWriteFailure().isEmpty() ? QStringLiteral("the file could not be replaced") : lastingWriteFailure();
        m_qtSeen = readFileStamp(m_nativePath);
        writing.unlock();
        restoreOwner(m_nativePath, stampBefore);
        if (holdsSerializedValue(before))
            restoreForeignValues(before, changes);
        return QString();
    }

    // QSettings writes a value of a type this process does not know, or cannot make (a pixmap without a GUI),
    // back as "@Invalid()" or another value: each one not set here goes back as it was.
    void restoreForeignValues(const QByteArray &before, const std::vector<Change> &changes)
    {
        QHash<QByteArray, QByteArray> old;  // serialized values by section and key as spelled
        for (const IniLine &line : iniLines(before)) {
            if (holdsSerializedValue(before.mid(line.valueBegin, line.end - line.valueBegin)))
                old.insert(line.name(), before.mid(line.valueBegin, line.end - line.valueBegin));
        }
        const std::unique_ptr<QLockFile> lock = takeQtLock();
        const FileStamp stamp = readFileStamp(m_nativePath);
        QByteArray now;
        bool kept = lock && readWholeFile(m_path, &now);
        const QByteArray written = now;
        const std::vector<IniLine> lines = kept ? iniLines(now) : std::vector<IniLine>();
        for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
            const qsizetype length = line->end - line->valueBegin;
            const QString key = normalisedKey(settingsKey(*line));
            if (old.contains(line->name()) && now.mid(line->valueBegin, length) != old.value(line->name())
                && std::none_of(changes.cbegin(), changes.cend(), [&key](const Change &c) { return c.value && c.covers(key); }))
                now.replace(line->valueBegin, length, old.value(line->name()));
        }
        QSaveFile file(m_path);  // follows a symbolic link and keeps the file's permissions
        kept = kept && (now == written || (file.open(QIODevice::WriteOnly) && file.write(now) == now.size() && file.commit()));
        if (kept)
            restoreOwner(m_nativePath, stamp);
        else
            qCWarning(lcSettings) << "Could not keep the values of other programs' types in" << m_shownPath;
    }

    const QString m_path;
    const QString m_shownPath;  // in the system's own spelling, for messages
    const NativePath m_nativePath;
    std::mutex m_mutex;  // around these members' use only, never across file system calls
    Known m_known;
    std::atomic<bool> m_turnStuck{false}, m_qtLockStuck{false};  // kept through a whole wait, not had since
    std::mutex m_qtMutex;  // QSettings shares unwritten changes with every object: no read beside a write
    // Never closed, so that QSettings' copy stays and is never freed under its process-wide mutex.
    std::unique_ptr<QSettings> m_qt;
    FileStamp m_qtSeen;  // the file as QSettings last read or wrote it; under m_qtMutex
    std::atomic<std::thread::id> m_updater{};  // the thread whose update holds the turn
};

// Keeps every scope inside the store directory whatever the caller passes.
QString safeScopeName(const char *scope)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9_.-]"));
    const QString name = QString::fromLatin1(scope ? scope : "").replace(unsafe, QStringLiteral("_"));
    return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") ? QStringLiteral("_") : name;
}

std::mutex g_directoryMutex;
QString g_directoryOverride;  // set by setStoreDirectory; empty means "<config>/Dravel"
std::atomic<int> g_directoryGeneration{0};

// The XDG rules take an absolute $XDG_CONFIG_HOME only: a relative one names another file in each working folder.
QString configRoot(const QByteArray &xdgConfigHome)
{
    const QString xdg = QFile::decodeName(xdgConfigHome);
    if (QDir::isAbsolutePath(xdg))
        return xdg;
    if (!xdg.isEmpty()) {
        static std::once_flag warned;
        std::call_once(warned, [&xdg] { qCWarning(lcSettings) << "XDG_CONFIG_HOME is not an absolute path and is ignored:" << xdg; });
#if !defined(Q_OS_WIN)
        return QDir::homePath() + QLatin1String("/.config");  // Qt would take the relative one as it is
#endif
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

// A store object is opened for every preference call: the process keeps the last file it worked out (in no
// thread's storage: some C++ runtimes of Windows let a thread's objects outlive it), and every file.
SettingsFile &fileOf(const char *scope)
{
    using Inputs = std::tuple<QByteArray, QByteArray, QByteArray, int>;  // what the path depends on
    static std::mutex mutex;
    static auto &files = *new QHash<QString, SettingsFile *>;
    static auto &last = *new std::pair<Inputs, SettingsFile *>({}, nullptr);
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    const Inputs inputs(scope, configHome, configHome.startsWith('/') ? QByteArray() : qgetenv("HOME"),
                        g_directoryGeneration.load(std::memory_order_acquire));
    std::lock_guard<std::mutex> lock(mutex);
    if (!last.second || last.first != inputs) {
        const QString path = Settings::storeDirectory() + QLatin1Char('/') + safeScopeName(scope) + QLatin1String(kFileSuffix);
        SettingsFile *&file = files[path];
        last = {inputs, file = file ? file : new SettingsFile(path)};
    }
    return *last.second;
}

} // namespace

class Settings::Private
{
public:
    // This object's changes are seen through it at once, by others once written: no update is seen half done.
    std::optional<QVariant> lookup(const QString &key) const
    {
        const auto own = std::find_if(changes.crbegin(), changes.crend(), [&key](const Change &c) { return c.covers(key); });
        return own != changes.crend() ? own->value : file.value(key);
    }

    SettingsFile &file;
    std::vector<Change> changes;
    std::unique_ptr<UpdateLock> turn;
    bool updating = false;
};

Settings::Settings(const char *scope, bool, bool, bool) : d(new Private{fileOf(scope), {}, {}, false}) {}

Settings::~Settings()
{
    try {  // a failed write is logged; nothing may escape here
        sync();
    } catch (...) {
    }
    d->file.unlockUpdates(d->turn);
}

bool Settings::sync()
{
    const std::vector<Change> changes = std::exchange(d->changes, {});
    return changes.empty() || d->file.write(changes);
}

QVariant Settings::getValue(const QString &key, const QVariant &defaultValue) const
{
    return namesNoKey(key) ? defaultValue : d->lookup(normalisedKey(key)).value_or(defaultValue);
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    if (namesNoKey(key))
        qCWarning(lcSettings) << "A value without a key is not stored in settings file" << fileName();
    else
        d->changes.push_back({normalisedKey(key), value});
}

bool Settings::contains(const QString &key) const
{
    return !namesNoKey(key) && d->lookup(normalisedKey(key)).has_value();
}

void Settings::remove(const QString &key)
{
    if (key.isEmpty() || !namesNoKey(key))
        d->changes.push_back({normalisedKey(key), std::nullopt});
}

void Settings::clear() { remove(QString()); }
QStringList Settings::allKeys() const { return d->file.allKeys(); }
QString Settings::fileName() const { return d->file.path(); }

void Settings::lockForUpdate()
{
    if (!std::exchange(d->updating, true))
        d->turn = d->file.lockUpdates();
}

QString Settings::storeDirectory()
{
    std::lock_guard<std::mutex> lock(g_directoryMutex);
    return !g_directoryOverride.isEmpty() ? g_directoryOverride
                                          : configRoot(qgetenv("XDG_CONFIG_HOME")) + QLatin1Char('/') + QLatin1String(kOrganisationDirectory);
}

void Settings::setStoreDirectory(const QString &directory)
{
    std::lock_guard<std::mutex> lock(g_directoryMutex);
    g_directoryOverride = directory.isEmpty() ? QString() : QDir::cleanPath(QDir(directory).absolutePath());
    g_directoryGeneration.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace Wisp
} // namespace Gui
