// Each mode is painted through the control's own window and probed pixel by
// pixel: cell backgrounds, value colours, marks, focus and guide lines.

#include "controls/tooth_button/tooth_button_painter.h"
#include "platform/gui/colour.h"
#include "tests/controls/tooth_button/tooth_button_test_support.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace mox::molarix;
using mox::molarix::test::Button;

namespace {

// COLORREF 0x00BBGGRR as the RGB the image holds.
QRgb Ref(uint32_t c) { return mox::platform::FromVbColor(c).rgb(); }

const QRgb kWhiteRgb = qRgb(255, 255, 255);
const QRgb kGreyRgb = qRgb(0xC0, 0xC0, 0xC0);
const QRgb kBlackRgb = qRgb(0, 0, 0);
const QRgb kCyanRgb = qRgb(0, 255, 255);
const QRgb kBlueRgb = qRgb(0, 0, 255);
const QRgb kRedRgb = qRgb(255, 0, 0);

QRgb At(const QImage& img, int x, int y) { return (img.pixel(x, y) & 0xFFFFFF) | 0xFF000000; }

int Count(const QImage& img, const QRect& r, QRgb colour) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += At(img, x, y) == colour;
    return n;
}

// The horizontal extent of pixels that are not `background`.
int InkWidth(const QImage& img, const QRect& r, QRgb background) {
    int left = r.right() + 1, right = r.left() - 1;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (At(img, x, y) != background) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    return right >= left ? right - left + 1 : 0;
}

const QRect kInside(1, 1, 45, 45);
// Six-site cells of a 47 × 47 face, without their outer edge pixels.
QRect Cell(int site) {
    const int x0 = (site % 3) * 15, x1 = site % 3 == 2 ? 47 : x0 + 15;
    const int y0 = site < 3 ? 0 : 23, y1 = site < 3 ? 23 : 47;
    return QRect(x0 + 1, y0 + 1, x1 - x0 - 2, y1 - y0 - 2);
}

}  // namespace

TEST(ToothButtonPaint, NewControlIsWhiteInABlackFrame) {
    Button b;
    const QImage img = b.Grab();
    ASSERT_EQ(img.size(), QSize(47, 47));
    for (QPoint p : {QPoint(0, 0), QPoint(46, 0), QPoint(0, 46), QPoint(46, 46), QPoint(23, 0), QPoint(0, 23)})
        EXPECT_EQ(At(img, p.x(), p.y()), kBlackRgb);
    EXPECT_EQ(Count(img, kInside, kWhiteRgb), 45 * 45);
}

TEST(ToothButtonPaint, UnknownModeDrawsOnlyTheFrame) {
    Button b;
    b.Put(kDispExamMode, 14);
    const QImage img = b.Grab();
    EXPECT_EQ(At(img, 0, 0), kBlackRgb);
    EXPECT_EQ(Count(img, kInside, qRgb(0xF0, 0xF0, 0xF0)), 45 * 45);
}

TEST(ToothButtonPaint, SingleValueWithoutValueIsGreyWhateverTheFlags) {
    Button b;
    b.Put(kDispExamMode, 1);
    for (int row = 1; row < 4; ++row) b.SetData(row, 0, 1);
    const QImage img = b.Grab();
    EXPECT_EQ(Count(img, kInside, kGreyRgb), 45 * 45);
}

TEST(ToothButtonPaint, SingleValueColoursByFlagAndBand) {
    Button b;
    b.Put(kDispExamMode, 2);
    b.SetData(0, 0, 10);
    b.SetData(1, 0, 1);
    b.SetData(2, 0, 1);
    b.SetData(3, 0, 1);
    const QImage img = b.Grab();
    const QRgb highlight = Ref(0xC0FFFF);
    EXPECT_EQ(At(img, 3, 40), highlight);
    // VC1 (red) OR the band-2 grey 0x404040.
    EXPECT_GT(Count(img, kInside, Ref(0x0000FF | 0x404040)), 20);
    EXPECT_EQ(At(img, 23, 8), kBlackRgb);  // the dot above the value
    EXPECT_EQ(Count(img, QRect(1, 1, 45, 5), kBlackRgb), 0);

    // Without the flags: white face, VC0 black OR band 2.
    b.SetData(0, 0, 10);
    b.SetData(1, 0, 0);
    b.SetData(2, 0, 0);
    b.SetData(3, 0, 0);
    const QImage plain = b.Grab();
    EXPECT_EQ(At(plain, 3, 40), kWhiteRgb);
    EXPECT_GT(Count(plain, kInside, Ref(0x404040)), 20);
    EXPECT_EQ(Count(plain, kInside, kBlackRgb), 0);
}

