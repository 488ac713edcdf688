// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Fuzzes the cutting of a stored viewer command line into its program and arguments.
#include "Kel_UserSettingsInternal.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// A broken promise of SplitCommandLine stops the run like a crash would.
void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const Port::StringBase command(reinterpret_cast<const char *>(data), static_cast<std::uint32_t>(size));
    Port::StringBase path("stale");
    std::vector<Port::StringBase> args{Port::StringBase("stale")};
    require(Kel::detail::SplitCommandLine(command, path, args) == 0);

    // Pieces come from the command, blank-free at their ends; arguments are never empty nor hold a blank.
    require(path.Length() <= command.Length());
    if (!path.IsEmpty()) {
        const char first = path.c_str()[0];
        const char last = path.c_str()[path.Length() - 1];
        require(first != ' ' && first != '\t' && last != ' ' && last != '\t');
        require(std::strstr(command.c_str(), path.c_str()) != nullptr);
    }
    std::size_t argBytes = 0;
    for (const Port::StringBase &arg : args) {
        require(!arg.IsEmpty());
        require(std::strchr(arg.c_str(), ' ') == nullptr);
        require(std::strstr(command.c_str(), arg.c_str()) != nullptr);
        argBytes += arg.Length();
    }
    require(argBytes + path.Length() <= command.Length());
    return 0;
}
