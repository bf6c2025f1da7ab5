#include "tests/controls/tooth_button/tooth_button_test_support.h"

#include <gtest/gtest.h>

using namespace mox::molarix;
using mox::molarix::test::Button;
namespace com = mox::com;

TEST(ToothButtonDispatch, NewControlHoldsTheDefaults) {
    Button b;
    for (int row = 0; row < 4; ++row)
        for (int site = 0; site < 6; ++site) EXPECT_EQ(b.Data(row, site), -1);
    EXPECT_EQ(b.Get(kDispExamMode), -1);
    EXPECT_EQ(b.Get(kDispExamIndex), 0);
    EXPECT_EQ(b.Get(kDispFocusItem), -1);
    EXPECT_EQ(b.Get(kDispRoot), -1);
    EXPECT_EQ(b.Get(kDispSystemType), 0);
    EXPECT_TRUE(b.control.Get(kDispEnabled).toBool());
    EXPECT_EQ(b.Get(kDispPlaqueData), -1);
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 0);
    EXPECT_EQ(b.Get(kDispCompData, {5}), -1);
    EXPECT_EQ(b.Get(kDispCompValueColor, {0}), 0x00FF00);
    EXPECT_EQ(b.Get(kDispCompValueColor, {1}), 0x0000FF);
    auto* ctrl = static_cast<CToothButtonCtrl*>(b.control.Control());
    EXPECT_EQ(ctrl->State().valueColor[2], 0xC0FFFFu);
    EXPECT_EQ(ctrl->State().brightness[1], 0x909090u);
    EXPECT_EQ(ctrl->State().gradation[2], 12);
}

TEST(ToothButtonDispatch, ClearingAValueClearsItsFlags) {
    Button b;
    for (int row = 0; row < 4; ++row) b.SetData(row, 3, 1);
    b.SetData(1, 2, 1);
    ASSERT_EQ(b.SetData(0, 3, -1), com::S_OK);
    for (int row = 0; row < 4; ++row) EXPECT_EQ(b.Data(row, 3), -1) << row;
    EXPECT_EQ(b.Data(1, 2), 1);  // other columns untouched

    for (int row = 0; row < 4; ++row) b.SetData(row, 3, 1);
    b.SetData(1, 3, -1);
    EXPECT_EQ(b.Data(0, 3), 1);
    EXPECT_EQ(b.Data(1, 3), -1);
    EXPECT_EQ(b.Data(2, 3), 1);
    EXPECT_EQ(b.Data(3, 3), 1);
}

TEST(ToothButtonDispatch, PlaqueFacesAsBits) {
    Button b;
    ASSERT_EQ(b.Put(kDispPlaqueData, 5), com::S_OK);
    EXPECT_EQ(b.Data(0, 0), 1);
    EXPECT_EQ(b.Data(0, 1), 0);
    EXPECT_EQ(b.Data(0, 2), 4);
    EXPECT_EQ(b.Data(0, 3), 0);
    EXPECT_EQ(b.Get(kDispPlaqueData), 5);

    // Plain recording: face 0 alone decides "no finding".
    b.SetData(0, 0, -1);
    EXPECT_EQ(b.Get(kDispPlaqueData), -1);
    b.Put(kDispSystemType, 1);
    EXPECT_EQ(b.Get(kDispPlaqueData), 4);
}

TEST(ToothButtonDispatch, UntreatedFacesStayUnsetThroughPlaqueData) {
    Button b;
    b.Put(kDispSystemType, 1);
    ASSERT_EQ(b.Put(kDispPlaqueUnTreat, 2), com::S_OK);
    ASSERT_EQ(b.Put(kDispPlaqueData, 15), com::S_OK);
    EXPECT_EQ(b.Data(0, 1), -1);
    EXPECT_EQ(b.Data(0, 3), 8);
    EXPECT_EQ(b.Get(kDispPlaqueData), 13);
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 2);

    // No finding at all: every face untreated.
    b.Put(kDispPlaqueData, -1);
    EXPECT_EQ(b.Get(kDispPlaqueData), -1);
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 15);

    // Clearing a mark leaves the face value as it is.
    b.Put(kDispPlaqueUnTreat, 0);
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 0);
    EXPECT_EQ(b.Data(0, 2), -1);
    b.Put(kDispPlaqueData, 6);
    b.Put(kDispPlaqueUnTreat, -1);
    EXPECT_EQ(b.Get(kDispPlaqueData), -1);
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 15);
}

