#include "core/messages.h"
#include "platform/message_box.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

struct Expected {
    int16_t code;
    QString text;
    int style;
    QString caption;
};

class MessagesTest : public ::testing::Test {
protected:
    void ExpectBox(const Expected& e) {
        boxes_.Clear();
        ShowMessage(e.code);
        ASSERT_EQ(boxes_.Shown().size(), 1u) << e.code;
        const auto& box = boxes_.Shown()[0];
        EXPECT_EQ(box.prompt, e.text) << e.code;
        EXPECT_EQ(box.style, e.style) << e.code;
        EXPECT_EQ(box.caption, e.caption) << e.code;
    }
    platform::ScriptedMsgBoxes boxes_;
};

TEST(MessageNumbers, Suffixes) {
    EXPECT_EQ(FormatMessageNo(1201), QStringLiteral("\r [Message No.1201]"));
    EXPECT_EQ(FormatNo(9000), QStringLiteral(" [No.9000]"));
    EXPECT_EQ(FormatNo(-1), QStringLiteral(" [No.-1]"));
}

TEST_F(MessagesTest, ConfirmationsBelow1000) {
    const QString c = QStringLiteral("確認");
    ExpectBox({0, QStringLiteral("エラーはありません."), 64, c});
    ExpectBox({1, QStringLiteral("終了します.\rよろしいですか."), 33, c});
    ExpectBox({8, QStringLiteral("担当者が指定されていません.\r画面左のコンボボックスから選択してください."), 64, c});
    ExpectBox(
        {17,
         QStringLiteral(
             "一括でクリアします.\r「治療済み」の部位は「計画」の状態に、「計画」の部位は何もない状態になります.\r"
             "よろしいですか."),
         33, c});
    ExpectBox({19,
               QStringLiteral("印刷を行います. 準備はよろしいですか？\r"
                              "実行する場合は、プリンタへの接続を確認して「ＯＫ」を押してください.\r"
                              "印刷を行わない場合は「キャンセル」を押してください."),
               33, c});
    ExpectBox({22, QStringLiteral("前回の値を今回検査値としますか？"), 33, c});
    ExpectBox({23,
               QStringLiteral("バックアップを実行しないと、データが消える恐れがあります。\r\r"
                              "バックアップを実行せずに、終了してもよろしいですか。"),
               273, c});
    ExpectBox({24, QStringLiteral(" [No.24]"), 64, c});
    ExpectBox({999, QStringLiteral(" [No.999]"), 64, c});
    ExpectBox({-1, QStringLiteral(" [No.-1]"), 64, c});
    ExpectBox({-32768, QStringLiteral(" [No.-32768]"), 64, c});
}

TEST_F(MessagesTest, OperationErrors) {
    const QString c = QStringLiteral("操作エラー");
    ExpectBox({1201, QStringLiteral("すでに登録済みの患者番号です.\r患者番号を変更してください.\r [Message No.1201]"),
               64, c});
    ExpectBox(
        {1208,
         QStringLiteral("患者番号は数字のみの入力しかできません.\r患者番号を確認してください.\r [Message No.1208]"), 64,
         c});
    ExpectBox({1000, QStringLiteral("操作が正しくありません.\r [Message No.1000]"), 64, c});
    ExpectBox({1200, QStringLiteral("操作が正しくありません.\r [Message No.1200]"), 64, c});
    ExpectBox({1209, QStringLiteral("操作が正しくありません.\r [Message No.1209]"), 64, c});
    ExpectBox({1999, QStringLiteral("操作が正しくありません.\r [Message No.1999]"), 64, c});
}

TEST_F(MessagesTest, DatabaseErrors) {
    const QString c = QStringLiteral("データベースエラー");
    ExpectBox({2001, QStringLiteral("ワークスペースの作成に失敗しました. [No.2001]"), 16, c});
    ExpectBox({2201, QStringLiteral("ＢＯＦエラーです. [No.2201]"), 16, c});
    ExpectBox({2203, QStringLiteral("レコードが見つかりません. [No.2203]"), 16, c});
    ExpectBox({2000, QStringLiteral("データベースのアクセスに失敗しました. [No.2000]"), 16, c});
    ExpectBox({2999, QStringLiteral("データベースのアクセスに失敗しました. [No.2999]"), 16, c});
}

TEST_F(MessagesTest, FurtherRangesAndTheirBorders) {
    ExpectBox(
        {3000, QStringLiteral("データの圧縮処理に失敗しました. [No.3000]"), 64, QStringLiteral("データ圧縮エラー")});
    ExpectBox(
        {3001, QStringLiteral("データの圧縮処理に失敗しました. [No.3001]"), 64, QStringLiteral("データ圧縮エラー")});
    ExpectBox({4000, QStringLiteral("ファイル入出力に失敗しました. [No.4000]"), 64, QStringLiteral("入出力エラー")});
    ExpectBox({4999, QStringLiteral("ファイル入出力に失敗しました. [No.4999]"), 64, QStringLiteral("入出力エラー")});
    const QString unknown = QStringLiteral("不明のエラー");
    ExpectBox({5000, QStringLiteral("定義されていないエラーが発生しました. [No.5000]"), 64, unknown});
    ExpectBox({8999, QStringLiteral("定義されていないエラーが発生しました. [No.8999]"), 64, unknown});
    ExpectBox({9000, QStringLiteral("不明なエラーが発生しました. [No.9000]"), 64, QStringLiteral("その他のエラー")});
    ExpectBox({9999, QStringLiteral("不明なエラーが発生しました. [No.9999]"), 64, QStringLiteral("その他のエラー")});
    ExpectBox({10000, QStringLiteral("定義されていないエラーが発生しました. [No.10000]"), 64, unknown});
    ExpectBox({32767, QStringLiteral("定義されていないエラーが発生しました. [No.32767]"), 64, unknown});
}

TEST_F(MessagesTest, TheAnswerIsReturned) {
    EXPECT_EQ(ShowMessage(23), platform::kCancel);  // Cancel is the default button
    EXPECT_EQ(ShowMessage(1), platform::kOk);
    boxes_.Answer(platform::kCancel);
    EXPECT_EQ(ShowMessage(1), platform::kCancel);
    EXPECT_EQ(ShowMessage(9000), platform::kOk);
}

}  // namespace
}  // namespace mox
