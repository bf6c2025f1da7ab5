#include "tests/controls/tooth_button/tooth_button_test_support.h"

#include <gtest/gtest.h>
#include <QMouseEvent>
#include <QTest>

using namespace mox::molarix;
using mox::molarix::test::Button;
namespace com = mox::com;

namespace {

// Points inside each zone of a 47 × 47 button (columns of 15, rows split at 23).
const QPoint kZone[6] = {{7, 5}, {22, 5}, {40, 5}, {7, 40}, {22, 40}, {40, 40}};

void Click(Button& b, QPoint at) { QTest::mouseClick(b.Window(), Qt::LeftButton, Qt::NoModifier, at); }

}  // namespace

TEST(ToothButtonClick, ClickDataComesBeforeMouseDownAndCarriesTheSite) {
    Button b;
    b.Put(kDispExamMode, 3);
    QTest::mouseClick(b.Window(), Qt::LeftButton, Qt::ShiftModifier, kZone[4]);
    ASSERT_EQ(b.events.size(), 3u);
    EXPECT_EQ(b.events[0].id, kEventClickData);
    EXPECT_EQ(b.events[0].args.size(), 1u);
    EXPECT_EQ(b.events[0].args[0].toInt(), 4);
    EXPECT_EQ(b.events[1].id, kEventMouseDown);
    ASSERT_EQ(b.events[1].args.size(), 4u);
    EXPECT_EQ(b.events[1].args[0].toInt(), 1);  // left button
    EXPECT_EQ(b.events[1].args[1].toInt(), 1);  // shift
    EXPECT_EQ(b.events[1].args[2].toInt(), kZone[4].x());
    EXPECT_EQ(b.events[1].args[3].toInt(), kZone[4].y());
    EXPECT_EQ(b.events[2].id, kEventMouseUp);
}

TEST(ToothButtonClick, ModesWithoutSitesReportNothing) {
    for (int mode : {-1, 12, 14, 99}) {
        Button b;
        b.Put(kDispExamMode, mode);
        Click(b, kZone[0]);
        EXPECT_TRUE(b.ClickSites().empty()) << mode;
        ASSERT_EQ(b.events.size(), 2u);  // the stock mouse events still fire
        EXPECT_EQ(b.events[0].id, kEventMouseDown);
    }
}

TEST(ToothButtonClick, CheckModeTogglesTheValue) {
    Button b;
    b.Put(kDispExamMode, 0);
    Click(b, kZone[5]);
    EXPECT_EQ(b.Data(0, 0), 1);
    Click(b, kZone[0]);
    EXPECT_EQ(b.Data(0, 0), 0);
    Click(b, kZone[0]);
    EXPECT_EQ(b.Data(0, 0), 1);
    EXPECT_EQ(b.ClickSites(), (std::vector<int>{0, 0, 0}));
}

TEST(ToothButtonClick, SingleValueModesToggleTheExamIndexRow) {
    for (int mode : {1, 2, 7, 8, 11}) {
        Button b;
        b.Put(kDispExamMode, mode);
        b.SetData(0, 0, 5);
        Click(b, kZone[3]);
        EXPECT_EQ(b.Data(0, 0), 5) << mode;  // ExamIndex 0: the value stays
        b.Put(kDispExamIndex, 2);
        Click(b, kZone[3]);
        EXPECT_EQ(b.Data(2, 0), 1) << mode;
        Click(b, kZone[3]);
        EXPECT_EQ(b.Data(2, 0), 0) << mode;
        EXPECT_EQ(b.ClickSites(), (std::vector<int>{0, 0, 0})) << mode;
    }
}

TEST(ToothButtonClick, ExamIndexBeyondTheTableChangesNothing) {
    Button b;
    b.Put(kDispExamMode, 5);
    b.Put(kDispExamIndex, 9);
    const auto before = static_cast<CToothButtonCtrl*>(b.control.Control())->State().data;
    Click(b, kZone[2]);
    EXPECT_EQ(static_cast<CToothButtonCtrl*>(b.control.Control())->State().data, before);
    EXPECT_EQ(b.ClickSites(), (std::vector<int>{2}));
}

