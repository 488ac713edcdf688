// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Gui::Wisp::ImageManager: the process-wide image cache and the lookup of image files by name.
#include <Gui/Wisp/ImageManager.h>

#include "ImageManagerInternals.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QThread>
#include <QtCore/QtGlobal>
#include <QtGui/QBitmap>
#include <QtGui/QGuiApplication>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QImageReader>
#include <QtGui/QPixmap>

#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_map>

#ifndef KEL_INSTALL_DATADIR
#define KEL_INSTALL_DATADIR "/usr/local/share/KelGuiUtilities"
#endif

namespace Gui {
namespace Wisp {

namespace {

const QChar kSeparator = QLatin1Char('/');
const QChar kResourcePrefix = QLatin1Char(':');
const QChar kNul = QChar(0);
const QLatin1String kResourceRoot(":/");
const QLatin1String kParentSegment("..");

// Image roots are shared by every lookup of the process; an unset list means
// "the defaults", worked out at each use because the application object (and
// so the executable's folder) may appear after the first lookup.
std::mutex g_rootsMutex;
std::optional<QStringList> g_roots;

bool hasParentSegment(const QString &path)
{
    const QString unified = QString(path).replace(QLatin1Char('\\'), kSeparator);
    return unified.split(kSeparator).contains(kParentSegment);
}

// A name for a rooted lookup must stay inside the root: an absolute path, a
// resource path or a ".." segment would let a caller's image name reach files
// the roots were chosen to exclude, so such names are simply not found there.
// The name-as-path lookup is the place for them.
bool isConfinedRelativePath(const QString &path)
{
    if (path.contains(kNul))
        return false;
    if (path.startsWith(kSeparator) || path.startsWith(QLatin1Char('\\')) || path.startsWith(kResourcePrefix))
        return false;
    return !hasParentSegment(path);
}

QString trimmedSlashes(const QString &text)
{
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin) == kSeparator)
        ++begin;
    while (end > begin && text.at(end - 1) == kSeparator)
        --end;
    return text.mid(begin, end - begin);
}

// root "/a/" + "d/n.png" -> "/a/d/n.png"; root ":/" + "d/n.png" -> ":/d/n.png".
QString joinUnderRoot(const QString &root, const QString &relative)
{
    QString base = root;
    while (base.endsWith(kSeparator))
        base.chop(1);
    return base + kSeparator + relative;
}

// Reads the image at path; a missing file, a folder or an unreadable file is
// a null image. Checking first keeps the many misses of a search quiet and cheap.
QImage readImageFile(const QString &path)
{
    if (path.isEmpty() || path.contains(kNul) || !QFileInfo(path).isFile())
        return QImage();
    QImageReader reader(path);
    return reader.read();
}

// The candidate files under one root, in the order they are tried.
QStringList candidatesUnderRoot(const QString &root, const QString &relativeName, bool tryAsGiven,
                                const char *const *extensions)
{
    QStringList candidates;
    const QString base = joinUnderRoot(root, relativeName);
    if (tryAsGiven)
        candidates << base;
    for (const char *const *ext = extensions; ext && *ext; ++ext)
        candidates << base + QLatin1Char('.') + QLatin1String(*ext);
    return candidates;
}

// Masks are kept for the few images a host draws over and over (toolbar and
// tree icons); a bound in count and in bytes keeps a host that masks many
// distinct images from growing without limit. 256 KiB holds the masks of
// 64 images of 256x256.
constexpr std::size_t kMaskCacheEntries = 64;
constexpr qint64 kMaskCacheBytes = 256 * 1024;

// A mask belongs to one version of one image's pixels and one point:
// QImage::cacheKey() changes whenever the image's pixels can have changed.
struct MaskKey
{
    qint64 image = 0;
    int x = 0;
    int y = 0;

    bool operator==(const MaskKey &o) const { return image == o.image && x == o.x && y == o.y; }
};

struct MaskKeyHash
{
    std::size_t operator()(const MaskKey &k) const noexcept
    {
        const std::size_t image = std::hash<qint64>()(k.image);
        const std::size_t point = std::hash<qint64>()((qint64(k.x) << 32) ^ quint32(k.y));
        return image ^ (point + 0x9e3779b9U + (image << 6) + (image >> 2));
    }
};

qint64 maskBytes(const QSize &size)
{
    return qint64((size.width() + 7) / 8) * size.height();
}

bool canMakePixmaps()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr
        && QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

class ImageManager::Private
{
public:
    struct Entry
    {
        QString name;
        QImage image;
        qint64 cost = 0;
    };
    using Entries = std::list<Entry>;

