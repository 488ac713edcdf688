// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel_port_unloadinghost: a host that loads the platform library itself, starts a program that fails a second later, and unloads the library at once.
//
// Arguments: the library's path, then the program to start (it is given
// KEL_ARGRECORDER_EXIT and KEL_ARGRECORDER_SLEEP_MS by the caller). Prints
// one line of figures; exit code 0 when the library stayed loaded until the
// report had come (and on Windows was let go of then).
#include <Port/Launcher.h>

#include <QtCore/QDeadlineTimer>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QLibrary>
#include <QtCore/QThread>

#include <atomic>
#include <cstdio>

#if defined(Q_OS_WIN)
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

namespace {

using SetHandler = Port_MessageHandler (*)(Port_MessageHandler);
using CreateObject = Port_MsgManData (*)(const char *, const char *, unsigned, const char *);
using Start = bool (*)(const Port::CommandLine &, const Port_MsgManData &, const QString &);

// The same names on every platform this is built for: g++'s mangling.
constexpr char SetHandlerName[] = "_ZN15Port_MsgManData10SetHandlerESt8functionIFvRK12Port_MessageEE";
constexpr char CreateObjectName[] = "_ZN15Port_MsgManData12createObjectEPKcS1_jS1_";
constexpr char StartName[] = "_ZN4Port8Launcher5startERKNS_11CommandLineERK15Port_MsgManDataRK7QString";
// The program fails after a second; its report comes within the window.
constexpr int ReportWaitMs = 30000;
constexpr int AfterWindowMs = Port::Launcher::LateFailureWindowMs + 2000;

std::atomic<int> g_reports{0};

bool isLoaded(const QString &path)
{
#if defined(Q_OS_WIN)
    return GetModuleHandleW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(path).utf16())) != nullptr;
#else
    void *handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        ::dlclose(handle);
    return handle != nullptr;
#endif
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    QLibrary library(path);
    if (!library.load())
        return 3;
    const auto setHandler = reinterpret_cast<SetHandler>(library.resolve(SetHandlerName));
    const auto createObject = reinterpret_cast<CreateObject>(library.resolve(CreateObjectName));
    const auto start = reinterpret_cast<Start>(library.resolve(StartName));
    if (!setHandler || !createObject || !start)
        return 4;
    setHandler([](const Port_Message &) { ++g_reports; });
    {
        const Port_MsgManData channel = createObject("test", "unloading host", 1, "");
        if (!start(Port::CommandLine(QString::fromLocal8Bit(argv[2])), channel, QStringLiteral("unloading")))
            return 5;
    }
    library.unload();
    const bool loadedInWindow = isLoaded(path);
    QDeadlineTimer reportDue(ReportWaitMs);
    while (g_reports == 0 && !reportDue.hasExpired())
        QThread::msleep(10);
    QThread::msleep(AfterWindowMs);
    std::printf("loaded after the host unloaded it, in the report window: %d; reports: %d; loaded after the window: %d\n",
                int(loadedInWindow), int(g_reports), int(isLoaded(path)));
#if defined(Q_OS_WIN)
    // Let go of once the report is out.
    const bool unloadedAfter = !isLoaded(path);
#else
    // Never unloaded: the reaper's thread may run until the process ends.
    const bool unloadedAfter = true;
#endif
    return loadedInWindow && g_reports == 1 && unloadedAfter ? 0 : 1;
}
