#include "controls/colour_button/image_list.h"

#include <QPixmap>

namespace mox::prismet {

namespace {

std::optional<QImage> ImageOf(const QVariant& v) {
    if (v.typeId() == QMetaType::QImage) return v.value<QImage>();
    if (v.typeId() == QMetaType::QPixmap) return v.value<QPixmap>().toImage();
    return std::nullopt;
}

}  // namespace

std::optional<ImageList> ImageList::Duplicate(const com::Variant& handle) {
    QList<QImage> images;
    if (handle.metaType() == QMetaType::fromType<QList<QImage>>()) {
        images = handle.value<QList<QImage>>();
    } else if (handle.metaType() == QMetaType::fromType<QList<QPixmap>>()) {
        for (const QPixmap& p : handle.value<QList<QPixmap>>()) images.append(p.toImage());
    } else if (handle.typeId() == QMetaType::QVariantList) {
        for (const QVariant& v : handle.toList()) {
            const auto image = ImageOf(v);
            if (!image) return std::nullopt;
            images.append(*image);
        }
    } else {
        return std::nullopt;
    }
    ImageList list;
    for (const QImage& image : images) {
        if (image.isNull()) return std::nullopt;
        list.images_.append(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    if (list.images_.isEmpty()) return std::nullopt;
    return list;
}

}  // namespace mox::prismet
