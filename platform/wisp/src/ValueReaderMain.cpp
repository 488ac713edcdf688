// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-readvalue: reads the settings text on its standard input through QSettings, and streams each value back as a write would, so that a value that would end a process ends this one.
#include "IniText.h"

#include <QtCore/QDataStream>
#include <QtCore/QFile>
#include <QtGui/QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>
#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#endif

// A value that makes Qt ask for a gigabyte or more is damaged, however much
// the machine would lend: this program's memory is capped.
#if defined(KEL_SANITIZED)
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1:max_allocation_size_mb=1024"; }
#elif defined(Q_OS_UNIX)
static const int kCapped = [] { const rlimit cap{rlim_t(1) << 30, rlim_t(1) << 30}; return setrlimit(RLIMIT_AS, &cap); }();
#endif

// Argument "gui": read as a program with a GUI, on the offscreen platform.
// Standard output gets 'r' once Qt runs and 'y' once every value is read:
// the caller tells a value that ends the process from a failed start.
int main(int argc, char **argv)
{
    char *guiArguments[] = {argv[0], const_cast<char *>("-platform"), const_cast<char *>("offscreen"), nullptr};
    int guiArgumentCount = 3;
    const bool gui = argc > 1 && std::strcmp(argv[1], "gui") == 0;
    const std::unique_ptr<QCoreApplication> application(gui ? new QGuiApplication(guiArgumentCount, guiArguments)
                                                            : new QCoreApplication(argc, argv));
    std::fputs("r", stdout);
    std::fflush(stdout);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 3;
    // A write through QSettings streams each value back (a date-time in 5.6's format, the rest in 4.0's).
    for (const auto &value : Gui::Wisp::detail::readIniText(input.readAll())) {
        for (const QDataStream::Version version : {QDataStream::Qt_4_0, QDataStream::Qt_5_6}) {
            QByteArray bytes;
            QDataStream stream(&bytes, QIODevice::WriteOnly);
            stream.setVersion(version);
            stream << value.second;
        }
    }
    std::fputs("y", stdout);
    return std::fflush(stdout) == 0 ? 0 : 4;
}
