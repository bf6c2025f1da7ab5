// Grid painting, the input mode and the cursor of the examination entry.

#include "screens/input/entry/exam_entry.h"

#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "records/exam_item.h"
#include "records/exam_vocabulary.h"
#include "records/shared_records.h"
#include "records/staff_record.h"
#include "records/tooth_position.h"

namespace mox {

namespace {

// Label colours (VB numbers, &HBBGGRR).
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kCursorGreen = 0x00FF00;  // RGB(0, 255, 0)

// The plaque route is the staff member's own when the pattern is longer
// than 16 characters; otherwise plaque follows the tooth route.
constexpr int kPlaquePatternLimit = 16;

enum class Route { None, Tooth, Site, Plaque, Gap };

Route RouteOf(int32_t inputType) {
    if (IsToothRouteType(inputType)) return Route::Tooth;
    if (IsPerSiteType(inputType)) return Route::Site;
    if (inputType == kPlaqueMode)
        return Globals().CurCharge->PlaquePattern.size() > kPlaquePatternLimit ? Route::Plaque : Route::Tooth;
    if (IsGapType(inputType)) return Route::Gap;
    return Route::None;
}

CToothPosition& Cursor(int row) { return *Globals().ToothPositions[row]; }
const CSubExam& Item(int row) { return *Globals().SubExamRows[row]; }
CExamData& Record(int i) { return *Globals().ExamDataRows[i]; }

}  // namespace

ExamEntry::ExamEntry(ToothGrid& grid, EntryForm& form) : grid_(grid), form_(form) {}

QString ExamEntry::StageName(int32_t stageId) const {
    return stageId >= 0 && stageId < kStageNameCount ? StageNames[stageId] : QString();
}

void ExamEntry::SetupGrid() {
    for (int row = 0; row < kGridRows; ++row) SetRowColours(row);
    for (int i = 0; i < kGridButtons; ++i) {
        grid_.SetSystemType(i, 1);
        grid_.SetToothIndex(i, i);
        grid_.SetExamIndex(i, 0);
    }
}

void ExamEntry::SetRowColours(int row) {
    if (row < 0 || row >= kGridRows) return;
    const CSubExam& item = Item(row);
    for (int t = 0; t < kToothCount; ++t) {
        const int b = row * 32 + t;
        for (int16_t k = 0; k < 3; ++k) grid_.SetGradationPart(b, k, item.GradationPart(k));
        for (int16_t k = 0; k < 4; ++k) {
            grid_.SetBrightness(b, k, item.Brightness(k));
            grid_.SetValueColor(b, k, item.ValueColor(k));
        }
    }
}

void ExamEntry::PaintToothGrid() {
    for (int row = 0; row < kGridRows; ++row) {
        const int32_t mode = Item(row).Mode;
        const CExamData& r = Record(row);
        for (int t = 0; t < kToothCount; ++t) {
            const int b = row * 32 + t;
            const auto& order = SiteOrder[t / 8];
            grid_.SetExamMode(b, mode);
            if (mode == kPlaqueMode) {
                if (r.bData(t) != kNoSiteValue) {
                    grid_.SetPlaqueUnTreat(b, r.bData(t + kPlaqueNotExaminedOffset));
                    grid_.SetPlaqueData(b, r.bData(t));
                } else {
                    grid_.SetPlaqueUnTreat(b, 15);
                    grid_.SetPlaqueData(b, kNoButtonValue);
                }
            } else if (IsPerSiteType(mode)) {
                for (int s = 0; s < 6; ++s) grid_.SetData(b, 0, order[s], ButtonValueOf(r.bData(t * 6 + s)));
                if (mode == kPocketDepthMode) {
                    for (int s = 0; s < 6; ++s)
                        grid_.SetData(b, 1, order[s], ButtonValueOf(Record(kBleedingRow).bData(t * 6 + s)));
                    for (int s = 0; s < 6; ++s)
                        grid_.SetData(b, 2, order[s], ButtonValueOf(Record(kSuppurationRow).bData(t * 6 + s)));
                }
                if (mode == kFurcationMode) grid_.SetRoot(b, FurcationType[t]);
            } else {
                grid_.SetData(b, 0, 0, ButtonValueOf(r.bData(t)));
            }
        }
    }
    PaintToothLabels();
    EnableToothButtons();
    grid_.RefreshChanged();
}

void ExamEntry::PaintToothLabels() {
    for (int row = 0; row < kGridRows; ++row)
        for (int t = 0; t < kToothCount; ++t) PaintToothLabel(row, t);
}

void ExamEntry::PaintToothLabel(int row, int tooth) {
    if (row < 0 || row >= kGridRows || tooth < 0 || tooth >= kToothCount) return;
    const uint16_t st = static_cast<uint16_t>(ToothStatus[tooth]);
    LabelLook& look = labels_[row * 32 + tooth];
    look.fore = kBlack;
    look.caption = (st & kToothDeciduous) ? ToothLabelsDeciduous[tooth] : ToothLabels[tooth];
    look.back = ToothStateColour(ToothStatus[tooth]);
    ShowLabel(row * 32 + tooth);
}

void ExamEntry::ShowLabel(int i) { grid_.SetLabel(i, labels_[i].caption, labels_[i].fore, labels_[i].back); }

void ExamEntry::EnableToothButtons() {
    for (int row = 0; row < kGridRows; ++row) {
        const uint16_t mask = static_cast<uint16_t>(Item(row).Status);
        for (int t = 0; t < kToothCount; ++t) {
            const uint16_t st = static_cast<uint16_t>(ToothStatus[t]);
            bool enabled = true;
            for (uint16_t bit : {kToothImplant, kToothPontic, kToothFourthState, kToothMissing}) {
                if (st & bit) {
                    enabled = (mask & bit) != 0;
                    break;
                }
            }
            grid_.SetEnabled(row * 32 + t, enabled);
        }
    }
}

int16_t ExamEntry::FindDisplayRow(int32_t itemId) const {
    for (int i = 0; i < kGridRows; ++i)
        if (Item(i).ID == itemId) return Item(i).DisplayRow;
    return 0;
}

void ExamEntry::InputOff() {
    CurRow = -1;
    CurItemID = 0;
    CurInputType = 0;
    buttons_.value.fill(false);
    buttons_.plaque.fill(false);
    buttons_.marks = false;
    buttons_.furcationNone = false;
    form_.ShowInputButtons(buttons_);
}

bool ExamEntry::SetInputMode(int32_t itemId, bool moveFirst) {
    const int16_t k = FindDisplayRow(itemId);
    if (k < 1 || k > kGridRows) {
        // An item table without this item (or without its display row)
        // leaves nothing to enter values into.
        platform::MsgBox(QStringLiteral("入力する検査項目（番号 %1）が入力画面の検査行にありません。\r\n"
                                        "検査項目の設定を確認してください。")
                             .arg(itemId),
                         48, QStringLiteral("検査項目エラー"));
        InputOff();
        return false;
    }
    CurRow = static_cast<int16_t>(k - 1);
    CurItemID = itemId;
    const CSubExam& item = Item(CurRow);
    CurInputType = item.Mode;
    CToothPosition& c = Cursor(CurRow);
    const CCharge& staff = *Globals().CurCharge;
    c.nInputStatus = item.Status;
    for (int16_t s = 0; s < 6; ++s) c.SetbPocketPosition(s, staff.PocketPosition(s) != 0);
    for (int16_t t = 0; t < kToothCount; ++t) c.SetnBuiStatus(t, ToothStatus[t]);
    if (CurInputType == kFurcationMode)
        c.MakeMove(staff.VectorPattern, staff.PocketPattern, staff.PocketVector, true);
    else if (IsGapType(CurInputType))
        c.MakeMove(staff.VectorPattern, staff.PocketPattern, staff.PocketVector, false, true);
    else if (CurInputType == kPlaqueMode)
        c.MakeMove(staff.VectorPattern, staff.PocketPattern, staff.PocketVector, false, false, staff.PlaquePattern);
    else
        c.MakeMove(staff.VectorPattern, staff.PocketPattern, staff.PocketVector);
    if (moveFirst) CursorFirst(CurRow);
    grid_.Refresh(CurrentButton());
    SetButtonsForType(CurInputType);
    return true;
}

std::optional<InputButtons> ButtonsOfType(int32_t type) {
    InputButtons b;
    switch (type) {
        case kToothValueMode:
            for (int i = 0; i < kValueButtons; ++i) b.value[i] = i <= 3;
            b.plaque.fill(false);
            b.marks = false;
            b.furcationNone = false;
            return b;
        case kPocketDepthMode:
            for (int i = 0; i < kValueButtons; ++i) b.value[i] = i >= 1;
            b.plaque.fill(false);
            b.marks = true;
            b.furcationNone = false;
            return b;
        case kPlaqueMode:
            b.value.fill(false);
            b.plaque.fill(true);
            b.marks = false;
            b.furcationNone = false;
            return b;
        case kFurcationMode:
            for (int i = 0; i < kValueButtons; ++i) b.value[i] = i >= 1 && i <= 3;
            b.plaque.fill(false);
            b.marks = false;
            b.furcationNone = true;
            return b;
        default:
            return std::nullopt;  // other types leave the buttons as they were
    }
}

void ExamEntry::SetButtonsForType(int32_t type) {
    const std::optional<InputButtons> buttons = ButtonsOfType(type);
    if (!buttons) return;
    buttons_ = *buttons;
    form_.ShowInputButtons(buttons_);
}

int ExamEntry::CurrentTooth() const { return InputOn() ? Cursor(CurRow).nTooth : 0; }

int ExamEntry::CurrentSite() const { return InputOn() ? Cursor(CurRow).nPocket : 0; }

namespace {

enum class Step { First, Last, Prev, Next };

// One cursor step along the route the input type walks.
bool StepCursor(CToothPosition& c, Route route, Step step) {
    switch (route) {
        case Route::Tooth:
            return step == Step::First  ? c.MoveFirst()
                   : step == Step::Last ? c.MoveLast()
                   : step == Step::Prev ? c.MovePrev()
                                        : c.MoveNext();
        case Route::Site:
            return step == Step::First  ? c.MoveFirst6()
                   : step == Step::Last ? c.MoveLast6()
                   : step == Step::Prev ? c.MovePrev6()
                                        : c.MoveNext6();
        case Route::Plaque:
            return step == Step::First  ? c.MoveFirstPlaque()
                   : step == Step::Last ? c.MoveLastPlaque()
                   : step == Step::Prev ? c.MovePrevPlaque()
                                        : c.MoveNextPlaque();
        case Route::Gap:
            return step == Step::First  ? c.MoveFirstGap()
                   : step == Step::Last ? c.MoveLastGap()
                   : step == Step::Prev ? c.MovePrevGap()
                                        : c.MoveNextGap();
        case Route::None:
            break;
    }
    return false;
}

}  // namespace

bool ExamEntry::CursorStep(int row, int step) {
    if (row < 0 || row >= kGridRows) return false;
    CToothPosition& c = Cursor(row);
    const Route route = RouteOf(CurInputType);
    if (StepCursor(c, route, static_cast<Step>(step))) {
        HideCursorMark(row, c.nPrevTooth);
        ShowCursorMark(row, c.nTooth);
        return true;
    }
    // At the end of a plaque route the examiner hears that the row is done
    // before anything else happens.
    if (static_cast<Step>(step) == Step::Next && CurInputType == kPlaqueMode)
        platform::Wait(route == Route::Plaque ? 690 : 950);
    return false;
}

bool ExamEntry::CursorFirst(int row) { return CursorStep(row, static_cast<int>(Step::First)); }
bool ExamEntry::CursorLast(int row) { return CursorStep(row, static_cast<int>(Step::Last)); }
bool ExamEntry::CursorPrev(int row) { return CursorStep(row, static_cast<int>(Step::Prev)); }
bool ExamEntry::CursorNext(int row) { return CursorStep(row, static_cast<int>(Step::Next)); }

bool ExamEntry::CursorMoveTo(int row, int tooth, std::optional<int> site) {
    if (row < 0 || row >= kGridRows || tooth < 0 || tooth >= kToothCount) return false;
    CToothPosition& c = Cursor(row);
    const int16_t t = static_cast<int16_t>(tooth);
    bool moved = false;
    switch (RouteOf(CurInputType)) {
        case Route::Tooth:
            moved = c.Move(t);
            break;
        case Route::Site:
            moved = c.Move66(t, static_cast<int16_t>(site ? *site : c.nPocket));
            break;
        case Route::Plaque:
            moved = c.MovePlaque(t);
            break;
        case Route::Gap:
            moved = c.MoveGap(t);
            break;
        case Route::None:
            break;
    }
    if (!moved) return false;
    HideCursorMark(row, c.nPrevTooth);
    ShowCursorMark(row, c.nTooth);
    return true;
}

void ExamEntry::ShowCursorMark(int row, int tooth) {
    if (row < 0 || row >= kGridRows || tooth < 0 || tooth >= kToothCount) return;
    const int i = row * 32 + tooth;
    // A gap mark covers the tooth and its neighbour, never the first label
    // of the next row.
    const int last = IsGapType(CurInputType) && tooth + 1 < kToothCount ? i + 1 : i;
    for (int l = i; l <= last; ++l) {
        labels_[l].fore = labels_[l].back;
        labels_[l].back = kCursorGreen;
        ShowLabel(l);
    }
    grid_.SetFocusItem(i, Cursor(row).nPocket);
    grid_.Refresh(i);
}

void ExamEntry::HideCursorMark(int row, int tooth) {
    if (row < 0 || row >= kGridRows || tooth < 0 || tooth >= kToothCount) return;
    PaintToothLabel(row, tooth);
    if (IsGapType(CurInputType)) PaintToothLabel(row, tooth + 1);
    const int i = row * 32 + tooth;
    grid_.SetFocusItem(i, -1);
    grid_.Refresh(i);
}

void ExamEntry::ClickSite(int index, int position) {
    // The control reports sites 0..5; anything else is no site of the tooth.
    if (index < 0 || index >= kGridButtons || position < 0 || position > 5) return;
    const int row = index / 32;
    const int tooth = index % 32;
    if (row != CurRow) {
        if (InputOn()) HideCursorMark(CurRow, CurrentTooth());
        if (!SetInputMode(Item(row).ID, false)) return;
    }
    const int32_t mode = grid_.ExamMode(index);
    const bool moved = IsPerSiteType(mode) ? CursorMoveTo(row, tooth, position) : CursorMoveTo(row, tooth);
    if (!moved) return;
    AdvancePending = false;
    if (mode == kPlaqueMode) DataChanged = true;
}

}  // namespace mox
