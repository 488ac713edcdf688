// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Port_MsgManData: the host's message channel for warnings, and Port_Message, what it carries.
 */
#pragma once

#include <Port/port_export.h>

#include <functional>
#include <memory>
#include <string>

/**
 * One message on the channel, as a handler receives it.
 *
 * @since 1.19
 */
struct Port_Message
{
    /** How much a message matters. */
    enum Severity {
        Info,    ///< for information; the library itself sends none
        Warning, ///< something the host asked for did not happen
    };

    /** The message's severity. */
    Severity severity = Warning;
    /** Where it comes from, such as "kel" for libKel_GuiUtilities. */
    std::string domain;
    /** The source file named by the sender, such as "../s/Kel_UserSettings". */
    std::string file;
    /** The line named by the sender. */
    unsigned line = 0;
    /** The sender's revision text, such as "$Revision: 1.19 $". */
    std::string revision;
    /** The text, UTF-8 on Windows and the local 8-bit encoding elsewhere, verbatim. */
    std::string text;
};

/**
 * Receives every message of the process once a host installs it with
 * Port_MsgManData::SetHandler.
 *
 * It is called on the thread that sends the message: a call's warnings on the
 * calling thread, a launch's late report on the thread of the application
 * object (without one, on the library's own thread that waited for the
 * program). It must not block for long; a handler that shows a window queues
 * that to the GUI thread.
 *
 * @since 1.19
 */
using Port_MessageHandler = std::function<void(const Port_Message &)>;

/**
 * A message object, which names where a message comes from; issueWarning()
 * sends one.
 *
 * With no handler installed, warnings go to Qt's message log at warning level
 * with the domain as category and the file and line in the context, so a Qt
 * host's own message handler sees them; there one final newline of the text
 * is dropped, as Qt ends each entry itself. A handler gets the text verbatim.
 *
 * @code
 * Port_MsgManData::SetHandler([](const Port_Message &message) {
 *     qInfo() << "warning:" << message.text.c_str();
 * });
 * @endcode
 *
 * @threads Any thread. A message object is copied freely and never changes.
 * @blocking issueWarning() waits only for the handler it calls.
 * @since 1.19
 */
class PORT_EXPORT Port_MsgManData
{
public:
    /**
     * A message object naming where its messages come from.
     *
     * @param domain the sender, such as "kel"; null counts as ""
     * @param file the sender's source file; null counts as ""
     * @param line the sender's line
     * @param revision the sender's revision text; null counts as ""
     * @return the message object
     */
    static Port_MsgManData createObject(const char *domain, const char *file, unsigned line, const char *revision);

    /**
     * A copy of @p other, with the same origin.
     *
     * @param other the message object to copy
     */
    Port_MsgManData(const Port_MsgManData &other) = default;
    /**
     * Makes this object name the origin of @p other. Copied, never moved
     * from: a channel stays usable whatever was done with it.
     *
     * @param other the message object to copy
     * @return this object
     */
    Port_MsgManData &operator=(const Port_MsgManData &other) = default;

    /**
     * Sends a warning to the installed handler, or to Qt's message log.
     *
     * Pass outside text only as an argument, never as the format. A format
     * that fails still sends the warning, with empty text.
     *
     * @param format the printf-style format
     * @param ... its arguments
     */
    [[gnu::format(printf, 2, 3)]] void issueWarning(const char *format, ...) const;

    /**
     * Installs the process's handler.
     *
     * @param handler the new handler; an empty one sends warnings to Qt's
     *        message log again
     * @return the previous handler, empty for Qt's message log
     * @threads Any thread; a message being delivered meanwhile goes to the
     *          handler that was installed when it was sent.
     */
    static Port_MessageHandler SetHandler(Port_MessageHandler handler);

private:
    struct Origin;

    PORT_NO_EXPORT Port_MsgManData(const char *domain, const char *file, unsigned line, const char *revision);

    // Shared and never changed: a channel is copied along with every program
    // a launch hands to the reaper, and a copy must cost the caller nothing.
    std::shared_ptr<const Origin> m_origin;
};
