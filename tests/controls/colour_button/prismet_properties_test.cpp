// Property puts by DISPID: defaults, range checks with their messages, and
// the Style / Value rules with their Click events.

#include "controls/colour_button/prismet_ctrl.h"
#include "tests/controls/colour_button/event_recorder.h"

#include <gtest/gtest.h>

namespace mox::prismet {
namespace {

using com::InvokeKind;
using test::EventRecorder;

class PrismetProperties : public ::testing::Test {
protected:
    PrismetProperties() { control.Advise(&events); }

    HRESULT Put(DISPID id, const Variant& v, com::ExceptionInfo* exc = nullptr) {
        com::ExceptionInfo scratch;
        return control.Invoke(id, InvokeKind::PropertyPut, {v}, nullptr, exc ? exc : &scratch);
    }
    Variant Get(DISPID id) {
        Variant v;
        EXPECT_EQ(control.Invoke(id, InvokeKind::PropertyGet, {}, &v, nullptr), com::S_OK);
        return v;
    }

    CPrismetCtrl control{nullptr};
    EventRecorder events;
};

TEST_F(PrismetProperties, StartWithTheirDefaults) {
    EXPECT_EQ(Get(kDispButtonForm).toInt(), 5);
    EXPECT_EQ(Get(kDispImagePosX).toInt(), 0);
    EXPECT_EQ(Get(kDispCaptionPosX).toInt(), -2);
    EXPECT_EQ(Get(kDispCaptionPosY).toInt(), -2);
    EXPECT_EQ(Get(kDispWidth).toInt(), 100);
    EXPECT_EQ(Get(kDispHeight).toInt(), 50);
    EXPECT_TRUE(Get(kDispAutoTurn).toBool());
    EXPECT_TRUE(Get(kDispTransparent).toBool());
    EXPECT_TRUE(Get(kDispFocusRect).toBool());
    EXPECT_FALSE(Get(kDispTopToWrite).toBool());
    EXPECT_EQ(Get(kDispImageIndex).toInt(), -1);
    EXPECT_EQ(Get(kDispDownBackColor).toUInt(), 0xF0F0F0u);
    EXPECT_EQ(Get(kDispBackColor).toUInt(), 0xF0F0F0u);
    EXPECT_EQ(Get(kDispForeColor).toUInt(), 0u);
    EXPECT_EQ(Get(kDispCaption).toString(), QString());
    EXPECT_TRUE(Get(kDispEnabled).toBool());
    EXPECT_EQ(control.Window()->size(), QSize(100, 50));
}

TEST_F(PrismetProperties, RangeMessagesNameTheBounds) {
    EXPECT_EQ(RangeMessage(0, 14), QStringLiteral("0 ～ 14 の数字を設定してください"));
    EXPECT_EQ(RangeMessage(-1, kNoMax), QStringLiteral("-1 以上  の数字を設定してください"));
    EXPECT_EQ(RangeMessage(kNoMin, 7), QStringLiteral("7 以下  の数字を設定してください"));
    EXPECT_EQ(RangeMessage(kNoMin, kNoMax), QStringLiteral(" の数字を設定してください"));
}

TEST_F(PrismetProperties, RefusedPutsKeepTheValueAndCarryTheMessage) {
    struct Case {
        DISPID id;
        int bad;
        int good;
        const char* message;
    };
    const Case cases[] = {
        {kDispButtonForm, 15, 14, "0 ～ 14 の数字を設定してください"},
        {kDispButtonForm, -1, 0, "0 ～ 14 の数字を設定してください"},
        {kDispButtonShadow, 3, 2, "0 ～ 2 の数字を設定してください"},
        {kDispStyle, 2, 1, "0 ～ 1 の数字を設定してください"},
        {kDispArrange, 5, 4, "0 ～ 4 の数字を設定してください"},
        {kDispImageIndex, -2, 7, "-1 以上  の数字を設定してください"},
        {kDispDownImageIndex, -2, 3, "-1 以上  の数字を設定してください"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const Variant before = Get(c.id);
        com::ExceptionInfo exc;
        EXPECT_EQ(Put(c.id, c.bad, &exc), com::CTL_E_SETNOTSUPPORTEDATRUNTIME);
        EXPECT_EQ(exc.code, com::CTL_E_SETNOTSUPPORTEDATRUNTIME);
        EXPECT_EQ(exc.description, QString::fromUtf8(c.message));
        EXPECT_EQ(Get(c.id), before);
        EXPECT_EQ(Put(c.id, c.good), com::S_OK);
        EXPECT_EQ(Get(c.id).toInt(), c.good);
    }
}

TEST_F(PrismetProperties, UnboundedChecksAcceptEveryShort) {
    for (DISPID id : {kDispImagePosX, kDispImagePosY, kDispCaptionPosX, kDispCaptionPosY, kDispDisabledImageIndex,
                      kDispMouseOverImageIndex}) {
        EXPECT_EQ(Put(id, -32768), com::S_OK);
        EXPECT_EQ(Put(id, 32767), com::S_OK);
        EXPECT_EQ(Get(id).toInt(), 32767);
        EXPECT_EQ(Put(id, 40000), com::DISP_E_OVERFLOW);
        EXPECT_EQ(Put(id, QStringLiteral("abc")), com::DISP_E_TYPEMISMATCH);
        EXPECT_EQ(Get(id).toInt(), 32767);
    }
}

TEST_F(PrismetProperties, EveryPutMarksTheControlModifiedEvenWhenRefused) {
    control.SetModified(false);
    Put(kDispButtonForm, 99);
    EXPECT_TRUE(control.IsModified());
    control.SetModified(false);
    Put(kDispTopToWrite, true);
    EXPECT_TRUE(control.IsModified());
}

TEST_F(PrismetProperties, ColoursTravelAsOleColours) {
    EXPECT_EQ(Put(kDispMouseOverBackColor, 0x8000000Fu), com::S_OK);
    EXPECT_EQ(Get(kDispMouseOverBackColor).toUInt(), 0x8000000Fu);
    // Basic's signed Long for a system colour.
    EXPECT_EQ(Put(kDispBackColor, int(-2147483633)), com::S_OK);
    EXPECT_EQ(Get(kDispBackColor).toUInt(), 0x8000000Fu);
    EXPECT_EQ(TranslateOleColor(0x8000000Fu), QColor(240, 240, 240));
    EXPECT_EQ(TranslateOleColor(SystemOleColor(kColorBtnShadow)), QColor(160, 160, 160));
    EXPECT_EQ(TranslateOleColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(TranslateOleColor(0x02FF8000u), QColor(0, 128, 255));  // palette-relative: its RGB
    EXPECT_EQ(TranslateOleColor(0x80000040u), QColor(0, 0, 0));      // no such system colour
}

TEST_F(PrismetProperties, WidthAndHeightResizeTheWindow) {
    Put(kDispWidth, 64);
    Put(kDispHeight, 32);
    EXPECT_EQ(control.Window()->size(), QSize(64, 32));
    // The container resizes the window, shown or not yet.
    control.Window()->resize(80, 40);
    EXPECT_EQ(Get(kDispWidth).toInt(), 80);
    EXPECT_EQ(Get(kDispHeight).toInt(), 40);
    control.Window()->show();
    control.Window()->resize(90, 30);
    EXPECT_EQ(Get(kDispWidth).toInt(), 90);
    EXPECT_TRUE(control.Window()->mask().contains(QPoint(85, 25)));
}

TEST_F(PrismetProperties, StyleResetsValueAndPressedState) {
    Put(kDispStyle, 1);
    Put(kDispValue, 1);
    ASSERT_TRUE(control.Model().Pressed());
    Put(kDispStyle, 1);
    EXPECT_EQ(Get(kDispValue).toInt(), 0);
    EXPECT_FALSE(control.Model().Pressed());
}

TEST_F(PrismetProperties, ValueOfACheckButtonFiresClickOnlyOnChange) {
    Put(kDispStyle, 1);
    events.fired.clear();
    EXPECT_EQ(Put(kDispValue, 1), com::S_OK);
    EXPECT_EQ(events.Count(kEventClick), 1);
    EXPECT_TRUE(control.Model().Pressed());
    EXPECT_EQ(Put(kDispValue, 1), com::S_OK);
    EXPECT_EQ(events.Count(kEventClick), 1);
    EXPECT_EQ(Put(kDispValue, 0), com::S_OK);
    EXPECT_EQ(events.Count(kEventClick), 2);
    EXPECT_FALSE(control.Model().Pressed());

    com::ExceptionInfo exc;
    EXPECT_EQ(Put(kDispValue, 2, &exc), com::CTL_E_SETNOTSUPPORTEDATRUNTIME);
    EXPECT_EQ(exc.description, QStringLiteral("0 ～ 1 の数字を設定してください"));
    EXPECT_EQ(events.Count(kEventClick), 2);
}

TEST_F(PrismetProperties, ValueIsIgnoredOnPushAndDisabledButtons) {
    control.SetModified(false);
    EXPECT_EQ(Put(kDispValue, 1), com::S_OK);  // Style 0
    EXPECT_EQ(Put(kDispValue, 7), com::S_OK);  // not even range-checked
    EXPECT_EQ(Get(kDispValue).toInt(), 0);
    EXPECT_FALSE(control.IsModified());

    Put(kDispStyle, 1);
    Put(kDispEnabled, false);
    events.fired.clear();
    EXPECT_EQ(Put(kDispValue, 1), com::S_OK);
    EXPECT_EQ(Get(kDispValue).toInt(), 0);
    EXPECT_FALSE(control.Model().Pressed());
    EXPECT_TRUE(events.fired.empty());
}

TEST_F(PrismetProperties, StateLookFollowsTheStateRules) {
    Put(kDispBackColor, 0x000001);
    Put(kDispDownBackColor, 0x000002);
    Put(kDispMouseOverBackColor, 0x000003);
    Put(kDispDisabledBackColor, 0x000004);
    Put(kDispImageIndex, 10);
    Put(kDispDownImageIndex, 11);
    Put(kDispMouseOverImageIndex, 12);
    Put(kDispDisabledImageIndex, 13);
    PrismetModel& model = const_cast<PrismetModel&>(control.Model());

    EXPECT_EQ(model.Look().back, 1u);
    EXPECT_EQ(model.Look().imageIndex, 10);
    model.SetMouseOver(true);
    EXPECT_EQ(model.Look().back, 3u);
    Put(kDispStyle, 1);
    Put(kDispValue, 1);
    EXPECT_EQ(model.Look().back, 2u);  // pressed wins without MouseOverPriority
    Put(kDispMouseOverPriority, true);
    EXPECT_EQ(model.Look().back, 3u);
    EXPECT_EQ(model.Look().imageIndex, 12);
    model.SetMouseOver(false);
    EXPECT_EQ(model.Look().back, 2u);
    EXPECT_EQ(model.Look().imageIndex, 11);
    Put(kDispEnabled, false);
    EXPECT_EQ(model.Look().back, 4u);
    EXPECT_EQ(model.Look().imageIndex, 13);
}

TEST_F(PrismetProperties, ImageListIsCopiedAndAnUnusableOneLeavesNone) {
    QImage red(8, 8, QImage::Format_ARGB32);
    red.fill(Qt::red);
    EXPECT_EQ(control.Invoke(kDispSetImageList, InvokeKind::Method, {QVariant::fromValue(QList<QImage>{red, red})},
                             nullptr, nullptr),
              com::S_OK);
    ASSERT_NE(control.Images(), nullptr);
    EXPECT_EQ(control.Images()->Count(), 2);
    red.fill(Qt::blue);  // the control holds its own copy
    EXPECT_EQ(control.Images()->Image(0).pixelColor(0, 0), QColor(Qt::red));

    control.Invoke(kDispSetImageList, InvokeKind::Method, {QStringLiteral("not a list")}, nullptr, nullptr);
    EXPECT_EQ(control.Images(), nullptr);
}

TEST_F(PrismetProperties, TheControlOutlivesItsWindow) {
    delete control.Window();
    EXPECT_EQ(control.Window(), nullptr);
    EXPECT_EQ(Put(kDispWidth, 30), com::S_OK);
    EXPECT_EQ(Put(kDispCaption, QStringLiteral("x")), com::S_OK);
    EXPECT_EQ(Get(kDispWidth).toInt(), 30);
}

}  // namespace
}  // namespace mox::prismet
