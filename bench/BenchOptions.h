// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// The benchmarks' own command-line option and the Markdown table file they write.
#pragma once

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace KelBench {

// Removes every argument that begins with prefix (the last one wins) and
// returns what follows the prefix, so that Google Benchmark never sees it.
inline std::string takeOption(int &argc, char **argv, const char *prefix)
{
    std::string value;
    const std::size_t length = std::strlen(prefix);
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, length) == 0)
            value = argv[i] + length;
        else
            argv[out++] = argv[i];
    }
    argc = out;
    argv[argc] = nullptr;
    return value;
}

// Writes table to path unless path is empty; false, after saying so on stderr, when it cannot.
inline bool writeTable(const std::string &path, const std::string &table, const char *program)
{
    if (path.empty())
        return true;
    std::ofstream out(path);
    out << table;
    if (out)
        return true;
    std::fprintf(stderr, "%s: cannot write the table to %s\n", program, path.c_str());
    return false;
}

} // namespace KelBench
