// Renders a small sheet on the preview target; with MOX_SAMPLE_PNG set it is
// saved there to be looked at.
#include "platform/gui/colour.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/painter_target.h"

#include <gtest/gtest.h>

using namespace mox::platform;

TEST(SamplePage, DrawsAChartCornerInMillimetres) {
    RegisterFontSubstitutes();
    ImageTarget page(90, 60, 150);
    ApplyDrawingDefaults(page);

    page.SetFontBold(true);
    page.SetCurrentX(5);
    page.SetCurrentY(3);
    page.Print(QStringLiteral("歯周検査チャート　ミラド協会"));
    page.SetFontBold(false);
    page.SetFontSize(8);
    page.SetCurrentX(5);
    page.Print(QStringLiteral("山田 金一 様　2024/03/15 初診時"));

    // Sixteen 5 mm columns with a thicker midline, a grey cell and a frame.
    const double left = 5, top = 15, w = 5, h = 8;
    page.Line(left + w, top, left + 2 * w, top + h, VbRgb(192, 192, 192), LineBox::FilledBox);
    for (int c = 0; c <= 16; ++c) {
        page.SetDrawWidth(c == 8 ? 3 : 1);
        page.Line(left + c * w, top, left + c * w, top + h);
    }
    page.SetDrawWidth(1);
    page.Line(left, top, left + 16 * w, top + h, std::nullopt, LineBox::Box);
    for (int c = 0; c < 16; ++c) {
        page.SetCurrentX(left + c * w + (w - page.TextWidth(QString::number(c % 8 + 1))) / 2);
        page.SetCurrentY(top + (h - page.TextHeight(QStringLiteral("1"))) / 2);
        page.Print(QString::number(8 - c % 8));
    }

    // Site marks: yellow boxes and filled red circles.
    page.SetFillStyle(kFillSolid);
    for (int i = 0; i < 3; ++i) {
        page.Line(left + 1.125 + i * 2.25, 26, left + 3.375 + i * 2.25, 27.8, VbRgb(255, 255, 0), LineBox::FilledBox);
        page.SetFillColor(VbRgb(255, 0, 0));
        page.Circle(left + 2.25 + i * 2.25, 30, 0.6, VbRgb(255, 0, 0));
    }
    page.SetFillStyle(kFillTransparent);

    // A dotted grid line, a mirrored picture and an arc.
    page.SetDrawStyle(kDot);
    page.Line(left, 35, left + 80, 35, VbRgb(112, 112, 112));
    page.SetDrawStyle(kSolid);
    QImage tooth(34, 63, QImage::Format_RGB32);
    tooth.fill(Qt::white);
    for (int y = 0; y < 63; ++y)
        for (int x = 10; x < 24 - y / 8; ++x) tooth.setPixel(x, y, qRgb(200, 170, 120));
    page.PaintPicture(tooth, 40, 38, 5, 13);
    page.PaintPicture(tooth, 51, 38, -5, 13);
    page.SetDrawWidth(2);
    page.Circle(70, 45, 6, VbRgb(0, 0, 255), 0.0, 3.14159, 0.5);

    const QImage& image = page.Image();
    EXPECT_EQ(image.size(), QSize(531, 354));
    if (qEnvironmentVariableIsSet("MOX_SAMPLE_PNG")) image.save(qEnvironmentVariable("MOX_SAMPLE_PNG"));
}
