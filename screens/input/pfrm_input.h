#pragma once
// PFrmInput, the examination input screen: the main window of VXMOX from
// the splash window to the end of the run. The window holds the controls
// and the lists; the examination itself (grid, cursor, value entry, save)
// is its ExamEntry, to which the window lends the tooth buttons and its
// fields. Handlers carry the names of the controls and events they serve.

#include "controls/colour_button/colour_button_set.h"
#include "platform/com/control_host.h"
#include "screens/input/dispatch_tooth_grid.h"
#include "screens/input/entry/exam_entry.h"

#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;

namespace mox {

class PFrmInput final : public QWidget, private EntryForm {
    Q_OBJECT
public:
    // `endRun` is the end of the program, run when closing the window ends it.
    explicit PFrmInput(std::function<void()> endRun, QWidget* parent = nullptr);
    ~PFrmInput() override;

    void Form_Load();

    // Set-up (loading the window).
    void ShowDatabasePath();
    void LoadStageList();
    void LoadStaffRecord();
    void LoadExamItems();
    void FitPatientDropDown();

    // Patient and examination choice.
    void CmbOutNo_GotFocus();
    void CmbOutNo_Validate();
    void CmbOutNo_Click();
    void CmbEntry_GotFocus();
    void CmbEntry_Click();
    void LoadPatientRecord();
    // Lists the shown patient's examinations and shows the entry of
    // `shownDate` ("yyyy/mm/dd") when it is listed, else the first one.
    void ListExaminations(const QString& shownDate = QString());
    bool LoadExamRecords();

    // Clicks on the grid and the entry boxes.
    void Th_ClickData(int index, int position);
    void LblTh_Click(int index);
    void Th_GotFocus();
    void TxtDate_GotFocus(QLineEdit* box);
    void TxtDate_Change(QLineEdit* box);
    void TxtDate_LostFocus(QLineEdit* box);
    void TxtNumber_GotFocus(QLineEdit* box);  // TxtInNo, TxtApplyNo
    void TxtNumber_LostFocus(QLineEdit* box);

    // Stage.
    void CmbStage_GotFocus();
    void CmbStage_Click();
    void CheckStageDate();

    // Value entry, marks, tooth states and saving.
    void CmdVal_Click(int index);
    void CmdNot_Click();
    void CmdFurcationNone_Click();
    void CmdSave_Click();
    bool SaveExamination();
    // The save sequence; with `refill` the list is refilled afterwards and
    // the saved examination chosen again.
    bool SaveExamData(const QString& entryDate, int32_t stageId, bool refill = true);
    bool CheckEntries() { return entry_.CheckEntries(); }

    // Keyboard (the window sees every key before its controls).
    bool Form_KeyDown(int keyCode);
    bool Form_KeyPress(int keyAscii);

    // Deleting.
    void CmdDelExamData_Click();
    void CmdDelPatient_Click();

    // Navigation.
    void CmdAdd_Click();
    void CmdPrevStage_Click();
    void CmdNextStage_Click();
    void CmdDate_Click();
    void CmdChartDR_Click();
    void CmdImport_Click();
    void CmdFile_Click();
    void CmdEnd_Click();

    // The database-file menu; the start-up question's No runs the open entry.
    void mnuCreate_Click();
    void mnuOpen_Click();
    void mnuSave_Click();

    // Closing, and the version notice.
    bool Form_QueryUnload();
    void Form_Unload();
    void LblHead_Click();

    ExamEntry& Entry() { return entry_; }
    DispatchToothGrid& Grid() { return grid_; }
    // A colour button by its name and array index (-1 for a single button).
    com::HostedControl* Button(const QString& name, int index = -1);
    QWidget* ButtonWindow(const QString& name, int index = -1);

    // Controls.
    QLabel* LblHead = nullptr;
    QLabel* LblPath = nullptr;
    QLabel* LblVer = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* CmbOutNo = nullptr;
    QComboBox* CmbEntry = nullptr;
    QComboBox* CmbStage = nullptr;
    QLineEdit* TxtInNo = nullptr;
    QLineEdit* TxtApplyNo = nullptr;
    QLineEdit* TxtAppName = nullptr;
    QLineEdit* TxtY = nullptr;
    QLineEdit* TxtM = nullptr;
    QLineEdit* TxtD = nullptr;
    std::vector<QLabel*> LblNowExam;
    QPushButton* CmdImage = nullptr;
    QPushButton* CmdStyleDRS071 = nullptr;
    QMenu* mnuFile = nullptr;
    QAction* mnuCreate = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuSave = nullptr;

