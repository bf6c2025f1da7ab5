#pragma once
// The colour button's own copy of the image list a host hands to
// SetImageList. Hosts pass the images as a QList<QImage> (or QList<QPixmap>,
// or a QVariantList of either); the copy takes the first image's size as
// the list's image size, like a Windows image list of fixed-size images.

#include "platform/com/control.h"

#include <QImage>
#include <QList>
#include <optional>

namespace mox::prismet {

class ImageList {
public:
    // The copy of what the host handed over; nothing when it holds no
    // usable list (the Windows duplication failing).
    static std::optional<ImageList> Duplicate(const com::Variant& handle);

    int Count() const { return static_cast<int>(images_.size()); }
    QSize ImageSize() const { return images_.isEmpty() ? QSize() : images_.first().size(); }
    const QImage& Image(int index) const { return images_.at(index); }

private:
    QList<QImage> images_;
};

}  // namespace mox::prismet
