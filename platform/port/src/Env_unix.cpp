// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port_Env::GetEnv on UNIX-like systems: the environment is already 8-bit.
#include <Port/Env.h>

#include <QtCore/QByteArray>
#include <QtCore/QtGlobal>

std::optional<Port::StringBase> Port_Env::GetEnv(const char *name)
{
    if (!name || *name == '\0')
        return std::nullopt;
    // Qt's accessors hold Qt's environment lock, so a qputenv elsewhere in the
    // host cannot race with the read. qgetenv alone cannot tell a variable set
    // to the empty string from an unset one, hence the second question.
    const QByteArray value = qgetenv(name);
    if (value.isEmpty() && !qEnvironmentVariableIsSet(name))
        return std::nullopt;
    return Port::StringBase(value.constData(), static_cast<std::uint32_t>(value.size()));
}