    // Front is the most recently used image.
    Entries entries;
    QHash<QString, Entries::iterator> index;
    qint64 limit = DefaultCacheLimitBytes;
    qint64 cost = 0;
    ImageManagerInternals::Statistics stats;
    mutable std::mutex mutex;

    struct MaskEntry
    {
        MaskKey key;
        QBitmap mask;
        qint64 bytes = 0;
    };
    using MaskEntries = std::list<MaskEntry>;

    // Front is the most recently used mask.
    MaskEntries masks;
    std::unordered_map<MaskKey, MaskEntries::iterator, MaskKeyHash> maskIndex;
    qint64 maskCost = 0;

    void touch(Entries::iterator it) { entries.splice(entries.begin(), entries, it); }

    void remove(Entries::iterator it)
    {
        cost -= it->cost;
        dropMasksOf(it->image.cacheKey());
        index.remove(it->name);
        entries.erase(it);
    }

    void removeMask(MaskEntries::iterator it)
    {
        maskCost -= it->bytes;
        maskIndex.erase(it->key);
        masks.erase(it);
    }

    // An image leaving the cache takes its masks along: nothing will ask for
    // them by that key again unless the caller still holds the image.
    void dropMasksOf(qint64 imageKey)
    {
        for (auto it = masks.begin(); it != masks.end();) {
            const auto next = std::next(it);
            if (it->key.image == imageKey)
                removeMask(it);
            it = next;
        }
    }

    std::optional<QBitmap> findMask(const MaskKey &key)
    {
        const auto found = maskIndex.find(key);
        if (found == maskIndex.end())
            return std::nullopt;
        masks.splice(masks.begin(), masks, found->second);
        return found->second->mask;
    }

    void keepMask(const MaskKey &key, const QBitmap &mask)
    {
        const qint64 bytes = maskBytes(mask.size());
        if (bytes > kMaskCacheBytes)
            return;
        const auto found = maskIndex.find(key);
        if (found != maskIndex.end())
            removeMask(found->second);
        while (!masks.empty() && (masks.size() >= kMaskCacheEntries || maskCost + bytes > kMaskCacheBytes))
            removeMask(std::prev(masks.end()));
        masks.push_front(MaskEntry{key, mask, bytes});
        maskIndex.emplace(key, masks.begin());
        maskCost += bytes;
    }

    void clearMasks()
    {
        masks.clear();
        maskIndex.clear();
        maskCost = 0;
    }

    void removeName(const QString &name)
    {
        const auto found = index.constFind(name);
        if (found != index.constEnd())
            remove(found.value());
    }

    void evictToFit(qint64 incoming)
    {
        while (!entries.empty() && cost + incoming > limit) {
            remove(std::prev(entries.end()));
            ++stats.evictions;
        }
    }

    void countLoad()
    {
        std::lock_guard<std::mutex> lock(mutex);
        ++stats.loads;
    }
};

ImageManager::ImageManager() : d(std::make_unique<Private>()) {}

ImageManager::~ImageManager() = default;

ImageManager *ImageManager::getInstance()
{
    // Never destroyed: lookups may still run while statics are torn down, and
    // a cache destroyed before a late caller would be used after its end.
    static ImageManager *const instance = new ImageManager;
    return instance;
}

QImage ImageManager::getImage(const QString &name)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    const auto found = d->index.constFind(name);
    if (found == d->index.constEnd()) {
        ++d->stats.misses;
        return QImage();
    }
    ++d->stats.hits;
    d->touch(found.value());
    return found.value()->image;
}

void ImageManager::addImage(const QString &name, const QImage &image)
{
    const qint64 imageCost = image.isNull() ? 0 : qint64(image.sizeInBytes());
    std::lock_guard<std::mutex> lock(d->mutex);
    ++d->stats.adds;
    d->removeName(name);
    if (image.isNull() || imageCost > d->limit)
        return;
    d->evictToFit(imageCost);
    d->entries.push_front(Private::Entry{name, image, imageCost});
    d->index.insert(name, d->entries.begin());
    d->cost += imageCost;
}