TEST(ToothButtonDispatch, SetPlaqueFaceByRecordingKind) {
    Button b;
    b.Put(kDispSystemType, 1);
    b.Put(kDispPlaqueUnTreat, 15);
    EXPECT_EQ(b.control.Call(kDispSetPlaqueFace, {2, 7}).isValid(), false);  // a Sub: no result
    EXPECT_EQ(b.control.LastResult(), com::S_OK);
    EXPECT_EQ(b.Data(0, 2), 4);
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 11);
    b.control.Call(kDispSetPlaqueFace, {0, 0});
    EXPECT_EQ(b.Data(0, 0), 0);
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 10);
    b.control.Call(kDispSetPlaqueFace, {0, -1});
    EXPECT_EQ(b.Data(0, 0), -1);
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 11);

    b.Put(kDispSystemType, 0);
    b.control.Call(kDispSetPlaqueFace, {3, -1});
    EXPECT_EQ(b.Data(0, 3), 8);
    b.control.Call(kDispSetPlaqueFace, {3, 0});
    EXPECT_EQ(b.Data(0, 3), 0);

    // Faces outside 0..3 are ignored.
    b.control.Call(kDispSetPlaqueFace, {4, 1});
    b.control.Call(kDispSetPlaqueFace, {-1, 1});
    EXPECT_EQ(b.Data(0, 4), -1);
    EXPECT_EQ(b.control.LastResult(), com::S_OK);
    b.control.Call(kDispSetPlaqueFace, {1});
    EXPECT_EQ(b.control.LastResult(), com::DISP_E_BADPARAMCOUNT);
}

TEST(ToothButtonDispatch, PutOnlyMembersStoreAndRefuseReads) {
    Button b;
    auto* ctrl = static_cast<CToothButtonCtrl*>(b.control.Control());
    EXPECT_EQ(b.Put(kDispBrightness, {1}, 0x1234), com::S_OK);
    EXPECT_EQ(ctrl->State().brightness[1], 0x343434u);
    EXPECT_EQ(b.Put(kDispValueColor, {3}, 0x00FF00), com::S_OK);
    EXPECT_EQ(ctrl->State().valueColor[3], 0x00FF00u);
    EXPECT_EQ(b.Put(kDispGradationPart, {0}, 2), com::S_OK);
    EXPECT_EQ(ctrl->State().gradation[0], 2);
    EXPECT_EQ(b.Put(kDispUsePosition, {4}, 0), com::S_OK);
    EXPECT_EQ(ctrl->State().usePosition[4], 0);
    EXPECT_EQ(b.Put(kDispToothIndex, 37), com::S_OK);
    EXPECT_EQ(ctrl->State().toothIndex, 37);

    for (auto [id, idx] : {std::pair{kDispToothIndex, std::vector<com::Variant>{}},
                           std::pair{kDispUsePosition, std::vector<com::Variant>{0}},
                           std::pair{kDispValueColor, std::vector<com::Variant>{0}},
                           std::pair{kDispGradationPart, std::vector<com::Variant>{0}},
                           std::pair{kDispBrightness, std::vector<com::Variant>{0}}}) {
        EXPECT_FALSE(b.control.Get(id, idx).isValid());
        EXPECT_EQ(b.control.LastResult(), com::CTL_E_GETNOTSUPPORTED) << id;
    }
}