TEST(ToothButtonPaint, ModeElevenPrintsNegativeValues) {
    Button b;
    b.Put(kDispExamMode, 11);
    const QImage img = b.Grab();  // Data(0, 0) is -1: printed in band 0's grey
    EXPECT_EQ(At(img, 3, 40), kWhiteRgb);
    EXPECT_GT(Count(img, kInside, Ref(0xE0E0E0)), 20);
    b.SetData(0, 0, 128);
    EXPECT_EQ(Count(b.Grab(), kInside, kGreyRgb), 45 * 45);
}

TEST(ToothButtonPaint, FocusOverlayOnSingleValues) {
    Button b;
    b.Put(kDispExamMode, 1);
    b.SetData(0, 0, 3);
    b.Put(kDispFocusItem, 0);
    const QImage img = b.Grab();
    EXPECT_EQ(At(img, 23, 40), qRgb(0x80, 0xFF, 0xFF));  // white under the overlay
    EXPECT_EQ(At(img, 1, 23), kBlueRgb);                 // its border
    b.Put(kDispFocusItem, -1);
    EXPECT_EQ(At(b.Grab(), 23, 40), kWhiteRgb);
}

TEST(ToothButtonPaint, SixSitesPrintInBandColour) {
    Button b;
    b.Put(kDispExamMode, 3);
    b.SetData(0, 0, 10);
    const QImage img = b.Grab();
    EXPECT_GT(Count(img, Cell(0), Ref(0x404040)), 10);
    EXPECT_EQ(Count(img, kInside, kBlackRgb), 0);
    // Sites without a value show a grey "-" on white with the plain recording.
    EXPECT_EQ(At(img, Cell(4).left() + 1, Cell(4).bottom()), kWhiteRgb);
    EXPECT_GT(Count(img, Cell(4), kGreyRgb), 0);
    EXPECT_LT(Count(img, Cell(4), kGreyRgb), 20);

    b.Put(kDispSystemType, 1);
    EXPECT_EQ(Count(b.Grab(), Cell(4), kGreyRgb), Cell(4).width() * Cell(4).height());
}

TEST(ToothButtonPaint, SixSitesFocusFlagsAndMarks) {
    Button b;
    b.Put(kDispExamMode, 3);
    b.Put(kDispSystemType, 1);
    for (int site = 0; site < 6; ++site) b.SetData(0, site, 2);
    b.SetData(1, 1, 1);  // bleeding: VC1
    b.SetData(2, 2, 1);  // highlighted
    b.SetData(3, 3, 1);  // dot
    b.Put(kDispFocusItem, 4);
    QImage img = b.Grab();
    // Focused cell: cyan, framed in blue on its inner edges.
    EXPECT_EQ(At(img, 17, 44), kCyanRgb);
    EXPECT_EQ(At(img, 15, 35), kBlueRgb);
    EXPECT_EQ(At(img, 29, 35), kBlueRgb);
    EXPECT_EQ(At(img, 22, 23), kBlueRgb);
    EXPECT_GT(Count(img, Cell(1), Ref(0x0000FF | 0xE0E0E0)), 5);
    EXPECT_EQ(At(img, 31, 20), Ref(0xC0FFFF));
    // The dot sits between the cell top and the text top, on the anchor.
    EXPECT_EQ(At(img, 7, 26), kBlackRgb);
    EXPECT_EQ(Count(img, Cell(0), kBlackRgb), 0);

    // Focused and highlighted: light green.
    b.Put(kDispFocusItem, 2);
    img = b.Grab();
    EXPECT_EQ(At(img, 44, 20), Ref(0xC0FFC0));
    EXPECT_EQ(At(img, 17, 44), kWhiteRgb);
}

TEST(ToothButtonPaint, SixSitesWithoutValuesShowOnlyTheFocus) {
    Button b;
    b.Put(kDispExamMode, 9);
    b.Put(kDispFocusItem, 2);
    QImage img = b.Grab();
    EXPECT_EQ(At(img, 5, 5), kGreyRgb);
    EXPECT_EQ(At(img, 38, 12), kCyanRgb);
    EXPECT_EQ(At(img, 30, 12), kBlueRgb);

    // All sites disabled count as no values too.
    for (int site = 0; site < 6; ++site) {
        b.SetData(0, site, 4);
        b.Put(kDispUsePosition, {site}, 0);
    }
    img = b.Grab();
    EXPECT_EQ(At(img, 5, 5), kGreyRgb);
}