QIcon ImageManager::getIcon(const QString &name)
{
    QImage image;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        const auto found = d->index.constFind(name);
        if (found == d->index.constEnd())
            return QIcon();
        d->touch(found.value());
        image = found.value()->image;
    }
    if (!canMakePixmaps()) {
        qWarning("Gui::Wisp::ImageManager: icons are made only on the thread of a GUI application");
        return QIcon();
    }
    return QIcon(QPixmap::fromImage(image));
}

void ImageManager::setCacheLimit(qint64 bytes)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->limit = qMax<qint64>(0, bytes);
    d->evictToFit(0);
}

qint64 ImageManager::cacheLimit() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->limit;
}

qint64 ImageManager::cacheCost() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->cost;
}

int ImageManager::cacheCount() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return int(d->index.size());
}

void ImageManager::clearCache()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->entries.clear();
    d->index.clear();
    d->cost = 0;
    d->clearMasks();
}

ImageManagerInternals::Statistics ImageManagerInternals::statistics()
{
    const ImageManager::Private &cache = *ImageManager::getInstance()->d;
    std::lock_guard<std::mutex> lock(cache.mutex);
    return cache.stats;
}

void ImageManagerInternals::resetStatistics()
{
    ImageManager::Private &cache = *ImageManager::getInstance()->d;
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.stats = Statistics();
}

int ImageManagerInternals::maskCacheCount()
{
    const ImageManager::Private &cache = *ImageManager::getInstance()->d;
    std::lock_guard<std::mutex> lock(cache.mutex);
    return int(cache.masks.size());
}

QImage ImageManager::loadDravelImage(const QString &name, const QString &dir, const char *const *extensions)
{
    getInstance()->d->countLoad();
    const QString folder = trimmedSlashes(dir);
    const QString relativeName = folder.isEmpty() ? name : folder + kSeparator + name;
    if (!isConfinedRelativePath(name) || !isConfinedRelativePath(folder))
        return QImage();
    // Without a list only the name as given is tried; with one, a name that
    // already ends in an extension is tried as given before the list. An empty
    // name as given would be the folder itself.
    const bool tryAsGiven = !name.isEmpty() && (!extensions || !QFileInfo(name).suffix().isEmpty());
    for (const QString &root : imageRoots()) {
        if (root.isEmpty())
            continue; // an empty root would silently mean the working directory
        for (const QString &path : candidatesUnderRoot(root, relativeName, tryAsGiven, extensions)) {
            QImage image = readImageFile(path);
            if (!image.isNull())
                return image;
        }
    }
    return QImage();
}

QImage ImageManager::loadDravelImage(const QString &name)
{
    getInstance()->d->countLoad();
    return readImageFile(name);
}

QBitmap ImageManager::createMaskWithPoint(const QImage &image, const QPoint &point)
{
    if (image.isNull() || !image.rect().contains(point))
        return QBitmap();
    // A host masks the same cached image on every request; the bitmap it got
    // last time for these pixels and this point is the same bitmap again.
    Private &cache = *getInstance()->d;
    const MaskKey key{image.cacheKey(), point.x(), point.y()};
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        if (std::optional<QBitmap> kept = cache.findMask(key))
            return *kept;
    }
    // createMaskFromColor compares raw 32-bit words, which equal pixel() only
    // for ARGB32 and RGB32; premultiplied or byte-ordered formats would miss.
    const bool exactWords = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_RGB32;
    const QImage source = exactWords ? image : image.convertToFormat(QImage::Format_ARGB32);
    // QBitmap::fromImage reads the mono image by colour, which turns the sense
    // of the mode around: MaskInColor is what leaves the matching pixels as
    // 0 bits, transparent under QPixmap::setMask (as QPixmap's own
    // createMaskFromColor documents).
    const QBitmap mask = QBitmap::fromImage(source.createMaskFromColor(source.pixel(point), Qt::MaskInColor));
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.keepMask(key, mask);
    return mask;
}

void ImageManager::setImageRoots(const QStringList &roots)
{
    std::lock_guard<std::mutex> lock(g_rootsMutex);
    g_roots = roots;
}

QStringList ImageManager::imageRoots()
{
    {
        std::lock_guard<std::mutex> lock(g_rootsMutex);
        if (g_roots)
            return *g_roots;
    }
    return defaultImageRoots();
}

QStringList ImageManager::defaultImageRoots()
{
    QStringList roots{kResourceRoot};
    if (QCoreApplication::instance())
        roots << QCoreApplication::applicationDirPath();
    roots << QStringLiteral(KEL_INSTALL_DATADIR);
    return roots;
}

} // namespace Wisp
} // namespace Gui
