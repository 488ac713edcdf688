// Gui::Wisp::ImageManager: loads images by name and keeps a process-wide cache.
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

class WISP_EXPORT ImageManager
{
public:
    static constexpr qint64 DefaultCacheLimitBytes = 32 * 1024 * 1024;

    // Never null; lives to the end of the process.
    static ImageManager *getInstance();

    // The cached image, or a null image.
    QImage getImage(const QString &name);
    // Caches image under name, replacing what the name held; the least
    // recently used images leave when the cache would exceed its limit
    // (the bytes its images take). An image larger than the whole limit, or a
    // null image, is not kept and leaves the name unheld.
    void addImage(const QString &name, const QImage &image);
    // An icon from the cached image, or a null icon for a name not held.
    // Like any pixmap, it is made only on the thread of a QGuiApplication;
    // elsewhere the icon is null and a warning says why.
    QIcon getIcon(const QString &name);

    // A lower limit evicts at once; a negative one counts as zero.
    void setCacheLimit(qint64 bytes);
    qint64 cacheLimit() const;
    qint64 cacheCost() const;
    int cacheCount() const;
    void clearCache();

    // Looks in each image root, in order, for dir/name.ext with each extension
    // of the null-terminated list in its order (and for dir/name as given when
    // name already carries an extension, or only that without a list). Null
    // when none is found. Names that would leave the root (absolute, ":..." or
    // with a ".." segment) are not found here. Counts as a load.
    static QImage loadDravelImage(const QString &name, const QString &dir, const char *const *extensions);
    // name as a path: absolute, relative to the working directory, or a Qt
    // resource path such as ":/icons/a.png". Empty: a null image. Counts as a load.
    static QImage loadDravelImage(const QString &name);

    // The bitmap that masks out every pixel of the colour at point (for
    // QPixmap::setMask: those pixels become transparent); an empty bitmap when
    // point lies outside image or image is null. Needs a QGuiApplication.
    // The masks of recently masked images are kept (a few dozen, a few
    // hundred KiB) and handed out again for the same image and point; the
    // key is QImage::cacheKey(), which changes whenever the image is changed
    // through QImage's API. They leave with their image's cache entry.
    static QBitmap createMaskWithPoint(const QImage &image, const QPoint &point);

    // The roots searched by loadDravelImage(name, dir, extensions). Until set,
    // defaultImageRoots(): ":/", the executable's folder (once an application
    // object exists) and "<prefix>/share/KelGuiUtilities". Empty roots in the
    // list are skipped; an empty list means no roots.
    static void setImageRoots(const QStringList &roots);
    static QStringList imageRoots();
    static QStringList defaultImageRoots();

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
