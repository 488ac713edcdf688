// Gui::Wisp::Settings: a store object on one settings scope, kept in an INI file.
#pragma once

#include <Gui/Wisp/wisp_export.h>

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

namespace Gui {
namespace Wisp {

namespace detail {
class SettingsFile;
}

// A scope's values live in "<config>/Dravel/<scope>.ini", where <config> is
// $XDG_CONFIG_HOME when set, else Qt's user configuration directory. The file
// is read and written by QSettings in its INI format, so QSettings programs
// share it: each keeps its own keys, keys are named as QSettings names them.
// A store object is cheap: it is a handle on the process-wide view of that
// file, which is read again when another writer changed it. Every value
// written through a store object is on disk when the object is destroyed; a
// write that cannot reach the disk is reported on the message channel,
// naming the file, and is not served afterwards. Several store objects on
// one scope may be open at once in one thread. While any is open, its thread
// and its process hold the scope: other threads and processes wait (at most
// ten seconds, then they warn and go on unlocked), so keep store objects
// short-lived. A store object belongs to the thread that opened it.
class WISP_EXPORT Settings
{
public:
    // scope names the file; characters outside [A-Za-z0-9_.-] become '_', so
    // no scope reaches outside the store directory. The three flags are kept
    // for the family's callers, which always pass true: the store is the
    // user's, created on the first write, and written when the object closes.
    Settings(const char *scope, bool userScope, bool createIfMissing, bool writeOnClose);
    virtual ~Settings();

    Settings(const Settings &) = delete;
    Settings &operator=(const Settings &) = delete;

    QVariant getValue(const QString &key, const QVariant &defaultValue) const;
    void setValue(const QString &key, const QVariant &value);

    // For hosts and administration tools.
    bool contains(const QString &key) const;
    void remove(const QString &key);
    void clear();
    QStringList allKeys() const;
    QString fileName() const;

    // For callers that keep what they worked out from a scope's values, such
    // as a program to start: version() names the values this object reads,
    // and changes whenever they may have changed. currentVersion() tells the
    // version the scope holds now with one look at the file, without waiting
    // for any other store user, or gives 0 when it cannot tell that cheaply
    // (a store object is open in this process, or the file changed since this
    // process last read it). When it equals an earlier version(), the values
    // are what they were then.
    quint64 version() const;
    static quint64 currentVersion(const char *scope);

    // The directory that holds the scope files ("<config>/Dravel").
    static QString storeDirectory();

    // Points every store object opened later in this process at directory
    // instead of "<config>/Dravel"; an empty directory goes back to the
    // default. For administration tools: the process's environment, and so
    // that of every program it starts, stays as it was.
    static void setStoreDirectory(const QString &directory);

private:
    // The process-wide view of the scope's file; views live as long as the process.
    detail::SettingsFile *m_file;
};

} // namespace Wisp
} // namespace Gui
