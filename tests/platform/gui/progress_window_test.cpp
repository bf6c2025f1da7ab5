// The window that shows a long piece of work: up at once, and while it is up
// no other window of the program takes a click.

#include "platform/gui/progress_window.h"
#include "platform/gui/screen.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using namespace mox::platform;

TEST(ProgressWindow, ShowsAtOnceAndTheOtherWindowsTakeNoClickMeanwhile) {
    QWidget tools;
    auto* restore = new QPushButton(QStringLiteral("復元実行"), &tools);
    restore->setGeometry(10, 10, 120, 30);
    tools.resize(200, 80);
    tools.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tools));
    int clicks = 0;
    QObject::connect(restore, &QPushButton::clicked, [&clicks] { ++clicks; });
    const auto click = [&] {
        QTest::mouseClick(tools.windowHandle(), Qt::LeftButton, {}, restore->geometry().center());
        QApplication::processEvents();
    };
    click();
    ASSERT_EQ(clicks, 1) << "a click reaches the window when nothing runs";

    {
        ProgressWindow window(QStringLiteral("データベースの変換"), QStringLiteral("変換しています。"));
        const QWidget* shown = QApplication::activeModalWidget();
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(shown->windowTitle(), QStringLiteral("データベースの変換"));
        window.Show(QStringLiteral("/clinic/backup.mdb"), 60000, 120000);
        EXPECT_TRUE(window.Text().contains(QStringLiteral("/clinic/backup.mdb")));
        EXPECT_TRUE(window.Text().contains(QStringLiteral("60,000 / 120,000")));
        click();
        window.Show(QStringLiteral("/clinic/backup.mdb"), 120000, 120000);
    }
    QApplication::processEvents();
    EXPECT_EQ(clicks, 1) << "the click made while the work ran was carried out";
    click();
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(MousePointer(), kDefaultPointer);

    // Work that holds the hourglass (a restore) and opens a window inside
    // goes on under the hourglass once the window is gone.
    {
        Hourglass restoring;
        { ProgressWindow window(QStringLiteral("データベースの変換"), QStringLiteral("変換しています。")); }
        EXPECT_EQ(MousePointer(), kHourglassPointer);
        EXPECT_EQ(QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor,
                  Qt::WaitCursor);
    }
    EXPECT_EQ(MousePointer(), kDefaultPointer);
}