TEST(ToothButtonDispatch, IndexesOutsideTheTablesAreRefused) {
    Button b;
    const auto before = static_cast<CToothButtonCtrl*>(b.control.Control())->State();
    EXPECT_EQ(b.SetData(4, 0, 9), com::DISP_E_BADINDEX);
    EXPECT_EQ(b.SetData(0, 6, 9), com::DISP_E_BADINDEX);
    EXPECT_EQ(b.SetData(-1, 0, 9), com::DISP_E_BADINDEX);
    EXPECT_FALSE(b.control.Get(kDispData, {0, 100}).isValid());
    EXPECT_EQ(b.control.LastResult(), com::DISP_E_BADINDEX);
    EXPECT_FALSE(b.control.LastError().isEmpty());
    EXPECT_EQ(b.Put(kDispValueColor, {4}, 1), com::DISP_E_BADINDEX);
    EXPECT_EQ(b.Put(kDispBrightness, {-1}, 1), com::DISP_E_BADINDEX);
    EXPECT_EQ(b.Put(kDispGradationPart, {3}, 1), com::DISP_E_BADINDEX);
    EXPECT_EQ(b.Put(kDispUsePosition, {6}, 0), com::DISP_E_BADINDEX);
    EXPECT_EQ(b.Put(kDispCompData, {6}, 0), com::DISP_E_BADINDEX);
    EXPECT_EQ(b.Put(kDispCompValueColor, {2}, 0), com::DISP_E_BADINDEX);
    const auto& after = static_cast<CToothButtonCtrl*>(b.control.Control())->State();
    EXPECT_EQ(after.data, before.data);
    EXPECT_EQ(after.valueColor, before.valueColor);
    EXPECT_EQ(after.usePosition, before.usePosition);
    EXPECT_EQ(after.compValueColor, before.compValueColor);
}

TEST(ToothButtonDispatch, TypesAndWindowState) {
    Button b;
    EXPECT_EQ(b.Put(kDispRoot, 70000), com::DISP_E_OVERFLOW);
    EXPECT_EQ(b.Put(kDispRoot, 22), com::S_OK);
    EXPECT_EQ(b.control.Get(kDispRoot).typeId(), QMetaType::Short);
    EXPECT_EQ(b.Put(kDispExamMode, QStringLiteral("x")), com::DISP_E_TYPEMISMATCH);

    EXPECT_EQ(b.Put(kDispEnabled, false), com::S_OK);
    EXPECT_FALSE(b.Window()->isEnabled());
    EXPECT_FALSE(b.control.Get(kDispEnabled).toBool());
    EXPECT_EQ(b.Put(kDispEnabled, -1), com::S_OK);  // Basic's True
    EXPECT_TRUE(b.Window()->isEnabled());

    EXPECT_EQ(b.Put(kDispCompValueColor, {1}, 0x123456), com::S_OK);
    EXPECT_EQ(b.Get(kDispCompValueColor, {1}), 0x123456);
    EXPECT_EQ(b.control.Control()->GetIdOfName(QStringLiteral("data")), kDispData);
    EXPECT_EQ(b.control.Control()->GetIdOfName(QStringLiteral("Refresh")), kDispRefresh);
    EXPECT_EQ(b.control.Control()->ClassId(), QString::fromLatin1(kToothButtonClsid));
}

TEST(ToothButtonDispatch, WindowGoesWithTheControlAndTheOtherWayRound) {
    auto form = std::make_unique<QWidget>();
    {
        std::unique_ptr<CToothButtonCtrl> ctrl(new CToothButtonCtrl(form.get()));
        EXPECT_EQ(form->findChildren<QWidget*>().size(), 1);
    }
    EXPECT_TRUE(form->findChildren<QWidget*>().isEmpty());

    std::unique_ptr<CToothButtonCtrl> ctrl(new CToothButtonCtrl(form.get()));
    form.reset();  // the form closes first
    EXPECT_EQ(ctrl->Window(), nullptr);
    EXPECT_EQ(ctrl->Invoke(kDispRefresh, com::InvokeKind::Method, {}, nullptr, nullptr), com::S_OK);
}
