// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Gui::Wisp::Settings: a store object on one settings scope, kept in an INI file that QSettings programs share.
 */
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
 * A scope's values live in `<config>/Dravel/<scope>.ini`, where `<config>` is
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
 * new `<file>.damaged-<time>` copy the next time the store writes it.
 *
 * A store object belongs to the thread that opened it; several may be open
 * at once on one scope.
 *
 * @threads The thread that opened the object; other objects, on any thread
 *          or in other processes, may work on the same scope at once.
 * @blocking A read looks at the file's status and reads a changed file again,
 *           never waiting for another store object; a value of a type the
 *           library cannot vouch for is read once per process in its helper
 *           program, at most ten seconds. The destructor of an object that
 *           set values writes and flushes the file, waiting at most ten
 *           seconds for another program's lock on it.
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
     *
     * @param scope the scope's name, such as "Molvane"
     * @param userScope kept for the family's callers
     * @param createIfMissing kept for the family's callers
     * @param writeOnClose kept for the family's callers
     */
    Settings(const char *scope, bool userScope, bool createIfMissing, bool writeOnClose);
    /** Writes what was set through this object, then lets go of an update lock. */
    virtual ~Settings();

    Settings(const Settings &) = delete;
    Settings &operator=(const Settings &) = delete;

    /**
     * The value last stored under @p key, by this object or any other.
     *
     * @param key the key, as QSettings names it
     * @param defaultValue what to give when nothing is stored under @p key
     * @return the stored value, or @p defaultValue
     */
    QVariant getValue(const QString &key, const QVariant &defaultValue) const;
    /**
     * Stores @p value under @p key when this object is destroyed; this object
     * reads it back at once.
     *
     * @param key the key, as QSettings names it
     * @param value the value
     */
    void setValue(const QString &key, const QVariant &value);

    /**
     * Whether a value is stored under @p key.
     *
     * @param key the key, as QSettings names it
     * @return true when a value is stored there
     */
    bool contains(const QString &key) const;
    /**
     * Removes @p key and every key below it.
     *
     * @param key the key, as QSettings names it
     */
    void remove(const QString &key);
    /** Removes every key of the scope, other programs' keys included. */
    void clear();
    /** @return every stored key, as QSettings names them */
    QStringList allKeys() const;
    /** @return the path of the scope's file */
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

    /** @return the directory that holds the scope files (`<config>/Dravel`) */
    static QString storeDirectory();
    /**
     * Points every store object opened later in this process at @p directory
     * instead of `<config>/Dravel`. For administration tools: the environment
     * stays as it was.
     *
     * @param directory the directory; empty goes back to the default
     */
    static void setStoreDirectory(const QString &directory);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Wisp
} // namespace Gui
