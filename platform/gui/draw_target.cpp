#include "platform/gui/draw_target.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace mox::platform {
namespace {

QStringList SplitLines(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

}  // namespace

DrawTarget::DrawTarget(QSizeF deviceSize, double dpiX, double dpiY) { SetDevice(deviceSize, dpiX, dpiY); }

DrawTarget::~DrawTarget() = default;

void DrawTarget::SetDevice(QSizeF deviceSize, double dpiX, double dpiY) {
    deviceSize_ = QSizeF(std::max(deviceSize.width(), 1.0), std::max(deviceSize.height(), 1.0));
    dpiX_ = dpiX > 0 ? dpiX : 96.0;
    dpiY_ = dpiY > 0 ? dpiY : 96.0;
    metricsImage_ = QImage(1, 1, QImage::Format_RGB32);
    metricsImage_.setDotsPerMeterX(qRound(dpiX_ / 0.0254));
    metricsImage_.setDotsPerMeterY(qRound(dpiY_ / 0.0254));
    if (scaleMode_ != kScaleUser) ApplyScaleMode();
    SetFontSize(fontSize_);
}

const QPaintDevice& DrawTarget::MetricsDevice() const { return metricsImage_; }

double DrawTarget::UnitsPerInch(int unit, bool horizontal) const {
    switch (unit) {
        case kScaleTwips:
            return 1440.0;
        case kScalePoints:
            return 72.0;
        case kScalePixels:
            return horizontal ? dpiX_ : dpiY_;
        case kScaleInches:
            return 1.0;
        case kScaleMillimeters:
            return 25.4;
        case kScaleCentimeters:
            return 2.54;
        default:
            return horizontal ? dpiX_ * std::fabs(scaleWidth_) / deviceSize_.width()
                              : dpiY_ * std::fabs(scaleHeight_) / deviceSize_.height();
    }
}

void DrawTarget::ApplyScaleMode() {
    scaleLeft_ = 0;
    scaleTop_ = 0;
    scaleWidth_ = deviceSize_.width() / dpiX_ * UnitsPerInch(scaleMode_, true);
    scaleHeight_ = deviceSize_.height() / dpiY_ * UnitsPerInch(scaleMode_, false);
}

void DrawTarget::SetScaleMode(int mode) {
    switch (mode) {
        case kScaleUser:
            scaleMode_ = kScaleUser;
            return;  // keeps the present scale
        case kScaleTwips:
        case kScalePoints:
        case kScalePixels:
        case kScaleInches:
        case kScaleMillimeters:
        case kScaleCentimeters:
            scaleMode_ = mode;
            ApplyScaleMode();
            return;
        default:
            return;  // unsupported codes leave the scale as it was
    }
}

void DrawTarget::SetScale(double left, double top, double width, double height) {
    if (width == 0 || height == 0) return;
    scaleMode_ = kScaleUser;
    scaleLeft_ = left;
    scaleTop_ = top;
    scaleWidth_ = width;
    scaleHeight_ = height;
}

double DrawTarget::ScaleX(double value, int fromUnit, int toUnit) const {
    return value / UnitsPerInch(fromUnit, true) * UnitsPerInch(toUnit, true);
}

double DrawTarget::ScaleY(double value, int fromUnit, int toUnit) const {
    return value / UnitsPerInch(fromUnit, false) * UnitsPerInch(toUnit, false);
}

QPointF DrawTarget::ToDevice(double x, double y) const {
    return {(x - scaleLeft_) * deviceSize_.width() / scaleWidth_,
            (y - scaleTop_) * deviceSize_.height() / scaleHeight_};
}

QPointF DrawTarget::FromDevice(const QPointF& device) const {
    return {scaleLeft_ + device.x() * scaleWidth_ / deviceSize_.width(),
            scaleTop_ + device.y() * scaleHeight_ / deviceSize_.height()};
}

void DrawTarget::SetDrawWidth(int pixels) { drawWidth_ = std::clamp(pixels, 1, 32767); }

void DrawTarget::SetDrawStyle(int style) {
    if (style >= kSolid && style <= kInsideSolid) drawStyle_ = style;
}

void DrawTarget::SetFillStyle(int style) {
    if (style >= 0 && style <= 7) fillStyle_ = style;
}

void DrawTarget::SetFontSize(double points) {
    if (!(points > 0) || points > 2160) return;
    const double pixels = std::max(1.0, std::round(points * dpiY_ / 72.0));
    fontSize_ = pixels * 72.0 / dpiY_;
}

QFont DrawTarget::Font() const {
    QFont font(fontName_);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(fontSize_ * dpiY_ / 72.0))));
    font.setBold(fontBold_);
    font.setItalic(fontItalic_);
    font.setUnderline(fontUnderline_);
    return font;
}

