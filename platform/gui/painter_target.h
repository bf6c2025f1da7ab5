#pragma once
// The targets that draw through a QPainter: the preview picture (a QImage)
// and, in printer_target.h, the printer.

#include "platform/gui/draw_target.h"

#include <QImage>
#include <QSize>

class QPainter;

namespace mox::platform {

class PainterTarget : public DrawTarget {
protected:
    using DrawTarget::DrawTarget;
    // A painter on the device, or nullptr when the device refuses painting.
    virtual QPainter* BeginPainting() = 0;
    // Called after every primitive with the painter BeginPainting gave.
    virtual void EndPainting(QPainter* painter) = 0;

    void DoLine(double x1, double y1, double x2, double y2, uint32_t color, LineBox box) override;
    void DoLines(const QVector<QLineF>& lines, uint32_t color) override;
    void DoCircle(double x, double y, double radius, uint32_t color, std::optional<double> start,
                  std::optional<double> end, double aspect) override;
    void DoPoint(double x, double y, uint32_t color) override;
    void DoText(double x, double y, const QString& text) override;
    void DoPicture(const QImage& image, double x, double y, double width, double height) override;
    void DoPolygon(const QVector<QPointF>& devicePoints) override;
};

// The preview picture: a picture box's surface kept as an image that a widget
// shows. A new image is white.
class ImageTarget : public PainterTarget {
public:
    ImageTarget(const QSize& pixels, double dpi = 96.0);
    // A surface of the given size in millimetres at dpi pixels per inch.
    ImageTarget(double widthMm, double heightMm, double dpi);
    TargetKind Kind() const override { return TargetKind::Picture; }
    const QImage& Image() const { return image_; }

protected:
    QPainter* BeginPainting() override;
    void EndPainting(QPainter* painter) override;
    void DoClear() override;
    void DoNewPage() override {}
    void DoEndDoc() override {}

private:
    QImage image_;
};

}  // namespace mox::platform
