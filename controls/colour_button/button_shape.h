#pragma once
// The fifteen faces of the colour button (ButtonForm 0..14) as outlines and
// as pixel regions. The region is what the window is cut to, so pointer hits
// outside the face never reach the control.

#include <QPainterPath>
#include <QRegion>
#include <QString>

namespace mox::prismet {

inline constexpr int kShapeCount = 15;

// The name the general property page lists for a shape.
QString ShapeName(int kind);

// The outline within (0, 0, width, height); an empty path for an unknown kind.
QPainterPath ShapePath(int kind, int width, int height);

// The pixels whose centres lie inside the outline.
QRegion ShapeRegion(int kind, int width, int height);

class ButtonShape {
public:
    int Kind() const { return kind_; }
    // Rebuilds the region when the kind or the size changed; true when it did.
    bool Update(int kind, int width, int height);
    const QRegion& Region() const { return region_; }
    bool Valid() const { return valid_; }

private:
    int kind_ = -1;
    int width_ = 0;
    int height_ = 0;
    QRegion region_;
    bool valid_ = false;
};

}  // namespace mox::prismet
