#include "platform/gui/message_boxes.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

using namespace mox::platform;

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Shows a box through MsgBox; `act` runs inside the box's event loop with the
// open box and must close it.
int ShowAndAct(const QString& prompt, int style, const QString& caption, SeenBox& seen,
               const std::function<void(QMessageBox&)>& act) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
        if (box->defaultButton()) seen.defaultButton = box->defaultButton()->text();
        act(*box);
    });
    return MsgBox(prompt, style, caption);
}

QAbstractButton* ButtonNamed(QMessageBox& box, const QString& text) {
    for (QAbstractButton* b : box.buttons())
        if (b->text() == text) return b;
    return nullptr;
}

class WidgetMessageBoxes : public ::testing::Test {
protected:
    void SetUp() override { InstallWidgetMessageBoxes(); }
    void TearDown() override { SetMsgBoxPresenter(nullptr); }
};

}  // namespace

TEST_F(WidgetMessageBoxes, StopBoxWithCancelAsDefault) {
    SeenBox seen;
    const int answer = ShowAndAct(QStringLiteral("本当に削除しますか？"), 273, QStringLiteral("確認"), seen,
                                  [](QMessageBox& box) { box.defaultButton()->click(); });
    EXPECT_EQ(answer, kCancel);
    EXPECT_EQ(seen.title, QStringLiteral("確認"));
    EXPECT_EQ(seen.text, QStringLiteral("本当に削除しますか？"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_TRUE(seen.buttons.contains(QStringLiteral("OK")));
    EXPECT_TRUE(seen.buttons.contains(QStringLiteral("キャンセル")));
    EXPECT_EQ(seen.defaultButton, QStringLiteral("キャンセル"));
}

TEST_F(WidgetMessageBoxes, EachButtonGivesItsAnswer) {
    SeenBox seen;
    EXPECT_EQ(ShowAndAct(QStringLiteral("q"), 52, QString(), seen,
                         [](QMessageBox& box) { ButtonNamed(box, QStringLiteral("いいえ(&N)"))->click(); }),
              kNo);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.title, QStringLiteral("MOX2-CHART"));
    EXPECT_EQ(seen.defaultButton, QStringLiteral("はい(&Y)"));

    SeenBox retry;
    EXPECT_EQ(ShowAndAct(QStringLiteral("r"), 21, QString(), retry,
                         [](QMessageBox& box) { ButtonNamed(box, QStringLiteral("再試行(&R)"))->click(); }),
              kRetry);
    EXPECT_EQ(retry.buttons.size(), 2);

    SeenBox abort;
    EXPECT_EQ(ShowAndAct(QStringLiteral("a"), 2 + 0x200, QString(), abort,
                         [](QMessageBox& box) { ButtonNamed(box, QStringLiteral("中止(&A)"))->click(); }),
              kAbort);
    EXPECT_EQ(abort.defaultButton, QStringLiteral("無視(&I)"));

    SeenBox info;
    EXPECT_EQ(
        ShowAndAct(QStringLiteral("i"), 64, QString(), info, [](QMessageBox& box) { box.defaultButton()->click(); }),
        kOk);
    EXPECT_EQ(info.icon, QMessageBox::Information);
    EXPECT_EQ(info.buttons, QStringList{QStringLiteral("OK")});

    SeenBox question;
    ShowAndAct(QStringLiteral("q"), 33, QString(), question, [](QMessageBox& box) { box.defaultButton()->click(); });
    EXPECT_EQ(question.icon, QMessageBox::Question);
}

TEST_F(WidgetMessageBoxes, EscapeCancelsOnlyWhereWindowsLetsIt) {
    SeenBox seen;
    auto pressEscape = [](QMessageBox& box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
    };
    EXPECT_EQ(ShowAndAct(QStringLiteral("c"), 1, QString(), seen, pressEscape), kCancel);
    EXPECT_EQ(ShowAndAct(QStringLiteral("ok"), 48, QString(), seen, pressEscape), kOk);

    // Yes/No has no Cancel: Escape leaves the box open until a button is used.
    bool stillOpenAfterEscape = false;
    EXPECT_EQ(ShowAndAct(QStringLiteral("yn"), 4, QString(), seen,
                         [&](QMessageBox& box) {
                             pressEscape(box);
                             stillOpenAfterEscape = box.isVisible();
                             ButtonNamed(box, QStringLiteral("はい(&Y)"))->click();
                         }),
              kYes);
    EXPECT_TRUE(stillOpenAfterEscape);
}

// The title bar's close button: the window manager asks the box to close,
// some taking the keyboard focus elsewhere meanwhile.
void PressCloseButton(QMessageBox& box, QWidget& elsewhere) {
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    QCloseEvent close;
    QCoreApplication::sendEvent(box.windowHandle(), &close);
    QTest::qWait(20);
}

TEST_F(WidgetMessageBoxes, TheCloseButtonAnswersAsEscapeDoesAndAYesNoBoxKeepsTheKeys) {
    QWidget elsewhere;
    SeenBox seen;
    EXPECT_EQ(ShowAndAct(QStringLiteral("c"), 5, QString(), seen,
                         [&](QMessageBox& box) { PressCloseButton(box, elsewhere); }),
              kCancel);

    // The backup question at the end of a run: the box stays, and "n" typed
    // after the close button answers it.
    bool stayed = false;
    bool keysToTheBox = false;
    EXPECT_EQ(
        ShowAndAct(QStringLiteral("データのバックアップを実行しますか？"), 52, QStringLiteral("バックアップ確認"), seen,
                   [&](QMessageBox& box) {
                       PressCloseButton(box, elsewhere);
                       stayed = box.isVisible();
                       keysToTheBox = QApplication::activeWindow() == &box;
                       if (keysToTheBox)
                           QTest::keyClick(QApplication::focusWidget(), Qt::Key_N);
                       else
                           ButtonNamed(box, QStringLiteral("はい(&Y)"))->click();
                   }),
        kNo);
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(keysToTheBox);
}

// Qt wraps Japanese anywhere once a text is wider than half the screen,
// inside a word too ("しまし" / "た。"): a line the screen has room for is
// shown whole, and only a line wider than the screen is wrapped, inside it.
TEST_F(WidgetMessageBoxes, LinesAreBrokenOnlyWhereTheTextBreaksThem) {
    const QString converted = QStringLiteral(
        "Windows 版のデータベース（Access 形式）を本システムの形式に変換しました。\r\n\r\n"
        "/home/clinic/MOX-Chart/VXMOX2.MDB\r\n\r\n変換前のファイルは次の名前で残してあります。\r\n"
        "/home/clinic/MOX-Chart/VXMOX2_20261208_1405.mdb");
    const QString tooWide = QString(200, QChar(u'字'));
    for (const QString& prompt : {converted, tooWide}) {
        int labelWidth = 0, widest = 0, boxWidth = 0, screenWidth = 0;
        QString shownText;
        SeenBox seen;
        ShowAndAct(prompt, 64, QStringLiteral("変換完了"), seen, [&](QMessageBox& box) {
            // The box lays itself out again on a request, as it does on a
            // real display once it is shown.
            QCoreApplication::sendPostedEvents(&box, QEvent::LayoutRequest);
            auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_NE(label, nullptr);
            shownText = label->text();
            for (const QString& line : shownText.split(QLatin1Char('\n')))
                widest = qMax(widest, label->fontMetrics().horizontalAdvance(line));
            labelWidth = label->contentsRect().width();
            boxWidth = box.frameGeometry().width();
            screenWidth = box.screen()->availableGeometry().width();
            const QString grabs = qEnvironmentVariable("MOX_SCREENSHOT_DIR");
            if (!grabs.isEmpty() && prompt == converted) box.grab().save(grabs + QStringLiteral("/message_box.png"));
            box.defaultButton()->click();
        });
        EXPECT_FALSE(shownText.contains(QLatin1Char('\r')));
        EXPECT_LE(boxWidth, screenWidth);
        if (prompt == converted)
            EXPECT_GE(labelWidth, widest) << "a line is wrapped inside";
        else
            EXPECT_LT(labelWidth, widest);
    }
    // The numbered messages break their lines with a carriage return alone.
    SeenBox numbered;
    QString numberedText;
    ShowAndAct(QStringLiteral("一括でクリアします.\rよろしいですか."), 33, QStringLiteral("確認"), numbered,
               [&](QMessageBox& box) {
                   numberedText = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text();
                   box.defaultButton()->click();
               });
    EXPECT_EQ(numberedText, QStringLiteral("一括でクリアします.\nよろしいですか."));
    // A file name is shown as it is written, never as markup.
    SeenBox named;
    Qt::TextFormat format = Qt::AutoText;
    ShowAndAct(QStringLiteral("<b>clinic</b>.MDB"), 16, QString(), named, [&](QMessageBox& box) {
        format = box.textFormat();
        box.defaultButton()->click();
    });
    EXPECT_EQ(named.text, QStringLiteral("<b>clinic</b>.MDB"));
    EXPECT_EQ(format, Qt::PlainText);
}

TEST_F(WidgetMessageBoxes, ScriptedResponderStillComesFirst) {
    ScriptedMsgBoxes scripted;
    scripted.Answer(kNo);
    EXPECT_EQ(MsgBox(QStringLiteral("x"), 4), kNo);
    EXPECT_EQ(scripted.Shown().size(), 1u);
}
