// Bare program names looked up in PATH once and remembered: a launch from the GUI thread skips the search.
#include "ProgramLookup.h"

#include "PortText.h"

#include <Port/Process.h>

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
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

struct Memory
{
    std::mutex mutex;
    bool searchPathSet = false;
    std::string searchPath;  // PATH when the entries were found
    std::vector<Remembered> entries;

    // Under the mutex. getenv's answer is compared where it stands: a
    // launch must not copy PATH to learn that it did not change.
    bool searchPathIs(const char *now) const
    {
        return now ? searchPathSet && searchPath == now : !searchPathSet;
    }
    void forgetAllUnless(const char *now)
    {
        if (searchPathIs(now))
            return;
        entries.clear();
        searchPathSet = now != nullptr;
        searchPath = now ? now : "";
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
    {
        std::lock_guard<std::mutex> lock(remembered.mutex);
        if (remembered.searchPathIs(std::getenv("PATH"))) {
            for (const Remembered &entry : remembered.entries) {
                if (entry.name == name)
                    return entry.path;
            }
        }
    }
    // PATH as the search saw it: a change during the search is seen next time.
    const char *const searched = std::getenv("PATH");
    const std::string searchedPath = searched ? searched : "";
    const QString path = fromPortText(Process::FindProgram(toPortText(name).constData()).c_str());
    if (path.isEmpty())
        return path;
    std::lock_guard<std::mutex> lock(remembered.mutex);
    remembered.forgetAllUnless(searched ? searchedPath.c_str() : nullptr);
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
