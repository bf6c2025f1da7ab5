#include "platform/gui/draw_target.h"
#include "platform/gui/colour.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/painter_target.h"
#include "platform/gui/recording_target.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QFontInfo>
#include <cmath>
#include <numbers>

using namespace mox::platform;

namespace {

class DrawTargets : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterFontSubstitutes(); }
};

bool IsDark(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

// The ink of an image: the smallest rectangle holding every dark pixel.
QRect InkBox(const QImage& image) {
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (IsDark(image, x, y)) box |= QRect(x, y, 1, 1);
    return box;
}

}  // namespace

TEST_F(DrawTargets, DefaultsPutTheTargetInMillimetres) {
    RecordingTarget target(TargetKind::Printer, 210, 297, 600);
    target.SetForeColor(0xFF);
    target.SetFillStyle(kFillSolid);
    ApplyDrawingDefaults(target);
    EXPECT_EQ(target.ScaleMode(), kScaleMillimeters);
    EXPECT_NEAR(target.ScaleWidth(), 210, 1e-9);
    EXPECT_NEAR(target.ScaleHeight(), 297, 1e-9);
    EXPECT_EQ(target.ForeColor(), 0u);
    EXPECT_EQ(target.DrawWidth(), 1);
    EXPECT_EQ(target.DrawMode(), 13);
    EXPECT_EQ(target.DrawStyle(), kSolid);
    EXPECT_EQ(target.FillColor(), 0xFFFFFFu);
    EXPECT_EQ(target.FillStyle(), kFillTransparent);
    EXPECT_TRUE(target.FontTransparent());
    EXPECT_EQ(target.FontName(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_NEAR(target.FontSize(), 10, 72.0 / 600);
}

TEST_F(DrawTargets, ScaleConversionsBetweenUnits) {
    RecordingTarget printer(TargetKind::Printer, 210, 297, 600);
    ApplyDrawingDefaults(printer);
    // 0.3 mm on a 600 dpi printer is 7.09 pixels.
    EXPECT_NEAR(printer.ScaleX(0.3, kScaleMillimeters, kScalePixels), 7.0866, 1e-3);
    EXPECT_NEAR(printer.ScaleY(25.4, kScaleMillimeters, kScaleTwips), 1440, 1e-9);
    EXPECT_NEAR(printer.PixelsPerMmX(), 600 / 25.4, 1e-12);
    EXPECT_EQ(printer.ToDevice(25.4, 12.7), QPointF(600, 300));

    // A picture box with a user scale whose cells are not square.
    ImageTarget box(QSize(543, 93), 96);
    box.SetScale(0, -70, 640, 200);
    EXPECT_EQ(box.ScaleMode(), kScaleUser);
    EXPECT_NEAR(box.ScaleX(640, kScaleUser, kScalePixels), 543, 1e-9);
    EXPECT_NEAR(box.ScaleY(200, kScaleUser, kScalePixels), 93, 1e-9);
    EXPECT_NEAR(box.ToDevice(0, 0).y(), 93 * 70 / 200.0, 1e-9);
    EXPECT_NEAR(box.FromDevice(box.ToDevice(123, 45)).x(), 123, 1e-9);
    box.SetScaleMode(kScalePixels);
    EXPECT_EQ(box.ScaleWidth(), 543);
    EXPECT_EQ(box.ScaleTop(), 0);
}

TEST_F(DrawTargets, FontSizesReadBackQuantisedAndStepByStep) {
    RecordingTarget preview(TargetKind::Picture, 100, 100, 96);
    preview.SetFontSize(4);
    EXPECT_DOUBLE_EQ(preview.FontSize(), 3.75);  // 5 pixels at 96 dpi
    // Stepping by 0.6 from the read-back size always moves on (the fitting loop relies on it).
    double previous = preview.FontSize();
    for (int i = 0; i < 40; ++i) {
        preview.SetFontSize(preview.FontSize() + 0.6);
        EXPECT_GT(preview.FontSize(), previous);
        previous = preview.FontSize();
    }
    preview.SetFontSize(0);  // refused, as the original refused it
    preview.SetFontSize(-3);
    EXPECT_DOUBLE_EQ(preview.FontSize(), previous);
}

TEST_F(DrawTargets, PrintAdvancesAsTheOriginalDid) {
    RecordingTarget target(TargetKind::Printer, 210, 297, 600);
    ApplyDrawingDefaults(target);
    const double h = target.TextHeight(QStringLiteral("歯"));
    const double w = target.TextWidth(QStringLiteral("歯周"));
    // 10 points is 3.53 mm; the line height is a little more.
    EXPECT_GT(h, 3.4);
    EXPECT_LT(h, 5.5);
    EXPECT_GT(w, 6.0);
    EXPECT_LT(w, 7.6);
    EXPECT_NEAR(target.TextHeight(QStringLiteral("a\r\nb")), 2 * h, 1e-9);

    target.SetCurrentX(20);
    target.SetCurrentY(30);
    target.Print(QStringLiteral("歯周"), false);
    EXPECT_NEAR(target.CurrentX(), 20 + w, 1e-9);
    EXPECT_NEAR(target.CurrentY(), 30, 1e-9);
    target.Print(QStringLiteral("歯周"));
    EXPECT_NEAR(target.CurrentX(), 0, 1e-9);
    EXPECT_NEAR(target.CurrentY(), 30 + h, 1e-9);
    target.SetCurrentX(5);
    target.Print(QStringLiteral("一\r\n二"));
    EXPECT_NEAR(target.CurrentY(), 30 + 3 * h, 1e-9);
    ASSERT_EQ(target.Log().size(), 4);
    EXPECT_TRUE(target.Log()[2].startsWith(QStringLiteral("Text 5,")));
    EXPECT_TRUE(target.Log()[3].startsWith(QStringLiteral("Text 0,")));
}

TEST_F(DrawTargets, RecordingLogOfASmallDrawing) {
    RecordingTarget target(TargetKind::Picture, 100, 50, 96);
    ApplyDrawingDefaults(target);
    target.Line(10, 20, 30, 20);
    EXPECT_EQ(target.CurrentX(), 30);
    target.SetDrawWidth(3);
    target.Line(0, 0, 5, 5, 0xFF, LineBox::Box);
    target.SetDrawWidth(1);
    target.Line(1, 1, 2, 2, VbRgb(192, 192, 192), LineBox::FilledBox);
    target.SetFillStyle(kFillSolid);
    target.SetFillColor(0xFF);
    target.Circle(5, 6, 0.6, 0xFF);
    target.SetFillStyle(kFillTransparent);
    target.Circle(5, 6, 2, std::nullopt, 0.0, std::numbers::pi, 0.5);
    target.SetFontBold(true);
    target.SetCurrentX(12);
    target.SetCurrentY(40.5);
    target.Print(QStringLiteral("歯周"));
    target.Polygon({{0, 0}, {10, 0}, {10, 10}});
    target.PaintPicture(QImage(34, 63, QImage::Format_RGB32), 3, 4, 7, -13);
    target.PSet(1, 2);
    target.NewPage();
    target.EndDoc();

    const QStringList expected = {
        "Line 10,20 - 30,20 color=000000 width=1 style=0",
        "Box 0,0 - 5,5 color=0000FF width=3 style=0 fill=FFFFFF/1",
        "FilledBox 1,1 - 2,2 color=C0C0C0 width=1 style=0",
        "Circle 5,6 r=0.6 color=0000FF width=1 style=0 fill=0000FF/0",
        "Circle 5,6 r=2 arc=0/3.142 aspect=0.5 color=000000 width=1 style=0 fill=0000FF/1",
        "Text 12,40.5 \"歯周\" font=\"ＭＳ Ｐゴシック\" 9.75 bold color=000000",
        "Polygon px 0,0 10,0 10,10 color=000000 width=1 style=0 fill=0000FF/1",
        "Picture 34x63 at 3,4 size 7,-13",
        "PSet 1,2 color=000000 width=1",
        "NewPage",
        "EndDoc",
    };
    EXPECT_EQ(target.Log(), expected);
    EXPECT_EQ(target.Kind(), TargetKind::Picture);
}

TEST_F(DrawTargets, ImageTargetDrawsTenMillimetresAsTenMillimetres) {
    ImageTarget target(60, 30, 300);
    ASSERT_EQ(target.Image().size(), QSize(709, 354));
    ApplyDrawingDefaults(target);
    target.SetDrawWidth(3);
    target.Line(5, 10, 15, 10);
    const QRect ink = InkBox(target.Image());
    const double pxPerMm = 300 / 25.4;
    EXPECT_NEAR(ink.left(), 5 * pxPerMm, 2.5);
    EXPECT_NEAR(ink.width(), 10 * pxPerMm + 3, 3);  // plus the round caps
    EXPECT_NEAR(ink.height(), 3, 1);
    EXPECT_NEAR(ink.center().y(), 10 * pxPerMm, 1.5);
}

TEST_F(DrawTargets, ImageTargetTextOfTenPointsHasItsTrueSize) {
    ImageTarget target(60, 30, 300);
    ApplyDrawingDefaults(target);
    ASSERT_EQ(QFontInfo(target.Font()).family(), QStringLiteral("IPAPGothic"));
    target.SetCurrentX(10);
    target.SetCurrentY(10);
    target.Print(QStringLiteral("歯"));
    const QRect ink = InkBox(target.Image());
    const double emPixels = 10.0 / 72 * 300;  // 41.7 pixels
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GT(ink.height(), 0.75 * emPixels);
    EXPECT_LT(ink.height(), 1.0 * emPixels);
    EXPECT_GT(ink.width(), 0.75 * emPixels);
    EXPECT_LT(ink.width(), 1.0 * emPixels);
    // The text hangs from CurrentY: its ink starts just below 10 mm.
    EXPECT_GE(ink.top(), qRound(10 * 300 / 25.4));
    EXPECT_LT(ink.top(), qRound(10 * 300 / 25.4) + 0.2 * emPixels);
    EXPECT_GE(ink.left(), qRound(10 * 300 / 25.4) - 1);
}

TEST_F(DrawTargets, FillsCirclesAndOpaqueText) {
    ImageTarget target(20, 20, 200);
    ApplyDrawingDefaults(target);
    const auto at = [&](double xMm, double yMm) {
        const QPointF p = target.ToDevice(xMm, yMm);
        return QColor(target.Image().pixel(qRound(p.x()), qRound(p.y())));
    };
    // Transparent fill: only the outline.
    target.Circle(5, 5, 2, 0xFF);
    EXPECT_EQ(at(5, 5), QColor(Qt::white));
    EXPECT_EQ(at(7, 5).red(), 255);
    EXPECT_LT(at(7, 5).green(), 64);
    // Solid fill in the fill colour; the radius is horizontal and round on the device.
    target.SetFillStyle(kFillSolid);
    target.SetFillColor(VbRgb(0, 128, 0));
    target.Circle(15, 5, 2, VbRgb(0, 128, 0));
    EXPECT_EQ(at(15, 5), QColor(0, 128, 0));
    EXPECT_EQ(at(15, 6.8), QColor(0, 128, 0));
    EXPECT_EQ(at(15, 7.5), QColor(Qt::white));
    // BF fills with the line colour whatever the fill style.
    target.SetFillStyle(kFillTransparent);
    target.Line(2, 12, 8, 18, VbRgb(255, 255, 0), LineBox::FilledBox);
    EXPECT_EQ(at(5, 15), QColor(255, 255, 0));
    // Opaque text paints its cell in the back colour.
    target.SetFontTransparent(false);
    target.SetBackColor(VbRgb(0, 0, 255));
    target.SetCurrentX(12);
    target.SetCurrentY(12);
    target.Print(QStringLiteral("・"));
    EXPECT_EQ(at(12.2, 12.2), QColor(0, 0, 255));
    target.Cls();
    EXPECT_EQ(at(5, 15), QColor(0, 0, 255));
    EXPECT_EQ(target.CurrentX(), 0);
}

TEST_F(DrawTargets, PaintPictureStretchesAndMirrorsWithNegativeExtents) {
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 255, 0));
    picture.setPixel(0, 1, qRgb(0, 0, 255));
    picture.setPixel(1, 1, qRgb(0, 0, 0));
    ImageTarget target(QSize(200, 100), 96);
    target.SetScale(0, 0, 640, 200);
    // As stored into the left cell; mirrored both ways into the right one.
    target.PaintPicture(picture, 0, 0, 320, 200);
    target.PaintPicture(picture, 640, 200, -320, -200);
    const QImage& image = target.Image();
    EXPECT_EQ(QColor(image.pixel(10, 10)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(90, 10)).green(), 255);
    EXPECT_EQ(QColor(image.pixel(10, 90)).blue(), 255);
    EXPECT_EQ(QColor(image.pixel(190, 90)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(image.pixel(110, 90)).green(), 255);
    EXPECT_EQ(QColor(image.pixel(110, 10)), QColor(0, 0, 0));
}

TEST_F(DrawTargets, DottedStyleOnlyForOnePixelLines) {
    ImageTarget target(QSize(100, 20), 96);
    target.SetDrawStyle(kDot);
    target.Line(0, 5, 100, 5);
    int dark = 0;
    for (int x = 0; x < 100; ++x) dark += IsDark(target.Image(), x, 5);
    EXPECT_GT(dark, 20);
    EXPECT_LT(dark, 80);
    target.SetDrawWidth(3);
    target.Line(0, 15, 100, 15);
    dark = 0;
    for (int x = 0; x < 100; ++x) dark += IsDark(target.Image(), x, 15);
    EXPECT_EQ(dark, 100);
}
