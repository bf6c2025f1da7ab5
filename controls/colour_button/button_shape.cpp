#include "controls/colour_button/button_shape.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>

namespace mox::prismet {

QString ShapeName(int kind) {
    static const char* const kNames[kShapeCount] = {
        " 0 -まる（楕円）", " 1 -三角：上", " 2 -三角：下", " 3 -三角：左", " 4 -三角：右",
        " 5 -四角",         " 6 -菱形",     " 7 -菱形：左", " 8 -菱形：右", " 9 -角丸い四角",
        "10 -半円：左",     "11 -半円：右", "12 -半円：上", "13 -半円：下", "14 -星",
    };
    if (kind < 0 || kind >= kShapeCount) return {};
    return QString::fromUtf8(kNames[kind]);
}

namespace {

QPainterPath Polygon(std::initializer_list<QPoint> points, Qt::FillRule rule = Qt::OddEvenFill) {
    QPainterPath path;
    path.addPolygon(QPolygonF(QPolygon(QList<QPoint>(points))));
    path.closeSubpath();
    path.setFillRule(rule);
    return path;
}

}  // namespace

QPainterPath ShapePath(int kind, int w, int h) {
    const int e = w / 3;
    const int cx = w / 2;
    const int cy = h / 2;
    QPainterPath path;
    switch (kind) {
        case 0:
            path.addEllipse(QRectF(0, 0, w, h));
            break;
        case 1:
            return Polygon({{cx, 0}, {0, h}, {w, h}});
        case 2:
            return Polygon({{cx, h}, {0, 0}, {w, 0}});
        case 3:
            return Polygon({{0, cy}, {w, 0}, {w, h}});
        case 4:
            return Polygon({{w, cy}, {0, 0}, {0, h}});
        case 5:
            path.addRect(QRectF(0, 0, w, h));
            break;
        case 6:
            return Polygon({{w, cy}, {cx, h}, {0, cy}, {cx, 0}});
        case 7:
            return Polygon({{w, h}, {e, h}, {0, 0}, {w - e, 0}});
        case 8:
            return Polygon({{w, 0}, {w - e, h}, {0, h}, {e, 0}});
        case 9: {
            // Windows' round rectangle leaves out its right and bottom edge, hence
            // its (w + 1, h + 1); pixel-centre filling here already does.
            const qreal r = (h < w ? h : w) / 2;
            path.addRoundedRect(QRectF(0, 0, w, h), r / 2, r / 2);
            break;
        }
        // Half circles: the whole ellipse, cut to the control's rectangle.
        case 10:
            path.addEllipse(QRectF(0, 0, 2.0 * w, h));
            path = path.intersected(ShapePath(5, w, h));
            break;
        case 11:
            path.addEllipse(QRectF(-w, 0, 2.0 * w, h));
            path = path.intersected(ShapePath(5, w, h));
            break;
        case 12:
            path.addEllipse(QRectF(0, 0, w, 2.0 * h));
            path = path.intersected(ShapePath(5, w, h));
            break;
        case 13:
            path.addEllipse(QRectF(0, -h, w, 2.0 * h));
            path = path.intersected(ShapePath(5, w, h));
            break;
        case 14:
            return Polygon({{w / 2, 0}, {w / 5, h}, {w, h / 3}, {0, h / 3}, {4 * (w / 5), h}}, Qt::WindingFill);
        default:
            break;
    }
    return path;
}

QRegion ShapeRegion(int kind, int w, int h) {
    if (w <= 0 || h <= 0) return {};
    QImage mask(w, h, QImage::Format_ARGB32);
    mask.fill(Qt::transparent);
    {
        QPainter p(&mask);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillPath(ShapePath(kind, w, h), Qt::black);
    }
    QRegion region;
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && qAlpha(line[x]) == 0) ++x;
            const int start = x;
            while (x < w && qAlpha(line[x]) != 0) ++x;
            if (x > start) region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

bool ButtonShape::Update(int kind, int width, int height) {
    if (valid_ && kind == kind_ && width == width_ && height == height_) return false;
    kind_ = kind;
    width_ = width;
    height_ = height;
    region_ = ShapeRegion(kind, width, height);
    valid_ = true;
    return true;
}

}  // namespace mox::prismet
