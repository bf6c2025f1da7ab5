// The input screen's entry boxes and stage list: the entry check when the
// grid is entered, the date boxes that move the focus on as they fill, the
// change marks of the boxes and the stage, and the stage-date check.

#include "platform/gui/colour.h"
#include "platform/message_box.h"
#include "records/exam_dates.h"
#include "screens/input/entry/stage_dates.h"
#include "screens/input/pfrm_input.h"

#include <QComboBox>
#include <QLineEdit>

namespace mox {

namespace {

constexpr uint32_t kRed = 0x0000FF;  // RGB(255, 0, 0)
constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace

void PFrmInput::Th_GotFocus() {
    // Entering the grid without a patient, a date or a stage is reported
    // at once, before any value is typed.
    entry_.CheckEntries();
}

void PFrmInput::TxtDate_GotFocus(QLineEdit* box) {
    // The box's own text is what leaving it compares with, also when the
    // focus is sent on at once.
    TextAtFocus = box->text();
    box->setModified(false);
    if (CmbOutNo->currentIndex() >= 0) {
        box->selectAll();
        return;
    }
    platform::MsgBox(QStringLiteral("患者番号を指定してください。"), 48, QStringLiteral("患者番号指定"));
    CmbOutNo->setFocus();
}

void PFrmInput::TxtDate_Change(QLineEdit* box) {
    const bool year = box == TxtY;
    if (box->text().size() < (year ? 4 : 2)) return;
    QLineEdit* next = year ? TxtM : (box == TxtM ? TxtD : TxtInNo);
    next->setFocus(Qt::TabFocusReason);
}

void PFrmInput::TxtDate_LostFocus(QLineEdit* box) {
    if (EditedSinceFocus(box)) entry_.DataChanged = true;
    if (box->text().size() >= (box == TxtY ? 4 : 2)) CheckStageDate();
}

void PFrmInput::TxtNumber_GotFocus(QLineEdit* box) {
    TextAtFocus = box->text();
    box->setModified(false);
    if (!entry_.CheckEntries()) return;
    box->selectAll();
}

void PFrmInput::TxtNumber_LostFocus(QLineEdit* box) {
    if (EditedSinceFocus(box)) entry_.DataChanged = true;
}

void PFrmInput::JudgeFocusedEdit() {
    for (QLineEdit* box : {TxtY, TxtM, TxtD, TxtInNo, TxtApplyNo})
        if (focusControl_ == box && EditedSinceFocus(box)) entry_.DataChanged = true;
}

bool PFrmInput::EditedSinceFocus(const QLineEdit* box) const {
    // Only what the user typed is a change: text the program put into the
    // box (a loaded examination, a chosen date) never is.
    return box->isModified() && box->text() != TextAtFocus;
}

void PFrmInput::CmbStage_GotFocus() {
    if (!entry_.CheckEntries()) return;
    StageAtFocus = SelectedStage();
}

void PFrmInput::CmbStage_Click() {
    if (CmbStage->currentIndex() < 0) return;
    if (SelectedStage() != StageAtFocus) entry_.DataChanged = true;
    CheckStageDate();
}

void PFrmInput::CheckStageDate() {
    if (CmbOutNo->currentIndex() < 0 || CmbStage->currentIndex() < 0) return;
    const StageDateMark mark = CheckStageDates(CmbOutNo->currentData().toInt(), SelectedStage(),
                                               ExamDateOf(TxtY->text(), TxtM->text(), TxtD->text()));
    if (mark == StageDateMark::Warn) SetDateBoxesBack(kRed);
    if (mark == StageDateMark::Clear) SetDateBoxesBack(kWhite);
}

}  // namespace mox
