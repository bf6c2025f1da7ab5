// Saving the shown examination: patient row, date check, six rows in one
// transaction, check report and confirmation.

#include "core/exam_lookups.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "records/exam_checks.h"
#include "records/exam_dates.h"
#include "records/exam_item.h"
#include "records/exam_vocabulary.h"
#include "records/shared_records.h"
#include "screens/input/entry/exam_entry.h"

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

void ShowSaveError(const QString& what, const db::DbError& e) {
    LogFailure(e.GetFailure());
    platform::MsgBox(what + kCrLf + kCrLf + e.Description(), 16, QStringLiteral("保存エラー"));
}

int CountFaces(int32_t faces) {
    int n = 0;
    for (int bit : {1, 2, 4, 8})
        if (faces & bit) ++n;
    return n;
}

}  // namespace

bool ExamEntry::SaveExamData(int32_t patientNo, const QString& entryDate, int32_t stageId) {
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    auto fail = [this] {
        AdvancePending = false;
        return false;
    };
    if (!CheckEntries() || patientNo < 0) return fail();
    const EntryFields f = form_.Fields();
    const QDate newDate = *ExamDateOf(f.year, f.month, f.day);

    try {
        SavePatientRow(patientNo, f.kalteNumber, f.appName, platform::CurrentClock().Now());
    } catch (const db::DbError& e) {
        ShowSaveError(QStringLiteral("患者データを保存できませんでした。"), e);
        return fail();
    }
    int16_t kind = 0;
    try {
        kind = ConfirmExamDate(patientNo, newDate, entryDate);
    } catch (const db::DbError& e) {
        ShowSaveError(QStringLiteral("検査日の確認で検査データを読み込めませんでした。"), e);
        return fail();
    }
    if (kind < 1) {
        form_.FocusField(EntryField::Year);
        return fail();
    }
    if (!WriteExamRows(patientNo, newDate, entryDate, stageId)) return fail();

    try {
        ShowSaveCheckReport();
    } catch (const db::DbError& e) {
        // The rows are written; a report that cannot read its figures is
        // left out rather than turning the save into a failure.
        LogFailure(QStringLiteral("保存後のチェック"), FailureLogText(e.GetFailure()));
    }
    if (InputOn()) HideCursorMark(CurRow, CurrentTooth());
    platform::MsgBox(QStringLiteral("正常に保存されました。　　") + kCrLf + kCrLf + QStringLiteral("基準フォルダ： ") +
                         G().AppPath() + kCrLf + kCrLf + QStringLiteral("使用ファイル： ") + G().MainDbFile().mid(1),
                     64, QStringLiteral("正常終了"));
    DataChanged = false;
    AdvancePending = false;
    return true;
}

int16_t ExamEntry::ConfirmExamDate(int32_t patientNo, const QDate& newDate, const QString& entryDate) {
    SaveKind = 0;
    const QString newText = ExamDateText(newDate);
    const bool exists = ExamExistsOn(patientNo, newDate);
    auto overwrite = [&](int16_t kind) -> int16_t {
        const int answer = platform::MsgBox(QStringLiteral("指定された検査日のデータが存在します。上書きしますか？") +
                                                kCrLf + kCrLf + QStringLiteral("はい　：上書きする") + kCrLf +
                                                QStringLiteral("いいえ：検査日入力に戻る"),
                                            52, QStringLiteral("上書確認"));
        return answer == platform::kYes ? kind : 0;
    };
    if (IsNewEntry) {
        SaveKind = exists ? overwrite(3) : 1;
    } else if (entryDate != newText) {
        const int answer = platform::MsgBox(
            entryDate + QStringLiteral("の検査データの検査日を") + newText + QStringLiteral("に変更しますか？") +
                kCrLf + kCrLf + QStringLiteral("はい　　　：変更する") + kCrLf +
                QStringLiteral("いいえ　　：この検査日（") + newText + QStringLiteral("）を追加する") + kCrLf +
                QStringLiteral("キャンセル：検査日入力に戻る"),
            51, QStringLiteral("確認"));
        if (answer == platform::kYes)
            SaveKind = exists ? overwrite(4) : 2;
        else if (answer == platform::kNo)
            SaveKind = exists ? overwrite(3) : 1;
    } else {
        SaveKind = 2;
    }
    return SaveKind;
}