TEST(ToothButtonPaint, ComparisonBandAboveTheValue) {
    Button b;
    b.Put(kDispExamMode, 3);
    b.SetData(0, 0, 5);
    b.Put(kDispCompData, {0}, 1);
    b.Put(kDispCompData, {1}, 7);  // no such colour: no band
    b.SetData(0, 1, 5);
    const QImage img = b.Grab();
    EXPECT_EQ(At(img, 7, 2), kRedRgb);
    EXPECT_EQ(At(img, 22, 2), kWhiteRgb);
}

TEST(ToothButtonPaint, PlaqueTriangles) {
    Button b;
    b.Put(kDispExamMode, 4);
    EXPECT_EQ(Count(b.Grab(), kInside, kGreyRgb), 45 * 45);  // no finding
    b.Put(kDispPlaqueData, 5);
    QImage img = b.Grab();
    EXPECT_EQ(At(img, 23, 4), kRedRgb);     // top
    EXPECT_EQ(At(img, 43, 23), kRedRgb);    // right
    EXPECT_EQ(At(img, 4, 23), kWhiteRgb);   // left
    EXPECT_EQ(At(img, 23, 43), kWhiteRgb);  // bottom

    b.Put(kDispSystemType, 1);
    b.Put(kDispPlaqueUnTreat, 8);
    b.Put(kDispPlaqueData, 5);
    img = b.Grab();
    EXPECT_EQ(At(img, 23, 43), kGreyRgb);
    EXPECT_EQ(At(img, 23, 4), kRedRgb);
}

TEST(ToothButtonPaint, CheckMark) {
    Button b;
    b.Put(kDispExamMode, 0);
    EXPECT_EQ(Count(b.Grab(), kInside, kGreyRgb), 45 * 45);
    b.SetData(0, 0, 1);
    QImage img = b.Grab();
    EXPECT_GT(Count(img, QRect(11, 11, 24, 24), kBlackRgb), 20);
    EXPECT_EQ(Count(img, QRect(1, 1, 45, 9), kWhiteRgb), 45 * 9);
    b.SetData(0, 0, 0);
    EXPECT_EQ(Count(b.Grab(), kInside, kWhiteRgb), 45 * 45);
}

TEST(ToothButtonPaint, CheckCells) {
    Button b;
    b.Put(kDispExamMode, 5);
    b.Put(kDispFocusItem, 1);
    QImage img = b.Grab();
    EXPECT_EQ(At(img, 5, 40), kGreyRgb);
    EXPECT_EQ(At(img, 22, 12), qRgb(0x80, 0xFF, 0xFF));  // the focus picture copied plainly

    for (int site = 0; site < 6; ++site) b.SetData(0, site, std::vector<int>{1, 0, -1, 1, 1, 1}[site]);
    b.Put(kDispUsePosition, {5}, 0);
    b.Put(kDispFocusItem, 4);
    img = b.Grab();
    EXPECT_GT(Count(img, Cell(0), kBlackRgb), 10);
    EXPECT_EQ(At(img, 22, 12), kWhiteRgb);
    EXPECT_GT(Count(img, Cell(2), Ref(0xE0E0E0)), 50);
    EXPECT_EQ(Count(img, Cell(5), kGreyRgb), Cell(5).width() * Cell(5).height());
    EXPECT_GT(Count(img, Cell(4), qRgb(0x80, 0xFF, 0xFF)), 50);  // AND overlay on the checked cell
    EXPECT_GT(Count(img, Cell(4), kBlackRgb), 10);               // the check stays visible
}

TEST(ToothButtonPaint, FurcationPremolarShowsMesialAndDistalOnly) {
    Button b;
    b.Put(kDispExamMode, 6);
    b.Put(kDispSystemType, 1);
    b.Put(kDispRoot, 21);
    b.SetData(0, 1, 3);  // not a site of a premolar
    QImage img = b.Grab();
    for (int y = 1; y < 46; ++y) ASSERT_EQ(At(img, 23, y), kBlackRgb) << y;
    EXPECT_EQ(Count(img, QRect(1, 1, 21, 45), kGreyRgb), 21 * 45);
    EXPECT_EQ(Count(img, QRect(25, 1, 21, 45), kGreyRgb), 21 * 45);

    b.Put(kDispGradationPart, {0}, 0);  // band 1 for every numeral: 0x909090
    b.SetData(0, 0, 2);
    b.SetData(0, 2, 1);
    b.Put(kDispFocusItem, 2);
    img = b.Grab();
    const int left = Count(img, QRect(1, 1, 21, 45), Ref(0x909090));
    const int right = Count(img, QRect(25, 1, 21, 45), Ref(0x909090));
    EXPECT_GT(left, right);  // Ⅱ has more ink than Ⅰ
    EXPECT_GT(right, 5);
    EXPECT_EQ(At(img, 44, 44), kCyanRgb);
    EXPECT_EQ(At(img, 2, 44), kWhiteRgb);
}

