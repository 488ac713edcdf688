// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Port_Env: the platform family and the process environment.
 */
#pragma once

#include <Port/StringBase.h>
#include <Port/port_export.h>

#include <optional>

/**
 * The platform family the library was built for, and the process environment.
 *
 * Static functions only.
 *
 * @threads Any thread. GetEnv reads the environment as it is at the call; a
 *          thread that changes the environment meanwhile is the host's to
 *          keep apart.
 * @blocking Never waits.
 * @since 1.19
 */
class PORT_EXPORT Port_Env
{
public:
    /**
     * Whether the process runs on the Windows NT family.
     *
     * @return true on Windows, false on UNIX-like systems
     */
    static bool IsNt();

    /**
     * An environment variable's value.
     *
     * @param name the variable's name; null or empty gives std::nullopt
     * @return the value, possibly empty, or std::nullopt when the variable is unset.
     *         On Windows the value is UTF-8, elsewhere the bytes as they are.
     */
    static std::optional<Port::StringBase> GetEnv(const char *name);
};
