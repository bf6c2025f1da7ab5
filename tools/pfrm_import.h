#pragma once
// PFrmImport, the tools window. The input screen unloads before it opens
// and is made again when it closes. Five tabs: the backup, the restore, the
// import of a patient's examinations from the sibling product's database
// (offered only when start-up found that database), the FAQ page and the
// manual, and the clinic's contact data with the start of the version-up
// program, which ends the main program at once.

#include "controls/colour_button/colour_button_set.h"
#include "tools/sibling_import.h"
#include "tools/tool_controls.h"

#include <QWidget>
#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace mox {

// The address of the FAQ page on the supplier's web server.
extern const char* const kFaqAddress;
// The PDF manual the installation puts in the program folder.
QString ManualPath();

class PFrmImport : public QWidget {
    Q_OBJECT
public:
    enum Tab { kTabBackUp = 0, kTabRestore = 1, kTabImport = 2, kTabManual = 3, kTabVersionUp = 4 };

    // `showInputScreen` runs when the window unloads (not when the program
    // ends for the version-up).
    explicit PFrmImport(std::function<void()> showInputScreen, QWidget* parent = nullptr);
    ~PFrmImport() override;

    void Form_Load();
    void CmdEnd_Click();
    void SSTabTool_Click();

    // Tab 0 and 1.
    void CmdPathBackUp_Click();
    void CmdBackUp_Click();
    void CmdPathRestore_Click();
    void CmdRestore_Click();

    // Tab 2: the sibling patient and its dates, this system's case and its
    // dates, and the import.
    void TxtInNo_Change();
    void FindSourcePatient();
    void ListSourceExamDates();
    void CmbOutNo_GotFocus();
    void CmbOutNo_Click();
    void ShowPatient();
    void ListExamDates();
    void CmdImport_Click();
    void CmdAllOn_Click();
    void CmdAllOff_Click();
    void CmdNext_Click();

    // Tab 3.
    void CmdFAQ_Click();
    void CmdManual_Click();

    // Tab 4.
    void EnterVersionUpTab();
    bool SaveContactInfo();
    void CmdVersionUp_Click();

    QWidget* ButtonWindow(const QString& name) const { return buttons_.Window(name); }

    QTabWidget* SSTabTool;

    QLabel* LblPathBackUp;
    QLineEdit* TxtFile;
    QLabel* LblResultBackUp;
    QLabel* LblSrcBackUp;
    QLabel* LblDesBackUp;

    QLabel* LblPathRestore;
    QLabel* LblResultRestore;
    QLabel* LblSrcRestore;
    QLabel* LblDesRestore;
    QLabel* LblDesRestoreBackup;

    QFrame* FrmImport;
    QLabel* LblHead;
    QLineEdit* TxtInNo;
    QComboBox* CmbOutNo;
    QListWidget* LstVX3;
    QListWidget* LstPRL;
    std::array<QLabel*, 2> LblName{};
    std::array<QLabel*, 2> LblSex{};
    std::array<QLabel*, 2> LblBirth{};
    QLabel* LblArrow;

    QLineEdit* TxtClinic;
    QLineEdit* TxtTanto;
    QLineEdit* TxtMail;

    QString BackUpFolder;
    // The sibling patient found for TxtInNo; -1 when none.
    int32_t SourcePatientID = -1;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Unload();
    void BuildBackUpTab(QWidget* page);
    void BuildRestoreTab(QWidget* page);
    void BuildImportTab(QWidget* page);
    void BuildManualTab(QWidget* page);
    void BuildVersionUpTab(QWidget* page);
    void ClearImportLabels();
    // The sibling slot held while the window lives (one connection for every
    // key stroke) and its tables checked once; false when the page cannot
    // read the sibling database.
    bool SiblingReady();
    void ReleaseSibling();

    std::function<void()> showInputScreen_;
    prismet::ColourButtonSet buttons_{QStringLiteral(":/tools/tools_buttons.ini"), QStringLiteral("PFrmImport.")};
    bool unloaded_ = false;
    bool endingForVersionUp_ = false;
    std::vector<SourceExamDate> sourceDates_;
    QString cmbOutNoText_;
    bool siblingHeld_ = false;
    bool siblingChecked_ = false;
    bool siblingReadable_ = false;
};

// Shows the tools window modeless; it deletes itself when it closes and
// then runs `showInputScreen`.
void ShowToolsWindow(std::function<void()> showInputScreen);

}  // namespace mox
