// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-readvalue: reads the settings text on its standard input through QSettings, so that a value that would end a process ends this one.
#include "IniText.h"

#include <QtCore/QFile>
#include <QtCore/QVersionNumber>
#include <QtGui/QGuiApplication>

#include <cstdio>
#include <cstring>
#include <memory>

// Argument "gui": read as a program with a GUI (on the offscreen platform,
// whatever the caller's is). Standard output gets 'r' once Qt runs and 'y'
// once every value is read: the caller tells a value that ends the process
// from a process that could not start.
int main(int argc, char **argv)
{
    char platformOption[] = "-platform";
    char offscreen[] = "offscreen";
    char *guiArguments[] = {argv[0], platformOption, offscreen, nullptr};
    int guiArgumentCount = 3;
    std::unique_ptr<QCoreApplication> application;
    if (argc > 1 && std::strcmp(argv[1], "gui") == 0)
        application = std::make_unique<QGuiApplication>(guiArgumentCount, guiArguments);
    else
        application = std::make_unique<QCoreApplication>(argc, argv);
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    qRegisterMetaType<QVersionNumber>();
#else
    qRegisterMetaTypeStreamOperators<QVersionNumber>("QVersionNumber");
#endif
    std::fputs("r", stdout);
    std::fflush(stdout);

    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 3;
    Gui::Wisp::detail::readIniText(input.readAll());
    std::fputs("y", stdout);
    std::fflush(stdout);
    return 0;
}
