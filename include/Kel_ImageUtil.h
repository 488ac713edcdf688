// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Kel::ImageUtil: pixmaps and icons by image name, through the process-wide image cache.
 */
#pragma once

#include <kel_guiutilities_export.h>

#include <QtCore/QString>
#include <QtGui/QIcon>
#include <QtGui/QPixmap>

namespace Kel {

/**
 * Pixmaps and icons by image name, through the process-wide image cache
 * (Gui::Wisp::ImageManager).
 *
 * A name is looked up in the cache, then in each image root (see
 * Gui::Wisp::ImageManager::setImageRoots) as "molvane/images/<name>.<ext>",
 * then as a path, then as "quillan/image/<name>.<ext>", with ext bmp, gif,
 * jpg and png in that order. An image found is cached, so it is read once per
 * process while the cache keeps it; a name found nowhere is looked for again
 * at every request.
 *
 * Static functions only.
 *
 * @threads The thread of the application object, a QGuiApplication, as for
 *          every pixmap.
 * @since 1.19
 */
class KEL_GUIUTILITIES_EXPORT ImageUtil
{
public:
    /**
     * The image named @p name as a pixmap.
     *
     * @param name the image's name, looked up as it is
     * @param mask whether the pixels of the colour of the top-left pixel are
     *        masked out (transparent)
     * @return the pixmap, or a null pixmap when the image is found nowhere
     * @blocking A cached image: none. Otherwise one file-status check per
     *           candidate file, and the file found is read and decoded.
     */
    static QPixmap GetPixmap(const QString &name, bool mask);
    /**
     * The image named @p name as an icon.
     *
     * @param name the image's name, looked up as it is
     * @param mask as for GetPixmap(); the icon itself comes from the cached,
     *        unmasked image
     * @return the icon, or a null icon when the image is found nowhere
     * @blocking As GetPixmap().
     */
    static QIcon GetIcon(const QString &name, bool mask);

    /**
     * Assigns nothing: the class holds no data.
     *
     * @param other another object
     * @return this object
     * @threads Any thread.
     */
    ImageUtil &operator=(const ImageUtil &other);
};

} // namespace Kel
