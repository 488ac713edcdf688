// Gui::Wisp::Settings: store objects as cheap handles on the shared view of a scope's file.
#include <Gui/Wisp/Settings.h>

#include "SettingsFile.h"

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QStandardPaths>

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

QString configRoot()
{
    // Read on every call: tests and tools point the store elsewhere at run time.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty())
        return xdg;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

} // namespace

class Settings::Private
{
public:
    std::shared_ptr<detail::SettingsFile> file;
};

Settings::Settings(const char *scope, bool userScope, bool createIfMissing, bool writeOnClose)
    : d(std::make_unique<Private>())
{
    Q_UNUSED(userScope)
    Q_UNUSED(createIfMissing)
    Q_UNUSED(writeOnClose)
    const QString path = storeDirectory() + QLatin1Char('/') + safeScopeName(scope) + QLatin1String(kFileSuffix);
    d->file = detail::SettingsFile::forPath(path);
    d->file->attach();
}

Settings::~Settings()
{
    // A failed write is reported on the message channel; nothing may escape here.
    try {
        d->file->detach();
    } catch (...) {
    }
}

QVariant Settings::getValue(const QString &key, const QVariant &defaultValue) const
{
    return d->file->value(key, defaultValue);
}

void Settings::setValue(const QString &key, const QVariant &value)
{
    d->file->setValue(key, value);
}

bool Settings::contains(const QString &key) const
{
    return d->file->contains(key);
}

void Settings::remove(const QString &key)
{
    d->file->remove(key);
}

void Settings::clear()
{
    d->file->remove(QString());
}

QStringList Settings::allKeys() const
{
    return d->file->allKeys();
}

QString Settings::fileName() const
{
    return d->file->path();
}

QString Settings::storeDirectory()
{
    return configRoot() + QLatin1Char('/') + QLatin1String(kOrganisationDirectory);
}

} // namespace Wisp
} // namespace Gui
