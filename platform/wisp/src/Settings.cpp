// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Gui::Wisp::Settings: store objects as short-lived handles on their scope's file, holding their own changes until they close.
#include <Gui/Wisp/Settings.h>

#include "SettingsFile.h"
#include "WispLogging.h"

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QStandardPaths>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

namespace Gui {
namespace Wisp {

Q_LOGGING_CATEGORY(lcSettings, "kel.settings")

namespace {

constexpr char kOrganisationDirectory[] = "Dravel";
constexpr char kFileSuffix[] = ".ini";

// Keeps every scope inside the store directory whatever the caller passes.
QString safeScopeName(const char *scope)
{
    QByteArray name(scope ? scope : "");
    for (char &c : name) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.'))
            c = '_';
    }
    return name.isEmpty() || name == "." || name == ".." ? QStringLiteral("_") : QString::fromLatin1(name);
}

std::mutex g_directoryMutex;
QString g_directoryOverride;  // set by setStoreDirectory; empty means "<config>/Dravel"
std::atomic<int> g_directoryGeneration{0};

// The XDG rules take an absolute $XDG_CONFIG_HOME only; a relative one would
// name another file each time the host changes its working directory.
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

// A store object is opened for every preference call, so the process keeps
// the last file it worked out, with what that depends on (in no thread's
// storage: some C++ runtimes of Windows let a thread's objects outlive it).
detail::SettingsFile &fileOf(const char *scope)
{
    struct Resolved
    {
        QByteArray scope, configHome, home;
        int generation;
        detail::SettingsFile *file;
    };
    static std::mutex mutex;
    static Resolved &last = *new Resolved{{}, {}, {}, -1, nullptr};  // used until the process ends
    scope = scope ? scope : "";
    const QByteArray configHome = qgetenv("XDG_CONFIG_HOME");
    const QByteArray home = configHome.startsWith('/') ? QByteArray() : qgetenv("HOME");  // needed without an absolute one
    const int generation = g_directoryGeneration.load(std::memory_order_acquire);
    std::lock_guard<std::mutex> lock(mutex);
    if (last.file && last.generation == generation && qstrcmp(last.scope.constData(), scope) == 0
        && last.configHome == configHome && last.home == home)
        return *last.file;
    const QString path = Settings::storeDirectory() + QLatin1Char('/') + safeScopeName(scope) + QLatin1String(kFileSuffix);
    last = Resolved{scope, configHome, home, generation, &detail::SettingsFile::forPath(path)};
    return *last.file;
}

// A key QSettings cannot store: empty, or only separators.
bool namesNoKey(const QString &key)
{
    return key.isEmpty() || (key.front() == QLatin1Char('/') && key.count(QLatin1Char('/')) == key.size());
}

// A removal covers the key it names and every key below it; an empty key covers all.
bool removalCovers(const QString &removed, const QString &key)
{
    return removed.isEmpty() || detail::sameKey(removed, key)
           || (key.size() > removed.size() && key.at(removed.size()) == QLatin1Char('/')
               && detail::sameKey(key.left(removed.size()), removed));
}

} // namespace

class Settings::Private
{
public:
    // What this object set, newest last: seen through it at once, by other
    // objects once written, so another thread's update is never written half done.
    const detail::Change *changed(const QString &key) const
    {
        const auto last = std::find_if(changes.crbegin(), changes.crend(), [&key](const detail::Change &c) {
            return c.value ? detail::sameKey(c.key, key) : removalCovers(c.key, key);
        });
        return last == changes.crend() ? nullptr : &*last;
    }

    detail::SettingsFile &file;
    std::vector<detail::Change> changes;
    std::unique_ptr<detail::UpdateLock> turn;
    bool updating = false;
};

Settings::Settings(const char *scope, bool, bool, bool) : d(new Private{fileOf(scope), {}, {}, false}) {}

Settings::~Settings()
{
    // A failed write is logged; nothing may escape here.
    try {
        sync();
    } catch (...) {
    }
    d->file.unlockUpdates(d->turn);
}

bool Settings::sync()
{
    if (d->changes.empty())
        return true;
    const std::vector<detail::Change> changes = std::move(d->changes);
    d->changes.clear();
    return d->file.write(changes).isEmpty();
}

QVariant Settings::getValue(const QString &key, const QVariant &defaultValue) const
{
    if (namesNoKey(key))
        return defaultValue;
    const QString normalised = detail::normalisedKey(key);
    const detail::Change *own = d->changed(normalised);
    return own ? own->value.value_or(defaultValue) : d->file.value(normalised).value_or(defaultValue);
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    if (namesNoKey(key)) {
        qCWarning(lcSettings) << "A value without a key is not stored in settings file" << fileName();
        return;
    }
    d->changes.push_back({detail::normalisedKey(key), value});
}

bool Settings::contains(const QString &key) const
{
    if (namesNoKey(key))
        return false;
    const QString normalised = detail::normalisedKey(key);
    const detail::Change *own = d->changed(normalised);
    return own ? own->value.has_value() : d->file.value(normalised).has_value();
}

void Settings::remove(const QString &key)
{
    // QSettings would take a key of separators alone for "every key".
    if (!key.isEmpty() && namesNoKey(key))
        return;
    d->changes.push_back({detail::normalisedKey(key), std::nullopt});
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
    std::unique_lock<std::mutex> lock(g_directoryMutex);
    if (!g_directoryOverride.isEmpty())
        return g_directoryOverride;
    lock.unlock();
    return configRoot(qgetenv("XDG_CONFIG_HOME")) + QLatin1Char('/') + QLatin1String(kOrganisationDirectory);
}

void Settings::setStoreDirectory(const QString &directory)
{
    std::lock_guard<std::mutex> lock(g_directoryMutex);
    g_directoryOverride = directory.isEmpty() ? QString() : QDir::cleanPath(QDir(directory).absolutePath());
    g_directoryGeneration.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace Wisp
} // namespace Gui
