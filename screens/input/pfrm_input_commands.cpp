// The input screen's commands that leave or replace the examination shown:
// new, previous and next examination, the date picker, the chart screen,
// the tools window and the end, and the two deletions.

#include "core/connections.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "records/exam_dates.h"
#include "records/exam_store.h"
#include "screens/input/input_screen_hooks.h"
#include "screens/input/pfrm_calendar.h"
#include "screens/input/pfrm_input.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <algorithm>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

// ---- Leaving the examination shown ----

PFrmInput::Leaving PFrmInput::AskToSaveBeforeLeaving() {
    JudgeFocusedEdit();
    if (!entry_.DataChanged) return Leaving::Go;
    if (AskUnsavedQuestion() != platform::kYes) return Leaving::GoWithoutSaving;
    return SaveExamination() ? Leaving::Go : Leaving::Stay;
}

void PFrmInput::DropChanges() {
    const int index = CmbEntry->currentIndex();
    entry_.DataChanged = false;
    if (index < 0) {
        // A new examination has nothing stored to go back to: it is
        // emptied rather than left showing values nobody will save.
        ShowNewExamination();
        return;
    }
    EntryAtFocus = -1;
    CmbEntry_Click();
}

void PFrmInput::ShowNotBuiltNotice(const QString& what) {
    platform::MsgBox(QStringLiteral("「") + what + QStringLiteral("」の画面は、このバージョンではまだ使用できません。"),
                     64, QStringLiteral("お知らせ"));
}

void PFrmInput::CmdChartDR_Click() {
    const auto show = InputHooks().showChartScreen;
    if (!show) {
        ShowNotBuiltNotice(QStringLiteral("表示／印刷"));
        return;
    }
    entry_.EndBleedingBatchMode();
    entry_.EndSuppurationBatchMode();
    G().CurPatientId = CmbOutNo->currentIndex() >= 0 ? CmbOutNo->currentData().toInt() : -1;
    switch (AskToSaveBeforeLeaving()) {
        case Leaving::Stay:
            return;
        case Leaving::GoWithoutSaving:
            DropChanges();
            break;
        case Leaving::Go:
            break;
    }
    show(this);
}

void PFrmInput::CmdImport_Click() {
    const auto show = InputHooks().showToolsWindow;
    if (!show) {
        ShowNotBuiltNotice(QStringLiteral("ツール"));
        return;
    }
    if (AskToSaveBeforeLeaving() == Leaving::Stay) return;
    // The changes are dropped with the window: it is made again from the
    // database when the tools window closes.
    entry_.DataChanged = false;
    std::function<void()> reopen = [endRun = endRun_] { ShowInputScreen(endRun); };
    UnloadWithoutEnding();
    show(std::move(reopen));
}

void PFrmInput::CmdEnd_Click() {
    if (AskToSaveBeforeLeaving() == Leaving::Stay) return;
    EndRequested = 1;
    entry_.DataChanged = false;
    close();
}

// ---- New, previous and next examination, date ----

void PFrmInput::CmdAdd_Click() {
    JudgeFocusedEdit();
    if (entry_.DataChanged && AskUnsavedQuestion() == platform::kYes &&
        !SaveExamData(EntryDateOf(CmbEntry->currentIndex()), SelectedStage(), true))
        return;
    {
        const QSignalBlocker blocker(CmbEntry);
        CmbEntry->setCurrentIndex(-1);
    }
    EntryAtFocus = -1;
    ShowNewExamination();
}

void PFrmInput::CmdPrevStage_Click() {
    EntryAtFocus = CmbEntry->currentIndex();
    if (EntryAtFocus < 1) return;
    ChooseEntry(EntryAtFocus - 1);
}

void PFrmInput::CmdNextStage_Click() {
    EntryAtFocus = CmbEntry->currentIndex();
    if (EntryAtFocus >= CmbEntry->count() - 1) return;
    ChooseEntry(EntryAtFocus + 1);
}

