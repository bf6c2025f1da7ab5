#include "core/messages.h"

#include "core/program_log.h"

#include "platform/db/database.h"
#include "platform/message_box.h"

namespace mox {

namespace {

constexpr int kInformation = 64;
constexpr int kQuestion = 33;
constexpr int kStopCancelDefault = 273;
constexpr int kStop = 16;

int16_t Show(const QString& text, int style, const QString& caption) {
    return static_cast<int16_t>(platform::MsgBox(text, style, caption));
}

// Joins lines with a single carriage return, as the boxes were written.
QString Lines(std::initializer_list<const char*> lines) {
    QString text;
    bool first = true;
    for (const char* line : lines) {
        if (!first) text += QLatin1Char('\r');
        text += QString::fromUtf8(line);
        first = false;
    }
    return text;
}

}  // namespace

QString FormatMessageNo(int code) {
    return QStringLiteral("\r [Message No.") + QString::number(code) + QLatin1Char(']');
}

QString FormatNo(int code) { return QStringLiteral(" [No.") + QString::number(code) + QLatin1Char(']'); }

int16_t ShowConfirmMessage(int16_t code) {
    const QString caption = QStringLiteral("確認");
    const char* const kSure = "よろしいですか.";
    switch (code) {
        case 0:
            return Show(Lines({"エラーはありません."}), kInformation, caption);
        case 1:
            return Show(Lines({"終了します.", kSure}), kQuestion, caption);
        case 2:
            return Show(Lines({"この患者のデータを全て削除します.", kSure}), kQuestion, caption);
        case 3:
            return Show(Lines({"データは正常に更新されました."}), kInformation, caption);
        case 4:
            return Show(Lines({"データは正常に追加されました."}), kInformation, caption);
        case 5:
            return Show(Lines({"データは正常に削除されました."}), kInformation, caption);
        case 6:
            return Show(Lines({"このデータを削除します.", kSure}), kQuestion, caption);
        case 7:
            return Show(
                Lines({"項目を変更すると参照できない検査データができる可能性があります.", "更新してもよろしいですか."}),
                kQuestion, caption);
        case 8:
            return Show(Lines({"担当者が指定されていません.", "画面左のコンボボックスから選択してください."}),
                        kInformation, caption);
        case 9:
            return Show(Lines({"部位情報を更新します.", kSure}), kQuestion, caption);
        case 10:
            return Show(Lines({"今回の検査を登録せずに終了します.", kSure}), kQuestion, caption);
        case 11:
            return Show(
                Lines({"すでに、精密検査もしくは再評価検査のデータが入力されています.", "基本検査は入力できません."}),
                kInformation, caption);
        case 12:
            return Show(
                Lines({"すでに、基本検査もしくは再評価検査のデータが入力されています.", "精密検査は入力できません."}),
                kInformation, caption);
        case 13:
            return Show(Lines({"今回の計画を登録せずに終了します.", kSure}), kQuestion, caption);
        case 14:
            return Show(Lines({"治療名は1項目100個までしか登録できません.", "データを削除してから追加してください."}),
                        kInformation, caption);
        case 15:
            return Show(Lines({"一括で治療名を入力します.", "「治療済み」以外の部位はすべて選択中の治療計画になります.",
                               kSure}),
                        kQuestion, caption);
        case 16:
            return Show(
                Lines({"治療計画を一括で治療済みにします.", "計画がされている部位はすべて治療済みになります.", kSure}),
                kQuestion, caption);
        case 17:
            return Show(Lines({"一括でクリアします.",
                               "「治療済み」の部位は「計画」の状態に、「計画」の部位は何もない状態になります.", kSure}),
                        kQuestion, caption);
        case 18:
            return Show(Lines({"一括で次回の予定にします.", "「治療済み」以外の部位はすべて選択中の治療予定になります.",
                               kSure}),
                        kQuestion, caption);
        case 19:
            return Show(Lines({"印刷を行います. 準備はよろしいですか？",
                               "実行する場合は、プリンタへの接続を確認して「ＯＫ」を押してください.",
                               "印刷を行わない場合は「キャンセル」を押してください."}),
                        kQuestion, caption);
        case 20:
            return Show(Lines({"すでに、基本検査もしくは精密検査のデータが入力されています.",
                               "部分再評価検査は入力できません."}),
                        kInformation, caption);
        case 21:
            return Show(Lines({"新しいポケット測定検査の登録は行えません."}), kInformation, caption);
        case 22:
            return Show(Lines({"前回の値を今回検査値としますか？"}), kQuestion, caption);
        case 23:
            return Show(Lines({"バックアップを実行しないと、データが消える恐れがあります。", "",
                               "バックアップを実行せずに、終了してもよろしいですか。"}),
                        kStopCancelDefault, caption);
        default:
            return Show(FormatNo(code), kInformation, caption);
    }
}

int16_t ShowOperationError(int16_t code) {
    QString text;
    switch (code) {
        case 1201:
            text = Lines({"すでに登録済みの患者番号です.", "患者番号を変更してください."});
            break;
        case 1202:
            text = Lines({"入力されていない項目があります.", "必須入力の項目を確認してください."});
            break;
        case 1203:
            text = Lines({"登録されていない患者番号です."});
            break;
        case 1204:
            text = Lines({"入力された日付の値が正しくありません.", "日付を確認してください."});
            break;
        case 1205:
            text = Lines({"すでに処置が終了しています.", "変更するには、クリアしてから再入力してください."});
            break;
        case 1206:
            text = Lines({"治療計画が入力されていません.", "先に治療計画を入力してください."});
            break;
        case 1207:
            text = Lines({"すでに検査が行われている日付です.", "変更はできません."});
            break;
        case 1208:
            text = Lines({"患者番号は数字のみの入力しかできません.", "患者番号を確認してください."});
            break;
        default:
            text = Lines({"操作が正しくありません."});
            break;
    }
    return Show(text + FormatMessageNo(code), kInformation, QStringLiteral("操作エラー"));
}

int16_t ShowDatabaseError(int16_t code) {
    const char* text = "データベースのアクセスに失敗しました.";
    switch (code) {
        case 2001:
            text = "ワークスペースの作成に失敗しました.";
            break;
        case 2002:
            text = "データベースのオープンに失敗しました.";
            break;
        case 2003:
            text = "データベースのクローズに失敗しました.";
            break;
        case 2101:
            text = "テーブルのオープンに失敗しました.";
            break;
        case 2102:
            text = "テーブルのクローズに失敗しました.";
            break;
        case 2103:
            text = "データの読み込みに失敗しました.";
            break;
        case 2104:
            text = "データの書込みに失敗しました.";
            break;
        case 2201:
            text = "ＢＯＦエラーです.";
            break;
        case 2202:
            text = "ＥＯＦエラーです.";
            break;
        case 2203:
            text = "レコードが見つかりません.";
            break;
        default:
            break;
    }
    return Show(QString::fromUtf8(text) + FormatNo(code), kStop, QStringLiteral("データベースエラー"));
}

// 3001, 4001 and 9001 have no text of their own; they share their range's.
int16_t ShowCompactError(int16_t code) {
    return Show(QStringLiteral("データの圧縮処理に失敗しました.") + FormatNo(code), kInformation,
                QStringLiteral("データ圧縮エラー"));
}

int16_t ShowIoError(int16_t code) {
    return Show(QStringLiteral("ファイル入出力に失敗しました.") + FormatNo(code), kInformation,
                QStringLiteral("入出力エラー"));
}

int16_t ShowOtherError(int16_t code) {
    return Show(QStringLiteral("不明なエラーが発生しました.") + FormatNo(code), kInformation,
                QStringLiteral("その他のエラー"));
}

int16_t ShowUnknownError(int16_t code) {
    return Show(QStringLiteral("定義されていないエラーが発生しました.") + FormatNo(code), kInformation,
                QStringLiteral("不明のエラー"));
}

int16_t ShowMessage(int16_t code) {
    if (code < 1000) return ShowConfirmMessage(code);
    if (code < 2000) return ShowOperationError(code);
    if (code < 3000) return ShowDatabaseError(code);
    if (code < 4000) return ShowCompactError(code);
    if (code < 5000) return ShowIoError(code);
    if (code >= 9000 && code <= 9999) return ShowOtherError(code);
    return ShowUnknownError(code);
}

void RunGuarded(const std::function<void()>& handler) {
    const QString twoLines = QStringLiteral("\r\n\r\n");
    try {
        handler();
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        platform::MsgBox(QStringLiteral("データベースの処理でエラーが発生しました。") + twoLines + e.Description(), 16,
                         QStringLiteral("エラー"));
    } catch (const std::exception& e) {
        const Failure failure = FromException(e);
        LogFailure(failure);
        platform::MsgBox(QStringLiteral("処理中にエラーが発生しました。") + twoLines + FailureText(failure), 16,
                         QStringLiteral("エラー"));
    }
}

}  // namespace mox
