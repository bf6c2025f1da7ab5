#pragma once
// The millimetre primitives every sheet is drawn with. Each drawing routine
// of printing/ is written once against a drawing target: the printer twin of
// the documents (names beginning Print) is the routine given the printer, the
// preview twin (names beginning Draw: DrawTextInBox, ...) the same routine
// given the preview picture. Where the twins differ, a routine asks the
// target which one it is.
//
// Fitting and pixel conversions measure on the target being drawn. The
// original measured on the preview picture even while printing, so a sheet
// printed before any preview failed, and line widths came out one printer
// dot wide.
//
// The target defaults (InitPrinterDefaults on the printer, InitPictureDefaults
// on the preview) are platform::ApplyDrawingDefaults; the natural-tooth test
// (IsRestToothState) is the core's IsRestTooth.

#include "platform/gui/colour.h"
#include "platform/gui/draw_target.h"

#include <QLineF>
#include <QString>
#include <QVector>
#include <cstdint>
#include <limits>
#include <vector>

namespace mox {

// The light grey of a sheet's cells and parts without a value.
inline constexpr uint32_t kNoValueGrey = platform::VbRgb(208, 208, 208);

// Alignment codes of PrintTextInBox.
enum TextAlign : int16_t { kAlignLeft = 0, kAlignRight = 1, kAlignCentre = 2 };

// A length in millimetres as the whole millimetres it converts to: nearest,
// halves to the even number.
int32_t WholeMillimetres(double mm);

// PrintTextInBox / DrawTextInBox. A null text is the empty text. With cells
// > 0 and a text no longer than that, one character per cell at `size`
// (padded with blanks on the left for right alignment, else on the right).
// Otherwise the text is placed by alignment, centred vertically when
// height > 0 and hanging from y when not; with fit the size is fitted to the
// width, at most `size`, and the earlier size comes back afterwards. Leaves
// ForeColor at colour. Never clips: a wide text runs over the box.
void PrintTextInBox(platform::DrawTarget& target, double x, double y, double width, double height, const QString& text,
                    bool fit, double size, int16_t alignment, uint32_t colour, int16_t cells);

// What a text printed into a ruled cell keeps free of its cell: at the sides
// from the width it is laid out in (its glyphs stand a little further in),
// above and below from its glyphs themselves (a font's line height leaves
// room over them that a row of 3.4 mm cannot spare).
inline constexpr double kCellSideMargin = 0.5;
inline constexpr double kCellLineMargin = 0.3;

// A text inside a ruled cell: placed in its box as PrintTextInBox places it,
// at `size` while that keeps the cell margins; otherwise at the fitted size
// (FitFontSizeCapped) for the width the side margins leave, and smaller
// still, never below the fitting's 3.3 points, while its glyphs come near
// the lines above or below. Its width keeps kCellSideMargin from the box's
// sides (from the far side only when it is aligned left or right); its
// glyphs keep kCellLineMargin from the box's top and bottom, or, hanging
// from y (height 0), from the line `depth` below y. The box is the cell, or
// where the sheet's layout puts the text off the cell's lines, the part of
// the cell it stands in. Leaves FontSize at the size used and ForeColor at
// colour.
void PrintTextInCell(platform::DrawTarget& target, double x, double y, double width, double height, const QString& text,
                     double size, int16_t alignment, uint32_t colour = 0, double depth = 0);

// The largest size, from 4 points up in steps of 0.6 as the target reads
// sizes back, at which the text is lower than maxHeight and narrower than
// maxWidth, less 0.1 (the last step is taken back by 0.7); 3.3 as the target
// quantises it when not even 4 points fits. Stops when the target's size no
// longer grows (its largest size, or a target too coarse for a 0.6 step).
// Leaves the target's FontSize as it was.
// A caller that only compares the fit with a ceiling, or caps it there,
// passes the ceiling: once the fit is sure to lie above it, a size above it
// comes back without the larger sizes being measured (each new size loads a
// font of its own, on the printer at hundreds of pixels).
double FitFontSize(platform::DrawTarget& target, int32_t maxWidth, int32_t maxHeight, const QString& text,
                   double ceiling = std::numeric_limits<double>::infinity());

// FitFontSize in a square of the width (whole millimetres), at most maxSize.
// An empty text gives maxSize when it is above 0, else the current size.
double FitFontSizeCapped(platform::DrawTarget& target, double width, const QString& text, double maxSize);

// The length of a printed dash and of the gap after it, in millimetres.
inline constexpr double kDashMillimetres = 0.55;

// A line in the colour; while DrawStyle is dotted, a horizontal or vertical
// one is drawn as dashes of 0.55 mm with gaps of 0.55 mm (the last dash cut
// at the end), each with the target's DrawStyle and DrawWidth. An end before
// the start draws nothing. A dotted slanting line is drawn whole.
void DrawBrokenLine(platform::DrawTarget& target, double x1, double y1, double x2, double y2, uint32_t colour);

// The dashes of a horizontal or vertical line, `dash` long with gaps as
// long from its start and the last one cut at its end, appended to dashes;
// none when the end lies before the start. A slanting line is appended whole.
void AppendDashes(QVector<QLineF>& dashes, double x1, double y1, double x2, double y2, double dash);

// The lines of a grid gathered by colour and pen style, each gathering drawn
// as one path: a sheet's grids hold thousands of dashes, and a printer
// writes a few paths far faster than one per dash. Gatherings are drawn in
// the order of their first lines, so where lines of two gatherings cross,
// the later gathering lies on top; each with the target's DrawWidth, and
// the style of the last line added stays set.
class GridPaths {
public:
    void Add(uint32_t colour, int style, double x1, double y1, double x2, double y2);
    // A line broken into dashes of `dash`, as AppendDashes.
    void AddDashes(uint32_t colour, int style, double x1, double y1, double x2, double y2, double dash);
    void Draw(platform::DrawTarget& target) const;

private:
    struct Path {
        uint32_t colour;
        int style;
        QVector<QLineF> lines;
    };
    QVector<QLineF>& PathOf(uint32_t colour, int style);
    std::vector<Path> paths_;
    int lastStyle_ = -1;
};

// MmToPixelsX on the printer, ScaleXToPixels and ScaleYToPixels on the
// preview: a length in millimetres as device pixels of this target, halves
// to even, at least 1 (negative lengths stay negative). For DrawWidth.
int16_t ScaleXToPixels(const platform::DrawTarget& target, double mm);
int16_t ScaleYToPixels(const platform::DrawTarget& target, double mm);

}  // namespace mox
