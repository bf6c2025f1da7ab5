// The six-site family (modes 3, 9 and 10) across every site: a value shows
// in its own cell and nowhere else, in the colours of its band and flags, and
// mode 10 keeps its own idea of "no value" (128) and of a flag (= 1).

#include "controls/tooth_button/tooth_button_painter.h"
#include "platform/gui/colour.h"
#include "tests/controls/tooth_button/tooth_button_test_support.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPainter>

using namespace mox::molarix;
using mox::platform::FromVbColor;

namespace {

constexpr int kSize = 47;

QImage Face(const ToothButtonState& s) {
    QImage face(kSize, kSize, QImage::Format_RGB32);
    face.fill(Qt::magenta);
    QPainter p(&face);
    PaintToothButton(p, s, kSize, kSize, 96);
    return face;
}

// A site's cell of a 47 × 47 face without its edge pixels, where focus
// frames and neighbours' lines would fall.
QRect Cell(int site) {
    const int x0 = (site % 3) * 15, x1 = site % 3 == 2 ? kSize : x0 + 15;
    const int y0 = site < 3 ? 0 : kSize / 2, y1 = site < 3 ? kSize / 2 : kSize;
    return QRect(x0 + 1, y0 + 1, x1 - x0 - 2, y1 - y0 - 2);
}

bool SameIn(const QImage& a, const QImage& b, const QRect& r) {
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

int Count(const QImage& img, const QRect& r, uint32_t vbColour) {
    const QRgb want = FromVbColor(vbColour).rgb();
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += img.pixel(x, y) == want;
    return n;
}

// The cell's lower left corner: below the value, where only the background is.
QRgb Background(const QImage& img, int site) { return img.pixel(Cell(site).bottomLeft()); }

// Grey cells for sites without a value, and one other site holding a value
// so that the face is drawn site by site rather than greyed out whole.
ToothButtonState Base(int mode, int site) {
    ToothButtonState s;
    s.examMode = mode;
    s.systemType = 1;
    s.data[0].fill(mode == 10 ? 128 : -1);
    s.data[0][(site + 3) % 6] = 2;
    return s;
}

}  // namespace

TEST(ToothButtonGallery, SixSiteModesDrawEachValueInItsOwnCell) {
    test::UseFontSubstitutes();
    for (int mode : {3, 9, 10}) {
        for (int site = 0; site < 6; ++site) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << " site " << site);
            const ToothButtonState base = Base(mode, site);
            ToothButtonState withValue = base;
            withValue.data[0][site] = 5;
            const QImage before = Face(base), after = Face(withValue);

            for (int other = 0; other < 6; ++other) {
                if (other == site) continue;
                EXPECT_TRUE(SameIn(before, after, Cell(other))) << "cell " << other << " changed";
            }
            EXPECT_EQ(Background(before, site), FromVbColor(kGrey).rgb());
            EXPECT_EQ(Background(after, site), FromVbColor(kWhite).rgb());
            // 5 is in the second band: black OR 0x909090.
            EXPECT_GT(Count(after, Cell(site), 0x909090), 10);
            EXPECT_EQ(Count(before, Cell(site), 0x909090), 0);
        }
    }
}

TEST(ToothButtonGallery, ModeTenTakesOnly128AsNoValueAndOnlyOneAsAFlag) {
    test::UseFontSubstitutes();
    const int site = 4;
    auto face = [&](int mode, int value, int bleeding, int highlight) {
        ToothButtonState s = Base(mode, site);
        s.data[0][site] = value;
        s.data[1][site] = bleeding;
        s.data[2][site] = highlight;
        return Face(s);
    };
    const uint32_t highlightBack = ToothButtonState().valueColor[2];
    const uint32_t bleedingInk = ToothButtonState().valueColor[1] | 0x909090;

    // -1 is a value in mode 10 (printed), no value in mode 3 (grey cell).
    EXPECT_EQ(Background(face(10, -1, 0, 0), site), FromVbColor(kWhite).rgb());
    EXPECT_EQ(Background(face(3, -1, 0, 0), site), FromVbColor(kGrey).rgb());
    EXPECT_EQ(Background(face(10, 128, 0, 0), site), FromVbColor(kGrey).rgb());

    // Flag rows: mode 10 counts only 1, mode 3 any positive number.
    EXPECT_EQ(Background(face(10, 5, 0, 2), site), FromVbColor(kWhite).rgb());
    EXPECT_EQ(Background(face(10, 5, 0, 1), site), FromVbColor(highlightBack).rgb());
    EXPECT_EQ(Background(face(3, 5, 0, 2), site), FromVbColor(highlightBack).rgb());
    EXPECT_EQ(Count(face(10, 5, 2, 0), Cell(site), bleedingInk), 0);
    EXPECT_GT(Count(face(10, 5, 1, 0), Cell(site), bleedingInk), 10);
    EXPECT_GT(Count(face(3, 5, 2, 0), Cell(site), bleedingInk), 10);
}
