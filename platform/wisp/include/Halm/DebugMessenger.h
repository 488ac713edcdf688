// Halm: named loggers that write to Qt logging categories of the same name.
#pragma once

#include <Gui/Wisp/wisp_export.h>
#include <Port/StringBase.h>

#include <QtCore/QByteArray>
#include <QtCore/QLoggingCategory>

namespace Halm {

class WISP_EXPORT DebugMessenger
{
public:
    explicit DebugMessenger(const char *name);
    ~DebugMessenger();

    DebugMessenger(const DebugMessenger &) = delete;
    DebugMessenger &operator=(const DebugMessenger &) = delete;

    // Writes text at info level to the category; filter with QT_LOGGING_RULES.
    void Normal(const char *text) const;
    void Normal(const Port::StringBase &text) const;

    const QLoggingCategory &category() const;

private:
    QByteArray m_name;  // the category keeps a pointer to it
    QLoggingCategory m_category;
};

class WISP_EXPORT DebugMessengerFactory
{
public:
    // One logger per name, never null, alive to the end of the process.
    static DebugMessenger *GetLogger(const char *name);
};

} // namespace Halm
