#include "printing/tooth_images.h"

#include "core/tooth_tables.h"
#include "platform/gui/painter_target.h"
#include "platform/gui/recording_target.h"
#include "platform/message_box.h"
#include "tests/printing/recorded_drawing.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <set>

namespace mox {
namespace {

using platform::TargetKind;
using test::Drawn;

// Test pictures, told apart by their size: crowns 34 x 31, roots 34 x 63,
// the implant 30 x 60. Each is white with its top-left quarter in a colour
// of its own file, so that the page shows which picture landed where and
// which way round.
constexpr QSize kCrownSize(34, 31);
constexpr QSize kRootSize(34, 63);
constexpr QSize kImplantSize(30, 60);

QColor MarkerOf(const QString& name) { return QColor::fromHsv(static_cast<int>(qHash(name) % 360), 255, 200); }

enum Corner { kTopLeft, kTopRight, kBottomLeft, kBottomRight };

class ToothImages : public ::testing::Test {
protected:
    void SetUp() override {
        QDir(sandbox_.Path()).mkpath(QStringLiteral("BMP"));
        for (int t = 0; t < 32; ++t) {
            for (const auto* table : {&HeadPicBuccal, &HeadPicLingual}) WritePicture((*table)[t], kCrownSize);
            for (const auto* table : {&RootPicBuccal, &RootPicLingual}) WritePicture((*table)[t], kRootSize);
        }
        WritePicture(QStringLiteral("imp.gif"), kImplantSize);
        states_.fill(0);
    }
    // The pictures of this test's folder, as a print of the process finds them.
    ToothPictureFiles& Pictures() { return ToothPictureFiles::Of(sandbox_.File(QStringLiteral("BMP"))); }

    // The routine reads whatever image the file holds; Qt writes no GIF, so
    // the test pictures are PNG data under the GIF names.
    void WritePicture(const QString& name, QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter(&image).fillRect(0, 0, size.width() / 2, size.height() / 2, MarkerOf(name));
        image.save(sandbox_.File(QStringLiteral("BMP/") + name), "PNG");
    }

