#pragma once
// PFrmChartDR, the chart and data-sheet screen: up to four examinations of
// a patient, one per treatment stage, shown as two chart pages (tooth
// pictures, pocket graphs, marks, mobility, furcation values in the tooth
// buttons, summary figures) and a preview of the data sheet, and printed
// as the chart sheet, the data sheet or the blank case-report form.
//
// The window runs beside the input screen. It reads the input screen's
// patient once, when it opens, and never writes the current selection or
// the shared patient record: a patient chosen here is read into the
// window's own record, so that nothing of it reaches a save there.
// Handlers carry the names of the controls and events they serve.

#include "controls/colour_button/colour_button_set.h"
#include "platform/com/control_host.h"
#include "printing/chart_boxes.h"
#include "printing/chart_sheets.h"
#include "records/chart_slots.h"
#include "records/exam_record.h"
#include "records/patient_record.h"
#include "screens/chart/picture_box.h"
#include "screens/chart/print_run.h"

#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTabWidget;

namespace mox {

// A legend line of the chart pages: a short stroke in its slot's colour.
class LegendLine final : public QWidget {
public:
    LegendLine(uint32_t borderColor, QWidget* parent);
    uint32_t BorderColor() const { return borderColor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint32_t borderColor_;
};

class PFrmChartDR final : public QWidget {
public:
    explicit PFrmChartDR(QWidget* parent = nullptr);
    ~PFrmChartDR() override;

    void Form_Load();
    void Form_Unload();
    void BtnEnd_Click();
    void CmbOutNo_Click();
    void CmbOutNo_Validate();
    void VScrPic_Change(int value);

    // Loading a patient.
    void LoadPatient();
    void LoadExamDates();
    void LoadExamSlots();

    // The chart pages (page 0: slots 0 and 1; page 1: slots 2 and 3).
    void DrawToothPictures(int page);
    void DrawPocketGrid(int page);
    void DrawPocketChart(int page);
    void ShowExamSlot(int page);
    void SetBlankLegend(int page);
    void LoadToothPictures(int half);
    void ShowSummaryFigures(int slot);
    void SetToothColours(int half);
    void DrawPocketGraph(int slot);
    void DrawSiteMarks(int slot);
    void ShowDataPreview();

    // Printing (index: 0 specialist, 1 certified dentist, 2 certified hygienist).
    void BtnPrintChart_Click(int index);
    void BtnPrintData_Click(int index);
    void PrintDataSheet(int index);
    void BtnBlankPrint_Click();

    // What the screen shows of a chart half, as the chart sheet prints it.
    ChartBlockTexts ScreenBlockTexts(int half) const;
    // The application number of the heading: the case's, or the number in
    // the patient box when the case has none.
    QString ApplicationNumber() const;

    const ExamSlots& Slots() const { return slots_; }
    const CPatient& Patient() const { return patient_; }
    // The patient whose examinations are shown; -1 for none.
    int32_t ShownPatientId() const;
    ToothPictureFiles& Pictures() { return pictures_; }
    com::HostedControl* Button(const QString& name, int index = -1);
    QWidget* ButtonWindow(const QString& name, int index = -1);
    // The outcome of the last print run.
    PrintOutcome LastPrint() const { return lastPrint_; }

    // Controls.
    QComboBox* CmbOutNo = nullptr;
    QLabel* LblOutNo = nullptr;
    QLabel* LblApplyNo = nullptr;
    QLabel* TxtAppName = nullptr;
    QListWidget* LstEntry = nullptr;
    std::array<QLabel*, kSlotCount> LblStage{};
    QTabWidget* SSTab1 = nullptr;
    std::array<QWidget*, 3> TabPage{};
    std::array<PictureBox*, 8> PicPocket{};
    std::array<std::unique_ptr<com::HostedControl>, 64> Th;
    std::array<QLabel*, kSlotCount> LblDate{}, LblAll{}, LblPD{}, LblBlood{}, LblAve{}, LblGP0{}, LblGP1{}, LblGP2{};
    std::array<QLabel*, 2> LblGPH0{}, LblGPH1{}, LblGPH2{};
    std::array<QLabel*, 64> LblMOB{};
    std::array<QLabel*, 2> LblMOBH{};
    std::array<LegendLine*, kSlotCount> LineChart{};
    QWidget* PicFrame = nullptr;
    PictureBox* PicDraw = nullptr;
    QScrollBar* VScrPic = nullptr;
    QPushButton* BtnBlankPrint = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildChartPage(int page);
    void BuildColourButtons();
    // Both chart pages drawn afresh from the slots.
    void ShowChartPages();
    PageBoxes BoxesOfPage(int page);
    void RefreshPage(int page);
    void WriteBandLegend(int page);
    void WriteToothButton(int page, int t, const ExamSlot& slot, bool systemType);
    void RestorePatientSelection();
    void ReportLoadProblems();

    ExamSlots slots_;
    CPatient patient_;
    std::unique_ptr<CExamData> work_;
    // The process's pictures: the print draws what the window decoded.
    ToothPictureFiles& pictures_;
    QImage picWork1_;
    QImage picWork2_;
    QStringList loadProblems_;
    bool typed_ = false;
    bool loading_ = false;
    bool toothButtonsReported_ = false;
    bool pagesBlank_ = false;  // the pages show the blank form printed last
    PrintOutcome lastPrint_ = PrintOutcome::Cancelled;
    prismet::ColourButtonSet buttons_{QStringLiteral(":/chart/chart_buttons.ini")};
};

// The preview's scroll bar in twips: the picture's overhang below the frame
// and a tenth and a hundredth of it, each to the nearest whole twip.
struct PreviewScroll {
    int maximum = 0;
    int largeChange = 0;
    int smallChange = 0;
};
PreviewScroll PreviewScrollOf(int pictureHeight, int frameHeight, double twipsPerPixel);

// Opens the chart screen beside the input screen, or brings the open one to
// the front; it reads the input screen's patient when it opens.
PFrmChartDR* ShowChartScreen(QWidget* inputScreen);

}  // namespace mox
