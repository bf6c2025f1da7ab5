#include "printing/chart_boxes.h"

#include "core/tooth_tables.h"
#include "platform/gui/colour.h"
#include "printing/chart_figures.h"
#include "printing/primitives.h"

#include <cmath>

namespace mox {

using platform::DrawTarget;
using platform::LineBox;
using platform::VbRgb;

namespace {

constexpr uint32_t kLightGrey = VbRgb(192, 192, 192);
constexpr uint32_t kDarkGrey = VbRgb(112, 112, 112);
constexpr uint32_t kBlack = 0;
constexpr uint32_t kYellow = VbRgb(255, 255, 0);
constexpr double kCrownRootLineUpper = 130;  // boxes 0 and 2
constexpr double kScreenBoxPixelsX = kBoxClientWidthTwips / 15.0;
constexpr double kScreenBoxPixelsY = kBoxClientHeightTwips / 15.0;
constexpr double kColumn = 40;
constexpr double kSiteStep = 10;
constexpr double kUnitsPerMm = 10;

// Device pixels of this target per screen pixel of a box.
double BoxPixel(const DrawTarget& box) {
    const double device = std::fabs(box.ToDevice(kBoxWidthUnits, 0).x() - box.ToDevice(0, 0).x());
    return device / kScreenBoxPixelsX;
}

int Pen(const DrawTarget& box, int screenPixels) {
    return std::max(1, static_cast<int>(std::lround(screenPixels * BoxPixel(box))));
}

// The grid of a box. On a target as fine as the screen the device dots a
// line, and each line is drawn as it comes. On a finer one (the printer) a
// dotted line is drawn as dashes of 0.55 mm with gaps of 0.55 mm in the
// grown pen, as the printed chart's grid is, and the lines go out as paths
// when the grid is complete.
class BoxGrid {
public:
    explicit BoxGrid(DrawTarget& box) : box_(box), dashed_(BoxPixel(box) >= 1.5) {
        const QPointF unitOnDevice = box.ToDevice(1, 1) - box.ToDevice(0, 0);
        dashAcross_ = kDashMillimetres / (std::fabs(unitOnDevice.x()) / box.PixelsPerMmX());
        dashDown_ = kDashMillimetres / (std::fabs(unitOnDevice.y()) / box.PixelsPerMmY());
    }
    void Line(double x1, double y1, double x2, double y2, uint32_t colour, bool dotted) {
        if (!dashed_) {
            box_.SetDrawStyle(dotted ? platform::kDot : platform::kSolid);
            box_.Line(x1, y1, x2, y2, colour);
        } else if (dotted) {
            paths_.AddDashes(colour, platform::kSolid, x1, y1, x2, y2, x1 == x2 ? dashDown_ : dashAcross_);
        } else {
            paths_.Add(colour, platform::kSolid, x1, y1, x2, y2);
        }
    }
    void Draw() { paths_.Draw(box_); }

private:
    DrawTarget& box_;
    bool dashed_;
    double dashAcross_ = 0;
    double dashDown_ = 0;
    GridPaths paths_;
};

const QImage& WhitePicture() {
    static const QImage white = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }();
    return white;
}

// Depth-line shifts and the row of marks of the first (e 0) and second
// (e 1) examination of a page.
struct SlotPlace {
    double shiftTowardsRoot;  // rows 1 and 3
    double shiftFromLine;     // rows 2 and 4
    int markRow;
};
SlotPlace PlaceOf(int slotIndex) { return slotIndex % 2 == 0 ? SlotPlace{-1.3, 1.3, 0} : SlotPlace{1.4, -1.4, 1}; }

// The four rows of a slot: its box, teeth and site positions; rows 1 and 3
// have their depths growing upwards from y = 130.
struct GraphRow {
    int box;
    int firstTooth;
    int firstPosition;
    bool upwards;
};
constexpr GraphRow kRows[4] = {{0, 0, 0, true}, {1, 0, 3, false}, {2, 16, 3, true}, {3, 16, 0, false}};

// Values by tooth and position of the chart's site order; 128 where the
// tooth does not count.
using SiteTable = std::array<std::array<uint8_t, 6>, 32>;
SiteTable Table(const ExamSlot& slot, const std::array<uint8_t, kSiteCount>& values, int16_t includeImplant) {
    SiteTable table;
    for (auto& tooth : table) tooth.fill(kNoSiteValue);
    for (int t = 0; t < 32; ++t) {
        if (!GetToothSiteInfo(slot, t, includeImplant)) continue;
        for (int p = 0; p < 6; ++p) table[t][p] = values[t * 6 + kChartSiteOrder[t / 8][p]];
    }
    return table;
}

double SiteX(int t, int p) { return kColumn * (t % 16) + kSiteStep + kSiteStep * (p % 3); }

}  // namespace

