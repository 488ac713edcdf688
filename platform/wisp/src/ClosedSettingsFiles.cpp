// Pushes the files QSettings keeps after their objects closed out of its cache, through QSettings alone.
#include "ClosedSettingsFiles.h"

#include <QtCore/QFile>
#include <QtCore/QSettings>
#include <QtCore/QTemporaryDir>

#include <mutex>

namespace Gui {
namespace Wisp {
namespace detail {

namespace {

// Qt's cache of closed files holds 100 cost units and charges at least 10
// for each non-empty file, so a dozen other files closed after it push out
// any file closed before them.
constexpr int kFilesThatFillTheCache = 12;

QTemporaryDir &fillerDirectory()
{
    static QTemporaryDir directory;
    return directory;
}

QString fillerPath(int n)
{
    return fillerDirectory().path() + QLatin1Char('/') + QString::number(n) + QLatin1String(".ini");
}

bool makeFillers()
{
    if (!fillerDirectory().isValid())
        return false;
    for (int n = 0; n < kFilesThatFillTheCache; ++n) {
        QFile file(fillerPath(n));
        if (!file.open(QIODevice::WriteOnly) || file.write("filler=1\n") <= 0)
            return false;
    }
    return true;
}

} // namespace

void forgetClosedSettingsFiles()
{
    static std::once_flag made;
    static bool ready = false;
    std::call_once(made, [] { ready = makeFillers(); });
    if (!ready)
        return;
    for (int n = 0; n < kFilesThatFillTheCache; ++n)
        QSettings filler(fillerPath(n), QSettings::IniFormat);
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
