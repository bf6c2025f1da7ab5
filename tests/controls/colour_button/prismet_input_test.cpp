// Mouse and keys on the colour button window: pressed state, Click rules,
// mouse-over tracking and the events in the order the control fires them.

#include "controls/colour_button/prismet_ctrl.h"
#include "platform/message_box.h"
#include "tests/controls/colour_button/event_recorder.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

namespace mox::prismet {
namespace {

using com::InvokeKind;
using test::EventRecorder;

class PrismetInput : public ::testing::Test {
protected:
    PrismetInput() {
        form.resize(300, 200);
        control.Window()->move(20, 20);
        control.Advise(&events);
        form.show();
        QApplication::setActiveWindow(&form);
    }
    void Put(DISPID id, const Variant& v) {
        ASSERT_EQ(control.Invoke(id, InvokeKind::PropertyPut, {v}, nullptr, nullptr), com::S_OK);
    }
    int Value() {
        Variant v;
        control.Invoke(kDispValue, InvokeKind::PropertyGet, {}, &v, nullptr);
        return v.toInt();
    }
    QWidget* Button() { return control.Window(); }
    void Move(QPoint pos) {
        QMouseEvent move(QEvent::MouseMove, pos, Button()->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(Button(), &move);
    }

    QWidget form;
    CPrismetCtrl control{&form};
    EventRecorder events;
};

TEST_F(PrismetInput, PushButtonIsPressedOnlyWhileTheButtonIsDown) {
    QTest::mousePress(Button(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 25));
    EXPECT_TRUE(control.Model().Pressed());
    EXPECT_EQ(events.Count(kEventClick), 0);
    QTest::mouseRelease(Button(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 25));
    EXPECT_FALSE(control.Model().Pressed());
    EXPECT_EQ(events.Ids(), (std::vector<DISPID>{kEventMouseDown, kEventMouseUp, kEventClick}));
    const auto& down = events.fired[0].args;
    EXPECT_EQ(down.at(0).toInt(), 1);  // left button
    EXPECT_EQ(down.at(2).toInt(), 50);
    EXPECT_EQ(down.at(3).toInt(), 25);
}

TEST_F(PrismetInput, ReleaseOutsideTheControlGivesNoClick) {
    QTest::mousePress(Button(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 25));
    QTest::mouseRelease(Button(), Qt::LeftButton, Qt::NoModifier, QPoint(150, 25));
    EXPECT_EQ(events.Count(kEventMouseUp), 1);
    EXPECT_EQ(events.Count(kEventClick), 0);
    EXPECT_FALSE(control.Model().Pressed());
}

TEST_F(PrismetInput, RightButtonReportsButDoesNotPressOrClick) {
    QTest::mouseClick(Button(), Qt::RightButton, Qt::ShiftModifier, QPoint(30, 20));
    EXPECT_FALSE(control.Model().Pressed());
    EXPECT_EQ(events.Ids(), (std::vector<DISPID>{kEventMouseDown, kEventMouseUp}));
    EXPECT_EQ(events.fired[0].args.at(0).toInt(), 2);
    EXPECT_EQ(events.fired[0].args.at(1).toInt(), 1);  // Shift
}

TEST_F(PrismetInput, CheckButtonTogglesAtEveryPressAndClicksOnRelease) {
    Put(kDispStyle, 1);
    QTest::mousePress(Button(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 25));
    EXPECT_EQ(Value(), 1);
    EXPECT_EQ(events.Count(kEventClick), 0);
    QTest::mouseRelease(Button(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 25));
    EXPECT_EQ(Value(), 1);
    EXPECT_TRUE(control.Model().Pressed());
    EXPECT_EQ(events.Count(kEventClick), 1);

    QTest::mouseClick(Button(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 25));
    EXPECT_EQ(Value(), 0);
    EXPECT_FALSE(control.Model().Pressed());
    EXPECT_EQ(events.Count(kEventClick), 2);
}

TEST_F(PrismetInput, DoubleClickCountsAsTwoClicks) {
    // What the window system delivers for a double click.
    const QPoint at(50, 25);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent e(type, at, Button()->mapToGlobal(at), Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(Button(), &e);
    }
    EXPECT_EQ(events.Count(kEventDblClick), 1);
    EXPECT_EQ(events.Count(kEventClick), 2);
    EXPECT_FALSE(control.Model().Pressed());
}

TEST_F(PrismetInput, EnterClicksWithoutAnyMouseOrKeyEvent) {
    Button()->setFocus();
    QTest::keyPress(Button(), Qt::Key_Return);
    EXPECT_EQ(events.Ids(), (std::vector<DISPID>{kEventClick}));
    events.fired.clear();
    QTest::keyPress(Button(), Qt::Key_Enter);
    EXPECT_EQ(events.Ids(), (std::vector<DISPID>{kEventClick}));
}

TEST_F(PrismetInput, OtherKeysAreReported) {
    Button()->setFocus();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    QApplication::sendEvent(Button(), &press);
    QApplication::sendEvent(Button(), &release);
    ASSERT_EQ(events.Ids(), (std::vector<DISPID>{kEventKeyDown, kEventKeyPress, kEventKeyUp}));
    EXPECT_EQ(events.fired[0].args.at(0).toInt(), 'A');
    EXPECT_EQ(events.fired[0].args.at(1).toInt(), 1);  // Shift
    EXPECT_EQ(events.fired[1].args.at(0).toInt(), 'A');
    EXPECT_EQ(events.Count(kEventClick), 0);
}

TEST_F(PrismetInput, MouseOverFollowsTheShapeAndEndsOnLeave) {
    Put(kDispButtonForm, 0);  // ellipse: the corners are outside
    Move(QPoint(50, 25));
    EXPECT_TRUE(control.Model().MouseOver());
    EXPECT_EQ(events.Count(kEventMouseMove), 1);
    Move(QPoint(50, 25));
    EXPECT_TRUE(control.Model().MouseOver());
    Move(QPoint(1, 1));
    EXPECT_FALSE(control.Model().MouseOver());
    Move(QPoint(50, 25));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(Button(), &leave);
    EXPECT_FALSE(control.Model().MouseOver());
}

TEST_F(PrismetInput, DisabledButtonTakesNoInputAndPaintsDisabled) {
    Put(kDispEnabled, false);
    EXPECT_FALSE(Button()->isEnabled());
    QTest::mouseClick(Button(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 25));
    EXPECT_EQ(events.Count(kEventClick), 0);
    // A host that disables the window itself gets the disabled look too.
    Put(kDispEnabled, true);
    Button()->setEnabled(false);
    Variant enabled;
    control.Invoke(kDispEnabled, InvokeKind::PropertyGet, {}, &enabled, nullptr);
    EXPECT_FALSE(enabled.toBool());
    Button()->setEnabled(true);
}

TEST_F(PrismetInput, AboutBoxShowsNameAndVersion) {
    platform::ScriptedMsgBoxes boxes;
    EXPECT_EQ(control.Invoke(kDispAboutBox, InvokeKind::Method, {}, nullptr, nullptr), com::S_OK);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("About Prismet Control"));
    EXPECT_EQ(boxes.Shown()[0].prompt, QStringLiteral("Prismet Control, Version 1.2"));
}

}  // namespace
}  // namespace mox::prismet