double BoxScaleTop(int k) { return k % 2 == 0 ? 0 : -70; }

void SetBoxScale(DrawTarget& box, int k) { box.SetScale(0, BoxScaleTop(k), kBoxWidthUnits, kBoxHeightUnits); }

BoxOnPage::BoxOnPage(DrawTarget& page, int k, const QRectF& mm) : page_(page) {
    const double perMmX = kBoxWidthUnits / mm.width();
    const double perMmY = kBoxHeightUnits / mm.height();
    const double pageWidthMm = page.DeviceSize().width() / page.PixelsPerMmX();
    const double pageHeightMm = page.DeviceSize().height() / page.PixelsPerMmY();
    page.SetScale(-mm.left() * perMmX, BoxScaleTop(k) - mm.top() * perMmY, pageWidthMm * perMmX, pageHeightMm * perMmY);
}

BoxOnPage::~BoxOnPage() { page_.SetScaleMode(platform::kScaleMillimeters); }

void PaintToothCells(const PageBoxes& boxes, int t, int16_t toothState, ToothPictureFiles& pictures, ToothCells cells) {
    QString crownFront = HeadPicBuccal[t];
    QString rootFront = RootPicBuccal[t];
    QString crownBack = HeadPicLingual[t];
    QString rootBack = RootPicLingual[t];
    bool implant = false;
    const auto state = static_cast<uint16_t>(toothState);
    if (cells != ToothCells::Normal) {
        if (state & kToothImplant) {
            implant = true;
            rootFront = rootBack = QStringLiteral("imp.gif");
        } else if (state & kToothPontic) {
            rootFront.clear();
            rootBack.clear();
        } else if (state & kToothMissing) {
            crownFront.clear();
            crownBack.clear();
            rootFront.clear();
            rootBack.clear();
        }
    }

    const int column = t % 16;
    const bool leftSide = column >= 8;
    const double x = leftSide ? kColumn * (column + 1) : kColumn * column;
    const double width = leftSide ? -kColumn : kColumn;
    // A negative size turns the picture over and extends towards smaller
    // coordinates; the turned picture is painted the right way up there.
    auto paint = [&](const QString& name, int k, double y, double height) {
        if (!boxes[k]) return;
        const bool leftRight = width < 0;
        const bool topBottom = height < 0;
        const QImage& picture = name.isEmpty() ? WhitePicture() : pictures.Turned(name, leftRight, topBottom);
        boxes[k]->PaintPicture(picture.isNull() ? WhitePicture() : picture, leftRight ? x + width : x,
                               topBottom ? y + height : y, std::fabs(width), std::fabs(height));
    };
    const bool roots = cells != ToothCells::CrownsOnly;
    if (t < 16) {
        paint(crownFront, 0, 130, 70);
        paint(crownBack, 1, 0, -70);
        if (!roots) return;
        if (implant && cells == ToothCells::ByState) {
            paint(rootFront, 0, 130, -130);
            paint(rootBack, 1, 0, 130);
        } else {
            paint(rootFront, 0, 0, 130);
            paint(rootBack, 1, 130, -130);
        }
        return;
    }
    paint(crownBack, 2, 200, -70);
    paint(crownFront, 3, -70, 70);
    if (!roots) return;
    paint(rootBack, 2, 130, -130);
    paint(rootFront, 3, 0, 130);
}

