// The painter: shape regions, faces and insets by state, the border bands,
// the focus outline, layouts, images and captions, probed on the picture.

#include "controls/colour_button/button_shape.h"
#include "controls/colour_button/colour_button_design.h"
#include "controls/colour_button/ole_colour.h"
#include "controls/colour_button/prismet_ctrl.h"
#include "platform/gui/colour.h"
#include "platform/gui/japanese_ui.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>

namespace mox::prismet {
namespace {

using com::InvokeKind;

const QColor kWhite(255, 255, 255);
const QColor kLight(227, 227, 227);
const QColor kShadow(160, 160, 160);
const QColor kDarkShadow(105, 105, 105);

class PrismetPainter : public ::testing::Test {
protected:
    PrismetPainter() {
        platform::RegisterFontSubstitutes();
        parent.resize(300, 200);
        control = std::make_unique<CPrismetCtrl>(&parent);
        control->Window()->move(10, 10);
        parent.show();
        QApplication::setActiveWindow(&parent);
    }

    void Put(DISPID id, const Variant& v) {
        com::ExceptionInfo exc;
        ASSERT_EQ(control->Invoke(id, InvokeKind::PropertyPut, {v}, nullptr, &exc), com::S_OK) << id;
    }
    QImage Render(PaintLayout* layout = nullptr) { return control->ButtonWindow()->Render(layout); }
    PrismetWindow* Window() { return control->ButtonWindow(); }
    void SetImages(const QList<QImage>& images) {
        control->Invoke(kDispSetImageList, InvokeKind::Method, {QVariant::fromValue(images)}, nullptr, nullptr);
    }

    QWidget parent;
    std::unique_ptr<CPrismetCtrl> control;
};

// Bounding box of the pixels drawn mostly in `ink` (text is antialiased).
QRect InkBox(const QImage& image, const QColor& ink, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - ink.red()) < 100 && std::abs(c.green() - ink.green()) < 100 &&
                std::abs(c.blue() - ink.blue()) < 100)
                box |= QRect(x, y, 1, 1);
        }
    return box;
}

TEST(PrismetShapes, RegionsTakeTheShapeOfTheFace) {
    struct Probe {
        int kind;
        QPoint inside;
        QPoint outside;
    };
    const Probe probes[] = {
        {0, {50, 25}, {2, 2}},  {1, {50, 10}, {10, 10}}, {2, {50, 40}, {10, 40}},  {3, {10, 25}, {10, 5}},
        {4, {90, 25}, {90, 5}}, {5, {0, 0}, {100, 50}},  {6, {50, 25}, {10, 5}},   {7, {10, 3}, {90, 3}},
        {8, {90, 3}, {10, 3}},  {9, {50, 1}, {0, 0}},    {10, {5, 25}, {2, 2}},    {11, {95, 25}, {97, 2}},
        {12, {50, 5}, {2, 2}},  {13, {50, 45}, {2, 47}}, {14, {50, 25}, {50, 47}},
    };
    for (const Probe& p : probes) {
        SCOPED_TRACE(p.kind);
        const QRegion region = ShapeRegion(p.kind, 100, 50);
        EXPECT_TRUE(region.contains(p.inside));
        EXPECT_FALSE(region.contains(p.outside));
        EXPECT_TRUE(QRect(0, 0, 100, 50).contains(region.boundingRect()));
    }
    // The half circles fill their straight side completely.
    EXPECT_TRUE(ShapeRegion(10, 100, 50).contains(QPoint(99, 0)));
    EXPECT_TRUE(ShapeRegion(13, 100, 50).contains(QPoint(0, 0)));
    EXPECT_EQ(ShapeRegion(5, 100, 50), QRegion(0, 0, 100, 50));
    EXPECT_TRUE(ShapeRegion(3, 0, 50).isEmpty());
}

TEST_F(PrismetPainter, AStarWindowLetsClicksBetweenItsPointsPass) {
    Put(kDispButtonForm, 14);
    // Between the two lower points of the star the window is not there.
    EXPECT_EQ(parent.childAt(QPoint(10 + 50, 10 + 47)), nullptr);
    EXPECT_EQ(parent.childAt(QPoint(10 + 50, 10 + 25)), Window());
    EXPECT_FALSE(Window()->mask().contains(QPoint(50, 47)));
    // A new size gives a new region.
    Put(kDispWidth, 200);
    EXPECT_TRUE(Window()->mask().contains(QPoint(150, 16)));
}

