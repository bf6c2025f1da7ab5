#include "tests/printing/text_cells.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace mox::test {
namespace {

bool Vertical(const QLineF& l) { return std::abs(l.x1() - l.x2()) < 1e-6; }
bool Horizontal(const QLineF& l) { return std::abs(l.y1() - l.y2()) < 1e-6; }

double PointToSegment(const QPointF& p, const QLineF& s) {
    const QPointF d = s.p2() - s.p1();
    const double length2 = QPointF::dotProduct(d, d);
    const double t = length2 > 0 ? std::clamp(QPointF::dotProduct(p - s.p1(), d) / length2, 0.0, 1.0) : 0.0;
    const QPointF nearest = s.p1() + t * d;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

double PointToRect(const QPointF& p, const QRectF& r) {
    return std::hypot(std::max({r.left() - p.x(), 0.0, p.x() - r.right()}),
                      std::max({r.top() - p.y(), 0.0, p.y() - r.bottom()}));
}

bool Crosses(const QLineF& s, const QRectF& r) {
    if (r.contains(s.p1()) || r.contains(s.p2())) return true;
    const QLineF edges[4] = {{r.topLeft(), r.topRight()},
                             {r.topRight(), r.bottomRight()},
                             {r.bottomRight(), r.bottomLeft()},
                             {r.bottomLeft(), r.topLeft()}};
    return std::any_of(std::begin(edges), std::end(edges),
                       [&s](const QLineF& e) { return s.intersects(e, nullptr) == QLineF::BoundedIntersection; });
}

double SegmentToRect(const QLineF& s, const QRectF& r) {
    if (Crosses(s, r)) return 0;
    double nearest = std::min(PointToRect(s.p1(), r), PointToRect(s.p2(), r));
    for (const QPointF& corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        nearest = std::min(nearest, PointToSegment(corner, s));
    return nearest;
}

bool Spans(double a, double b, double v) { return std::min(a, b) - 1e-6 <= v && v <= std::max(a, b) + 1e-6; }

}  // namespace

TextCellProbe::TextCellProbe(double dpi) : RecordingTarget(platform::TargetKind::Printer, 210, 297, dpi) {}

QPointF TextCellProbe::OnPage(double x, double y) const {
    const QPointF device = ToDevice(x, y);
    return QPointF(device.x() / PixelsPerMmX(), device.y() / PixelsPerMmY());
}

void TextCellProbe::DoLine(double x1, double y1, double x2, double y2, uint32_t color, platform::LineBox box) {
    RecordingTarget::DoLine(x1, y1, x2, y2, color, box);
    if (color != 0 || box == platform::LineBox::FilledBox || DrawStyle() == platform::kInvisible) return;
    const double half = DrawWidth() / PixelsPerMmX() / 2;
    const QPointF a = OnPage(x1, y1), b = OnPage(x2, y2);
    if (box == platform::LineBox::None) {
        rules_.push_back({QLineF(a, b), half});
        return;
    }
    for (const QLineF& edge : {QLineF(a.x(), a.y(), b.x(), a.y()), QLineF(a.x(), b.y(), b.x(), b.y()),
                               QLineF(a.x(), a.y(), a.x(), b.y()), QLineF(b.x(), a.y(), b.x(), b.y())})
        rules_.push_back({edge, half});
}

void TextCellProbe::DoText(double x, double y, const QString& text) {
    RecordingTarget::DoText(x, y, text);
    const QFont font = Font();
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(static_cast<int>(std::lround(DpiX() / 0.0254)));
    device.setDotsPerMeterY(static_cast<int>(std::lround(DpiY() / 0.0254)));
    // Placed as the painter targets place text: the baseline one ascent
    // below the top.
    QPainterPath outline;
    outline.addText(QPointF(0, QFontMetricsF(font, &device).ascent()), font, text);
    const QRectF pixels = outline.boundingRect();
    const QPointF topLeft = OnPage(x, y);
    const QRectF ink(topLeft.x() + pixels.left() / PixelsPerMmX(), topLeft.y() + pixels.top() / PixelsPerMmY(),
                     pixels.width() / PixelsPerMmX(), pixels.height() / PixelsPerMmY());
    texts_.push_back({text, FontName(), FontSize(), ink});
}

std::vector<TextInCell> TextsInRuledCells(const TextCellProbe& probe) {
    using Rule = TextCellProbe::Rule;
    const std::vector<Rule>& rules = probe.Rules();
    std::vector<TextInCell> found;
    for (const TextCellProbe::Glyphs& glyphs : probe.Texts()) {
        if (glyphs.ink.isEmpty()) continue;  // blanks
        const QPointF c = glyphs.ink.center();
        const Rule *left = nullptr, *right = nullptr, *top = nullptr, *bottom = nullptr;
        // The nearest line on a side; of lines drawn over each other, the widest.
        auto take = [](const Rule*& best, const Rule& r, double at, double bestAt, bool greater) {
            if (!best || (std::abs(at - bestAt) < 1e-6 ? r.half > best->half : (greater ? at > bestAt : at < bestAt)))
                best = &r;
        };
        for (const Rule& r : rules) {
            const QLineF& l = r.line;
            if (Vertical(l) && Spans(l.y1(), l.y2(), c.y())) {
                if (l.x1() <= c.x()) take(left, r, l.x1(), left ? left->line.x1() : 0, true);
                if (l.x1() >= c.x()) take(right, r, l.x1(), right ? right->line.x1() : 0, false);
            } else if (Horizontal(l) && Spans(l.x1(), l.x2(), c.x())) {
                if (l.y1() <= c.y()) take(top, r, l.y1(), top ? top->line.y1() : 0, true);
                if (l.y1() >= c.y()) take(bottom, r, l.y1(), bottom ? bottom->line.y1() : 0, false);
            }
        }
        if (!left || !right || !top || !bottom) continue;
        const QRectF cell(QPointF(left->line.x1() + left->half, top->line.y1() + top->half),
                          QPointF(right->line.x1() - right->half, bottom->line.y1() - bottom->half));
        const QRectF& ink = glyphs.ink;
        double clearance = std::min({ink.left() - cell.left(), cell.right() - ink.right(), ink.top() - cell.top(),
                                     cell.bottom() - ink.bottom()});
        const QRectF inside = cell.adjusted(1e-6, 1e-6, -1e-6, -1e-6);
        for (const Rule& r : rules)
            if (Crosses(r.line, inside)) clearance = std::min(clearance, SegmentToRect(r.line, ink) - r.half);
        found.push_back({glyphs, cell, clearance});
    }
    return found;
}

std::string TooNear(const std::vector<TextInCell>& texts, double margin) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(2);
    for (const TextInCell& t : texts) {
        if (t.clearance >= margin) continue;
        out << '"' << t.text.text.toStdString() << "\" " << t.text.font.toStdString() << ' ' << t.text.size
            << "pt: " << t.clearance << " mm from a line; glyphs " << t.text.ink.left() << ".." << t.text.ink.right()
            << " x " << t.text.ink.top() << ".." << t.text.ink.bottom() << ", cell " << t.cell.left() << ".."
            << t.cell.right() << " x " << t.cell.top() << ".." << t.cell.bottom() << '\n';
    }
    return out.str();
}

}  // namespace mox::test
