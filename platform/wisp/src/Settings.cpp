// Gui::Wisp::Settings: store objects as cheap handles on the shared view of a scope's file.
#include <Gui/Wisp/Settings.h>

#include "SettingsFile.h"

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QStandardPaths>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>

namespace Gui {
namespace Wisp {

namespace {

constexpr char kOrganisationDirectory[] = "Dravel";
constexpr char kFileSuffix[] = ".ini";

// Keeps every scope inside the store directory whatever the caller passes.
QString safeScopeName(const char *scope)
{
    QByteArray name(scope ? scope : "");
    for (char &c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'
                           || c == '-' || c == '.';
        if (!plain)
            c = '_';
    }
    if (name.isEmpty() || name == "." || name == "..")
        name = "_";
    return QString::fromLatin1(name);
}

std::mutex &overrideMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Set by setStoreDirectory; empty means "<config>/Dravel".
QString &storeDirectoryOverride()
{
    static QString directory;
    return directory;
}

QString configRoot()
{
    // Read on every call: tests and tools point the store elsewhere at run time.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty())
        return xdg;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString scopeFilePath(const char *scope)
{
    return Settings::storeDirectory() + QLatin1Char('/') + safeScopeName(scope) + QLatin1String(kFileSuffix);
}

// Bumped by setStoreDirectory, so a thread's remembered file is checked by
// one number instead of a string.
std::atomic<int> g_storeDirectoryGeneration{0};

// What the file of a scope depends on: the scope, the variables that place
// the configuration directory, and the directory a process set.
struct ScopeKey
{
    std::string scope;
    std::string configHome;
    std::string home;
    int storeDirectoryGeneration = -1;

    static const char *variable(const char *name)
    {
        const char *value = std::getenv(name);
        return value ? value : "";
    }
    // Compared where it stands, without copying: every preference call asks.
    bool isCurrent(const char *scopeNow) const
    {
        return storeDirectoryGeneration == g_storeDirectoryGeneration.load(std::memory_order_acquire)
               && scope == (scopeNow ? scopeNow : "") && configHome == variable("XDG_CONFIG_HOME")
               && home == variable("HOME");
    }
    static ScopeKey current(const char *scope)
    {
        return ScopeKey{scope ? scope : "", variable("XDG_CONFIG_HOME"), variable("HOME"),
                        g_storeDirectoryGeneration.load(std::memory_order_acquire)};
    }
};

// A store object is opened for every single preference call; working out
// its file again each time would cost more than the rest of the call. Each
// thread remembers the last scope it opened; views are never dropped, so the
// pointer stays good.
detail::SettingsFile *viewOf(const char *scope)
{
    struct LastResolved
    {
        ScopeKey key;
        detail::SettingsFile *file = nullptr;
    };
    thread_local LastResolved last;
    if (!last.file || !last.key.isCurrent(scope)) {
        last.key = ScopeKey::current(scope);
        last.file = detail::SettingsFile::forPath(scopeFilePath(scope)).get();
    }
    return last.file;
}

} // namespace

Settings::Settings(const char *scope, bool userScope, bool createIfMissing, bool writeOnClose)
    : m_file(viewOf(scope))
{
    Q_UNUSED(userScope)
    Q_UNUSED(createIfMissing)
    Q_UNUSED(writeOnClose)
    m_file->attach();
}

Settings::~Settings()
{
    // A failed write is reported on the message channel; nothing may escape here.
    try {
        m_file->detach();
    } catch (...) {
    }
}

QVariant Settings::getValue(const QString &key, const QVariant &defaultValue) const
{
    return m_file->value(key, defaultValue);
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    m_file->setValue(key, value);
}

bool Settings::contains(const QString &key) const
{
    return m_file->contains(key);
}

void Settings::remove(const QString &key)
{
    m_file->remove(key);
}

void Settings::clear()
{
    m_file->remove(QString());
}

QStringList Settings::allKeys() const
{
    return m_file->allKeys();
}

QString Settings::fileName() const
{
    return m_file->path();
}

quint64 Settings::version() const
{
    return m_file->version();
}

quint64 Settings::currentVersion(const char *scope)
{
    return viewOf(scope)->versionIfUnchanged();
}

QString Settings::storeDirectory()
{
    {
        std::lock_guard<std::mutex> lock(overrideMutex());
        if (!storeDirectoryOverride().isEmpty())
            return storeDirectoryOverride();
    }
    return configRoot() + QLatin1Char('/') + QLatin1String(kOrganisationDirectory);
}

void Settings::setStoreDirectory(const QString &directory)
{
    std::lock_guard<std::mutex> lock(overrideMutex());
    storeDirectoryOverride() = directory.isEmpty() ? QString() : QDir::cleanPath(QDir(directory).absolutePath());
    g_storeDirectoryGeneration.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace Wisp
} // namespace Gui
