#pragma once
// PFrmInput, the examination input screen: the main window of VXMOX from
// the splash window to the end of the run. The window holds the controls
// and the lists; the examination itself (grid, cursor, value entry, save)
// is its ExamEntry, to which the window lends the tooth buttons and its
// fields. Handlers carry the names of the controls and events they serve.

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
    void ListExaminations();
    bool LoadExamRecords();

    // Value entry and saving.
    void Th_ClickData(int index, int position);
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

    // The database-file menu's open entry, which the start-up question's No
    // runs; the menu fills it in.
    std::function<void()> mnuOpenHandler;
    void mnuOpen_Click();

    // Closing.
    bool Form_QueryUnload();
    void Form_Unload();

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

    void BuildControls();
    void BuildColourButtons();
    com::HostedControl* AddColourButton(const QString& name, int index, const QRect& twips);
    void SetColourButtonEnabled(const QString& name, int index, bool enabled);
    void RestorePatientSelection();
    void RestoreEntrySelection();
    // Fills CmbEntry from the database without choosing an entry.
    void FillEntryList();
    // Loads the examination of CmbEntry's entry `index` onto the screen.
    void ShowEntry(int index);
    void ShowNewExamination();
    void FocusLastEnabledButtonOfRow0();
    QString EntryDateOf(int index) const;
    int32_t SelectedStage() const;
    bool IsTextField(QWidget* widget) const;
    void SetDateBoxesBack(uint32_t colour);
    // Runs a handler; a database error it lets through is reported instead
    // of ending the program.
    void Guarded(const std::function<void()>& handler);

    std::function<void()> endRun_;
    DispatchToothGrid grid_;
    ExamEntry entry_;
    struct ColourButton {
        QString name;
        int index;
        std::unique_ptr<com::HostedControl> control;
    };
    std::vector<ColourButton> buttons_;
    int32_t shownPatientId_ = -1;
    bool ending_ = false;
};

}  // namespace mox