TEST_F(PrismetPainter, FaceAreaIsInsetByBorderAndFocusOutline) {
    PaintLayout layout;
    Put(kDispButtonShadow, 2);
    Put(kDispFocusRect, false);
    Render(&layout);
    EXPECT_EQ(layout.face, QRect(0, 0, 100, 50));
    Put(kDispButtonShadow, 0);
    Put(kDispFocusRect, true);
    Render(&layout);
    EXPECT_EQ(layout.face, QRect(3, 3, 94, 44));
    Put(kDispButtonShadow, 1);
    Render(&layout);
    EXPECT_EQ(layout.face, QRect(2, 2, 96, 46));
}

TEST_F(PrismetPainter, FaceIsFilledInTheColourOfTheState) {
    Put(kDispBackColor, platform::VbRgb(200, 0, 0));
    Put(kDispDownBackColor, platform::VbRgb(0, 200, 0));
    Put(kDispMouseOverBackColor, platform::VbRgb(0, 0, 200));
    Put(kDispDisabledBackColor, platform::VbRgb(90, 90, 90));
    const QPoint centre(50, 25);
    EXPECT_EQ(Render().pixelColor(centre), QColor(200, 0, 0));

    {
        QMouseEvent move(QEvent::MouseMove, QPointF(50, 25), QPointF(50, 25), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(Window(), &move);
    }
    EXPECT_EQ(Render().pixelColor(centre), QColor(0, 0, 200));
    {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(50, 25), QPointF(50, 25), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(Window(), &press);
    }
    EXPECT_EQ(Render().pixelColor(centre), QColor(0, 200, 0));
    Put(kDispEnabled, false);
    EXPECT_EQ(Render().pixelColor(centre), QColor(90, 90, 90));
}

TEST_F(PrismetPainter, BorderBandsSwapWhenPressed) {
    Put(kDispFocusRect, false);
    QImage up = Render();
    EXPECT_EQ(up.pixelColor(0, 20), kWhite);  // button highlight, outermost
    EXPECT_EQ(up.pixelColor(1, 20), kLight);  // 3-D light
    EXPECT_EQ(up.pixelColor(99, 20), kDarkShadow);
    EXPECT_EQ(up.pixelColor(98, 20), kShadow);
    EXPECT_EQ(up.pixelColor(2, 20), QColor(240, 240, 240));

    Put(kDispStyle, 1);
    Put(kDispValue, 1);
    QImage down = Render();
    EXPECT_EQ(down.pixelColor(0, 20), kDarkShadow);
    EXPECT_EQ(down.pixelColor(1, 20), kShadow);
    EXPECT_EQ(down.pixelColor(99, 20), kWhite);
    EXPECT_EQ(down.pixelColor(98, 20), kLight);

    Put(kDispButtonShadow, 1);
    QImage thin = Render();
    EXPECT_EQ(thin.pixelColor(0, 20), kShadow);
    EXPECT_EQ(thin.pixelColor(1, 20), QColor(240, 240, 240));
    Put(kDispButtonShadow, 2);
    EXPECT_EQ(Render().pixelColor(0, 20), QColor(240, 240, 240));
}

TEST_F(PrismetPainter, FocusOutlineRunsInsideTheShapeInUserModeOnly) {
    Window()->setFocus();
    ASSERT_TRUE(Window()->hasFocus());
    QImage focused = Render();
    EXPECT_EQ(focused.pixelColor(0, 20), QColor(0, 0, 0));
    EXPECT_EQ(focused.pixelColor(50, 0), QColor(0, 0, 0));
    EXPECT_EQ(focused.pixelColor(1, 20), kWhite);  // the border moves in by one
    EXPECT_EQ(focused.pixelColor(2, 20), kLight);
    control->SetUserMode(false);
    EXPECT_EQ(Render().pixelColor(0, 20), kWhite);
    control->SetUserMode(true);
    Put(kDispFocusRect, false);
    EXPECT_EQ(Render().pixelColor(0, 20), kWhite);
}

TEST_F(PrismetPainter, CaptionBreaksAtEveryKindOfLineEnd) {
    Put(kDispCaption, QStringLiteral("A\rB\r\nC"));
    PaintLayout layout;
    Render(&layout);
    EXPECT_EQ(layout.captionLines, 3);
    EXPECT_EQ(SplitCaptionLines(QStringLiteral("A\rB\r\nC")), (QStringList{"A", "B", "C"}));
}

TEST_F(PrismetPainter, CaptionIsDrawnInTheForeColourWithinTheFace) {
    Put(kDispForeColor, platform::VbRgb(255, 0, 0));
    Put(kDispCaption, QStringLiteral("保存"));
    PaintLayout layout;
    const QImage image = Render(&layout);
    const QRect ink = InkBox(image, QColor(255, 0, 0), image.rect());
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(layout.face.contains(ink));
    // Centred by default.
    EXPECT_NEAR(ink.center().x(), 50, 3);
    EXPECT_NEAR(ink.center().y(), 25, 3);
}

TEST_F(PrismetPainter, AutoTurnWrapsBetweenWholeCharacters) {
    Put(kDispWidth, 60);
    const QString text = QStringLiteral("表示データ削除𠮷𠮷𠮷が\u3099ABCDEFG");
    Put(kDispCaption, text);
    PaintLayout layout;
    Render(&layout);
    CaptionWriter writer;
    writer.SetText(text);
    writer.SetArea(layout.captionArea);
    const QFont font = CaptionFont(control->Model().Props().font);
    const QFontMetrics fm(font, Window());
    writer.Measure(font, fm);
    ASSERT_GT(writer.Lines().size(), 1u);
    QString joined;
    for (const QStringList& line : writer.Lines()) {
        const QString text = line.join(QString());
        EXPECT_FALSE(text.isEmpty());
        EXPECT_LE(fm.horizontalAdvance(text), std::max(layout.captionArea.width(), fm.maxWidth()));
        EXPECT_FALSE(text.front().isLowSurrogate()) << qPrintable(text);
        EXPECT_FALSE(text.back().isHighSurrogate()) << qPrintable(text);
        EXPECT_NE(text.front(), QChar(0x3099));  // the voicing mark stays with its kana
        joined += text;
    }
    EXPECT_EQ(joined, text);

    Put(kDispAutoTurn, false);
    Render(&layout);
    EXPECT_EQ(layout.captionLines, 1);
}

TEST_F(PrismetPainter, VerticalWritingRunsDownInColumnsFromTheRight) {
    Put(kDispWidth, 60);
    Put(kDispHeight, 100);
    Put(kDispForeColor, platform::VbRgb(0, 0, 255));
    Put(kDispTopToWrite, true);
    Put(kDispCaption, QStringLiteral("縦書き\r\nAB"));
    PaintLayout layout;
    const QImage image = Render(&layout);
    EXPECT_EQ(layout.captionLines, 2);
    EXPECT_GT(layout.captionBlock.height(), layout.captionBlock.width());
    const QRect block = layout.captionBlock;
    const QRect right(block.center().x(), block.top(), block.right() - block.center().x() + 1, block.height());
    const QRect left(block.left(), block.top(), block.center().x() - block.left(), block.height());
    const QRect first = InkBox(image, QColor(0, 0, 255), right);
    const QRect second = InkBox(image, QColor(0, 0, 255), left);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_GT(first.height(), first.width() * 2);  // three characters stacked
    EXPECT_GT(first.height(), second.height());    // "AB" is the shorter, left column

    // Too little height: the column wraps into a second one.
    Put(kDispHeight, 30);
    Put(kDispCaption, QStringLiteral("縦書きの文字"));
    Render(&layout);
    EXPECT_GT(layout.captionLines, 1);
}

TEST_F(PrismetPainter, PressedFaceMovesImageAndCaptionByOnePixel) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::darkGreen);
    SetImages({image});
    Put(kDispImageIndex, 0);
    Put(kDispDownImageIndex, 0);
    Put(kDispCaption, QStringLiteral("OK"));
    PaintLayout up;
    Render(&up);
    Put(kDispStyle, 1);
    Put(kDispValue, 1);
    PaintLayout down;
    Render(&down);
    EXPECT_EQ(down.image, up.image.translated(1, 1));
    EXPECT_EQ(down.captionBlock, up.captionBlock.translated(1, 1));
}

