// The chart boxes of the chart screen: the graph and the marks read back
// from the recording target, the tooth pictures probed on rendered boxes
// made from pictures whose corners tell which way they face.

#include "printing/chart_boxes.h"

#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/gui/colour.h"
#include "platform/gui/painter_target.h"
#include "platform/gui/recording_target.h"
#include "printing/chart_figures.h"
#include "tests/printing/recorded_drawing.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QPainter>
#include <memory>
#include <utility>

namespace mox {
namespace {

using platform::DrawTarget;
using platform::ImageTarget;
using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;

// A box as fine as the screen's: 543 x 93 pixels at 96 dpi.
constexpr double kBoxWidthMm = 543 * 25.4 / 96;
constexpr double kBoxHeightMm = 93 * 25.4 / 96;

const QString kRed = QStringLiteral("0000FF");
const QString kGreen = QStringLiteral("008000");
const QString kYellow = QStringLiteral("00FFFF");

class Boxes {
public:
    explicit Boxes(double scale = 1) {
        for (int k = 0; k < 4; ++k) {
            targets_[k] =
                std::make_unique<RecordingTarget>(TargetKind::Picture, kBoxWidthMm * scale, kBoxHeightMm * scale, 96);
            SetBoxScale(*targets_[k], k);
            page_[k] = targets_[k].get();
        }
    }
    const PageBoxes& Page() const { return page_; }
    std::vector<Drawn> Drawing(int k) const { return test::ParseDrawing(targets_[k]->Log()); }
    std::vector<Drawn> Of(int k, const QString& kind) const { return test::OfKind(Drawing(k), kind); }
    RecordingTarget& Box(int k) { return *targets_[k]; }

private:
    std::array<std::unique_ptr<RecordingTarget>, 4> targets_;
    PageBoxes page_{};
};

ExamSlot LoadedSlot() {
    ExamSlot slot = EmptyExamSlot();
    slot.Loaded = -1;
    return slot;
}

bool Near(const Drawn& d, std::initializer_list<double> at) {
    if (d.at.size() < at.size()) return false;
    size_t i = 0;
    for (double v : at)
        if (std::abs(d.at[i++] - v) > 1e-3) return false;
    return true;
}

TEST(ChartGraph, SitesRunInChartOrderWithEachExaminationsShift) {
    ExamSlot slot = LoadedSlot();
    for (int s = 0; s < 6; ++s) {
        slot.PD[0 * 6 + s] = uint8_t(s + 1);   // 18: sites mirrored
        slot.PD[24 * 6 + s] = uint8_t(s + 1);  // 31: sites as stored
    }
    Boxes first, second;
    DrawGraphRows(first.Page(), slot, 0, SlotColour(0), 0);
    DrawGraphRows(second.Page(), slot, 1, SlotColour(1), 0);

    // Row 1, upper buccal: slots 2, 1, 0 of 18 at x 10, 20, 30, depths growing upwards.
    auto lines = first.Of(0, QStringLiteral("Line"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(Near(lines[0], {10, 130 - 30 - 1.3, 20, 130 - 20 - 1.3}));
    EXPECT_TRUE(Near(lines[1], {20, 130 - 20 - 1.3, 30, 130 - 10 - 1.3}));
    EXPECT_EQ(lines[0].colour, kRed);
    EXPECT_EQ(lines[0].width, 2);
    // Row 2, upper palatal: slots 5, 4, 3, depths growing downwards.
    lines = first.Of(1, QStringLiteral("Line"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(Near(lines[0], {10, 60 + 1.3, 20, 50 + 1.3}));
    // Row 3, lower lingual: slots 3, 4, 5 of 31 in column 8.
    lines = first.Of(2, QStringLiteral("Line"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(Near(lines[0], {330, 130 - 40 - 1.3, 340, 130 - 50 - 1.3}));
    // Row 4, lower buccal: slots 0, 1, 2.
    lines = first.Of(3, QStringLiteral("Line"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(Near(lines[1], {340, 20 + 1.3, 350, 30 + 1.3}));

    // The second examination lies 1.4 towards the crown-root line, 2.7 from the first.
    const auto other = second.Of(0, QStringLiteral("Line"));
    ASSERT_EQ(other.size(), 2u);
    EXPECT_EQ(other[0].colour, kGreen);
    EXPECT_NEAR(other[0].at[1] - first.Of(0, QStringLiteral("Line"))[0].at[1], 2.7, 1e-3);
    EXPECT_NEAR(second.Of(1, QStringLiteral("Line"))[0].at[1], 60 - 1.4, 1e-3);
}

TEST(ChartGraph, LinesJoinAcrossTheMidlineBreakAtGapsAndALoneValueIsADot) {
    ExamSlot slot = LoadedSlot();
    slot.PD[7 * 6 + 0] = 4;                        // 11: its last buccal site (slot 0, at x 310)
    slot.PD[8 * 6 + 0] = 5;                        // 21: its first (slot 0, at x 330)
    slot.PD[12 * 6 + 2] = 3;                       // 25's last buccal site (x 510)
    slot.PD[13 * 6 + 0] = 3;                       // 26's first (x 530)
    slot.ToothState[13] = int16_t(kToothImplant);  // 26 does not count: 25's value stands alone
    slot.PD[20 * 6 + 3] = 6;                       // the only value of the lower lingual row
    Boxes boxes;
    DrawGraphRows(boxes.Page(), slot, 0, SlotColour(0), 0);
    const auto upper = boxes.Of(0, QStringLiteral("Line"));
    ASSERT_EQ(upper.size(), 1u) << "25 has no neighbour with a value, and the row has more than one value";
    EXPECT_TRUE(Near(upper[0], {310, 130 - 40 - 1.3, 330, 130 - 50 - 1.3}));
    EXPECT_TRUE(boxes.Of(0, QStringLiteral("Circle")).empty());

    const auto dots = boxes.Of(2, QStringLiteral("Circle"));
    ASSERT_EQ(dots.size(), 1u);
    EXPECT_TRUE(Near(dots[0], {40 * 4 + 30, 130 - 60 - 1.3, 2.32}));
    EXPECT_EQ(dots[0].colour, kRed);
    EXPECT_EQ(dots[0].fill, kRed + QStringLiteral("/0"));
    EXPECT_EQ(dots[0].width, 1);

    // With implants included, 26 joins 25 into a line.
    Boxes included;
    DrawGraphRows(included.Page(), slot, 0, SlotColour(0), 1);
    EXPECT_EQ(included.Of(0, QStringLiteral("Line")).size(), 2u);
    // An empty slot draws nothing at all.
    Boxes empty;
    slot.Loaded = 0;
    DrawGraphRows(empty.Page(), slot, 0, SlotColour(0), 0);
    EXPECT_TRUE(empty.Box(0).Log().isEmpty());
}

TEST(ChartGraph, DepthsBeyondThirteenMillimetresAreCutAtTheBoxEdge) {
    ExamSlot slot = LoadedSlot();
    slot.PD[2 * 6 + 2] = 5;    // 16, first buccal site (x 90)
    slot.PD[2 * 6 + 1] = 15;   // the next one (x 100), beyond the box
    slot.PD[10 * 6 + 3] = 14;  // a lone value of the palatal row, beyond the box
    std::array<std::unique_ptr<ImageTarget>, 4> images;
    PageBoxes page{};
    for (int k = 0; k < 4; ++k) {
        images[k] = std::make_unique<ImageTarget>(QSize(543, 93), 96);
        SetBoxScale(*images[k], k);
        page[k] = images[k].get();
    }
    DrawGraphRows(page, slot, 0, SlotColour(0), 0);
    auto red = [](const QColor& c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; };
    // The line leaves through the top edge between the two sites.
    bool edge = false;
    for (int x = 0; x < 543; ++x) edge = edge || red(images[0]->Image().pixelColor(x, 0));
    EXPECT_TRUE(edge);
    int redPixels = 0;
    const QImage& palatal = images[1]->Image();
    for (int y = 0; y < palatal.height(); ++y)
        for (int x = 0; x < palatal.width(); ++x) redPixels += red(palatal.pixelColor(x, y));
    EXPECT_EQ(redPixels, 0) << "a lone value beyond the box shows no dot inside it";
}

TEST(ChartMarks, SquaresAndDotsStandBesideTheCrownRootLineRowByExamination) {
    ExamSlot slot = LoadedSlot();
    slot.PD.fill(3);
    slot.BOP[0 * 6 + 0] = 1;          // 18 slot 0: position 2 of row 1
    slot.Suppuration[0 * 6 + 0] = 1;  // both marks at one site
    slot.BOP[9 * 6 + 4] = 1;          // 22 slot 4: position 4, row 2
    slot.BOP[1 * 6 + 1] = 2;          // only 1 is a mark
    slot.ToothState[3] = int16_t(kToothMissing);
    slot.BOP[3 * 6 + 0] = 1;
    Boxes first, second;
    DrawMarkRows(first.Page(), slot, 0, SlotColour(0), 0);
    DrawMarkRows(second.Page(), slot, 1, SlotColour(1), 0);

    const auto drawn = first.Drawing(0);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0].kind, QStringLiteral("FilledBox"));
    EXPECT_TRUE(Near(drawn[0], {25, 130.5, 35, 143.5}));
    EXPECT_EQ(drawn[0].colour, kYellow);
    EXPECT_EQ(drawn[1].kind, QStringLiteral("Circle")) << "the dot lies on the square";
    EXPECT_TRUE(Near(drawn[1], {30, 137, 2.5}));
    EXPECT_EQ(drawn[1].colour, kRed);
    const auto palatal = first.Of(1, QStringLiteral("Circle"));
    ASSERT_EQ(palatal.size(), 1u);
    EXPECT_TRUE(Near(palatal[0], {40 * 9 + 10 + 10, -8, 2.5}));

    // The second examination one row further in.
    const auto secondDots = second.Of(0, QStringLiteral("Circle"));
    ASSERT_EQ(secondDots.size(), 1u);
    EXPECT_TRUE(Near(secondDots[0], {30, 152, 2.5}));
    EXPECT_EQ(secondDots[0].colour, kGreen);
    EXPECT_TRUE(Near(second.Of(1, QStringLiteral("Circle"))[0], {380, -23, 2.5}));
}

TEST(ChartGrid, MillimetreLinesFromTheCrownRootLine) {
    Boxes boxes;
    DrawBoxGrid(boxes.Box(0), 0);
    DrawBoxGrid(boxes.Box(1), 1);
    for (int k : {0, 1}) {
        const auto lines = boxes.Of(k, QStringLiteral("Line"));
        int verticals = 0, solidVerticals = 0;
        std::map<double, Drawn> horizontals;
        for (const Drawn& l : lines) {
            if (l.at[0] == l.at[2]) {
                ++verticals;
                solidVerticals += l.style == 0;
                EXPECT_EQ(l.at[1], 0);
                EXPECT_EQ(l.at[3], 130);
            } else {
                horizontals[l.at[1]] = l;  // the last line drawn at a height
            }
        }
        EXPECT_EQ(verticals, 63);
        EXPECT_EQ(solidVerticals, 15) << "tooth borders solid, site lines dotted";
        const double line = k == 0 ? 130 : 0;
        const int direction = k == 0 ? -1 : 1;
        EXPECT_EQ(horizontals[line].colour, QStringLiteral("000000"));
        for (int mm = 1; mm <= 12; ++mm) {
            const Drawn& h = horizontals[line + direction * 10 * mm];
            const bool dark = mm == 3 || mm == 6 || mm == 10;
            EXPECT_EQ(h.colour, dark ? QStringLiteral("707070") : QStringLiteral("C0C0C0")) << k << " " << mm;
            EXPECT_EQ(h.style, dark || mm % 2 == 1 ? 2 : 0) << k << " " << mm;
        }
    }
}

TEST(ChartGrid, OnAFinerTargetPensGrowAndDotsBecomeDashes) {
    RecordingTarget fine(TargetKind::Printer, kBoxWidthMm, kBoxHeightMm, 600);
    SetBoxScale(fine, 0);
    DrawBoxGrid(fine, 0);
    const auto lines = test::OfKind(fine.Log(), QStringLiteral("Line"));
    for (const Drawn& l : lines) {
        EXPECT_EQ(l.style, 0);
        EXPECT_EQ(l.width, 6);  // one screen pixel at 600 dpi
    }
    EXPECT_GT(lines.size(), 1000u);
}

TEST(ChartGrid, ABoxOnAPageFillsItsRectangleAndLeavesMillimetres) {
    RecordingTarget page(TargetKind::Printer);
    platform::ApplyDrawingDefaults(page);
    {
        const BoxOnPage place(page, 1, QRectF(44, 60.5, 144, 20));
        const QPointF topLeft = page.ToDevice(0, -70);
        const QPointF bottomRight = page.ToDevice(640, 130);
        EXPECT_NEAR(topLeft.x() / page.PixelsPerMmX(), 44, 1e-6);
        EXPECT_NEAR(topLeft.y() / page.PixelsPerMmY(), 60.5, 1e-6);
        EXPECT_NEAR(bottomRight.x() / page.PixelsPerMmX(), 188, 1e-6);
        EXPECT_NEAR(bottomRight.y() / page.PixelsPerMmY(), 80.5, 1e-6);
    }
    EXPECT_EQ(page.ScaleMode(), platform::kScaleMillimeters);
    EXPECT_NEAR(page.ToDevice(10, 0).x() / page.PixelsPerMmX(), 10, 1e-6);
}

// Pictures whose top-left quarter carries a colour of their own, the rest
// dark grey, so that a probe tells both the picture and the way it faces.
class ToothPictures : public ::testing::Test {
protected:
    void SetUp() override {
        MakeToothPictureNames();
        folder_ = sandbox_.Path() + QStringLiteral("/BMP");
        QDir().mkpath(folder_);
        QStringList names{QStringLiteral("imp.gif")};
        for (const auto* table : {&HeadPicBuccal, &HeadPicLingual, &RootPicBuccal, &RootPicLingual})
            for (const QString& n : *table) names << n;
        names.removeDuplicates();
        for (int i = 0; i < names.size(); ++i) {
            QImage picture(34, 64, QImage::Format_RGB32);
            picture.fill(QColor(60, 60, 60));
            const QColor mark = QColor::fromHsv((i * 37) % 360, 255, 255);
            colours_[names[i]] = mark;
            QPainter(&picture).fillRect(0, 0, 17, 32, mark);
            picture.save(folder_ + u'/' + names[i], "PNG");
        }
        for (int k = 0; k < 4; ++k) {
            images_[k] = std::make_unique<ImageTarget>(QSize(640, 200), 96);
            SetBoxScale(*images_[k], k);
            page_[k] = images_[k].get();
        }
    }

    // The colour at a point of box k given in box units.
    QColor At(int k, double x, double y) const {
        const QPointF p = images_[k]->ToDevice(x, y);
        return images_[k]->Image().pixelColor(int(p.x()), int(p.y()));
    }
    // Where in the cell from (left, top) of w x h units the picture's marked
    // quarter lies: "TL", "TR", "BL", "BR", or "" when the cell shows
    // another picture or none.
    QString Corner(int k, double left, double top, double height, const QString& picture) const {
        const QColor mark = colours_.at(picture);
        const std::pair<const char*, QPointF> corners[] = {
            {"TL", {0.25, 0.25}}, {"TR", {0.75, 0.25}}, {"BL", {0.25, 0.75}}, {"BR", {0.75, 0.75}}};
        for (const auto& [name, f] : corners)
            if (SameColour(At(k, left + 40 * f.x(), top + height * f.y()), mark)) return QString::fromLatin1(name);
        return {};
    }
    static bool SameColour(const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) < 30 && std::abs(a.green() - b.green()) < 30 &&
               std::abs(a.blue() - b.blue()) < 30;
    }
    bool White(int k, double left, double top, double height) const {
        for (double fx : {0.25, 0.75})
            for (double fy : {0.25, 0.75})
                if (At(k, left + 40 * fx, top + height * fy) != QColor(Qt::white)) return false;
        return true;
    }

    test::Sandbox sandbox_;
    QString folder_;
    std::map<QString, QColor> colours_;
    std::array<std::unique_ptr<ImageTarget>, 4> images_;
    PageBoxes page_{};
};

TEST_F(ToothPictures, StatesDecideTheCellsAndTheWayThePicturesFace) {
    ToothPictureFiles files(folder_);
    const int implantUpper = 2, implantLower = 18, pontic = 4, missing = 5, normal = 1;
    PaintToothCells(page_, normal, 0, files, ToothCells::ByState);
    PaintToothCells(page_, implantUpper, int16_t(kToothImplant | kToothMissing), files, ToothCells::ByState);
    PaintToothCells(page_, implantLower, int16_t(kToothImplant), files, ToothCells::ByState);
    PaintToothCells(page_, pontic, int16_t(kToothPontic), files, ToothCells::ByState);
    PaintToothCells(page_, missing, int16_t(kToothMissing), files, ToothCells::ByState);
    PaintToothCells(page_, 8, 0, files, ToothCells::ByState);

    const QString imp = QStringLiteral("imp.gif");
    // A present upper tooth: as stored in the buccal box, upside down behind.
    EXPECT_EQ(Corner(0, 40, 0, 130, RootPicBuccal[normal]), QStringLiteral("TL"));
    EXPECT_EQ(Corner(0, 40, 130, 70, HeadPicBuccal[normal]), QStringLiteral("TL"));
    EXPECT_EQ(Corner(1, 40, 0, 130, RootPicLingual[normal]), QStringLiteral("BL"));
    EXPECT_EQ(Corner(1, 40, -70, 70, HeadPicLingual[normal]), QStringLiteral("BL"));
    // An upper implant (missing set too): "imp.gif" upside down in box 0, as stored in box 1.
    EXPECT_EQ(Corner(0, 80, 0, 130, imp), QStringLiteral("BL"));
    EXPECT_EQ(Corner(1, 80, 0, 130, imp), QStringLiteral("TL"));
    EXPECT_EQ(Corner(0, 80, 130, 70, HeadPicBuccal[implantUpper]), QStringLiteral("TL")) << "its crown stays";
    // A lower implant: upside down in box 2, as stored in box 3.
    EXPECT_EQ(Corner(2, 80, 0, 130, imp), QStringLiteral("BL"));
    EXPECT_EQ(Corner(3, 80, 0, 130, imp), QStringLiteral("TL"));
    // A pontic: both crowns, white roots.
    EXPECT_EQ(Corner(0, 160, 130, 70, HeadPicBuccal[pontic]), QStringLiteral("TL"));
    EXPECT_EQ(Corner(1, 160, -70, 70, HeadPicLingual[pontic]), QStringLiteral("BL"));
    EXPECT_TRUE(White(0, 160, 0, 130));
    EXPECT_TRUE(White(1, 160, 0, 130));
    // A missing tooth: four white cells.
    EXPECT_TRUE(White(0, 200, 0, 130) && White(0, 200, 130, 70) && White(1, 200, -70, 70) && White(1, 200, 0, 130));
    // 21 shows 11's pictures mirrored, in column 8.
    EXPECT_EQ(HeadPicBuccal[8], HeadPicBuccal[7]);
    EXPECT_EQ(Corner(0, 320, 130, 70, HeadPicBuccal[8]), QStringLiteral("TR"));
    EXPECT_EQ(Corner(1, 320, 0, 130, RootPicLingual[8]), QStringLiteral("BR"));

    // The blank form's teeth ignore every state; crowns alone leave the roots.
    PaintToothCells(page_, missing, int16_t(kToothMissing), files, ToothCells::Normal);
    EXPECT_EQ(Corner(0, 200, 0, 130, RootPicBuccal[missing]), QStringLiteral("TL"));
    PaintToothCells(page_, implantUpper, 0, files, ToothCells::CrownsOnly);
    EXPECT_EQ(Corner(0, 80, 0, 130, imp), QStringLiteral("BL")) << "the root cell is left as it was";
}

TEST_F(ToothPictures, EachFileIsReadOnceAndAMissingOneLeavesAWhiteCellNamedOnce) {
    ASSERT_TRUE(QFile::remove(folder_ + u'/' + HeadPicBuccal[1]));
    ToothPictureFiles files(folder_);
    // The missing file is named in the program's log.
    const QString programDir = std::exchange(G().ProgramDir, folder_);
    for (int round = 0; round < 2; ++round)
        for (int t = 0; t < 32; ++t) PaintToothCells(page_, t, 0, files, ToothCells::ByState);
    G().ProgramDir = programDir;
    QFile log(folder_ + QStringLiteral("/Log_MOX.txt"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString errors = QString::fromUtf8(log.readAll());
    EXPECT_EQ(errors.count(HeadPicBuccal[1]), 1) << errors.toStdString();
    // 17's crown is white, not the crown of 18 painted just before it.
    EXPECT_TRUE(White(0, 40, 130, 70));
    EXPECT_EQ(Corner(0, 0, 130, 70, HeadPicBuccal[0]), QStringLiteral("TL"));

    QStringList distinct{QStringLiteral("imp.gif")};
    for (const auto* table : {&HeadPicBuccal, &HeadPicLingual, &RootPicBuccal, &RootPicLingual})
        for (const QString& n : *table) distinct << n;
    distinct.removeDuplicates();
    // imp.gif is not needed without implants; the missing file is never decoded.
    EXPECT_EQ(files.Decoded(), distinct.size() - 2);
}

}  // namespace
}  // namespace mox
