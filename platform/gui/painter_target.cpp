#include "platform/gui/painter_target.h"

#include "platform/gui/colour.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <numbers>

namespace mox::platform {
namespace {

QPen MakePen(uint32_t color, int width, int style) {
    if (style == kInvisible) return QPen(Qt::NoPen);
    QPen pen(FromVbColor(color));
    pen.setWidth(width);
    // Windows draws styled lines only one pixel wide; wider ones are solid.
    Qt::PenStyle qtStyle = Qt::SolidLine;
    if (width == 1) {
        switch (style) {
            case kDash:
                qtStyle = Qt::DashLine;
                break;
            case kDot:
                qtStyle = Qt::DotLine;
                break;
            case kDashDot:
                qtStyle = Qt::DashDotLine;
                break;
            case kDashDotDot:
                qtStyle = Qt::DashDotDotLine;
                break;
            default:
                break;
        }
    }
    pen.setStyle(qtStyle);
    pen.setCapStyle(width > 1 ? Qt::RoundCap : Qt::SquareCap);
    pen.setJoinStyle(width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
    return pen;
}

QBrush MakeBrush(uint32_t color, int style) {
    static const Qt::BrushStyle kStyles[] = {Qt::SolidPattern, Qt::NoBrush,         Qt::HorPattern,
                                             Qt::VerPattern,   Qt::BDiagPattern,    Qt::FDiagPattern,
                                             Qt::CrossPattern, Qt::DiagCrossPattern};
    const Qt::BrushStyle brushStyle = (style >= 0 && style <= 7) ? kStyles[style] : Qt::NoBrush;
    return brushStyle == Qt::NoBrush ? QBrush(Qt::NoBrush) : QBrush(FromVbColor(color), brushStyle);
}

// One primitive. Each sets the pen, brush and font it draws with, so the
// painter is not saved and restored around it: on the printer that would
// write the whole pen out twice per primitive, where an unchanged pen costs
// nothing.
template <typename Paint>
void WithPainter(QPainter* painter, Paint&& paint) {
    if (painter) paint(*painter);
}

}  // namespace

void PainterTarget::DoLine(double x1, double y1, double x2, double y2, uint32_t color, LineBox box) {
    QPainter* painter = BeginPainting();
    WithPainter(painter, [&](QPainter& p) {
        const QPointF a = ToDevice(x1, y1);
        const QPointF b = ToDevice(x2, y2);
        const Pen pen = CurrentPen(color);
        p.setPen(MakePen(pen.color, pen.width, pen.style));
        if (box == LineBox::None) {
            p.drawLine(a, b);
            return;
        }
        const QRectF rect = QRectF(a, b).normalized();
        if (box == LineBox::FilledBox) {
            p.setBrush(QBrush(FromVbColor(color)));
        } else {
            const Fill fill = CurrentFill();
            p.setBrush(MakeBrush(fill.color, fill.style));
        }
        p.drawRect(rect);
    });
    EndPainting(painter);
}

void PainterTarget::DoLines(const QVector<QLineF>& lines, uint32_t color) {
    QPainter* painter = BeginPainting();
    WithPainter(painter, [&](QPainter& p) {
        const Pen pen = CurrentPen(color);
        p.setPen(MakePen(pen.color, pen.width, pen.style));
        QVector<QLineF> device;
        device.reserve(lines.size());
        for (const QLineF& l : lines) device.append(QLineF(ToDevice(l.x1(), l.y1()), ToDevice(l.x2(), l.y2())));
        p.drawLines(device);
    });
    EndPainting(painter);
}

void PainterTarget::DoCircle(double x, double y, double radius, uint32_t color, std::optional<double> start,
                             std::optional<double> end, double aspect) {
    QPainter* painter = BeginPainting();
    WithPainter(painter, [&](QPainter& p) {
        const QPointF centre = ToDevice(x, y);
        const double rMm = ScaleX(radius, ScaleMode(), kScaleMillimeters);
        const double rxMm = aspect < 1 ? rMm : rMm / aspect;
        const double ryMm = aspect < 1 ? rMm * aspect : rMm;
        const QRectF rect(centre.x() - rxMm * PixelsPerMmX(), centre.y() - ryMm * PixelsPerMmY(),
                          2 * rxMm * PixelsPerMmX(), 2 * ryMm * PixelsPerMmY());
        const Pen pen = CurrentPen(color);
        const Fill fill = CurrentFill();
        p.setPen(MakePen(pen.color, pen.width, pen.style));
        p.setBrush(MakeBrush(fill.color, fill.style));
        if (!start && !end) {
            p.drawEllipse(rect);
            return;
        }
        const double a = std::fabs(start.value_or(0));
        double b = std::fabs(end.value_or(2 * std::numbers::pi));
        double span = b - a;
        if (span <= 0) span += 2 * std::numbers::pi;
        const int a16 = static_cast<int>(std::lround(a * 180 / std::numbers::pi * 16));
        const int span16 = static_cast<int>(std::lround(span * 180 / std::numbers::pi * 16));
        if (start.value_or(0) < 0 || end.value_or(0) < 0)
            p.drawPie(rect, a16, span16);
        else
            p.drawArc(rect, a16, span16);
    });
    EndPainting(painter);
}

void PainterTarget::DoPoint(double x, double y, uint32_t color) {
    QPainter* painter = BeginPainting();
    WithPainter(painter, [&](QPainter& p) {
        QPen pen = MakePen(color, DrawWidth(), kSolid);
        pen.setCapStyle(DrawWidth() > 1 ? Qt::RoundCap : Qt::SquareCap);
        p.setPen(pen);
        p.drawPoint(ToDevice(x, y));
    });
    EndPainting(painter);
}

void PainterTarget::DoText(double x, double y, const QString& text) {
    QPainter* painter = BeginPainting();
    WithPainter(painter, [&](QPainter& p) {
        const QFont font = Font();
        p.setFont(font);
        const QFontMetricsF metrics(font, p.device());
        const QPointF topLeft = ToDevice(x, y);
        if (!FontTransparent())
            p.fillRect(QRectF(topLeft, QSizeF(metrics.horizontalAdvance(text), metrics.height())),
                       FromVbColor(BackColor()));
        p.setPen(FromVbColor(ForeColor()));
        p.drawText(QPointF(topLeft.x(), topLeft.y() + metrics.ascent()), text);
    });
    EndPainting(painter);
}

void PainterTarget::DoPicture(const QImage& image, double x, double y, double width, double height) {
    QPainter* painter = BeginPainting();
    WithPainter(painter, [&](QPainter& p) {
        const QPointF a = ToDevice(x, y);
        const QPointF b = ToDevice(x + width, y + height);
        const bool mirrorX = b.x() < a.x();
        const bool mirrorY = b.y() < a.y();
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(a, b).normalized(), (mirrorX || mirrorY) ? image.mirrored(mirrorX, mirrorY) : image);
    });
    EndPainting(painter);
}

void PainterTarget::DoPolygon(const QVector<QPointF>& devicePoints) {
    QPainter* painter = BeginPainting();
    WithPainter(painter, [&](QPainter& p) {
        const Pen pen = CurrentPen(ForeColor());
        const Fill fill = CurrentFill();
        p.setPen(MakePen(pen.color, pen.width, pen.style));
        p.setBrush(MakeBrush(fill.color, fill.style));
        p.drawPolygon(devicePoints.constData(), static_cast<int>(devicePoints.size()));
    });
    EndPainting(painter);
}

ImageTarget::ImageTarget(const QSize& pixels, double dpi)
    : PainterTarget(QSizeF(pixels), dpi, dpi), image_(pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32) {
    image_.setDotsPerMeterX(qRound(dpi / 0.0254));
    image_.setDotsPerMeterY(qRound(dpi / 0.0254));
    image_.fill(Qt::white);
}

ImageTarget::ImageTarget(double widthMm, double heightMm, double dpi)
    : ImageTarget(QSize(static_cast<int>(std::lround(widthMm / 25.4 * dpi)),
                        static_cast<int>(std::lround(heightMm / 25.4 * dpi))),
                  dpi) {}

QPainter* ImageTarget::BeginPainting() {
    auto* painter = new QPainter(&image_);
    if (!painter->isActive()) {
        delete painter;
        return nullptr;
    }
    return painter;
}

void ImageTarget::EndPainting(QPainter* painter) { delete painter; }

void ImageTarget::DoClear() { image_.fill(FromVbColor(BackColor())); }

}  // namespace mox::platform
