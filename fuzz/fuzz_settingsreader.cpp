// Fuzzes what stands between a settings file and Qt's reader: whatever the check lets through, QSettings reads without crashing.
#include "SerializedValueCheck.h"

#include <QtCore/QByteArray>
#include <QtCore/QFile>
#include <QtCore/QSettings>
#include <QtCore/QString>
#include <QtCore/QTemporaryDir>
#include <QtCore/QVariant>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace Gui::Wisp::detail;
    static QTemporaryDir directory;
    static int inputs = 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    // As a program without a GUI, where the check must leave out the most.
    const QByteArray safe = withoutValues(bytes, findUnsafeValues(bytes, false));
    // A fresh name every time: QSettings serves a name it has read from memory.
    const QString path = directory.path() + QLatin1Char('/') + QString::number(++inputs) + QLatin1String(".ini");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(safe) != safe.size())
            return 0;
    }
    {
        QSettings settings(path, QSettings::IniFormat);
        for (const QString &key : settings.allKeys())
            settings.value(key).isValid();
    }
    QFile::remove(path);
    return 0;
}