    // Window state of the choices (the entry holds the examination's).
    QString TextAtFocus;
    int32_t EntryAtFocus = -1;
    int32_t StageAtFocus = -1;
    int16_t EndRequested = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // EntryForm
    EntryFields Fields() const override;
    void FocusField(EntryField field) override;
    void ShowInputButtons(const InputButtons& buttons) override;
    void ShowBatchModes(int16_t bleeding, int16_t suppuration) override;
    int AskSitesToFill() override;
    void FocusToothButton(int i) override;

    void BuildControls();
    void BuildColourButtons();
    void BuildFileMenu();
    void RestorePatientSelection();
    void RestoreEntrySelection();
    // Chooses CmbEntry's entry `index` as a click on it does.
    void ChooseEntry(int index);
    // Fills CmbEntry from the database without choosing an entry.
    void FillEntryList();
    // Loads the examination of CmbEntry's entry `index` onto the screen.
    void ShowEntry(int index);
    void ShowNewExamination();
    void FocusLastEnabledButtonOfRow0();
    QString EntryDateOf(int index) const;
    int32_t SelectedStage() const;
    bool IsTextField(QWidget* widget) const;
    bool FocusEvent(QObject* watched, QEvent* event);
    // The controls whose focus the screen follows, and their handlers.
    bool IsFocusControl(const QObject* control) const;
    void ControlGotFocus(const QObject* control);
    void ControlLostFocus(const QObject* control);
    // True when the user changed the box's text since it got the focus.
    bool EditedSinceFocus(const QLineEdit* box) const;
    // Counts what the user typed into the box the focus is in as a change,
    // as leaving it would: closing the window or choosing a menu entry moves
    // no focus, and the questions before leaving must see the edit.
    void JudgeFocusedEdit();
    bool ClickEvent(QObject* watched, QEvent* event);
    void SetDateBoxesBack(uint32_t colour);
    // Text put into a box by the program, not typed: the box's focus text
    // follows, so that leaving the box counts no change.
    void SetBoxText(QLineEdit* box, const QString& text);
    // The three date boxes from a "yyyy/mm/dd" text ("" empties them).
    void SetDateBoxes(const QString& dateText);
    // Runs a handler; a database error it lets through is reported instead
    // of ending the program.
    void Guarded(const std::function<void()>& handler);
    // "データが保存されていません。保存しますか？", Yes and No.
    int AskUnsavedQuestion();
    // The question of the commands that leave the shown examination.
    enum class Leaving { Go, GoWithoutSaving, Stay };
    Leaving AskToSaveBeforeLeaving();
    // The question of the two lists before they show another examination:
    // the unsaved values are saved under `shownDate` when the user says so.
    enum class Unsaved { Kept, Saved, SaveFailed };
    Unsaved SaveShownWhenAsked(const QString& shownDate);
    // A notice for a button whose window is not part of this program yet.
    void ShowNotBuiltNotice(const QString& what);
    // Puts the stored values of the chosen examination back on the screen,
    // or empties a new one: nothing stays that is neither saved nor marked.
    void DropChanges();
    // The file menu's start: true when the menu may go on.
    bool SaveBeforeFileMenu();
    // Points the program at another database file for the rest of the run.
    void UseDatabase(const QString& path);
    // Patient 1 of the database now in use, as after a choice.
    void ShowFirstPatient();
    void UnloadWithoutEnding();
    // Refills the examination list and chooses the entry at `index` (the
    // last one when the list got shorter).
    void RefillAndChoose(int index);

    std::function<void()> endRun_;
    DispatchToothGrid grid_;
    ExamEntry entry_;
    prismet::ColourButtonSet buttons_{QStringLiteral(":/input/input_buttons.ini")};
    // The grid's windows and labels, to tell their focus and clicks apart.
    std::map<const QObject*, int> thIndex_;
    std::map<const QObject*, int> labelIndex_;
    int32_t shownPatientId_ = -1;
    // The control the window's focus is in, as far as the screen goes: it
    // stays while the focus is away with the window.
    const QObject* focusControl_ = nullptr;
    bool choosingPatient_ = false;
    bool ending_ = false;
};

// Makes the input screen, loads it and shows it; the window deletes itself
// when it closes. Unloading it for the tools window makes it again the
// same way.
PFrmInput* ShowInputScreen(std::function<void()> endRun);

}  // namespace mox
