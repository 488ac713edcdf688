// Port_Env::GetEnv on Windows: reads the UTF-16 environment and hands back the local 8-bit encoding.
#include <Port/Env.h>

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <windows.h>

#include <string>

std::optional<Port::StringBase> Port_Env::GetEnv(const char *name)
{
    if (!name || *name == '\0')
        return std::nullopt;
    const std::wstring wideName = QString::fromLocal8Bit(name).toStdWString();

    std::wstring buffer(256, L'\0');
    for (;;) {
        // A set but empty variable returns 0 without an error; an unset one
        // returns 0 with ERROR_ENVVAR_NOT_FOUND.
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableW(wideName.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
                return std::nullopt;
            return Port::StringBase();
        }
        if (n < buffer.size()) {
            const QByteArray local = QString::fromWCharArray(buffer.data(), static_cast<int>(n)).toLocal8Bit();
            return Port::StringBase(local.constData(), static_cast<std::uint32_t>(local.size()));
        }
        // Too small (or the variable grew meanwhile): n is the size needed, NUL included.
        buffer.assign(n, L'\0');
    }
}
