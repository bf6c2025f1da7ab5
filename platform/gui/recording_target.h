#pragma once
// A target for tests: every primitive becomes one readable line (Lines one
// per line it holds), in the target's scale units with the state it was drawn with, e.g.
//   Line 10,20 - 30,20 color=000000 width=1 style=0
//   Box 0,0 - 5,5 color=0000FF width=1 style=0 fill=FFFFFF/1
//   Text 12,40.5 "歯周" font="ＭＳ Ｐゴシック" 10 color=000000
// Colours are the VB numbers in hexadecimal (BBGGRR). Text is measured as on
// a device of the given resolution, so positions match the real targets.

#include "platform/gui/draw_target.h"

#include <QStringList>

namespace mox::platform {

class RecordingTarget : public DrawTarget {
public:
    // Behaves as the given twin (kind) on a surface of widthMm x heightMm.
    explicit RecordingTarget(TargetKind kind = TargetKind::Printer, double widthMm = 210, double heightMm = 297,
                             double dpi = 600);
    TargetKind Kind() const override { return kind_; }
    const QStringList& Log() const { return log_; }
    void ClearLog() { log_.clear(); }

protected:
    void DoLine(double x1, double y1, double x2, double y2, uint32_t color, LineBox box) override;
    void DoLines(const QVector<QLineF>& lines, uint32_t color) override;
    void DoCircle(double x, double y, double radius, uint32_t color, std::optional<double> start,
                  std::optional<double> end, double aspect) override;
    void DoPoint(double x, double y, uint32_t color) override;
    void DoText(double x, double y, const QString& text) override;
    void DoPicture(const QImage& image, double x, double y, double width, double height) override;
    void DoPolygon(const QVector<QPointF>& devicePoints) override;
    void DoClear() override { log_ << QStringLiteral("Cls"); }
    void DoNewPage() override { log_ << QStringLiteral("NewPage"); }
    void DoEndDoc() override { log_ << QStringLiteral("EndDoc"); }

private:
    QString PenText(uint32_t color) const;
    QString FillText() const;
    TargetKind kind_;
    QStringList log_;
};

}  // namespace mox::platform