bool ExamEntry::WriteExamRows(int32_t patientNo, const QDate& newDate, const QString& entryDate, int32_t stageId) {
    CollectExamValues();
    GlobalObjects& g = Globals();
    ExamWrite write;
    write.patientId = patientNo;
    write.newDate = newDate;
    if (SaveKind == 2 || SaveKind == 4) write.replacedDate = ExamDateOfText(entryDate);
    if (SaveKind == 3 || SaveKind == 4) write.overwrittenDate = newDate;
    write.stageId = stageId;
    write.stageName = StageName(stageId);
    write.chargeId = G().IdPrefix;
    for (int i = 0; i < kGridRows; ++i) write.rows.push_back({g.ExamDataRows[i].get(), i, g.SubExamRows[i]->ID});
    for (int slot : {kBleedingRow, kSuppurationRow})
        write.rows.push_back({g.ExamDataRows[slot].get(), slot, kPocketDepthItem});
    try {
        return WriteExamination(write);
    } catch (const db::DbError& e) {
        ShowSaveError(QStringLiteral("検査データを保存できませんでした。データベースは保存前のままです。"), e);
        return false;
    }
}

UnexaminedCounts ExamEntry::CountUnexamined() const {
    UnexaminedCounts counts;
    for (int row = 0; row < kGridRows; ++row) {
        for (int t = 0; t < kToothCount; ++t) {
            const int b = row * 32 + t;
            const int16_t w = ToothStatus[t];
            const bool natural = IsRestTooth(w);
            switch (grid_.ExamMode(b)) {
                case kPocketDepthMode:
                    if (!natural) break;
                    for (int s = 0; s < 6; ++s)
                        if (grid_.Data(b, 0, s) == kNoButtonValue) ++counts.pocketDepth;
                    break;
                case kToothValueMode:
                    // Implants are checked for mobility too.
                    if (static_cast<uint16_t>(w) & (kToothMissing | kToothPontic)) break;
                    if (grid_.Data(b, 0, 0) == kNoButtonValue) ++counts.mobility;
                    break;
                case kFurcationMode: {
                    if (!natural) break;
                    for (int s : FurcationEntrances(FurcationType[t]))
                        if (grid_.Data(b, 0, s) == kNoButtonValue) ++counts.furcation;
                    break;
                }
                case kPlaqueMode:
                    if (!natural) break;
                    if (grid_.PlaqueData(b) == kNoButtonValue)
                        counts.plaque += 4;
                    else
                        counts.plaque += CountFaces(grid_.PlaqueUnTreat(b));
                    break;
                default:
                    break;
            }
        }
    }
    return counts;
}

QString SaveCheckReportText(const UnexaminedCounts& counts, bool initialCaseShown, const QString& share,
                            const QString& deepSites, bool sptPeriodShort) {
    QString text;
    if (counts.Total() > 0) {
        text += QStringLiteral("■以下の検査で未検査があります。") + kCrLf;
        const std::pair<const char16_t*, int> lines[] = {{u"ＰＰＤ：", counts.pocketDepth},
                                                         {u"動揺度：", counts.mobility},
                                                         {u"根分岐部病変：", counts.furcation},
                                                         {u"ＰＣＲ：", counts.plaque}};
        for (const auto& [name, count] : lines)
            if (count > 0) text += QString::fromUtf16(name) + QString::number(count) + QStringLiteral("ヶ所") + kCrLf;
    }
    if (initialCaseShown) {
        text += kCrLf + QStringLiteral("■初診時の症例は以下の通りです。") + kCrLf;
        text += QStringLiteral("歯周ポケット４mm以上の部位が ") + share + QStringLiteral("％") + kCrLf;
        text += QStringLiteral("６mm以上の歯周ポケットが ") + deepSites + QStringLiteral("ヶ所") + kCrLf;
    }
    if (sptPeriodShort) text += kCrLf + QStringLiteral("■治療ステージの期間に問題がある場合があります｡");
    return text;
}

int ExamEntry::ShowSaveCheckReport() {
    const UnexaminedCounts counts = CountUnexamined();
    QString share;
    QString deepSites;
    const bool initialCaseShown = CheckInitialCase(share, deepSites);
    const QString text = SaveCheckReportText(counts, initialCaseShown, share, deepSites, IsSptPeriodShort());
    if (!text.isEmpty()) platform::MsgBox(text, 16, QStringLiteral("チェック"));
    return counts.Total();
}

}  // namespace mox