TEST(ToothButtonPaint, FurcationGuideLinesByRoot) {
    Button b;
    b.Put(kDispExamMode, 6);
    b.Put(kDispRoot, 3);
    QImage img = b.Grab();
    EXPECT_EQ(At(img, 23, 40), kBlackRgb);                     // the stem below the fork at (23, 30)
    EXPECT_GT(Count(img, QRect(10, 15, 4, 1), kBlackRgb), 0);  // the left guide from (0, 0)
    EXPECT_GT(Count(img, QRect(33, 15, 4, 1), kBlackRgb), 0);
    b.Put(kDispRoot, 22);
    img = b.Grab();
    for (int x = 1; x < 46; ++x) ASSERT_EQ(At(img, x, 23), kBlackRgb) << x;
    b.Put(kDispRoot, -1);
    EXPECT_EQ(Count(b.Grab(), kInside, kGreyRgb), 45 * 45);
}

TEST(ToothButtonPaint, TwoValuesInRedAndBlack) {
    Button b;
    b.Put(kDispExamMode, 12);
    b.SetData(0, 1, 4);
    b.SetData(0, 4, 7);
    QImage img = b.Grab();
    EXPECT_GT(Count(img, QRect(1, 1, 45, 22), kRedRgb), 10);
    EXPECT_EQ(Count(img, QRect(1, 1, 45, 22), kBlackRgb), 0);
    EXPECT_GT(Count(img, QRect(1, 24, 45, 22), kBlackRgb), 10);

    b.SetData(0, 4, -1);
    b.Put(kDispFocusItem, 4);
    img = b.Grab();
    EXPECT_EQ(At(img, 5, 40), kCyanRgb);
    EXPECT_EQ(At(img, 5, 5), kWhiteRgb);
}

TEST(ToothButtonPaint, QuadrantWithDecimal) {
    Button b;
    b.Put(kDispExamMode, 13);
    b.SetData(0, 1, 3);
    b.SetData(2, 1, 0);
    const QRect topRight(24, 1, 22, 21);
    const int plain = InkWidth(b.Grab(), topRight, kWhiteRgb);
    b.SetData(1, 1, 5);
    b.SetData(2, 1, 1);
    const QImage img = b.Grab();
    const int decimal = InkWidth(img, topRight, kWhiteRgb);
    EXPECT_GT(plain, 3);
    EXPECT_GT(decimal, plain * 2);                                  // "3.5" against "3"
    EXPECT_EQ(Count(img, QRect(1, 1, 21, 21), kGreyRgb), 21 * 21);  // no value in cell 0

    b.Put(kDispFocusItem, 1);
    const QImage focused = b.Grab();
    EXPECT_EQ(At(focused, 23, 10), kBlueRgb);
    EXPECT_EQ(At(focused, 40, 22), kBlueRgb);
    EXPECT_EQ(At(focused, 44, 19), kCyanRgb);
}

// Each size makes fonts of its own; a button painted after many other sizes
// still prints its numerals. The fonts of one paint must stay valid while it
// makes more (a memory checker sees the freed font otherwise).
TEST(ToothButtonPaintSizes, ManySizesKeepTheirFonts) {
    mox::molarix::test::UseFontSubstitutes();
    auto paint = [](ToothButtonState& s, int h) {
        QImage img(h, h, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        PaintToothButton(p, s, h, h, 72);
        p.end();
        return img;
    };
    ToothButtonState single;
    single.examMode = 1;
    single.SetData(0, 0, 5);
    paint(single, 300);
    for (int h = 40; h < 200; h += 2) {
        ToothButtonState s;
        s.examMode = 6;
        s.root = 21;
        s.brightness[0] = 0;
        s.SetData(0, 0, 2);
        const QImage img = paint(s, h);
        ASSERT_GT(Count(img, QRect(1, 1, h / 2 - 2, h - 2), kBlackRgb), 3) << h;
    }
}
