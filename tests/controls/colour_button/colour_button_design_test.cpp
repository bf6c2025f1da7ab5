// Design settings read from JSON and INI and applied through dispatch.

#include "controls/colour_button/colour_button_design.h"
#include "controls/colour_button/prismet_ctrl.h"
#include "platform/gui/colour.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QImage>

namespace mox::prismet {
namespace {

Variant Get(CPrismetCtrl& c, DISPID id) {
    Variant v;
    c.Invoke(id, com::InvokeKind::PropertyGet, {}, &v, nullptr);
    return v;
}

TEST(ColourButtonDesign, IniFragmentSetsTheWholeLook) {
    const auto designs =
        ParseDesignIni(QStringLiteral("; input screen\n"
                                      "[CmdNot]\n"
                                      "ButtonForm=9\n"
                                      "Width=80\n"
                                      "height=40\n"
                                      "BackColor=&H00C0FFC0&\n"
                                      "MouseOverBackColor=#FF8000\n"
                                      "DisabledBackColor=&H8000000F&\n"
                                      "ForeColor=255\n"
                                      "Caption=\"  検査\\r\\nデータ クリア\"\n"
                                      "Font=ＭＳ ゴシック,10.5,Bold\n"
                                      "AutoTurn=False\n"
                                      "Style=1\n"
                                      "Value=1\n"
                                      "Enabled=False\n"
                                      "[CmdEnd]\n"
                                      "Caption=終了\n"));
    ASSERT_EQ(designs.size(), 2u);
    CPrismetCtrl button(nullptr);
    const auto errors = ApplyDesign(button, designs.at(QStringLiteral("CmdNot")));
    EXPECT_TRUE(errors.empty()) << errors.front().property.toStdString() << " " << errors.front().message.toStdString();
    EXPECT_EQ(Get(button, kDispButtonForm).toInt(), 9);
    EXPECT_EQ(button.Window()->size(), QSize(80, 40));
    EXPECT_EQ(Get(button, kDispBackColor).toUInt(), 0x00C0FFC0u);
    EXPECT_EQ(Get(button, kDispMouseOverBackColor).toUInt(), platform::VbRgb(255, 128, 0));
    EXPECT_EQ(Get(button, kDispDisabledBackColor).toUInt(), 0x8000000Fu);
    EXPECT_EQ(Get(button, kDispForeColor).toUInt(), 255u);
    EXPECT_EQ(Get(button, kDispCaption).toString(), QStringLiteral("  検査\r\nデータ クリア"));
    const QFont font = Get(button, kDispFont).value<QFont>();
    EXPECT_EQ(font.family(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 10.5);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(Get(button, kDispAutoTurn).toBool());
    // Value was set while the button was still enabled.
    EXPECT_EQ(Get(button, kDispValue).toInt(), 1);
    EXPECT_FALSE(Get(button, kDispEnabled).toBool());
}

TEST(ColourButtonDesign, JsonWithImagesFromTheFormFolder) {
    mox::test::Sandbox sandbox;
    QImage image(12, 10, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(sandbox.File(QStringLiteral("up.png"))));
    ASSERT_TRUE(image.save(sandbox.File(QStringLiteral("down.png"))));
    QString error;
    const auto designs = ParseDesignJson(R"({"CmdSave": {"Caption": "保存", "ImageList": ["up.png", "down.png"],
        "ImageIndex": 0, "DownImageIndex": 1, "Arrange": 3, "Font": {"Name": "ＭＳ Ｐゴシック", "Size": 12, "Italic": true},
        "TopToWrite": true, "BackColor": 12632256}})",
                                         &error);
    ASSERT_EQ(designs.size(), 1u) << error.toStdString();
    CPrismetCtrl button(nullptr);
    EXPECT_TRUE(ApplyDesign(button, designs.at(QStringLiteral("CmdSave")), sandbox.Path()).empty());
    ASSERT_NE(button.Images(), nullptr);
    EXPECT_EQ(button.Images()->Count(), 2);
    EXPECT_EQ(Get(button, kDispDownImageIndex).toInt(), 1);
    EXPECT_EQ(Get(button, kDispArrange).toInt(), 3);
    EXPECT_TRUE(Get(button, kDispTopToWrite).toBool());
    EXPECT_TRUE(Get(button, kDispFont).value<QFont>().italic());
    EXPECT_EQ(Get(button, kDispBackColor).toUInt(), 12632256u);
}

TEST(ColourButtonDesign, EveryProblemIsReportedAndTheRestStillApplied) {
    CPrismetCtrl button(nullptr);
    ButtonDesign design;
    design[QStringLiteral("ButtonForm")] = 15;
    design[QStringLiteral("ImageIndex")] = -2;
    design[QStringLiteral("BackColor")] = QStringLiteral("green");
    design[QStringLiteral("Font")] = QStringLiteral("ＭＳ ゴシック");
    design[QStringLiteral("ImageList")] = QStringLiteral("missing.png");
    design[QStringLiteral("Colour")] = 1;
    design[QStringLiteral("Caption")] = QStringLiteral("終了");
    const auto errors = ApplyDesign(button, design, QStringLiteral("/nonexistent"));
    ASSERT_EQ(errors.size(), 6u);
    std::map<QString, DesignError> byProperty;
    for (const DesignError& e : errors) byProperty.emplace(e.property, e);
    EXPECT_EQ(byProperty.at(QStringLiteral("ButtonForm")).code, com::CTL_E_SETNOTSUPPORTEDATRUNTIME);
    EXPECT_EQ(byProperty.at(QStringLiteral("ButtonForm")).message, QStringLiteral("0 ～ 14 の数字を設定してください"));
    EXPECT_EQ(byProperty.at(QStringLiteral("ImageIndex")).message, QStringLiteral("-1 以上  の数字を設定してください"));
    EXPECT_EQ(byProperty.at(QStringLiteral("BackColor")).code, com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(byProperty.at(QStringLiteral("Font")).code, com::DISP_E_TYPEMISMATCH);
    EXPECT_EQ(byProperty.at(QStringLiteral("Colour")).code, com::DISP_E_MEMBERNOTFOUND);
    EXPECT_TRUE(byProperty.count(QStringLiteral("ImageList")));
    EXPECT_EQ(Get(button, kDispCaption).toString(), QStringLiteral("終了"));
    EXPECT_EQ(Get(button, kDispButtonForm).toInt(), 5);
}

TEST(ColourButtonDesign, BrokenJsonIsReported) {
    QString error;
    EXPECT_TRUE(ParseDesignJson("{\"CmdSave\": ", &error).empty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(ParseDesignJson(R"({"CmdSave": 3})", &error).empty());
    EXPECT_TRUE(error.contains(QStringLiteral("CmdSave")));
}

}  // namespace
}  // namespace mox::prismet