TEST_F(PrismetPainter, ImageIndexBeyondTheListDrawsNothing) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::red);
    SetImages({image, image, image, image, image});
    Put(kDispImageIndex, 5);
    PaintLayout layout;
    EXPECT_TRUE(InkBox(Render(&layout), QColor(Qt::red), QRect(0, 0, 100, 50)).isEmpty());
    EXPECT_TRUE(layout.image.isEmpty());
    Put(kDispImageIndex, 4);
    Render(&layout);
    EXPECT_EQ(layout.image.size(), QSize(8, 8));
}

TEST_F(PrismetPainter, ImagePositionCodesAndClippingToTheFace) {
    QImage image(20, 20, QImage::Format_ARGB32);
    image.fill(Qt::red);
    SetImages({image});
    Put(kDispImageIndex, 0);
    Put(kDispFocusRect, false);  // face (2, 2, 96, 46)
    PaintLayout layout;
    Put(kDispImagePosX, -1);
    Put(kDispImagePosY, -3);
    Render(&layout);
    EXPECT_EQ(layout.image, QRect(2, 28, 20, 20));
    Put(kDispImagePosX, -3);
    Put(kDispImagePosY, 5);
    Render(&layout);
    EXPECT_EQ(layout.image, QRect(78, 7, 20, 20));
    Put(kDispImagePosX, 90);  // runs out of the face on the right
    Render(&layout);
    EXPECT_EQ(layout.image, QRect(92, 7, 6, 20));
}