TEST(ToothButtonClick, SixSiteModesReportEveryZone) {
    for (int mode : {3, 9, 10}) {
        Button b;
        b.Put(kDispExamMode, mode);
        for (const QPoint& p : kZone) Click(b, p);
        EXPECT_EQ(b.ClickSites(), (std::vector<int>{0, 1, 2, 3, 4, 5})) << mode;
        for (int site = 0; site < 6; ++site) EXPECT_EQ(b.Data(0, site), -1);  // ExamIndex 0: no change

        b.events.clear();
        b.Put(kDispExamIndex, 1);
        b.Put(kDispUsePosition, {2}, 0);
        Click(b, kZone[2]);
        EXPECT_TRUE(b.ClickSites().empty());
        EXPECT_EQ(b.Data(1, 2), -1);
        Click(b, kZone[1]);
        EXPECT_EQ(b.Data(1, 1), 1);
        EXPECT_EQ(b.ClickSites(), (std::vector<int>{1}));
    }
}

TEST(ToothButtonClick, CheckCellsToggleTheValueRow) {
    Button b;
    b.Put(kDispExamMode, 5);
    Click(b, kZone[3]);
    EXPECT_EQ(b.Data(0, 3), 1);
    Click(b, kZone[3]);
    EXPECT_EQ(b.Data(0, 3), 0);
    b.Put(kDispUsePosition, {0}, 0);
    Click(b, kZone[0]);
    EXPECT_EQ(b.Data(0, 0), -1);
    EXPECT_EQ(b.ClickSites(), (std::vector<int>{3, 3}));
}

TEST(ToothButtonClick, FurcationSitesFollowTheRoot) {
    Button b;
    b.Put(kDispExamMode, 6);
    b.Put(kDispRoot, 22);
    for (QPoint p : {QPoint(2, 2), QPoint(45, 20), QPoint(23, 10)}) Click(b, p);
    for (QPoint p : {QPoint(2, 25), QPoint(45, 45)}) Click(b, p);
    EXPECT_EQ(b.ClickSites(), (std::vector<int>{1, 1, 1, 4, 4}));

    b.events.clear();
    b.Put(kDispRoot, 3);
    for (const QPoint& p : kZone) Click(b, p);
    EXPECT_EQ(b.ClickSites(), (std::vector<int>{1, 3, 5}));

    b.events.clear();
    b.Put(kDispRoot, 21);
    for (const QPoint& p : kZone) Click(b, p);
    EXPECT_EQ(b.ClickSites(), (std::vector<int>{0, 2, 0, 2}));

    b.events.clear();
    for (short root : {-1, 4}) {
        b.Put(kDispRoot, root);
        for (const QPoint& p : kZone) Click(b, p);
    }
    EXPECT_TRUE(b.ClickSites().empty());

    b.Put(kDispRoot, 21);
    b.Put(kDispExamIndex, 1);
    Click(b, kZone[5]);
    EXPECT_EQ(b.Data(1, 2), 1);
}

TEST(ToothButtonClick, PlaqueFaceOnAnUntouchedTooth) {
    Button b;
    b.Put(kDispExamMode, 4);
    Click(b, QPoint(23, 4));  // top face
    EXPECT_EQ(b.Data(0, 0), 1);
    for (int face = 1; face <= 4; ++face) EXPECT_EQ(b.Data(0, face), 0) << face;
    EXPECT_EQ(b.Get(kDispPlaqueData), 1);
    Click(b, QPoint(4, 23));   // left
    Click(b, QPoint(43, 23));  // right
    Click(b, QPoint(23, 43));  // bottom
    EXPECT_EQ(b.Get(kDispPlaqueData), 15);
    Click(b, QPoint(43, 23));
    EXPECT_EQ(b.Get(kDispPlaqueData), 11);
    Click(b, QPoint(20, 20));  // on the diagonal: face 4, never drawn
    EXPECT_EQ(b.Data(0, 4), 16);
    EXPECT_EQ(b.Get(kDispPlaqueData), 11);
    EXPECT_EQ(b.ClickSites(), (std::vector<int>(6, 0)));
}