    // The chart screen's block at (5, 5).
    ChartLayout layout_ = SetupChartLayout(-1, 24, 22.5f, 1, 0, 13, 33, 64, 84, 144, 13, 7);
    ToothStatusWords states_{};
    QImage load_, flip_;
    test::Sandbox sandbox_;
};

// The quarter of the rectangle (mm on a 10-pixel-per-mm page) that shows
// the picture's marker, or -1 when no quarter or several do.
int MarkerCorner(const QImage& page, const QString& name, double x, double y, double w, double h) {
    const QColor marker = MarkerOf(name);
    std::vector<int> corners;
    for (int corner : {kTopLeft, kTopRight, kBottomLeft, kBottomRight}) {
        const double cx = x + w * (corner == kTopRight || corner == kBottomRight ? 0.75 : 0.25);
        const double cy = y + h * (corner == kBottomLeft || corner == kBottomRight ? 0.75 : 0.25);
        const QColor seen = page.pixelColor(int(cx * 10), int(cy * 10));
        if (std::abs(seen.red() - marker.red()) + std::abs(seen.green() - marker.green()) +
                std::abs(seen.blue() - marker.blue()) <
            30)
            corners.push_back(corner);
    }
    return corners.size() == 1 ? corners[0] : -1;
}

TEST_F(ToothImages, EachRowShowsItsViewTurnedAsTheChartNeedsIt) {
    states_[3] = int16_t(kToothImplant);   // 15 in rows 0 and 1
    states_[19] = int16_t(kToothImplant);  // 45 in rows 2 and 3
    platform::ImageTarget page(200, 130, 254);
    platform::ApplyDrawingDefaults(page);
    PrintToothImages(page, layout_, states_, 3, 3, 3, 3, Pictures(), load_, flip_);
    const QImage& image = page.Image();

    struct Expected {
        int row;
        int column;
        QString root;
        int rootCorner;
        QString crown;
        int crownCorner;
    };
    const Expected cases[] = {
        // Row 0, upper buccal: the right half as stored (roots up, crowns' edges down),
        // the left half mirrored; 11 and 21 from the same pictures.
        {0, 2, "16_b_r.gif", kTopLeft, "16_b_h.gif", kTopLeft},
        {0, 7, "11_b_r.gif", kTopLeft, "11_b_h.gif", kTopLeft},
        {0, 8, "11_b_r.gif", kTopRight, "11_b_h.gif", kTopRight},
        // An upper implant points up, the other way round from the stored picture.
        {0, 3, "imp.gif", kBottomLeft, "15_b_h.gif", kTopLeft},
        // Row 1, upper palatal: turned top to bottom, roots hanging from the band line.
        {1, 2, "16_l_r.gif", kBottomLeft, "16_l_h.gif", kBottomLeft},
        {1, 13, "16_l_r.gif", kBottomRight, "16_l_h.gif", kBottomRight},
        {1, 3, "imp.gif", kTopLeft, "15_l_h.gif", kBottomLeft},
        // Row 2, lower lingual: turned top to bottom; a lower implant as a natural root.
        {2, 3, "imp.gif", kBottomLeft, "45_l_h.gif", kBottomLeft},
        {2, 4, "44_l_r.gif", kBottomLeft, "44_l_h.gif", kBottomLeft},
        // Row 3, lower buccal: as stored (roots down, edges up), the left half mirrored.
        {3, 3, "imp.gif", kTopLeft, "45_b_h.gif", kTopLeft},
        {3, 14, "47_b_r.gif", kTopRight, "47_b_h.gif", kTopRight},
    };
    for (const Expected& e : cases) {
        const double x = layout_.Left + layout_.PicOffset + 9 * e.column;
        const double band = layout_.BandY[e.row];
        const bool rootsAbove = e.row == 0 || e.row == 2;
        const double rootTop = rootsAbove ? band - 13 : band;
        const double crownTop = rootsAbove ? band : band - layout_.CrownPicHeight;
        EXPECT_EQ(MarkerCorner(image, e.root, x, rootTop, layout_.PicWidth, 13), e.rootCorner)
            << "row " << e.row << " column " << e.column << " root " << e.root.toStdString();
        EXPECT_EQ(MarkerCorner(image, e.crown, x, crownTop, layout_.PicWidth, layout_.CrownPicHeight), e.crownCorner)
            << "row " << e.row << " column " << e.column << " crown " << e.crown.toStdString();
    }
}

class PicturesByStatus : public ToothImages {
protected:
    // Per row and column, which pictures were printed: 'c' crown, 'r' root, 'i' implant.
    std::map<std::pair<int, int>, QString> Printed(int16_t m0 = 3, int16_t m1 = 3, int16_t m2 = 3, int16_t m3 = 3) {
        platform::RecordingTarget printer(TargetKind::Printer);
        platform::ApplyDrawingDefaults(printer);
        PrintToothImages(printer, layout_, states_, m0, m1, m2, m3, Pictures(), load_, flip_);
        std::map<std::pair<int, int>, QString> printed;
        for (const Drawn& d : test::OfKind(printer.Log(), QStringLiteral("Picture"))) {
            const QSize size(int(d.at[0]), int(d.at[1]));
            const int column = static_cast<int>(std::lround((d.at[2] - layout_.Left - layout_.PicOffset) / 9));
            int row = 0;
            for (int r = 1; r < 4; ++r)
                if (std::abs(d.at[3] + d.at[5] / 2 - layout_.BandY[r]) < 14) row = r;
            printed[{row, column}] += size == kCrownSize  ? QLatin1Char('c')
                                      : size == kRootSize ? QLatin1Char('r')
                                                          : QLatin1Char('i');
        }
        return printed;
    }
};

TEST_F(PicturesByStatus, ImplantPonticMissingAndDeciduousTeeth) {
    states_[0] = int16_t(kToothMissing);                  // 18: nothing
    states_[1] = int16_t(kToothMissing | kToothPontic);   // 17: crown only
    states_[2] = int16_t(kToothMissing | kToothImplant);  // 16: crown over the implant
    states_[3] = int16_t(kToothDeciduous);                // 15 (E): as a permanent tooth
    states_[16] = int16_t(kToothImplant | kToothPontic);  // 48: the implant wins
    const auto printed = Printed();
    for (int row : {0, 1}) {
        EXPECT_EQ(printed.count({row, 0}), 0u);
        EXPECT_EQ(printed.at({row, 1}), QStringLiteral("c"));
        EXPECT_EQ(printed.at({row, 2}), QStringLiteral("ic"));  // the root first, then the crown
        EXPECT_EQ(printed.at({row, 3}), QStringLiteral("rc"));
    }
    for (int row : {2, 3}) EXPECT_EQ(printed.at({row, 0}), QStringLiteral("ic"));
    EXPECT_EQ(printed.size(), 4u * 16 - 2);
}

TEST_F(PicturesByStatus, PictureModeChoosesCrownsRootsBothOrNothing) {
    states_[5] = int16_t(kToothImplant);
    const auto printed = Printed(1, 2, 0, 4);
    std::set<QString> row0, row1;
    for (const auto& [where, pictures] : printed) {
        EXPECT_LT(where.first, 2) << "rows with modes 0 and 4 print nothing";
        (where.first == 0 ? row0 : row1).insert(pictures);
    }
    EXPECT_EQ(row0, (std::set<QString>{QStringLiteral("c")}));                       // no implant either
    EXPECT_EQ(row1, (std::set<QString>{QStringLiteral("r"), QStringLiteral("i")}));  // roots only
}

TEST_F(PicturesByStatus, PicturesFillTheirPlacesOnTheBandLine) {
    platform::RecordingTarget printer(TargetKind::Printer);
    platform::ApplyDrawingDefaults(printer);
    PrintToothImages(printer, layout_, states_, 3, 0, 0, 0, Pictures(), load_, flip_);
    const auto pictures = test::OfKind(printer.Log(), QStringLiteral("Picture"));
    ASSERT_EQ(pictures.size(), 32u);
    const Drawn& root = pictures[0];
    const Drawn& crown = pictures[1];
    EXPECT_NEAR(root.at[2], layout_.Left + 0.9921, 1e-3);
    EXPECT_NEAR(root.at[3], layout_.BandY[0] - 13, 1e-3);
    EXPECT_NEAR(root.at[4], 7.0159, 1e-3);
    EXPECT_NEAR(root.at[5], 13, 1e-3);
    EXPECT_NEAR(crown.at[3], layout_.BandY[0], 1e-3);
    EXPECT_NEAR(crown.at[5], 6.3968, 1e-3);
    // Both work surfaces keep the last picture: the loaded 28 crown, and its mirror image.
    EXPECT_EQ(load_.size(), kCrownSize);
    EXPECT_EQ(flip_, load_.mirrored(true, false));
}

TEST_F(PicturesByStatus, AMissingOrBrokenPictureLeavesOutOnlyItselfWithOneBox) {
    QFile::remove(sandbox_.File(QStringLiteral("BMP/18_b_h.gif")));
    sandbox_.WriteText(QStringLiteral("BMP/17_b_r.gif"), "GIF89a not a picture");
    platform::ScriptedMsgBoxes boxes;
    const auto printed = Printed();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    // The box names the first picture that failed: the root of 18, printed before its crown.
    const platform::ShownBox& box = boxes.Shown()[0];
    EXPECT_EQ(box.style, 0);
    EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("エラー発生: 481\r\n\r\n"))) << box.prompt.toStdString();
    EXPECT_TRUE(box.prompt.contains(sandbox_.File(QStringLiteral("BMP/17_b_r.gif"))));
    // 18 and 28 share the lost crown, 18, 17, 27 and 28 the broken root; every
    // other picture of the block is there.
    EXPECT_EQ(printed.count({0, 0}), 0u);
    EXPECT_EQ(printed.at({0, 1}), QStringLiteral("c"));
    EXPECT_EQ(printed.at({0, 14}), QStringLiteral("c"));
    EXPECT_EQ(printed.count({0, 15}), 0u);
    EXPECT_EQ(printed.at({0, 2}), QStringLiteral("rc"));
    EXPECT_EQ(printed.at({1, 0}), QStringLiteral("rc"));
    EXPECT_EQ(printed.at({3, 15}), QStringLiteral("rc"));
    EXPECT_EQ(printed.size(), 64u - 2);
    // The next block reports again, once.
    boxes.Clear();
    Printed();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    // A missing file is reported with its own number.
    WritePicture(QStringLiteral("17_b_r.gif"), kRootSize);
    boxes.Clear();
    Printed();
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(boxes.Shown()[0].prompt.startsWith(QStringLiteral("エラー発生: 2\r\n\r\n")));
    EXPECT_TRUE(boxes.Shown()[0].prompt.contains(sandbox_.File(QStringLiteral("BMP/18_b_h.gif"))));
}

}  // namespace
}  // namespace mox
