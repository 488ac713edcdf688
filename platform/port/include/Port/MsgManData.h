// Port_MsgManData: the host's message channel for warnings.
#pragma once

#include <Port/StringBase.h>
#include <Port/port_export.h>

#include <functional>
#include <memory>
#include <string>

struct Port_Message
{
    enum Severity { Info, Warning };

    Severity severity = Warning;
    std::string domain;
    std::string file;
    unsigned line = 0;
    std::string revision;
    std::string text;
};

// Receives every message of the process once a host installs it.
using Port_MessageHandler = std::function<void(const Port_Message &)>;

// A message object names where a message comes from; issueWarning sends one.
// With no handler installed, warnings go to Qt's message log at warning level
// with the domain as category and the file and line in the context, so a Qt
// host's own message handler sees them; there one final newline of the text is
// dropped, as Qt ends each entry itself. A handler gets the text verbatim.
class PORT_EXPORT Port_MsgManData
{
public:
    static Port_MsgManData createObject(const char *domain, const char *file, unsigned line, const char *revision);

    // Copied, never moved from: a channel stays usable whatever was done with it.
    Port_MsgManData(const Port_MsgManData &) = default;
    Port_MsgManData &operator=(const Port_MsgManData &) = default;

    // The format is printf-style; pass outside text only as an argument.
    [[gnu::format(printf, 2, 3)]] void issueWarning(const char *format, ...) const;

    // Installs the process's handler and returns the previous one (empty for
    // Qt's message log). Safe to call from any thread.
    static Port_MessageHandler SetHandler(Port_MessageHandler handler);

private:
    struct Origin;

    PORT_NO_EXPORT Port_MsgManData(const char *domain, const char *file, unsigned line, const char *revision);

    // Shared and never changed: a channel is copied along with every program
    // a launch hands to the reaper, and a copy must cost the caller nothing.
    std::shared_ptr<const Origin> m_origin;
};
