// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Halm: named loggers that write to Qt logging categories of the same name.
 */
#pragma once

#include <Gui/Wisp/wisp_export.h>
#include <Port/StringBase.h>

#include <QtCore/QByteArray>
#include <QtCore/QLoggingCategory>

/**
 * The application family's named loggers, each writing to the Qt logging
 * category of its name.
 *
 * @since 1.19
 */
namespace Halm {

/**
 * A logger that writes to the Qt logging category of its name.
 *
 * Kel::ProductWebpage::View logs each page it opens through the logger
 * "utility". Its lines are filtered as any category's: for instance,
 * QT_LOGGING_RULES="utility.info=false" silences them.
 *
 * @threads Any thread.
 * @blocking Waits only for Qt's message handler.
 * @since 1.19
 */
class WISP_EXPORT DebugMessenger
{
public:
    /**
     * A logger for the category @p name.
     *
     * Hosts take the process's logger of a name from
     * DebugMessengerFactory::GetLogger() instead.
     *
     * @param name the category's name; null counts as ""
     */
    explicit DebugMessenger(const char *name);
    /** Destroys the logger and its category. */
    ~DebugMessenger();

    DebugMessenger(const DebugMessenger &) = delete;
    DebugMessenger &operator=(const DebugMessenger &) = delete;

    /**
     * Writes @p text at info level to the category, when that level is enabled.
     *
     * @param text the line, written as it is; null counts as ""
     */
    void Normal(const char *text) const;
    /**
     * Writes @p text at info level to the category, when that level is enabled.
     *
     * @param text the line, written as it is
     */
    void Normal(const Port::StringBase &text) const;

    /** @return the logger's category, for Qt's qCInfo() and its kin */
    const QLoggingCategory &category() const;

private:
    QByteArray m_name;  // the category keeps a pointer to it
    QLoggingCategory m_category;
};

/**
 * Hands out the process's loggers, one per name.
 *
 * @threads Any thread.
 * @since 1.19
 */
class WISP_EXPORT DebugMessengerFactory
{
public:
    /**
     * The process's logger of @p name, made at its first use.
     *
     * @param name the logger's and its category's name; null counts as ""
     * @return the logger, never null, alive to the end of the process
     */
    static DebugMessenger *GetLogger(const char *name);
};

} // namespace Halm
