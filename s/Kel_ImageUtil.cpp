// SPDX-FileCopyrightText: 2026 The libKel_GuiUtilities authors
//
// SPDX-License-Identifier: MIT

// Kel::ImageUtil: pixmaps and icons by image name, looked up in the cache and then in the image folders.
#include <Kel_ImageUtil.h>

#include <Gui/Wisp/ImageManager.h>

#include <QtCore/QLatin1String>
#include <QtCore/QPoint>
#include <QtGui/QBitmap>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QPixmap>

namespace Kel {

namespace {

using Gui::Wisp::ImageManager;

// The formats an image name may stand for, in the order they are preferred.
const char *const kImageExtensions[] = {"bmp", "gif", "jpg", "png", nullptr};
// The product's own images come first; the shared family images are the last resort.
const char kProductImageDir[] = "molvane/images";
const char kSharedImageDir[] = "quillan/image";
// The colour of this pixel is the one a mask makes transparent.
const QPoint kMaskColourPoint(0, 0);

// The image files for name, in the order of preference; null when none is found.
QImage loadImageFiles(const QString &name)
{
    QImage image = ImageManager::loadDravelImage(name, QLatin1String(kProductImageDir), kImageExtensions);
    if (image.isNull())
        image = ImageManager::loadDravelImage(name);
    if (image.isNull())
        image = ImageManager::loadDravelImage(name, QLatin1String(kSharedImageDir), kImageExtensions);
    return image;
}

} // namespace

QPixmap ImageUtil::GetPixmap(const QString &name, bool mask)
{
    ImageManager *manager = ImageManager::getInstance();
    QPixmap result;
    bool fromCache = true;
    QImage image = manager->getImage(name);
    if (image.isNull()) {
        fromCache = false;
        image = loadImageFiles(name);
    }
    if (image.isNull())
        return result;
    if (!fromCache)
        manager->addImage(name, image);
    result = QPixmap::fromImage(image, Qt::AutoColor);
    if (mask)
        result.setMask(ImageManager::createMaskWithPoint(image, kMaskColourPoint));
    return result;
}

QIcon ImageUtil::GetIcon(const QString &name, bool mask)
{
    QIcon result;
    if (!GetPixmap(name, mask).isNull())
        result = ImageManager::getInstance()->getIcon(name);
    return result;
}

ImageUtil &ImageUtil::operator=(const ImageUtil &)
{
    return *this;
}

} // namespace Kel
