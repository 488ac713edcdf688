// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Halm loggers: one per name for the whole process, writing to the Qt category of that name.
#include <Halm/DebugMessenger.h>

#include <QtCore/QMutex>

#include <map>
#include <memory>
#include <string>

namespace Halm {

DebugMessenger::DebugMessenger(const char *name)
    : m_name(name ? name : ""), m_category(m_name.constData())
{
}

DebugMessenger::~DebugMessenger() = default;

void DebugMessenger::Normal(const char *text) const
{
    if (m_category.isInfoEnabled())
        QMessageLogger(nullptr, 0, nullptr, m_category.categoryName()).info("%s", text ? text : "");
}

void DebugMessenger::Normal(const Port::StringBase &text) const
{
    Normal(text.c_str());
}

const QLoggingCategory &DebugMessenger::category() const
{
    return m_category;
}

DebugMessenger *DebugMessengerFactory::GetLogger(const char *name)
{
    static QMutex mutex;
    // Deliberately never destroyed: loggers may be used by other libraries'
    // static destructors at process exit.
    static auto *loggers = new std::map<std::string, std::unique_ptr<DebugMessenger>>;
    const std::string key(name ? name : "");
    QMutexLocker lock(&mutex);
    std::unique_ptr<DebugMessenger> &logger = (*loggers)[key];
    if (!logger)
        logger = std::make_unique<DebugMessenger>(key.c_str());
    return logger.get();
}

} // namespace Halm
