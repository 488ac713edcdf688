// Gui::Wisp::ImageManager: loads images by name and keeps a process-wide cache.
#pragma once

#include <Gui/Wisp/wisp_export.h>

#include <QtCore/QPoint>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtGui/QBitmap>
#include <QtGui/QIcon>
#include <QtGui/QImage>

#include <memory>

namespace Gui {
namespace Wisp {

class WISP_EXPORT ImageManager
{
public:
    static constexpr qint64 DefaultCacheLimitBytes = 32 * 1024 * 1024;

    struct Statistics
    {
        quint64 hits = 0;    // getImage calls that found the name
        quint64 misses = 0;  // getImage calls that did not
        quint64 loads = 0;   // loadDravelImage calls, found or not
        quint64 adds = 0;    // addImage calls
        quint64 evictions = 0;
    };

    // Never null; lives to the end of the process.
    static ImageManager *getInstance();

    // The cached image, or a null image.
    QImage getImage(const QString &name);
    // Caches image under name; the least recently used images leave when the
    // cache would exceed its limit, and an image larger than the whole limit
    // is not kept.
    void addImage(const QString &name, const QImage &image);
    // An icon from the cached image, or a null icon for a name not held.
    QIcon getIcon(const QString &name);

    void setCacheLimit(qint64 bytes);
    qint64 cacheLimit() const;
    qint64 cacheCost() const;
    int cacheCount() const;
    Statistics statistics() const;
    void resetStatistics();
    void clearCache();

    // Looks in each image root, in order, for dir/name.ext with each extension
    // of the null-terminated list in its order (and for dir/name as given when
    // name already carries an extension). Null when none is found.
    static QImage loadDravelImage(const QString &name, const QString &dir, const char *const *extensions);
    // name as a path: absolute, relative to the working directory, or a Qt
    // resource path such as ":/icons/a.png".
    static QImage loadDravelImage(const QString &name);

    // The bitmap that masks out every pixel of the colour at point; an empty
    // bitmap when point lies outside image.
    static QBitmap createMaskWithPoint(const QImage &image, const QPoint &point);

    // The roots searched by loadDravelImage(name, dir, extensions). By default
    // ":/", the executable's folder and "<prefix>/share/KelGuiUtilities".
    static void setImageRoots(const QStringList &roots);
    static QStringList imageRoots();
    static QStringList defaultImageRoots();

    ~ImageManager();

private:
    ImageManager();
    ImageManager(const ImageManager &) = delete;
    ImageManager &operator=(const ImageManager &) = delete;

    class Private;
    std::unique_ptr<Private> d;
};

} // namespace Wisp
} // namespace Gui
