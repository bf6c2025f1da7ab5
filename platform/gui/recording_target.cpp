#include "platform/gui/recording_target.h"

#include <cmath>

namespace mox::platform {
namespace {

QString Num(double value) {
    const double rounded = std::round(value * 1000.0) / 1000.0;
    return QString::number(rounded == 0 ? 0.0 : rounded, 'g', 12);
}

QString Colour(uint32_t color) { return QStringLiteral("%1").arg(color & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper(); }

QString Point(double x, double y) { return Num(x) + QLatin1Char(',') + Num(y); }

}  // namespace

RecordingTarget::RecordingTarget(TargetKind kind, double widthMm, double heightMm, double dpi)
    : DrawTarget(QSizeF(widthMm / 25.4 * dpi, heightMm / 25.4 * dpi), dpi, dpi), kind_(kind) {}

QString RecordingTarget::PenText(uint32_t color) const {
    return QStringLiteral("color=%1 width=%2 style=%3").arg(Colour(color)).arg(DrawWidth()).arg(DrawStyle());
}

QString RecordingTarget::FillText() const {
    return QStringLiteral("fill=%1/%2").arg(Colour(FillColor())).arg(FillStyle());
}

void RecordingTarget::DoLine(double x1, double y1, double x2, double y2, uint32_t color, LineBox box) {
    const QString ends = Point(x1, y1) + QStringLiteral(" - ") + Point(x2, y2) + QLatin1Char(' ');
    switch (box) {
        case LineBox::None:
            log_ << QStringLiteral("Line ") + ends + PenText(color);
            break;
        case LineBox::Box:
            log_ << QStringLiteral("Box ") + ends + PenText(color) + QLatin1Char(' ') + FillText();
            break;
        case LineBox::FilledBox:
            log_ << QStringLiteral("FilledBox ") + ends + PenText(color);
            break;
    }
}

// Each line stays one entry, as if drawn alone: the log tells what is drawn,
// not how many strokes carried it.
void RecordingTarget::DoLines(const QVector<QLineF>& lines, uint32_t color) {
    for (const QLineF& l : lines) DoLine(l.x1(), l.y1(), l.x2(), l.y2(), color, LineBox::None);
}

void RecordingTarget::DoCircle(double x, double y, double radius, uint32_t color, std::optional<double> start,
                               std::optional<double> end, double aspect) {
    QString line = QStringLiteral("Circle ") + Point(x, y) + QStringLiteral(" r=") + Num(radius);
    if (start || end)
        line += QStringLiteral(" arc=") + (start ? Num(*start) : QStringLiteral("-")) + QLatin1Char('/') +
                (end ? Num(*end) : QStringLiteral("-"));
    if (aspect != 1.0) line += QStringLiteral(" aspect=") + Num(aspect);
    log_ << line + QLatin1Char(' ') + PenText(color) + QLatin1Char(' ') + FillText();
}

void RecordingTarget::DoPoint(double x, double y, uint32_t color) {
    log_ << QStringLiteral("PSet ") + Point(x, y) + QStringLiteral(" color=") + Colour(color) +
                QStringLiteral(" width=%1").arg(DrawWidth());
}

void RecordingTarget::DoText(double x, double y, const QString& text) {
    QString font = QStringLiteral("font=\"%1\" %2").arg(FontName(), Num(FontSize()));
    if (FontBold()) font += QStringLiteral(" bold");
    if (FontItalic()) font += QStringLiteral(" italic");
    if (FontUnderline()) font += QStringLiteral(" underline");
    log_ << QStringLiteral("Text ") + Point(x, y) + QStringLiteral(" \"") + text + QStringLiteral("\" ") + font +
                QStringLiteral(" color=") + Colour(ForeColor()) +
                (FontTransparent() ? QString() : QStringLiteral(" opaque"));
}

void RecordingTarget::DoPicture(const QImage& image, double x, double y, double width, double height) {
    log_ << QStringLiteral("Picture %1x%2 at ").arg(image.width()).arg(image.height()) + Point(x, y) +
                QStringLiteral(" size ") + Point(width, height);
}

void RecordingTarget::DoPolygon(const QVector<QPointF>& devicePoints) {
    QStringList points;
    for (const QPointF& p : devicePoints) points << Point(p.x(), p.y());
    log_ << QStringLiteral("Polygon px ") + points.join(QLatin1Char(' ')) + QLatin1Char(' ') + PenText(ForeColor()) +
                QLatin1Char(' ') + FillText();
}

}  // namespace mox::platform
