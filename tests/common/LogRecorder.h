// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Captures the library's own diagnostics, its "kel." Qt logging categories, while it lives.
#pragma once

#include <QtCore/QLoggingCategory>
#include <QtCore/QStringList>

#include <cstring>
#include <mutex>

namespace KelTest {

// One at a time: Qt has one message handler per process. Messages of other
// categories go on to the handler that was there before.
class LogRecorder
{
public:
    explicit LogRecorder(const char *categoryPrefix = "kel.") : m_prefix(categoryPrefix)
    {
        current() = this;
        m_previous = qInstallMessageHandler(&LogRecorder::handle);
    }
    ~LogRecorder()
    {
        qInstallMessageHandler(m_previous);
        current() = nullptr;
    }
    LogRecorder(const LogRecorder &) = delete;
    LogRecorder &operator=(const LogRecorder &) = delete;

    // The texts of the warnings recorded so far.
    QStringList warnings() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_warnings;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_warnings.clear();
    }

private:
    static LogRecorder *&current()
    {
        static LogRecorder *recorder = nullptr;
        return recorder;
    }

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        LogRecorder *self = current();
        if (self && context.category && std::strncmp(context.category, self->m_prefix, std::strlen(self->m_prefix)) == 0) {
            if (type == QtWarningMsg) {
                std::lock_guard<std::mutex> lock(self->m_mutex);
                self->m_warnings.append(text);
            }
            return;
        }
        if (self && self->m_previous)
            self->m_previous(type, context, text);
    }

    const char *m_prefix;
    QtMessageHandler m_previous = nullptr;
    mutable std::mutex m_mutex;
    QStringList m_warnings;
};

} // namespace KelTest
