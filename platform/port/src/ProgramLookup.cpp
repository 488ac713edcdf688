// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Bare program names looked up in PATH once and remembered: a launch from the GUI thread skips the search.
#include "ProgramLookup.h"

#include "PortText.h"

#include <Port/Env.h>
#include <Port/Process.h>

#include <mutex>
#include <optional>
#include <vector>

namespace Port::detail {

namespace {

// A host starts a handful of programs by name: the opener, a browser.
constexpr std::size_t kMostRemembered = 8;

struct Remembered
{
    QString name;
    QString path;
};

// PATH as the lookup reads it; unset differs from empty (the system's default list).
using SearchPath = std::optional<StringBase>;

struct Memory
{
    std::mutex mutex;
    SearchPath searchPath;  // PATH when the entries were found
    std::vector<Remembered> entries;

    // Under the mutex.
    void forgetAllUnless(const SearchPath &now)
    {
        if (searchPath == now)
            return;
        entries.clear();
        searchPath = now;
    }
};

// Never freed, so a start during the process's exit still finds it.
Memory &memory()
{
    static Memory *const remembered = new Memory;
    return *remembered;
}

} // namespace

QString rememberedProgramPath(const QString &name)
{
    Memory &remembered = memory();
    // PATH as the search sees it: a change during the search is seen next time.
    const SearchPath searched = Port_Env::GetEnv("PATH");
    {
        std::lock_guard<std::mutex> lock(remembered.mutex);
        if (remembered.searchPath == searched) {
            for (const Remembered &entry : remembered.entries) {
                if (entry.name == name)
                    return entry.path;
            }
        }
    }
    const QString path = fromPortText(Process::FindProgram(toPortText(name).constData()).c_str());
    if (path.isEmpty())
        return path;
    std::lock_guard<std::mutex> lock(remembered.mutex);
    remembered.forgetAllUnless(searched);
    for (Remembered &entry : remembered.entries) {
        if (entry.name == name) {  // another thread looked it up meanwhile
            entry.path = path;
            return path;
        }
    }
    if (remembered.entries.size() == kMostRemembered)
        remembered.entries.erase(remembered.entries.begin());
    remembered.entries.push_back(Remembered{name, path});
    return path;
}

void forgetProgramPath(const QString &name)
{
    Memory &remembered = memory();
    std::lock_guard<std::mutex> lock(remembered.mutex);
    for (auto it = remembered.entries.begin(); it != remembered.entries.end(); ++it) {
        if (it->name == name) {
            remembered.entries.erase(it);
            return;
        }
    }
}

} // namespace Port::detail
