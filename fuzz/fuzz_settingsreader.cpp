// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Fuzzes the store's check of a settings file against QSettings itself: what the check lets through, QSettings reads from the file without ending the process, and the store reads the same keys and values from memory.
#include "IniText.h"
#include "WispLogging.h"

#include <QtCore/QByteArray>
#include <QtCore/QCoreApplication>
#include <QtCore/QDataStream>
#include <QtCore/QFile>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Gui {
namespace Wisp {
// The store's own file defines it; the fuzzer has the check alone.
Q_LOGGING_CATEGORY(lcSettings, "kel.settings")
} // namespace Wisp
} // namespace Gui

namespace {

using namespace Gui::Wisp::detail;

// Values compare by their stream: a NaN equals itself, and a list compares item by item with its types.
QByteArray streamed(const QVariant &value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream << value;
    return bytes;
}

[[noreturn]] void differs(const QString &key, const QVariant &fromFile, const QVariant &fromMemory)
{
    std::fprintf(stderr, "QSettings reads key '%s' from the file as %s %s, from memory as %s %s\n", qPrintable(key),
                 fromFile.typeName(), qPrintable(fromFile.toString()), fromMemory.typeName(), qPrintable(fromMemory.toString()));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_settingsreader";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);  // the helper reads as a program without a GUI, as this one
    static QTemporaryDir directory;
    static int inputs = 0;
    static const bool quiet = (qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}), true);
    Q_UNUSED(quiet)

    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    std::vector<IniLine> unreadable;
    for (const UnreadableValue &value : unreadableValues(bytes, false))
        unreadable.push_back(value.line);
    bytes = withoutLines(bytes, unreadable);
    const std::vector<std::pair<QString, QVariant>> fromMemory = readIniText(bytes);

    // A fresh name every time: QSettings serves a name it has read before from memory.
    const QString path = directory.path() + QLatin1Char('/') + QString::number(++inputs) + QLatin1String(".ini");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 0;
    }
    {
        const QSettings settings(path, QSettings::IniFormat);
        const QStringList keys = settings.allKeys();
        if (std::size_t(keys.size()) != fromMemory.size())
            differs(QStringLiteral("(the number of keys)"), keys.size(), int(fromMemory.size()));
        for (std::size_t i = 0; i < fromMemory.size(); ++i) {
            const QVariant fromFile = settings.value(keys[int(i)]);
            if (keys[int(i)] != fromMemory[i].first || streamed(fromFile) != streamed(fromMemory[i].second))
                differs(keys[int(i)], fromFile, fromMemory[i].second);
        }
    }
    QFile::remove(path);
    return 0;
}
