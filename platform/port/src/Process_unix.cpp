// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Port::Process on UNIX-like systems: the program lookup in the absolute entries of PATH.
#include "ProcessPlatform.h"

#include <Port/Env.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Port::detail {

namespace {

bool isExecutableFile(const std::string &path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string searchPath()
{
    if (const std::optional<StringBase> path = Port_Env::GetEnv("PATH"))
        return std::string(path->c_str(), path->Length());
    // No PATH at all: the system's own default, as the shells use.
    const std::size_t size = ::confstr(_CS_PATH, nullptr, 0);
    if (size == 0)
        return std::string();
    std::vector<char> buffer(size);
    ::confstr(_CS_PATH, buffer.data(), buffer.size());
    return std::string(buffer.data());
}

} // namespace

StringBase findProgram(const char *name)
{
    if (std::strchr(name, '/'))
        return StringBase(name);
    const std::string path = searchPath();
    std::string candidate;
    for (const char *dir = path.c_str(); *dir;) {
        const char *end = std::strchr(dir, ':');
        const std::size_t length = end ? static_cast<std::size_t>(end - dir) : std::strlen(dir);
        // Only absolute directories: an empty entry or "." would mean the
        // working directory, where anyone may have planted a program.
        if (length > 0 && dir[0] == '/') {
            candidate.assign(dir, length).append(1, '/').append(name);
            if (isExecutableFile(candidate))
                return StringBase(candidate.c_str());
        }
        if (!end)
            break;
        dir = end + 1;
    }
    return StringBase();
}

QString completedProgramPath(const QString &path)
{
    return path;
}

} // namespace Port::detail