void DrawBoxGrid(DrawTarget& box, int k) {
    box.SetDrawWidth(Pen(box, 1));
    // The columns come before the rows, so that where they cross a darker
    // row lies on top.
    BoxGrid grid(box);
    for (int j = 1; j <= 63; ++j) grid.Line(10.0 * j, 0, 10.0 * j, 130, kLightGrey, j % 4 != 0);
    const bool upper = k % 2 == 0;
    const int first = upper ? 1 : 0;
    const int last = upper ? 13 : 12;
    for (int j = first; j <= last; ++j) {
        const bool dark = upper ? (j == 3 || j == 7 || j == 10) : (j == 3 || j == 6 || j == 10);
        // Measured from the crown-root line, even millimetres are solid.
        const bool dotted = dark || (upper ? j % 2 == 0 : j % 2 == 1);
        grid.Line(0, 10.0 * j, kBoxWidthUnits, 10.0 * j, dark ? kDarkGrey : kLightGrey, dotted);
    }
    grid.Draw();
    DrawBoxBoundary(box, k);
}

void DrawBoxBoundary(DrawTarget& box, int k) {
    box.SetDrawWidth(Pen(box, 1));
    box.SetDrawStyle(platform::kSolid);
    const double y = k % 2 == 0 ? kCrownRootLineUpper : 0;
    box.Line(0, y, kBoxWidthUnits, y, kBlack);
}

void DrawGraphRows(const PageBoxes& boxes, const ExamSlot& slot, int slotIndex, uint32_t colour,
                   int16_t includeImplant) {
    if (slot.Loaded == 0) return;
    const SlotPlace place = PlaceOf(slotIndex);
    for (DrawTarget* box : boxes) {
        box->SetDrawWidth(Pen(*box, 2));
        box->SetDrawStyle(platform::kSolid);
        box->SetFillStyle(platform::kFillSolid);
    }
    const SiteTable depths = Table(slot, slot.PD, includeImplant);
    for (const GraphRow& row : kRows) {
        DrawTarget& box = *boxes[row.box];
        // P0 and P1 of a line; a site without a value ends it.
        std::array<QPointF, 2> held;
        int points = 0;
        int values = 0;
        for (int t = row.firstTooth; t < row.firstTooth + 16; ++t) {
            for (int p = row.firstPosition; p < row.firstPosition + 3; ++p) {
                const uint8_t d = depths[t][p];
                if (d == kNoSiteValue) {
                    points = 0;
                    continue;
                }
                const double y = row.upwards ? kCrownRootLineUpper - kUnitsPerMm * d + place.shiftTowardsRoot
                                             : kUnitsPerMm * d + place.shiftFromLine;
                held[points++] = QPointF(SiteX(t, p), y);
                ++values;
                if (points == 2) {
                    box.Line(held[0].x(), held[0].y(), held[1].x(), held[1].y(), colour);
                    held[0] = held[1];
                    points = 1;
                }
            }
        }
        if (values == 1) {
            box.SetDrawWidth(Pen(box, 1));
            box.SetFillColor(colour);
            box.Circle(held[0].x(), held[0].y(), 2.32, colour);
            box.SetDrawWidth(Pen(box, 2));
        }
    }
}

void DrawMarkRows(const PageBoxes& boxes, const ExamSlot& slot, int slotIndex, uint32_t colour,
                  int16_t includeImplant) {
    if (slot.Loaded == 0) return;
    const int e = PlaceOf(slotIndex).markRow;
    for (DrawTarget* box : boxes) {
        box->SetDrawWidth(Pen(*box, 1));
        box->SetDrawStyle(platform::kSolid);
        box->SetFillStyle(platform::kFillSolid);
    }
    const SiteTable bleeding = Table(slot, slot.BOP, includeImplant);
    const SiteTable suppuration = Table(slot, slot.Suppuration, includeImplant);
    for (const GraphRow& row : kRows) {
        DrawTarget& box = *boxes[row.box];
        const double y0 = row.upwards ? kCrownRootLineUpper + 15.0 * e : -15.0 - 15.0 * e;
        for (int t = row.firstTooth; t < row.firstTooth + 16; ++t) {
            for (int p = row.firstPosition; p < row.firstPosition + 3; ++p) {
                const double x0 = kColumn * (t % 16) + kSiteStep * (p % 3) + 5;
                if (suppuration[t][p] == 1) box.Line(x0, y0 + 0.5, x0 + 10, y0 + 13.5, kYellow, LineBox::FilledBox);
                if (bleeding[t][p] == 1) {
                    box.SetFillColor(colour);
                    box.SetFillStyle(platform::kFillSolid);
                    box.Circle(x0 + 5, y0 + 7, 2.5, colour);
                }
            }
        }
    }
}

}  // namespace mox
