// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port_MsgManData: formats warnings and delivers them to the installed handler or to Qt's message log.
#include <Port/MsgManData.h>

#include "FormatV.h"

#include <QtCore/QMessageLogger>

#include <climits>
#include <cstdarg>
#include <mutex>
#include <utility>

namespace {

// The process's one handler. Built on first use so that a message sent while
// statics of other libraries are initialised still finds a valid mutex, and
// never destroyed, so that one sent while the process exits finds it too.
struct HandlerSlot
{
    std::mutex mutex;
    Port_MessageHandler handler;
};

HandlerSlot &handlerSlot()
{
    static HandlerSlot *const slot = new HandlerSlot;
    return *slot;
}

Port_MessageHandler currentHandler()
{
    HandlerSlot &slot = handlerSlot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    return slot.handler;
}

std::string copyOrEmpty(const char *text)
{
    return text ? std::string(text) : std::string();
}

// Qt's log adds its own line end, so one trailing newline of ours would make a blank line.
std::string withoutTrailingNewline(const std::string &text)
{
    if (!text.empty() && text.back() == '\n')
        return text.substr(0, text.size() - 1);
    return text;
}

void sendToQtLog(const Port_Message &message)
{
    const int line = message.line > static_cast<unsigned>(INT_MAX) ? INT_MAX : static_cast<int>(message.line);
    const std::string text = withoutTrailingNewline(message.text);
    QMessageLogger(message.file.c_str(), line, nullptr, message.domain.c_str()).warning("%s", text.c_str());
}

} // namespace

struct Port_MsgManData::Origin
{
    std::string domain;
    std::string file;
    unsigned line;
    std::string revision;
};

Port_MsgManData::Port_MsgManData(const char *domain, const char *file, unsigned line, const char *revision)
    : m_origin(std::make_shared<const Origin>(
          Origin{copyOrEmpty(domain), copyOrEmpty(file), line, copyOrEmpty(revision)}))
{
}

Port_MsgManData Port_MsgManData::createObject(const char *domain, const char *file, unsigned line,
                                              const char *revision)
{
    return Port_MsgManData(domain, file, line, revision);
}

void Port_MsgManData::issueWarning(const char *format, ...) const
{
    Port_Message message;
    message.severity = Port_Message::Warning;
    message.domain = m_origin->domain;
    message.file = m_origin->file;
    message.line = m_origin->line;
    message.revision = m_origin->revision;

    std::va_list args;
    va_start(args, format);
    std::optional<std::string> text = Port::detail::formatV(format, args);
    va_end(args);
    // A format that fails still leaves a trace: the warning goes out with empty text.
    if (text)
        message.text = std::move(*text);

    // Called on a copy, outside the lock, so a handler may itself install another.
    const Port_MessageHandler handler = currentHandler();
    if (handler)
        handler(message);
    else
        sendToQtLog(message);
}

Port_MessageHandler Port_MsgManData::SetHandler(Port_MessageHandler handler)
{
    HandlerSlot &slot = handlerSlot();
    std::lock_guard<std::mutex> lock(slot.mutex);
    return std::exchange(slot.handler, std::move(handler));
}
