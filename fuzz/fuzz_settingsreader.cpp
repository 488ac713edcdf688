// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Fuzzes the store's reading of a settings file against QSettings': what the check lets Qt read, QSettings reads without ending the process, and both read the same keys and values.
#include "IniReader.h"
#include "WispLogging.h"

#include <QtCore/QByteArray>
#include <QtCore/QDataStream>
#include <QtCore/QFile>
#include <QtCore/QHash>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace Gui {
namespace Wisp {
// The store's own file defines it; the fuzzer has the reader and the check alone.
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

[[noreturn]] void differs(const QString &what, const QString &key, const QVariant &qt = QVariant(),
                          const QVariant &ours = QVariant())
{
    std::fprintf(stderr, "the store and QSettings read %s of key '%s' differently: %s %s against %s %s\n",
                 qPrintable(what), qPrintable(key), qt.typeName(), qPrintable(qt.toString()), ours.typeName(),
                 qPrintable(ours.toString()));
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir directory;
    static int inputs = 0;
    static const bool quiet = (qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {}), true);
    Q_UNUSED(quiet)

    // As a program without a GUI, where the check must leave out the most.
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    std::vector<IniValue> values = readIniValues(bytes, false);
    std::vector<const IniValue *> unreadable;
    for (const IniValue &value : values) {
        if (value.readability == Readability::Damaged || value.readability == Readability::NeedsGui)
            unreadable.push_back(&value);
    }
    if (!unreadable.empty()) {
        bytes = withoutValues(bytes, unreadable);
        values = readIniValues(bytes, false);
    }
    QHash<QString, const IniValue *> last;
    for (const IniValue &value : values) {
        if (value.readability == Readability::Damaged || value.readability == Readability::NeedsGui)
            return 0;  // taking a value out brought another to light: the store would not hand it to Qt either
        last.insert(value.key, &value);
    }

    // A fresh name every time: QSettings serves a name it has read before from memory.
    const QString path = directory.path() + QLatin1Char('/') + QString::number(++inputs) + QLatin1String(".ini");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 0;
    }
    {
        const QSettings settings(path, QSettings::IniFormat);
        QStringList keys = settings.allKeys();
        QStringList ours = last.keys();
        std::sort(keys.begin(), keys.end());
        std::sort(ours.begin(), ours.end());
        if (keys != ours)
            differs(QStringLiteral("the keys"), keys.join(QLatin1Char('|')));
        for (const QString &key : keys) {
            // Looked up as QSettings looks a key up: runs of '/' are one, none
            // at the ends. A key of separators alone is none for the store
            // (QSettings asserts on it), so it is not compared.
            const QString normalised = key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
            if (normalised.isEmpty())
                continue;
            const IniValue *found = last.value(normalised);
            const QVariant theirs = settings.value(key);
            const QVariant ours = found ? found->value : QVariant();
            if (streamed(theirs) != streamed(ours))
                differs(QStringLiteral("the value"), key, theirs, ours);
        }
    }
    QFile::remove(path);
    return 0;
}
