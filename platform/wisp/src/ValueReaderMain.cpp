// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// kel-readvalue: reads one serialized settings value from its standard input, so that a value that would end a process ends this one.
#include <QtCore/QDataStream>
#include <QtCore/QFile>
#include <QtCore/QVariant>
#include <QtCore/QVersionNumber>
#include <QtGui/QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// Arguments: the stream version, then "gui" to read as a program with a GUI
// (on the offscreen platform, whatever the caller's is). Standard output
// gets 'r' once Qt runs and 'y' once the value is read: the caller tells a
// value that ends the process from a process that could not start.
int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const int version = std::atoi(argv[1]);
    const bool gui = argc > 2 && std::strcmp(argv[2], "gui") == 0;
    char platformOption[] = "-platform";
    char offscreen[] = "offscreen";
    char *guiArguments[] = {argv[0], platformOption, offscreen, nullptr};
    int guiArgumentCount = 3;
    std::unique_ptr<QCoreApplication> application;
    if (gui)
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
    QByteArray bytes = input.readAll();
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    stream.setVersion(version);
    QVariant value;
    stream >> value;
    std::fputs("y", stdout);
    std::fflush(stdout);
    return 0;
}
