#pragma once
// The examination entry of the input screen without its window: the state
// the screen keeps for all its handlers, the grid painted from the twelve
// examination records and read back into them, the input cursor of each
// display row, the keyboard grammar and value entry, the entry check and the
// save into six examination rows. The window (PFrmInput) owns one entry,
// lends it the tooth buttons through ToothGrid and its fields through
// EntryForm, and wires its controls' events to the handlers here; tests
// drive the same handlers without a window.
//
// The shared record objects (Globals()) must exist while the entry works:
// ExamDataRows 0..3 hold the four display rows, 9 the bleeding and 10 the
// suppuration marks; SubExamRows and ToothPositions one per display row.

#include "records/exam_record.h"
#include "records/exam_store.h"
#include "records/exam_vocabulary.h"
#include "screens/input/entry/tooth_grid.h"

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace mox {

inline constexpr int kValueButtons = 17;  // CmdVal(0..16)
inline constexpr int kPlaqueButtons = 4;  // CmdPL(0..3)

// The fields of the window the entry check reads.
struct EntryFields {
    std::optional<int32_t> patientId;  // item data of the chosen CmbOutNo entry
    QString year;                      // TxtY
    QString month;                     // TxtM
    QString day;                       // TxtD
    std::optional<int32_t> stageId;    // item data of the chosen CmbStage entry
    QString kalteNumber;               // TxtInNo
    QString appName;                   // TxtApplyNo
};

// Where the entry check sends the focus.
enum class EntryField { PatientNo, Year, Stage };

// Which input buttons the current examination item takes.
struct InputButtons {
    std::array<bool, kValueButtons> value;    // CmdVal
    std::array<bool, kPlaqueButtons> plaque;  // CmdPL
    bool marks = true;                        // CmdBlood, CmdBloodMode, CmdHainou, CmdHainouMode
    bool furcationNone = true;                // CmdFurcationNone
    InputButtons() {
        value.fill(true);
        plaque.fill(true);
    }
};

// The input buttons an input type takes; none for the types that leave the
// buttons as they were.
std::optional<InputButtons> ButtonsOfType(int32_t type);

// What the entry needs of its window.
class EntryForm {
public:
    virtual ~EntryForm() = default;
    virtual EntryFields Fields() const = 0;
    virtual void FocusField(EntryField field) = 0;
    virtual void ShowInputButtons(const InputButtons& buttons) = 0;
    // The faces of the two batch-mode buttons.
    virtual void ShowBatchModes(int16_t bleeding, int16_t suppuration) = 0;
    // The site-selection question of the whole-row plaque buttons:
    // kAllSites, kUnexaminedSites or kSitesCancelled.
    virtual int AskSitesToFill() = 0;
    // The keyboard focus to Th(i).
    virtual void FocusToothButton(int i) = 0;
};

// Answers of the site-selection question (MsgBoxBuiResult).
inline constexpr int kUnexaminedSites = 200;
inline constexpr int kAllSites = 201;
inline constexpr int kSitesCancelled = -999;

// A tooth label as painted: caption and VB colours.
struct LabelLook {
    QString caption;
    uint32_t fore = 0;
    uint32_t back = 0xFFFFFF;
};

// The check report's four counts of unexamined places.
struct UnexaminedCounts {
    int pocketDepth = 0;
    int mobility = 0;
    int furcation = 0;
    int plaque = 0;
    int Total() const { return pocketDepth + mobility + furcation + plaque; }
};

class ExamEntry {
public:
    ExamEntry(ToothGrid& grid, EntryForm& form);

    // Screen state, named as the screen's documents name it.
    bool DataChanged = false;
    bool AdvancePending = false;
    int16_t BleedingBatchMode = 0;
    int16_t SuppurationBatchMode = 0;
    int16_t CurRow = -1;  // -1: no item takes input (see SetInputMode)
    int32_t CurItemID = 0;
    int32_t CurInputType = 0;
    ToothStatusWords ToothStatus{};
    bool IsNewEntry = true;
    QString KeyPrefix;
    int16_t SaveKind = 0;
    std::array<QString, kStageNameCount> StageNames;

    // The name of a stage; "" for an ID that names none.
    QString StageName(int32_t stageId) const;
    const InputButtons& Buttons() const { return buttons_; }
    const LabelLook& Label(int i) const { return labels_[i]; }

    // Window set-up: SystemType, ToothIndex and ExamIndex of every button,
    // and the colours of the four rows from their items.
    void SetupGrid();
    void SetRowColours(int row);

    // Grid painting.
    void PaintToothGrid();
    void PaintToothLabels();
    void PaintToothLabel(int row, int tooth);
    void EnableToothButtons();

    // Input mode and cursor.
    int16_t FindDisplayRow(int32_t itemId) const;
    // False, after one message, when the item is not among the display
    // rows: input is then off until the next switch.
    bool SetInputMode(int32_t itemId, bool moveFirst);
    bool InputOn() const { return CurRow >= 0 && CurRow < kGridRows; }
    int CurrentTooth() const;
    int CurrentSite() const;
    int CurrentButton() const { return CurRow * 32 + CurrentTooth(); }
    // Each move is true when the cursor moved to an open position.
    bool CursorFirst(int row);
    bool CursorLast(int row);
    bool CursorPrev(int row);
    bool CursorNext(int row);
    bool CursorMoveTo(int row, int tooth, std::optional<int> site = std::nullopt);
    void ShowCursorMark(int row, int tooth);
    void HideCursorMark(int row, int tooth);
    // A click on site `position` of Th(index) while no batch mode is on:
    // the input goes to that row and the cursor to that site.
    void ClickSite(int index, int position);

    // Clicks on the grid: with a batch mode on they mark sites (pocket-depth
    // rows only); otherwise a site click moves the input there and a label
    // click offers to release the tooth's state, or clicks the tooth.
    void Th_ClickData(int index, int position);
    void LblTh_Click(int index);

    // Marks, batch modes and the plaque buttons.
    void CmdBlood_Click();
    void CmdHainou_Click();
    void CmdBloodMode_Click();
    void CmdHainouMode_Click();
    void CmdPL_Click(int index);

    // Tooth states: the three buttons ask, then set or release the state of
    // the cursor's tooth. ToggleToothState carries one change of the tooth
    // index `tooth` (a grid index is taken mod 32) through records, grid and
    // cursor; ClearBlockedToothValues empties what the rows' items no longer
    // accept there, and the tooth's marks.
    void CmdMT_Click();
    void CmdImplant_Click();
    void CmdPontic_Click();
    void ToggleToothState(uint16_t bit, int tooth);
    void ClearBlockedToothValues(int tooth);

    // Value entry.
    bool CheckEntries();
    void CmdVal_Click(int index);
    // Form_KeyPress for the grid and the buttons; true when the key is
    // swallowed.
    bool KeyPress(int keyAscii);
    void DispatchValueKey(const QString& command);
    void MoveCursorStep(int direction);
    void SetBleedingMark(int mark);
    void SetSuppurationMark(int mark);
    void CmdNot_Click();
    void CmdFurcationNone_Click();
    void EndBleedingBatchMode();
    void EndSuppurationBatchMode();

    // Records. LoadExamRecords fills the twelve records of the patient's
    // examination on `date`, or, for a new examination (no date), cleared
    // records with the tooth states of the latest earlier examination.
    // False, after a message, when the rows could not be read: the records
    // are then left cleared.
    bool LoadExamRecords(int32_t patientId, const std::optional<QDate>& date);
    void CollectExamValues();

    // Saving: the entry check, the patient row, the date check, the six
    // rows, the check report and the confirmation. The patient is always
    // the one shown; `entryDate` is the "yyyy/mm/dd" of the loaded
    // examination.
    bool SaveExamData(int32_t patientNo, const QString& entryDate, int32_t stageId);
    int16_t ConfirmExamDate(int32_t patientNo, const QDate& newDate, const QString& entryDate);
    bool WriteExamRows(int32_t patientNo, const QDate& newDate, const QString& entryDate, int32_t stageId);
    UnexaminedCounts CountUnexamined() const;
    int ShowSaveCheckReport();

private:
    // One step (first, last, previous, next) of the cursor of a row along its route.
    bool CursorStep(int row, int step);
    void ToothStateCommand(uint16_t bit);
    // Asks whether the tooth's state `bit` is to be set or released, and
    // carries a Yes through.
    void AskToToggleToothState(uint16_t bit, int tooth);
    // A label click on a tooth with a state offers to release it; false
    // when the tooth has none.
    bool OfferToothStateRelease(int tooth);
    void ToggleMarkAtCursor(int nExam);
    void ToggleBatchMode(int16_t& mode);
    bool BatchMarkSite(int index, int position);
    bool BatchMarkTooth(int index);
    bool TakesKeyboardValues(int32_t mode) const;
    int SiteFor(int32_t mode) const;
    bool AdvanceBeforeEntry(bool mayChangeRow);
    void SetMark(int nExam, int mark);
    void SetButtonsForType(int32_t type);
    void ShowLabel(int i);
    void InputOff();

    ToothGrid& grid_;
    EntryForm& form_;
    InputButtons buttons_;
    std::array<LabelLook, kGridButtons> labels_;
};

// The check report as shown after a save; "" when there is nothing to say.
QString SaveCheckReportText(const UnexaminedCounts& counts, bool initialCaseShown, const QString& share,
                            const QString& deepSites, bool sptPeriodShort);

}  // namespace mox