TEST(ToothButtonClick, PlaqueClickTreatsEveryUntreatedFace) {
    Button b;
    b.Put(kDispSystemType, 1);
    b.Put(kDispExamMode, 4);
    b.Put(kDispPlaqueUnTreat, 15);
    b.Put(kDispPlaqueData, -1);
    Click(b, QPoint(4, 23));  // left face
    EXPECT_EQ(b.Get(kDispPlaqueUnTreat), 0);
    EXPECT_EQ(b.Get(kDispPlaqueData), 2);
    EXPECT_EQ(b.Data(0, 0), 0);
    Click(b, QPoint(4, 23));
    EXPECT_EQ(b.Get(kDispPlaqueData), 0);
}

TEST(ToothButtonClick, QuadrantsReportWithoutToggling) {
    Button b;
    b.Put(kDispExamMode, 13);
    b.Put(kDispExamIndex, 1);
    for (QPoint p : {QPoint(5, 5), QPoint(30, 5), QPoint(5, 30), QPoint(30, 30)}) Click(b, p);
    EXPECT_EQ(b.ClickSites(), (std::vector<int>{0, 1, 2, 3}));
    b.Put(kDispUsePosition, {3}, 0);
    Click(b, QPoint(30, 30));
    EXPECT_EQ(b.ClickSites().size(), 4u);
    for (int q = 0; q < 4; ++q) EXPECT_EQ(b.Data(1, q), -1);
}

TEST(ToothButtonClick, MovesReportOnlyWhileAButtonIsHeld) {
    Button b;
    b.Put(kDispExamMode, 3);
    QMouseEvent hover(QEvent::MouseMove, QPointF(10, 10), b.Window()->mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(b.Window(), &hover);
    EXPECT_TRUE(b.events.empty());

    QTest::mousePress(b.Window(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QMouseEvent drag(QEvent::MouseMove, QPointF(12, 30), b.Window()->mapToGlobal(QPointF(12, 30)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(b.Window(), &drag);
    QTest::mouseRelease(b.Window(), Qt::LeftButton, Qt::NoModifier, QPoint(12, 30));
    ASSERT_EQ(b.events.size(), 4u);
    EXPECT_EQ(b.events[2].id, kEventMouseMove);
    EXPECT_EQ(b.events[2].args[2].toInt(), 12);
    EXPECT_EQ(b.events[2].args[3].toInt(), 30);
    EXPECT_EQ(b.events[3].id, kEventMouseUp);
}

TEST(ToothButtonClick, DisabledButtonTakesNoClicks) {
    Button b;
    b.Put(kDispExamMode, 0);
    b.Put(kDispEnabled, false);
    Click(b, kZone[0]);
    EXPECT_TRUE(b.events.empty());
    EXPECT_EQ(b.Data(0, 0), -1);
}

TEST(ToothButtonClick, RightButtonFiresOnlyTheStockEvents) {
    Button b;
    b.Put(kDispExamMode, 0);
    QTest::mouseClick(b.Window(), Qt::RightButton, Qt::NoModifier, kZone[0]);
    ASSERT_EQ(b.events.size(), 2u);
    EXPECT_EQ(b.events[0].id, kEventMouseDown);
    EXPECT_EQ(b.events[0].args[0].toInt(), 2);
    EXPECT_EQ(b.Data(0, 0), -1);
}

TEST(ToothButtonClick, DoubleClickRunsTheClickRuleOncePerPress) {
    Button b;
    b.Put(kDispExamMode, 3);
    b.Put(kDispExamIndex, 1);
    // What the window system delivers for a double click.
    const QPoint at = kZone[1];
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent e(type, at, b.Window()->mapToGlobal(at), Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(b.Window(), &e);
    }
    EXPECT_EQ(b.ClickSites(), (std::vector<int>{1, 1}));
    EXPECT_EQ(b.Data(1, 1), 0);  // toggled on and off again
    int downs = 0;
    for (const auto& e : b.events) downs += e.id == kEventMouseDown;
    EXPECT_EQ(downs, 2);
}
