// Kel::ImageUtil: pixmaps and icons by image name, through the process-wide image cache.
#pragma once

#include <kel_guiutilities_export.h>

#include <QtCore/QString>
#include <QtGui/QIcon>
#include <QtGui/QPixmap>

namespace Kel {

class KEL_GUIUTILITIES_EXPORT ImageUtil
{
public:
    // The cache first, then "molvane/images/<name>.<ext>", the name as a path,
    // and "quillan/image/<name>.<ext>" (ext: bmp, gif, jpg, png). With mask,
    // pixels of the colour of the top-left pixel are masked out.
    static QPixmap GetPixmap(const QString &name, bool mask);
    static QIcon GetIcon(const QString &name, bool mask);

    // The class holds no data: assignment changes nothing.
    ImageUtil &operator=(const ImageUtil &other);
};

} // namespace Kel