TEST_F(PrismetPainter, TransparentImagesShowTheFaceThroughTheirMask) {
    QImage image(10, 10, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    image.setPixelColor(0, 0, Qt::red);
    SetImages({image});
    Put(kDispImageIndex, 0);
    Put(kDispBackColor, platform::VbRgb(0, 200, 0));
    Put(kDispImagePosX, 40);
    Put(kDispImagePosY, 20);
    PaintLayout layout;
    QImage picture = Render(&layout);
    const QPoint origin = layout.image.topLeft();
    EXPECT_EQ(picture.pixelColor(origin), QColor(Qt::red));
    EXPECT_EQ(picture.pixelColor(origin + QPoint(5, 5)), QColor(0, 200, 0));
    Put(kDispTransparent, false);
    picture = Render();
    EXPECT_NE(picture.pixelColor(origin + QPoint(5, 5)), QColor(0, 200, 0));
}

TEST_F(PrismetPainter, ArrangePlacesImageAndCaptionSideBySideOrStacked) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    SetImages({image});
    Put(kDispImageIndex, 0);
    Put(kDispWidth, 140);
    Put(kDispHeight, 80);
    Put(kDispCaption, QStringLiteral("印刷"));
    PaintLayout layout;

    Put(kDispArrange, 1);
    Render(&layout);
    EXPECT_LT(layout.image.bottom(), layout.captionBlock.top());
    EXPECT_NEAR(layout.image.center().x(), layout.captionBlock.center().x(), 2);
    Put(kDispArrange, 2);
    Render(&layout);
    EXPECT_GT(layout.image.top(), layout.captionBlock.bottom());
    Put(kDispArrange, 3);
    Render(&layout);
    EXPECT_LT(layout.image.right(), layout.captionBlock.left());
    EXPECT_NEAR(layout.image.center().y(), layout.captionBlock.center().y(), 2);
    // The group is centred on the face.
    EXPECT_NEAR((layout.image.left() + layout.captionBlock.right()) / 2.0, layout.face.center().x(), 3);
    Put(kDispArrange, 4);
    Render(&layout);
    EXPECT_GT(layout.image.left(), layout.captionBlock.right());

    // Arrange 0: an offset moves the caption area's left edge.
    Put(kDispArrange, 0);
    Put(kDispCaptionPosX, 10);
    Put(kDispCaptionPosY, -1);
    Render(&layout);
    EXPECT_EQ(layout.captionArea.left(), layout.face.left() + 10);
    EXPECT_EQ(layout.captionBlock.topLeft(), QPoint(layout.face.left() + 10, layout.face.top()));
}

