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
 * A scope's values live in `<config>/Dravel/<scope>.ini` (`<config>`: an
 * absolute $XDG_CONFIG_HOME, else Qt's user configuration directory), which
 * QSettings reads and writes, so QSettings programs share it. What this
 * object sets is seen through it at once, by other objects once written (by
 * sync() or when it is destroyed). A failed write is logged ("kel.settings")
 * and not served. Values of other programs' types stay as they were.
 *
 * @threads The thread that opened the object; other objects, on any thread
 *          or in other processes, may work on the same scope at once.
 * @blocking A read looks at the file's status and never waits for an update; a
 *           value not yet read in this version of the file is asked of QSettings,
 *           after a write of this process in progress. A write waits at most ten seconds for a lock.
 *
 * @since 1.19
 */
class WISP_EXPORT Settings
{
public:
    /**
     * Opens a store object on @p scope (characters outside [A-Za-z0-9_.-]
     * become '_'). Opening creates nothing: the file comes with the first write.
     *
     * @param scope the scope's name, such as "Molvane"
     * @param userScope, createIfMissing, writeOnClose kept for the family's callers, which pass true
     */
    Settings(const char *scope, bool userScope, bool createIfMissing, bool writeOnClose);
    /** Writes what was set through this object (see sync()), then lets go of an update lock. */
    virtual ~Settings();

    Settings(const Settings &) = delete;
    Settings &operator=(const Settings &) = delete;

    /**
     * @param key the key, as QSettings names it
     * @param defaultValue what to give when nothing is stored under @p key
     * @return the value last stored under @p key, by this object or any other, or @p defaultValue
     */
    QVariant getValue(const QString &key, const QVariant &defaultValue) const;
    /** Writes what was set or removed through this object since it was opened or last synced.
     *  @return false when it could not be written (logged; the changes are dropped) @since 1.20 */
    bool sync();
    /**
     * Stores @p value under @p key at the next sync(); this object reads it back at once.
     * @param key the key, as QSettings names it
     * @param value the value
     */
    void setValue(const QString &key, const QVariant &value);
    /** @param key the key, as QSettings names it @return whether a value is stored under it */
    bool contains(const QString &key) const;
    /** Removes @p key and every key below it. @param key the key, as QSettings names it */
    void remove(const QString &key);
    /** Removes every key of the scope, other programs' keys included. */
    void clear();
    /** @return every stored key, as QSettings names them */
    QStringList allKeys() const;
    /** @return the path of the scope's file */
    QString fileName() const;

    /**
     * For a read-modify-write: holds the scope against every other writer, on
     * any thread and in other processes, until this object is destroyed. Waits
     * at most ten seconds, then logs a warning and goes on without the lock,
     * and does not wait again until the lock has been had. Reads never wait for it.
     */
    void lockForUpdate();

    /** @return the directory that holds the scope files (`<config>/Dravel`) */
    static QString storeDirectory();
    /**
     * Points store objects opened later in this process at @p directory, for administration tools.
     * @param directory the directory; empty goes back to `<config>/Dravel`
     */
    static void setStoreDirectory(const QString &directory);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Wisp
} // namespace Gui
