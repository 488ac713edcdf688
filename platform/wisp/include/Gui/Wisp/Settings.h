// Gui::Wisp::Settings: a store object on one settings scope, kept in an INI file that QSettings programs share.
#pragma once

#include <Gui/Wisp/wisp_export.h>

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QVariant>

#include <memory>

namespace Gui {
namespace Wisp {

/**
 * A store object: one short-lived handle on the values of a settings scope.
 *
 * A scope's values live in "<config>/Dravel/<scope>.ini", where <config> is
 * $XDG_CONFIG_HOME when it names an absolute path, else Qt's user
 * configuration directory. The file is written by QSettings in its INI
 * format, so QSettings programs share it, each keeping its own keys.
 *
 * Reading costs one look at the file's status and a lookup: a getter never
 * waits for another store object, in this process or another. What this
 * object sets is seen through it at once and written to the file, whole,
 * when it is destroyed; a write that fails is logged (category
 * "kel.settings") and not served. A value that Qt could not read without
 * ending the process reads as unset, and is moved out of the file into a
 * new "<file>.damaged-<time>" copy the next time the store writes it.
 *
 * A store object belongs to the thread that opened it; several may be open
 * at once on one scope.
 *
 * @since 1.19
 */
class WISP_EXPORT Settings
{
public:
    /**
     * Opens a store object on @p scope; characters outside [A-Za-z0-9_.-]
     * become '_', so no scope reaches outside the store directory. The three
     * flags are kept for the family's callers, which always pass true.
     * Opening creates nothing: the folder and the file come with the first write.
     */
    Settings(const char *scope, bool userScope, bool createIfMissing, bool writeOnClose);
    /** Writes what was set through this object, then lets go of an update lock. */
    virtual ~Settings();

    Settings(const Settings &) = delete;
    Settings &operator=(const Settings &) = delete;

    /** The value last stored under @p key, or @p defaultValue when there is none. */
    QVariant getValue(const QString &key, const QVariant &defaultValue) const;
    /** Stores @p value under @p key when this object is destroyed. */
    void setValue(const QString &key, const QVariant &value);

    /** Whether a value is stored under @p key. */
    bool contains(const QString &key) const;
    /** Removes @p key and every key below it. */
    void remove(const QString &key);
    /** Removes every key of the scope, other programs' keys included. */
    void clear();
    /** Every stored key, as QSettings names them. */
    QStringList allKeys() const;
    /** The scope's file. */
    QString fileName() const;

    /**
     * For a read-modify-write: holds the scope against every other store
     * object that calls this, in this process and others, until this object
     * is destroyed, so what it reads stays what it changes. Waits at most ten
     * seconds, then logs a warning and goes on without the lock; after that,
     * a later call does not wait again while the same holder keeps it.
     * Plain reads and writes never take this lock and never wait for it.
     */
    void lockForUpdate();

    /** The directory that holds the scope files ("<config>/Dravel"). */
    static QString storeDirectory();
    /**
     * Points every store object opened later in this process at @p directory
     * instead of "<config>/Dravel"; an empty directory goes back to the default.
     * For administration tools: the environment stays as it was.
     */
    static void setStoreDirectory(const QString &directory);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Wisp
} // namespace Gui
