#include "platform/gui/colour.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QWidget>

using namespace mox::platform;

TEST(VbColour, NumbersHoldRedInTheLowByte) {
    EXPECT_EQ(VbRgb(249, 236, 248), 0xF8ECF9u);
    EXPECT_EQ(FromVbColor(0xF8ECF9), QColor(249, 236, 248));
    EXPECT_EQ(FromVbColor(0x0000FF), QColor(Qt::red));
    EXPECT_EQ(FromVbColor(0xFF0000), QColor(Qt::blue));
    EXPECT_EQ(ToVbColor(QColor(0, 255, 255)), 0xFFFF00u);
    EXPECT_EQ(ToVbColor(FromVbColor(0x123456)), 0x123456u);
    EXPECT_EQ(FromVbColor(0x8000000F), QColor(15, 0, 0));  // system colour numbers carry no colour of their own
}

TEST(Twips, FifteenPerPixelAtNinetySixDpi) {
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    EXPECT_DOUBLE_EQ(TwipsPerPixelX(), 1440.0 / dpi);
    if (dpi == 96.0) {
        EXPECT_EQ(TwipsToPixelsX(8175), 545);
        EXPECT_EQ(TwipsToPixelsY(1425), 95);
        EXPECT_DOUBLE_EQ(PixelsToTwipsX(100), 1500.0);
    }
    EXPECT_EQ(TwipsToPixelsX(PixelsToTwipsX(123)), 123);
}

TEST(MousePointer, HourglassIsOneSettingNotAStack) {
    SetMousePointer(kHourglassPointer);
    SetMousePointer(kHourglassPointer);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(MousePointer(), kHourglassPointer);
    SetMousePointer(kDefaultPointer);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(MousePointer(), kDefaultPointer);
}

TEST(CenterForm, CentresOnTheScreenWithTheBackColour) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget form;
    form.resize(300, 200);
    CenterForm(&form, 0xF8ECF9);
    EXPECT_EQ(form.pos(), QPoint(screen.x() + (screen.width() - 300) / 2, screen.y() + (screen.height() - 200) / 2));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(249, 236, 248));
    EXPECT_TRUE(form.autoFillBackground());

    CenterFormTop(&form, 0xFFFFFF);
    EXPECT_EQ(form.pos(), QPoint(screen.x() + (screen.width() - 300) / 2, screen.y()));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));
}

TEST(CenterForm, WiderThanTheScreenGivesANegativeLeft) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget form;
    form.resize(screen.width() + 100, 100);
    CenterForm(&form, 0);
    EXPECT_EQ(form.x(), screen.x() - 50);
}

TEST(SetListIndexByItemData, SelectsByItemData) {
    QComboBox combo;
    for (int data : {5, 7, 9}) combo.addItem(QString::number(data), data);
    combo.setCurrentIndex(2);
    SetListIndexByItemData(&combo, 7);
    EXPECT_EQ(combo.currentIndex(), 1);
    combo.setCurrentIndex(2);
    SetListIndexByItemData(&combo, 8);
    EXPECT_EQ(combo.currentIndex(), 0);
    combo.setCurrentIndex(2);
    SetListIndexByItemData(&combo, 8, false);
    EXPECT_EQ(combo.currentIndex(), 2);

    QComboBox empty;
    SetListIndexByItemData(&empty, 1);  // no entry 0 to select: nothing happens
    EXPECT_EQ(empty.currentIndex(), -1);
}

TEST(SetListIndexByItemData, ListWidgetAndTheFirstOfEqualEntries) {
    QListWidget list;
    for (int data : {5, 7, 7}) {
        auto* item = new QListWidgetItem(QString::number(data), &list);
        item->setData(Qt::UserRole, data);
    }
    SetListIndexByItemData(&list, 7);
    EXPECT_EQ(list.currentRow(), 1);
    list.setCurrentRow(2);
    SetListIndexByItemData(&list, 4, false);
    EXPECT_EQ(list.currentRow(), 2);
    SetListIndexByItemData(&list, 4);
    EXPECT_EQ(list.currentRow(), 0);
}
