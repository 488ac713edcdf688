// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Fuzzes the store's reading of a settings file's lines against QSettings itself: every key QSettings reads is named by a line, so that a value the store puts back after a write goes to the key it came from.
#include "IniText.h"

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QSet>
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

    // No serialized values: what QDataStream makes of crafted bytes is Qt's matter, not the store's.
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    bytes.replace('@', '_');
    QSet<QString> named;
    for (const Gui::Wisp::detail::IniLine &line : Gui::Wisp::detail::iniLines(bytes))
        named.insert(Gui::Wisp::detail::settingsKey(line).split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/')));

    // A fresh name every time: QSettings serves a name it has read before from memory.
    const QString path = directory.path() + QLatin1Char('/') + QString::number(++inputs) + QLatin1String(".ini");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 0;
    }
    for (const QString &key : QSettings(path, QSettings::IniFormat).allKeys()) {
        if (!named.contains(key)) {
            std::fprintf(stderr, "QSettings reads key '%s', which no line names\n", qPrintable(key));
            std::abort();
        }
    }
    QFile::remove(path);
    return 0;
}
