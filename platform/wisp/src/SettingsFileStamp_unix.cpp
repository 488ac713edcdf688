// File stamps of the settings store on UNIX-like systems: one stat call.
#include "SettingsFile.h"

#include <QtCore/QFile>

#include <sys/stat.h>

namespace Gui {
namespace Wisp {
namespace detail {

FileStamp readFileStamp(const QString &path)
{
    FileStamp stamp;
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return stamp;
    stamp.exists = true;
    stamp.inode = static_cast<qint64>(st.st_ino);
    stamp.size = static_cast<qint64>(st.st_size);
#if defined(__APPLE__)
    stamp.mtimeNs = static_cast<qint64>(st.st_mtimespec.tv_sec) * 1000000000 + st.st_mtimespec.tv_nsec;
#else
    stamp.mtimeNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#endif
    return stamp;
}

} // namespace detail
} // namespace Wisp
} // namespace Gui