// Pixels of `colour` inside `region`, within `tolerance` on every channel.
int CountIn(const QImage& picture, const QRegion& region, const QColor& colour, int tolerance = 0) {
    int n = 0;
    for (const QRect& r : region)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                n += std::abs(c.red() - colour.red()) <= tolerance &&
                     std::abs(c.green() - colour.green()) <= tolerance &&
                     std::abs(c.blue() - colour.blue()) <= tolerance;
            }
    return n;
}

QColor MostCommon(const QImage& picture, const QRegion& region) {
    QHash<QRgb, int> counts;
    for (const QRect& r : region)
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) ++counts[picture.pixel(x, y)];
    auto best = counts.cbegin();
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > best.value()) best = it;
    return QColor::fromRgb(best.key());
}

// Every shape in every state, as the forms use them: inside the shape the
// face takes the state's back colour, the caption its fore colour, the image
// the state's image (none while disabled here), and the focus its outline.
TEST_F(PrismetPainter, EveryShapeShowsEachStateInItsColours) {
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter(&icon).fillRect(3, 3, 10, 10, Qt::red);
    const auto designs = ParseDesignIni(
        QStringLiteral("BackColor=&H00C0FFFF&\nDownBackColor=&H00C0FFC0&\nMouseOverBackColor=&H00FFE0C0&\n"
                       "MouseOverForeColor=&H00FF0000&\nDisabledBackColor=&H00C8C8C8&\nDisabledForeColor=&H00008000&\n"
                       "ImageIndex=0\nDownImageIndex=0\nMouseOverImageIndex=0\nArrange=3\nStyle=1\n"));
    struct State {
        const char* name;
        std::function<void()> enter;
        QColor back;
        QColor fore;
        bool image;
    };
    const QColor normalBack(255, 255, 192), black(0, 0, 0);
    const State states[] = {
        {"normal", [] {}, normalBack, black, true},
        {"pressed", [&] { Put(kDispValue, 1); }, QColor(192, 255, 192), black, true},
        {"mouse over",
         [&] {
             QMouseEvent move(QEvent::MouseMove, QPointF(50, 25), QPointF(50, 25), Qt::NoButton, Qt::NoButton,
                              Qt::NoModifier);
             QApplication::sendEvent(Window(), &move);
         },
         QColor(192, 224, 255), QColor(0, 0, 255), true},
        {"disabled", [&] { Put(kDispEnabled, false); }, QColor(200, 200, 200), QColor(0, 128, 0), false},
        {"focus", [&] { Window()->setFocus(); }, normalBack, black, true},
    };
    for (int kind = 0; kind < kShapeCount; ++kind) {
        ButtonDesign design = designs.at(QString());
        design[QStringLiteral("ButtonForm")] = kind;
        design[QStringLiteral("Caption")] = QStringLiteral("保存");
        int normalBlack = 0;
        for (const State& state : states) {
            SCOPED_TRACE(testing::Message() << ShapeName(kind).toStdString() << ", " << state.name);
            control = std::make_unique<CPrismetCtrl>(&parent);
            SetImages({icon});
            ASSERT_TRUE(ApplyDesign(*control, design).empty());
            Window()->show();
            state.enter();
            PaintLayout layout;
            const QImage picture = Render(&layout);
            const QRegion region = Window()->mask().isEmpty() ? QRegion(picture.rect()) : Window()->mask();

            EXPECT_EQ(MostCommon(picture, region), state.back);
            EXPECT_GT(CountIn(picture, QRegion(layout.captionBlock), state.fore, 40), 5) << "caption ink";
            const int red = CountIn(picture, region, QColor(Qt::red));
            if (state.image) {
                EXPECT_GT(red, 50);
            } else {
                EXPECT_EQ(red, 0);
            }
            const int blackInside = CountIn(picture, region, black);
            if (state.name == std::string("normal")) normalBlack = blackInside;
            if (state.name == std::string("focus")) {
                EXPECT_GT(blackInside, normalBlack + 100) << "focus outline";
            }
        }
    }
}

}  // namespace
}  // namespace mox::prismet
