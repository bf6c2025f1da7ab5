#include "platform/message_box.h"

#include <gtest/gtest.h>

using namespace mox::platform;

TEST(MsgBoxDefaults, StylesInUseAnswerWithTheirDefaultButton) {
    EXPECT_EQ(DefaultAnswer(16), kOk);
    EXPECT_EQ(DefaultAnswer(21), kRetry);
    EXPECT_EQ(DefaultAnswer(33), kOk);
    EXPECT_EQ(DefaultAnswer(48), kOk);
    EXPECT_EQ(DefaultAnswer(52), kYes);
    EXPECT_EQ(DefaultAnswer(64), kOk);
    EXPECT_EQ(DefaultAnswer(273), kCancel);
}

TEST(MsgBoxDefaults, SecondAndThirdDefaultButtons) {
    EXPECT_EQ(DefaultAnswer(4 + 0x100), kNo);
    EXPECT_EQ(DefaultAnswer(3 + 0x200), kCancel);
    EXPECT_EQ(DefaultAnswer(2 + 0x100), kRetry);
    EXPECT_EQ(DefaultAnswer(5 + 0x100), kCancel);
    // A default beyond the set falls back to the first button.
    EXPECT_EQ(DefaultAnswer(0x200), kOk);
    EXPECT_EQ(DefaultAnswer(4 + 0x200), kYes);
}

TEST(ScriptedMsgBoxes, RecordsEveryBoxAndAnswersFromTheScript) {
    ScriptedMsgBoxes boxes;
    boxes.Answer(kNo);
    boxes.Answer(kCancel);
    EXPECT_EQ(MsgBox(QStringLiteral("データのバックアップを実行しますか？"), 52, QStringLiteral("バックアップ確認")),
              kNo);
    EXPECT_EQ(MsgBox(QStringLiteral("二つ目"), 273), kCancel);
    // Script exhausted: the style's default answer.
    EXPECT_EQ(MsgBox(QStringLiteral("三つ目"), 21, QString()), kRetry);

    ASSERT_EQ(boxes.Shown().size(), 3u);
    EXPECT_EQ(boxes.Shown()[0].prompt, QStringLiteral("データのバックアップを実行しますか？"));
    EXPECT_EQ(boxes.Shown()[0].style, 52);
    EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("バックアップ確認"));
    EXPECT_EQ(boxes.Shown()[1].caption, QStringLiteral("MOX2-CHART"));
    EXPECT_EQ(boxes.Shown()[2].caption, QStringLiteral("MOX2-CHART"));
    boxes.Clear();
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST(ScriptedMsgBoxes, NestedScriptsRestoreTheOuterOne) {
    ScriptedMsgBoxes outer;
    {
        ScriptedMsgBoxes inner;
        inner.Answer(kIgnore);
        EXPECT_EQ(MsgBox(QStringLiteral("inner"), 2), kIgnore);
        EXPECT_EQ(inner.Shown().size(), 1u);
    }
    MsgBox(QStringLiteral("outer"), 0);
    ASSERT_EQ(outer.Shown().size(), 1u);
    EXPECT_EQ(outer.Shown()[0].prompt, QStringLiteral("outer"));
}

TEST(MsgBoxDispatch, PresenterShowsBoxesWhenNoResponderIsInstalled) {
    std::vector<ShownBox> presented;
    SetMsgBoxPresenter([&](const ShownBox& box) {
        presented.push_back(box);
        return kYes;
    });
    EXPECT_EQ(MsgBox(QStringLiteral("p"), 4), kYes);
    {
        ScriptedMsgBoxes scripted;
        EXPECT_EQ(MsgBox(QStringLiteral("s"), 4), kYes);  // default answer, from the script
        EXPECT_EQ(scripted.Shown().size(), 1u);
    }
    EXPECT_EQ(presented.size(), 1u);
    SetMsgBoxPresenter(nullptr);
    // Headless: logged and answered with the default.
    EXPECT_EQ(MsgBox(QStringLiteral("headless"), 273), kCancel);
    EXPECT_EQ(presented.size(), 1u);
}
