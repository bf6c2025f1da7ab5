#pragma once
// The chart boxes of the chart screen, drawn through the drawing-target
// interface so that the screen's picture boxes and the printed blank form
// show the same drawing.
//
// A chart page has four boxes: k = 0 the upper jaw from the buccal side,
// 1 from the palatal side, 2 the lower jaw from the lingual side, 3 from the
// buccal side. Each box spans 640 x 200 units, 40 units per tooth column and
// 10 units per millimetre of depth; boxes 0 and 2 run from y = 0 with their
// crown-root line at 130, boxes 1 and 3 from y = -70 with that line at 0.
//
// Line widths are given in the screen's pixels of a box (543 to its width);
// on a finer target they grow in proportion, and dotted lines are drawn as
// dashes of 0.55 mm, since a device draws only one-pixel lines dotted.

#include "platform/gui/draw_target.h"
#include "printing/tooth_pictures.h"
#include "records/exam_slot.h"

#include <QImage>
#include <QRectF>
#include <QString>
#include <array>
#include <cstdint>

namespace mox {

inline constexpr double kBoxWidthUnits = 640;
inline constexpr double kBoxHeightUnits = 200;
// The box's client area in twips (8175 x 1425 less the one-pixel border).
inline constexpr int kBoxClientWidthTwips = 8145;
inline constexpr int kBoxClientHeightTwips = 1395;

// The top of box k's scale: 0 for boxes 0 and 2, -70 for 1 and 3.
double BoxScaleTop(int k);
// Gives a box's whole picture the box's scale.
void SetBoxScale(platform::DrawTarget& box, int k);

// Box k drawn into a rectangle of a page in millimetres: the target takes
// the box's scale for the rectangle while the object lives, and millimetres
// again afterwards. Nothing is clipped to the rectangle.
class BoxOnPage {
public:
    BoxOnPage(platform::DrawTarget& page, int k, const QRectF& millimetres);
    ~BoxOnPage();
    BoxOnPage(const BoxOnPage&) = delete;
    BoxOnPage& operator=(const BoxOnPage&) = delete;

private:
    platform::DrawTarget& page_;
};

// The four boxes of one chart page, k = 0..3; a box left null is not painted.
using PageBoxes = std::array<platform::DrawTarget*, 4>;

enum class ToothCells {
    ByState,     // the examination view: implant, pontic and missing change the cells
    Normal,      // the blank form: every tooth with its own crowns and roots
    CrownsOnly,  // crowns by state; the root cells are left as they are
};

// Paints the four cells of tooth index t (crowns and roots, front and back
// view) into the page's boxes. The stored pictures are right-side teeth:
// the left side is mirrored, the back views are upside down, an upper
// implant's "imp.gif" upside down in box 0. A cell without a picture (no
// picture by state, or none that could be read) is painted white.
void PaintToothCells(const PageBoxes& boxes, int t, int16_t toothState, ToothPictureFiles& pictures, ToothCells cells);

// The grid of box k over what it holds: tooth and site columns over the
// root band, a line at each millimetre from the crown-root line (dark grey
// dotted at 3, 6 and 10, light grey solid at the other even ones, dotted at
// the odd ones) and the black crown-root line.
void DrawBoxGrid(platform::DrawTarget& box, int k);
// The black crown-root line of box k alone.
void DrawBoxBoundary(platform::DrawTarget& box, int k);

// The pocket-depth lines of one slot (slotIndex 0..3) over its page's boxes:
// neighbouring sites with a depth joined, also across tooth borders and the
// midline; a row with a single value shows a dot. The first examination of
// a page lies 1.3 units from the crown-root line, the second 1.4 units
// towards it. Teeth GetToothSiteInfo does not count break the line.
void DrawGraphRows(const PageBoxes& boxes, const ExamSlot& slot, int slotIndex, uint32_t colour,
                   int16_t includeImplant);

// The bleeding dots (slot colour) and suppuration squares (yellow) of one
// slot in the crown band beside the crown-root line, the first examination
// of a page next to the line and the second one row further in.
void DrawMarkRows(const PageBoxes& boxes, const ExamSlot& slot, int slotIndex, uint32_t colour, int16_t includeImplant);

}  // namespace mox
