// File stamps of the settings store on Windows: one attribute query.
#include "SettingsFile.h"

#include <QtCore/QDir>

#include <windows.h>

namespace Gui {
namespace Wisp {
namespace detail {

FileStamp readFileStamp(const QString &path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    if (!GetFileAttributesExW(native.c_str(), GetFileExInfoStandard, &data))
        return stamp;
    stamp.exists = true;
    // Windows has no inode here; the creation time changes when a writer replaces the file.
    stamp.inode = (static_cast<qint64>(data.ftCreationTime.dwHighDateTime) << 32) | data.ftCreationTime.dwLowDateTime;
    stamp.size = (static_cast<qint64>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.mtimeNs = ((static_cast<qint64>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime) * 100;
    return stamp;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
