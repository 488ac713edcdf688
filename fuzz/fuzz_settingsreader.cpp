// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Fuzzes the store's reading of the lines QSettings writes: for any keys and values QSettings writes, each key is named by one line, so that a value the store puts back after a write goes to the key it came from.
#include "SettingsInternal.h"

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QHash>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_settingsreader";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
    static QTemporaryDir directory;
    static int inputs = 0;

    // Keys and values from the input, separated by NULs: key, value, key, value...
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char *>(data), int(size)).split('\0');
    // A fresh name every time: QSettings serves a name it has read before from memory.
    const QString path = directory.path() + QLatin1Char('/') + QString::number(++inputs) + QLatin1String(".ini");
    {
        QSettings settings(path, QSettings::IniFormat);
        for (int i = 0; i + 1 < parts.size(); i += 2)
            settings.setValue(QString::fromUtf8(parts.at(i)), i % 4 ? QVariant(parts.at(i + 1)) : QVariant(QString::fromUtf8(parts.at(i + 1))));
    }
    QFile file(path);
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    QHash<QString, int> named;
    for (const Gui::Wisp::detail::IniLine &line : Gui::Wisp::detail::iniLines(text))
        ++named[Gui::Wisp::detail::settingsKey(line)];
    // Another program reads the file afresh; this one would answer from the writer's memory.
    const QString copy = path + QLatin1String(".read.ini");
    if (!file.copy(copy))
        return 0;
    for (const QString &key : QSettings(copy, QSettings::IniFormat).allKeys()) {
        if (named.value(key) != 1) {
            std::fprintf(stderr, "QSettings wrote key '%s', which %d lines name\n", qPrintable(key), named.value(key));
            std::abort();
        }
    }
    QFile::remove(path);
    QFile::remove(copy);
    return 0;
}