void PFrmInput::CmdDate_Click() {
    PlayWave(QStringLiteral("click1.wav"));
    if (CmbOutNo->currentIndex() < 0) {
        platform::MsgBox(QStringLiteral("患者番号を指定してください。"), 48, QStringLiteral("患者番号指定"));
        CmbOutNo->setFocus();
        return;
    }
    const std::optional<QDate> shown = ExamDateOf(TxtY->text(), TxtM->text(), TxtD->text());
    const QDate given = shown ? *shown : platform::CurrentClock().Now().date();
    const std::optional<QDate> chosen = PFrmCalendar::Pick(this, given);
    // Cancel leaves the date boxes as they were.
    if (!chosen) return;
    SetDateBoxes(ExamDateText(*chosen));
    if (chosen == shown) return;
    entry_.DataChanged = true;
    CheckStageDate();
}

// ---- Deleting ----

void PFrmInput::CmdDelExamData_Click() {
    if (CmbOutNo->currentIndex() < 0) {
        platform::MsgBox(QStringLiteral("患者番号が指定されていません。"), 16, QStringLiteral("患者番号エラー"));
        return;
    }
    const int index = CmbEntry->currentIndex();
    if (index < 0) {
        platform::MsgBox(QStringLiteral("治療ステージが指定されていません。"), 16,
                         QStringLiteral("治療ステージエラー"));
        return;
    }
    if (platform::MsgBox(QStringLiteral("表示されているデータを削除します。よろしいですか？　　"), 4 + 48 + 256,
                         QStringLiteral("確認")) != platform::kYes)
        return;
    const std::optional<QDate> day = ExamDateOfText(EntryDateOf(index));
    if (!day) return;
    try {
        if (!DeleteExamination(shownPatientId_, *day)) return;
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        platform::MsgBox(QStringLiteral("表示されているデータを削除できませんでした。データは削除前のままです。") +
                             kCrLf + kCrLf + e.Description(),
                         16, QStringLiteral("削除エラー"));
        return;
    }
    platform::MsgBox(QStringLiteral("表示されているデータを削除しました。"), 64, QStringLiteral("表示データ削除完了"));
    StageAtFocus = -1;
    // What the screen shows is gone from the file: the refill must neither
    // ask about it nor write it back.
    entry_.DataChanged = false;
    RefillAndChoose(index);
    TxtY->setFocus();
}

void PFrmInput::CmdDelPatient_Click() {
    if (CmbOutNo->currentIndex() < 0) {
        platform::MsgBox(QStringLiteral("患者番号が指定されていません。"), 16, QStringLiteral("患者番号エラー"));
        return;
    }
    if (platform::MsgBox(QStringLiteral("表示されている患者番号の全データを削除します。よろしいですか？　　"),
                         4 + 48 + 256, QStringLiteral("確認")) != platform::kYes)
        return;
    try {
        if (!DeletePatient(shownPatientId_)) return;
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        platform::MsgBox(QStringLiteral("患者のデータを削除できませんでした。データは削除前のままです。") + kCrLf +
                             kCrLf + e.Description(),
                         16, QStringLiteral("削除エラー"));
        return;
    }
    platform::MsgBox(QStringLiteral("表示されている患者番号の全データを削除しました。"), 64,
                     QStringLiteral("１患者削除完了"));
    StageAtFocus = -1;
    entry_.DataChanged = false;
    // The number stays chosen; the deleted patient's own numbers leave the
    // boxes, so that a later save does not bring them back.
    LoadPatientRecord();
    ListExaminations();
    TxtY->setFocus();
}

void PFrmInput::RefillAndChoose(int index) {
    ListExaminations();
    const int count = CmbEntry->count();
    if (count == 0 || index < 0) return;
    const int chosen = std::min(index, count - 1);
    if (chosen == CmbEntry->currentIndex()) return;
    ChooseEntry(chosen);
}

}  // namespace mox
