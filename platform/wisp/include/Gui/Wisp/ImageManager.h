// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

/**
 * @file
 * Gui::Wisp::ImageManager: loads images by name and keeps a process-wide cache.
 */
#pragma once

#include <Gui/Wisp/wisp_export.h>

#include <QtCore/QString>
#include <QtCore/QStringList>

#include <memory>

class QBitmap;
class QIcon;
class QImage;
class QPoint;

namespace Gui {
namespace Wisp {

/**
 * The process's image cache, and the lookup of image files by name.
 *
 * One instance lives for the whole process. The cache is bounded by the bytes
 * its images take (#DefaultCacheLimitBytes until setCacheLimit()); the least
 * recently used images leave first. Kel::ImageUtil builds on it.
 *
 * @threads Any thread, except where a call makes a pixmap: getIcon() and
 *          createMaskWithPoint() need the thread of a QGuiApplication.
 * @since 1.19
 */
class WISP_EXPORT ImageManager
{
public:
    /** The cache's limit until setCacheLimit() is called: 32 MiB. */
    static constexpr qint64 DefaultCacheLimitBytes = 32 * 1024 * 1024;

    /**
     * The process's image manager.
     *
     * @return the manager, never null; it lives to the end of the process
     */
    static ImageManager *getInstance();

    /**
     * The image cached under @p name, which becomes the most recently used.
     *
     * @param name the image's name
     * @return the image, or a null image when the name is not held
     */
    QImage getImage(const QString &name);
    /**
     * Caches @p image under @p name, replacing what the name held.
     *
     * The least recently used images leave when the cache would exceed its
     * limit. An image larger than the whole limit, or a null image, is not
     * kept and leaves the name unheld.
     *
     * @param name the image's name
     * @param image the image
     */
    void addImage(const QString &name, const QImage &image);
    /**
     * An icon made from the image cached under @p name.
     *
     * Like any pixmap, it is made only on the thread of a QGuiApplication;
     * elsewhere the icon is null and a warning says why.
     *
     * @param name the image's name
     * @return the icon, or a null icon for a name not held
     * @threads The thread of a QGuiApplication.
     */
    QIcon getIcon(const QString &name);

    /**
     * Sets how many bytes the cached images may take together. A lower limit
     * evicts at once.
     *
     * @param bytes the limit; a negative one counts as zero
     */
    void setCacheLimit(qint64 bytes);
    /** @return the cache's limit in bytes */
    qint64 cacheLimit() const;
    /** @return the bytes the cached images take now */
    qint64 cacheCost() const;
    /** @return how many images the cache holds now */
    int cacheCount() const;
    /** Empties the cache, and the masks kept beside it. */
    void clearCache();

    /**
     * Looks in each image root, in order, for an image file.
     *
     * In each root it tries "dir/name.ext" with each extension of the list in
     * its order (and first "dir/name" as given when @p name already carries an
     * extension; only that without a list). Names that would leave the root
     * (absolute, ":..." or with a ".." segment) are not found here.
     *
     * @param name the image's name, relative
     * @param dir the folder under each root, relative
     * @param extensions a null-terminated list of extensions without the dot,
     *        such as {"png", "jpg", nullptr}; null tries the name as given
     * @return the first image found, or a null image
     * @blocking One file-status check per candidate file; reads and decodes
     *           the file found.
     * @see setImageRoots()
     */
    static QImage loadDravelImage(const QString &name, const QString &dir, const char *const *extensions);
    /**
     * Reads the image at the path @p name.
     *
     * @param name an absolute path, one relative to the working directory, or
     *        a Qt resource path such as ":/icons/a.png"
     * @return the image, or a null image when there is none (or @p name is empty)
     * @blocking Reads and decodes the file.
     */
    static QImage loadDravelImage(const QString &name);

    /**
     * The bitmap that masks out every pixel of the colour at @p point, for
     * QPixmap::setMask(): those pixels become transparent.
     *
     * The masks of recently masked images are kept (a few dozen, a few
     * hundred KiB) and handed out again for the same image and point; the
     * key is QImage::cacheKey(), which changes whenever the image is changed
     * through QImage's API. They leave with their image's cache entry.
     *
     * @param image the image
     * @param point the pixel whose colour becomes transparent
     * @return the mask, or an empty bitmap when @p point lies outside
     *         @p image or @p image is null
     * @threads The thread of a QGuiApplication.
     */
    static QBitmap createMaskWithPoint(const QImage &image, const QPoint &point);

    /**
     * Sets the roots that loadDravelImage(name, dir, extensions) searches, in order.
     *
     * @param roots the folders; empty entries are skipped, and an empty list
     *        means no roots
     */
    static void setImageRoots(const QStringList &roots);
    /** @return the roots searched, in order: those set, else defaultImageRoots() */
    static QStringList imageRoots();
    /**
     * The roots searched until setImageRoots() is called.
     *
     * @return ":/", the executable's folder (once an application object
     *         exists) and "<prefix>/share/KelGuiUtilities"
     */
    static QStringList defaultImageRoots();

    /** Never called before the process ends: the manager outlives every caller. */
    ~ImageManager();

private:
    WISP_NO_EXPORT ImageManager();
    ImageManager(const ImageManager &) = delete;
    ImageManager &operator=(const ImageManager &) = delete;

    friend class ImageManagerInternals;
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Wisp
} // namespace Gui
