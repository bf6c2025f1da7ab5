// Value entry of the examination entry: the entry check, the value
// buttons, the keyboard grammar and the keys' marks, clear and no-lesion.

#include "core/sound/play_wave.h"
#include "platform/message_box.h"
#include "records/exam_dates.h"
#include "records/exam_item.h"
#include "records/exam_vocabulary.h"
#include "records/shared_records.h"
#include "records/tooth_position.h"
#include "screens/input/entry/exam_entry.h"

namespace mox {

namespace {

bool IsDigits(const QString& text) {
    if (text.isEmpty()) return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

}  // namespace

bool ExamEntry::TakesKeyboardValues(int32_t mode) const {
    return mode == kToothValueMode || mode == kPocketDepthMode || mode == kFurcationMode;
}

int ExamEntry::SiteFor(int32_t mode) const { return IsPerSiteType(mode) ? CurrentSite() : 0; }

bool ExamEntry::CheckEntries() {
    const EntryFields f = form_.Fields();
    if (!f.patientId) {
        platform::MsgBox(QStringLiteral("患者番号を指定してください。"), 16, QStringLiteral("患者番号エラー"));
        form_.FocusField(EntryField::PatientNo);
        return false;
    }
    if (!ExamDateOf(f.year, f.month, f.day)) {
        platform::MsgBox(QStringLiteral("正しい検査日を入力してください。"), 16, QStringLiteral("検査日エラー"));
        form_.FocusField(EntryField::Year);
        return false;
    }
    if (!f.stageId) {
        platform::MsgBox(QStringLiteral("治療ステージを指定してください。"), 16, QStringLiteral("治療ステージエラー"));
        form_.FocusField(EntryField::Stage);
        return false;
    }
    return true;
}

bool ExamEntry::AdvanceBeforeEntry(bool mayChangeRow) {
    if (!AdvancePending) {
        AdvancePending = true;
        return true;
    }
    if (CursorNext(CurRow)) {
        const int b = CurrentButton();
        const int32_t mode = grid_.ExamMode(b);
        if (mode == kPocketDepthMode || mode == kFurcationMode)
            grid_.SetFocusItem(b, static_cast<int16_t>(CurrentSite()));
        grid_.Refresh(CurRow * 32 + Globals().ToothPositions[CurRow]->nPrevTooth);
        grid_.Refresh(b);
        return true;
    }
    grid_.Refresh(CurrentButton());
    if (mayChangeRow && CurRow < kGridRows - 1) {
        HideCursorMark(CurRow, CurrentTooth());
        return SetInputMode(Globals().SubExamRows[CurRow + 1]->ID, true);
    }
    return true;
}

void ExamEntry::CmdVal_Click(int index) {
    if (index < 0 || index >= kValueButtons) return;
    if (!CheckEntries()) return;
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    if (!InputOn() || !TakesKeyboardValues(grid_.ExamMode(CurrentButton()))) {
        PlayWave(QStringLiteral("phone1.wav"));
        return;
    }
    if (!AdvanceBeforeEntry(true)) return;
    // After the last site of a row the cursor is in the next row, whose item
    // may not take the value (a plaque row takes none): it stays unwritten,
    // the refusal is heard instead of the value, and the next value goes into
    // the site the cursor now shows.
    const int b = CurrentButton();
    const int32_t mode = grid_.ExamMode(b);
    if (TakesKeyboardValues(mode) && buttons_.value[index]) {
        PlayWave(QString::number(index) + QStringLiteral(".wav"));
        grid_.SetData(b, 0, SiteFor(mode), index);
        DataChanged = true;
    } else {
        PlayWave(QStringLiteral("phone1.wav"));
        AdvancePending = false;
    }
    grid_.Refresh(b);
}

bool ExamEntry::KeyPress(int keyAscii) {
    if (keyAscii == 27) {
        KeyPrefix.clear();
        return true;
    }
    const QString key(QChar(static_cast<char16_t>(keyAscii)));
    if (key == QLatin1String("/") || key == QLatin1String("*")) {
        KeyPrefix = key;
        return true;
    }
    const bool digit = keyAscii >= '0' && keyAscii <= '9';
    QString command;
    if (key == QLatin1String("."))
        command = key;
    else if (key == QLatin1String("+") || key == QLatin1String("-"))
        command = KeyPrefix == QLatin1String("*") ? QStringLiteral("*") + key : key;
    else if (digit)
        command = KeyPrefix == QLatin1String("/") ? QStringLiteral("1") + key : key;
    else
        command = KeyPrefix;

    if (keyAscii == 8) {
        MoveCursorStep(0);
        AdvancePending = false;
    } else if (keyAscii == 13) {
        MoveCursorStep(1);
        AdvancePending = false;
    } else if (digit || key == QLatin1String("+") || key == QLatin1String("-") || key == QLatin1String(".")) {
        DispatchValueKey(command);
    }
    KeyPrefix.clear();
    return true;
}

void ExamEntry::DispatchValueKey(const QString& command) {
    const int32_t type = InputOn() ? Globals().SubExamRows[CurRow]->Mode : -1;
    const bool number = IsDigits(command);
    const int value = number ? command.toInt() : -1;
    const bool clear = command == QLatin1String(".");
    switch (type) {
        case kToothValueMode:
            if (number && value <= 3) return CmdVal_Click(value);
            if (clear) return CmdNot_Click();
            break;
        case kPocketDepthMode:
            if (number && value >= 1 && value <= 16) return CmdVal_Click(value);
            if (command == QLatin1String("+")) return SetBleedingMark(1);
            if (command == QLatin1String("-")) return SetBleedingMark(0);
            if (command == QLatin1String("*+")) return SetSuppurationMark(1);
            if (command == QLatin1String("*-")) return SetSuppurationMark(0);
            if (clear) return CmdNot_Click();
            break;
        case kFurcationMode:
            if (command == QLatin1String("0")) return CmdFurcationNone_Click();
            if (number && value >= 1 && value <= 3) return CmdVal_Click(value);
            if (clear) return CmdNot_Click();
            break;
        default:
            break;
    }
    PlayWave(QStringLiteral("phone1.wav"));
}

void ExamEntry::MoveCursorStep(int direction) {
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    if (!InputOn()) return;
    if (direction == 1)
        CursorNext(CurRow);
    else
        CursorPrev(CurRow);
}

void ExamEntry::SetBleedingMark(int mark) { SetMark(1, mark); }

void ExamEntry::SetSuppurationMark(int mark) { SetMark(2, mark); }

void ExamEntry::SetMark(int nExam, int mark) {
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    if (!InputOn()) return;
    const int b = CurrentButton();
    if (grid_.ExamMode(b) != kPocketDepthMode) return;
    const int site = CurrentSite();
    if (grid_.Data(b, 0, site) != kNoButtonValue && grid_.Data(b, nExam, site) != mark) {
        grid_.SetData(b, nExam, site, mark);
        DataChanged = true;
    }
    grid_.Refresh(b);
}

void ExamEntry::CmdNot_Click() {
    if (!CheckEntries()) return;
    PlayWave(QStringLiteral("click1.wav"));
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    if (!InputOn()) return;
    const int b = CurrentButton();
    if (CurInputType == kPlaqueMode) {
        grid_.SetPlaqueUnTreat(b, 15);
        grid_.SetPlaqueData(b, kNoButtonValue);
    } else {
        // A per-tooth value sits at site 0 whatever site the cursor last had.
        grid_.SetData(b, 0, SiteFor(grid_.ExamMode(b)), kNoButtonValue);
    }
    grid_.SetFocusItem(b, -1);
    grid_.Refresh(b);
    CursorNext(CurRow);
    const int now = CurrentButton();
    grid_.SetFocusItem(now, static_cast<int16_t>(CurrentSite()));
    grid_.Refresh(now);
    DataChanged = true;
    AdvancePending = false;
}

void ExamEntry::CmdFurcationNone_Click() {
    if (!CheckEntries()) return;
    EndBleedingBatchMode();
    EndSuppurationBatchMode();
    if (!InputOn() || grid_.ExamMode(CurrentButton()) != kFurcationMode) {
        PlayWave(QStringLiteral("phone1.wav"));
        return;
    }
    if (!AdvanceBeforeEntry(true)) return;
    // "No lesion" is a furcation finding: after a row change it is written
    // only where the new row is a furcation row too.
    const int b = CurrentButton();
    if (grid_.ExamMode(b) == kFurcationMode && buttons_.furcationNone) {
        PlayWave(QStringLiteral("無.wav"));
        grid_.SetData(b, 0, CurrentSite(), 0);
        DataChanged = true;
    } else {
        PlayWave(QStringLiteral("phone1.wav"));
        AdvancePending = false;
    }
    grid_.Refresh(b);
}

void ExamEntry::EndBleedingBatchMode() {
    if (BleedingBatchMode != 1) return;
    BleedingBatchMode = 0;
    form_.ShowBatchModes(BleedingBatchMode, SuppurationBatchMode);
}

void ExamEntry::EndSuppurationBatchMode() {
    if (SuppurationBatchMode != 1) return;
    SuppurationBatchMode = 0;
    form_.ShowBatchModes(BleedingBatchMode, SuppurationBatchMode);
}

}  // namespace mox
