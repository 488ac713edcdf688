// Port_Env: the platform family and the process environment.
#pragma once

#include <Port/StringBase.h>
#include <Port/port_export.h>

#include <optional>

class PORT_EXPORT Port_Env
{
public:
    // True on the Windows NT family, false on UNIX-like systems.
    static bool IsNt();

    // The variable's value, possibly empty, or std::nullopt when it is unset.
    static std::optional<Port::StringBase> GetEnv(const char *name);
};