double DrawTarget::TextWidth(const QString& text) const {
    const QFontMetricsF metrics(Font(), &MetricsDevice());
    double widest = 0;
    for (const QString& line : SplitLines(text)) widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest * scaleWidth_ / deviceSize_.width();
}

double DrawTarget::TextHeight(const QString& text) const {
    const QFontMetricsF metrics(Font(), &MetricsDevice());
    return SplitLines(text).size() * metrics.height() * scaleHeight_ / deviceSize_.height();
}

QRectF DrawTarget::TextInk(const QString& text) const {
    // From the outlines: Qt's tight bounding box of a run that mixes scripts
    // leaves out the descent of some of its glyphs.
    const QFont font = Font();
    const QFontMetricsF metrics(font, &MetricsDevice());
    const QStringList lines = SplitLines(text);
    QPainterPath outlines;
    for (int i = 0; i < lines.size(); ++i) outlines.addText(0, metrics.ascent() + i * metrics.height(), font, lines[i]);
    const QRectF pixels = outlines.boundingRect();
    if (pixels.isEmpty()) return {};
    const double sx = scaleWidth_ / deviceSize_.width();
    const double sy = scaleHeight_ / deviceSize_.height();
    return QRectF(QPointF(pixels.left() * sx, pixels.top() * sy), QPointF(pixels.right() * sx, pixels.bottom() * sy))
        .normalized();
}

void DrawTarget::Line(double x1, double y1, double x2, double y2, std::optional<uint32_t> color, LineBox box) {
    DoLine(x1, y1, x2, y2, color.value_or(foreColor_) & 0xFFFFFF, box);
    currentX_ = x2;
    currentY_ = y2;
}

void DrawTarget::Lines(const QVector<QLineF>& lines, std::optional<uint32_t> color) {
    if (lines.isEmpty()) return;
    DoLines(lines, color.value_or(foreColor_) & 0xFFFFFF);
    currentX_ = lines.back().x2();
    currentY_ = lines.back().y2();
}

void DrawTarget::Circle(double x, double y, double radius, std::optional<uint32_t> color, std::optional<double> start,
                        std::optional<double> end, double aspect) {
    if (!(aspect > 0)) aspect = 1.0;
    DoCircle(x, y, std::fabs(radius), color.value_or(foreColor_) & 0xFFFFFF, start, end, aspect);
    currentX_ = x;
    currentY_ = y;
}

void DrawTarget::PSet(double x, double y, std::optional<uint32_t> color) {
    DoPoint(x, y, color.value_or(foreColor_) & 0xFFFFFF);
    currentX_ = x;
    currentY_ = y;
}

void DrawTarget::Print(const QString& text, bool newLine) {
    const QStringList lines = SplitLines(text);
    for (int i = 0; i < lines.size(); ++i) {
        if (!lines[i].isEmpty()) DoText(currentX_, currentY_, lines[i]);
        const bool last = i == lines.size() - 1;
        if (!last || newLine) {
            currentX_ = scaleLeft_;
            currentY_ += TextHeight(lines[i]);
        } else {
            currentX_ += TextWidth(lines[i]);
        }
    }
}

void DrawTarget::PaintPicture(const QImage& image, double x, double y, double width, double height) {
    if (image.isNull() || width == 0 || height == 0) return;
    DoPicture(image, x, y, width, height);
}

void DrawTarget::Polygon(const QVector<QPointF>& devicePoints) {
    if (devicePoints.size() >= 2) DoPolygon(devicePoints);
}

void DrawTarget::Cls() {
    DoClear();
    currentX_ = 0;
    currentY_ = 0;
}

void DrawTarget::NewPage() {
    DoNewPage();
    currentX_ = 0;
    currentY_ = 0;
}

void DrawTarget::EndDoc() {
    DoEndDoc();
    currentX_ = 0;
    currentY_ = 0;
}

void ApplyDrawingDefaults(DrawTarget& target) {
    target.SetScaleMode(kScaleMillimeters);
    target.SetForeColor(0);
    target.SetDrawWidth(1);
    target.SetDrawMode(kDrawModeCopyPen);
    target.SetDrawStyle(kSolid);
    target.SetFillColor(0xFFFFFF);
    target.SetFillStyle(kFillTransparent);
    target.SetFontTransparent(true);
    target.SetFontName(QStringLiteral("ＭＳ Ｐゴシック"));
    target.SetFontSize(10);
}

}  // namespace mox::platform
