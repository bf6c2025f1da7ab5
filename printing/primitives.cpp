#include "printing/primitives.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <limits>

namespace mox {

using platform::DrawTarget;

namespace {

// A length left over by decimal millimetres in binary (21.1 - 20 is a hair
// over 1.1) is no dash.
constexpr double kNoLength = 1e-6;

// Sizes found by measuring, remembered: a sheet fits the same few texts
// hundreds of times, each fit a dozen measurements, and each new size loads
// a font of its own, on the printer at hundreds of pixels. What a size
// depends on is the target's resolution and scale, the font, and the
// question's own terms.
class SizeMemo {
public:
    template <typename... Terms>
    QString Key(const DrawTarget& target, const Terms&... terms) const {
        const QChar separator(0x1F);
        QString key = QString::number(target.DpiX()) + separator + QString::number(target.DpiY()) + separator +
                      QString::number(target.ScaleWidth() / target.DeviceSize().width()) + separator +
                      QString::number(target.ScaleHeight() / target.DeviceSize().height()) + separator +
                      target.FontName() + separator + QString::number(target.FontBold()) +
                      QString::number(target.FontItalic());
        ((key += separator, key += Term(terms)), ...);
        return key;
    }
    const double* Find(const QString& key) const {
        const auto known = sizes_.constFind(key);
        return known == sizes_.cend() ? nullptr : &*known;
    }
    void Keep(const QString& key, double size) {
        if (sizes_.size() > 4096) sizes_.clear();
        sizes_.insert(key, size);
    }

private:
    static QString Term(const QString& text) { return text; }
    static QString Term(double number) { return QString::number(number); }
    QHash<QString, double> sizes_;
};

int16_t ToPixelCount(double pixels) {
    const double rounded = std::nearbyint(pixels);  // halves to even
    const double clamped =
        std::clamp(rounded, double(std::numeric_limits<int16_t>::min()), double(std::numeric_limits<int16_t>::max()));
    const auto count = static_cast<int16_t>(clamped);
    return count == 0 ? int16_t(1) : count;
}

// Dashes along one axis from `from` to `to`; make(a, b) makes one of them.
template <typename MakeDash>
void Dashes(QVector<QLineF>& dashes, double from, double to, double dash, MakeDash&& make) {
    const double length = to - from;
    double n = std::floor(length / dash);
    if (length - n * dash > kNoLength) n += 1;
    for (double i = 1; i <= n; i += 2) dashes.append(make(from + dash * (i - 1), std::min(from + dash * i, to)));
}

}  // namespace

int32_t WholeMillimetres(double mm) {
    const double rounded = std::nearbyint(mm);
    return static_cast<int32_t>(
        std::clamp(rounded, double(std::numeric_limits<int32_t>::min()), double(std::numeric_limits<int32_t>::max())));
}

void PrintTextInBox(DrawTarget& target, double x, double y, double width, double height, const QString& text, bool fit,
                    double size, int16_t alignment, uint32_t colour, int16_t cells) {
    if (cells != 0 && text.size() <= cells) {
        target.SetFontSize(size);
        const QString blanks(100, QLatin1Char(' '));
        const QString padded = alignment == kAlignRight ? (blanks + text).right(cells) : (text + blanks).left(cells);
        target.SetForeColor(colour);
        const double cellWidth = width / cells;
        for (int i = 0; i < cells; ++i) {
            target.SetCurrentX(x + cellWidth * i);
            target.SetCurrentY(height > 0 ? y + (height - target.TextHeight(padded)) / 2 : y);
            if (i < padded.size()) target.Print(padded.mid(i, 1));
        }
        return;
    }

    const double savedSize = target.FontSize();
    target.SetFontSize(fit ? FitFontSizeCapped(target, width, text, size) : size);
    switch (alignment) {
        case kAlignLeft:
            target.SetCurrentX(x);
            break;
        case kAlignRight:
            target.SetCurrentX(x + width - target.TextWidth(text));
            break;
        case kAlignCentre:
            target.SetCurrentX(x + (width - target.TextWidth(text)) / 2);
            break;
        default:
            break;
    }
    target.SetCurrentY(height > 0 ? y + (height - target.TextHeight(text)) / 2 : y);
    target.SetForeColor(colour);
    if (!text.isEmpty()) target.Print(text);
    if (fit) target.SetFontSize(savedSize);
}

namespace {

// The width a cell leaves a text: the box less a side margin on each side
// it can reach (only the far one when it is aligned to the other).
double SideRoom(double width, int16_t alignment) {
    return width - (alignment == kAlignCentre ? 2 : 1) * kCellSideMargin;
}

bool ClearOfCellLines(const DrawTarget& target, double height, double depth, const QString& text) {
    const QRectF glyphs = target.TextInk(text);
    if (glyphs.isEmpty()) return true;
    if (height > 0) {
        const double top = (height - target.TextHeight(text)) / 2;
        return top + glyphs.top() >= kCellLineMargin && top + glyphs.bottom() <= height - kCellLineMargin;
    }
    return depth <= 0 || glyphs.bottom() <= depth - kCellLineMargin;
}

bool KeepsCellMargins(const DrawTarget& target, double width, double height, double depth, const QString& text,
                      int16_t alignment) {
    return target.TextWidth(text) <= SideRoom(width, alignment) && ClearOfCellLines(target, height, depth, text);
}

// The size PrintTextInCell prints at.
double CellFontSize(DrawTarget& target, double width, double height, double depth, const QString& text, double size,
                    int16_t alignment) {
    static SizeMemo cellSizes;
    const QString key = cellSizes.Key(target, width, height, depth, size, double(alignment), text);
    if (const double* known = cellSizes.Find(key)) return *known;
    target.SetFontSize(size);
    if (!KeepsCellMargins(target, width, height, depth, text, alignment)) {
        // The fitting into the room the side margins leave, then smaller
        // still while the text comes near the lines: the fitting rounds the
        // room to whole millimetres, which may be more than the margins leave.
        target.SetFontSize(FitFontSizeCapped(target, SideRoom(width, alignment), text, size));
        const double smallest = 4 - 0.7;
        while (!KeepsCellMargins(target, width, height, depth, text, alignment) && target.FontSize() > smallest) {
            // A tenth of a point, or a device pixel of the em where that is more.
            const double before = target.FontSize();
            target.SetFontSize(std::max(before - 0.1, smallest));
            if (target.FontSize() >= before) target.SetFontSize(before - 72.0 / target.DpiY());
            if (target.FontSize() >= before) break;
        }
    }
    cellSizes.Keep(key, target.FontSize());
    return target.FontSize();
}

}  // namespace

void PrintTextInCell(DrawTarget& target, double x, double y, double width, double height, const QString& text,
                     double size, int16_t alignment, uint32_t colour, double depth) {
    const double fitted = CellFontSize(target, width, height, depth, text, size, alignment);
    PrintTextInBox(target, x, y, width, height, text, false, fitted, alignment, colour, 0);
}

double FitFontSize(DrawTarget& target, int32_t maxWidth, int32_t maxHeight, const QString& text, double ceiling) {
    static SizeMemo fittedSizes;
    const QString key = fittedSizes.Key(target, double(maxWidth), double(maxHeight), ceiling, text);
    if (const double* known = fittedSizes.Find(key)) return *known;

    const double savedSize = target.FontSize();
    // The fit is the last size tried less 0.7, and sizes only grow: when
    // that is above the ceiling at the size about to be measured, the fit is too.
    auto takenBack = [&target] {
        const double size = target.FontSize();
        target.SetFontSize(size - 0.7);
        const double back = target.FontSize();
        target.SetFontSize(size);
        return back;
    };
    target.SetFontSize(4);
    double fitted = 0;
    for (;;) {
        if (const double back = takenBack(); back > ceiling) {
            fitted = back;
            break;
        }
        if (!(target.TextHeight(text) < maxHeight && target.TextWidth(text) < maxWidth)) {
            fitted = takenBack();
            break;
        }
        const double before = target.FontSize();
        target.SetFontSize(before + 0.6);
        if (target.FontSize() <= before) {
            fitted = takenBack();
            break;
        }
    }
    target.SetFontSize(savedSize);
    fittedSizes.Keep(key, fitted);
    return fitted;
}

double FitFontSizeCapped(DrawTarget& target, double width, const QString& text, double maxSize) {
    if (text.isEmpty()) return maxSize > 0 ? maxSize : target.FontSize();
    const int32_t side = WholeMillimetres(width);
    return std::min(FitFontSize(target, side, side, text, maxSize), maxSize);
}

void DrawBrokenLine(DrawTarget& target, double x1, double y1, double x2, double y2, uint32_t colour) {
    if (target.DrawStyle() != platform::kDot || (x1 != x2 && y1 != y2)) {
        target.Line(x1, y1, x2, y2, colour);
        return;
    }
    QVector<QLineF> dashes;
    AppendDashes(dashes, x1, y1, x2, y2, kDashMillimetres);
    target.Lines(dashes, colour);
}

void AppendDashes(QVector<QLineF>& dashes, double x1, double y1, double x2, double y2, double dash) {
    if (x1 == x2)
        Dashes(dashes, y1, y2, dash, [&](double a, double b) { return QLineF(x1, a, x1, b); });
    else if (y1 == y2)
        Dashes(dashes, x1, x2, dash, [&](double a, double b) { return QLineF(a, y1, b, y1); });
    else
        dashes.append(QLineF(x1, y1, x2, y2));
}

QVector<QLineF>& GridPaths::PathOf(uint32_t colour, int style) {
    lastStyle_ = style;
    for (Path& path : paths_)
        if (path.colour == colour && path.style == style) return path.lines;
    paths_.push_back(Path{colour, style, {}});
    return paths_.back().lines;
}

void GridPaths::Add(uint32_t colour, int style, double x1, double y1, double x2, double y2) {
    PathOf(colour, style).append(QLineF(x1, y1, x2, y2));
}

void GridPaths::AddDashes(uint32_t colour, int style, double x1, double y1, double x2, double y2, double dash) {
    AppendDashes(PathOf(colour, style), x1, y1, x2, y2, dash);
}

void GridPaths::Draw(DrawTarget& target) const {
    for (const Path& path : paths_) {
        target.SetDrawStyle(path.style);
        target.Lines(path.lines, path.colour);
    }
    if (lastStyle_ >= 0) target.SetDrawStyle(lastStyle_);
}

int16_t ScaleXToPixels(const DrawTarget& target, double mm) {
    return ToPixelCount(target.ScaleX(mm, platform::kScaleMillimeters, platform::kScalePixels));
}

int16_t ScaleYToPixels(const DrawTarget& target, double mm) {
    return ToPixelCount(target.ScaleY(mm, platform::kScaleMillimeters, platform::kScalePixels));
}

}  // namespace mox
