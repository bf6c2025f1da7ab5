#pragma once
// The sheets the chart screen prints, composed on a drawing target in
// millimetres: the chart sheet (two chart blocks), the data sheet (one block
// per loaded examination) and the blank case-report form, for the three
// kinds of application (0 specialist, 1 certified dentist, 2 certified
// dental hygienist).
//
// The chart sheet and the blank form repeat what the screen shows: the
// captions of its labels and the colours of its legend lines come in as
// ChartBlockTexts. A document's pages are begun only when something is drawn
// on them, so that no document carries an empty sheet.

#include "platform/gui/draw_target.h"
#include "printing/chart_boxes.h"
#include "printing/chart_figures.h"
#include "printing/sheet_item.h"
#include "printing/tooth_label_rows.h"
#include "records/chart_slots.h"

#include <QImage>
#include <QString>
#include <array>
#include <cstdint>

namespace mox {

// Captions of one chart half as the screen shows them.
struct ChartBlockTexts {
    std::array<QString, 2> stage;           // LblStage of the half's two slots
    std::array<uint32_t, 2> lineColour{};   // LineChart of the two slots
    std::array<SummaryFigures, 2> figures;  // LblDate .. LblGP2 of the two slots
    std::array<QString, 3> bandHeads;       // LblGPH0 .. LblGPH2
    QString mobilityHead;                   // LblMOBH
    ToothTexts mobility;                    // LblMOB by tooth index
};

QString ChartSheetTitle(int kind);
QString ChartSheetFormNumber(int kind);
QString DataSheetTitle(int kind);  // with its "　　PISA対応版"
QString DataSheetFormNumber(int kind);

// Letters, digits and signs in their full-width forms ("A-12" gives
// "Ａ－１２"), as the case number is printed.
QString ToFullWidth(const QString& text);
// "症例番号 " and the application number in full width; the number typed in
// the patient box stands in for an application number of blanks only.
QString CaseNumberText(const QString& applicationNumber, const QString& patientBoxText);

// Margins of the sheets.
inline constexpr float kSheetLeft = 10;
inline constexpr float kChartSheetTop = 10;
inline constexpr float kDataSheetTop = 5;

// The reference slot of a chart half: its tooth pictures and furcation
// marks. Upper half: slot 0, else 1 when only that is loaded; lower half:
// slot 3, else 2.
int ReferenceSlot(const ExamSlots& exams, int half);

// One chart block at (x, y), 163 x 119 mm: summary table of the half's two
// slots, chart with tooth pictures, grid, both graphs, mobility, furcation
// and tooth-number rows, marks, frames, label column and depth scales.
void PrintChartBlock(platform::DrawTarget& target, float x, float y, int half, const ChartBlockTexts& texts,
                     const ExamSlots& exams, ToothPictureFiles& pictures, QImage& work1, QImage& work2);
// One page of the chart sheet: heading, signature field, notes, two blocks.
void PrintChartSheetPage(platform::DrawTarget& target, int kind, const QString& caseNumber,
                         const std::array<ChartBlockTexts, 2>& texts, const ExamSlots& exams,
                         ToothPictureFiles& pictures, QImage& work1, QImage& work2);
// The heading of a data-sheet page; the red "●" when sptShort.
void PrintDataSheetHeading(platform::DrawTarget& target, int kind, const QString& caseNumber, bool sptShort);
// The heading of a blank form's page.
void PrintBlankFormHeading(platform::DrawTarget& target);
// One blank chart block at (x, y): summary table with unit texts only, the
// chart boxes with every tooth's normal pictures and the grid, drawn at the
// target's resolution, the blank rows and labels. Furcation cells come from
// slot 0 without numerals; the half's captions come with its texts.
void PrintBlankChartBlock(platform::DrawTarget& target, float x, float y, const ChartBlockTexts& texts,
                          const ExamSlot& slot0, ToothPictureFiles& pictures);

// Whole documents: `copies` sets of pages, each set on pages of its own.
struct ChartSheetContent {
    int kind = 0;
    QString caseNumber;
    std::array<ChartBlockTexts, 2> texts;
    const ExamSlots* exams = nullptr;
};
void ComposeChartSheets(platform::DrawTarget& target, const ChartSheetContent& content, int copies,
                        ToothPictureFiles& pictures, QImage& work1, QImage& work2);

struct DataSheetContent {
    int kind = 0;
    QString caseNumber;
    bool sptShort = false;
    const ExamSlots* exams = nullptr;
    std::optional<DataSheetItem> item;
};
// Each loaded slot's block at its slot's place (T + 16.5 + 63 k), the heading
// once per page.
void ComposeDataSheets(platform::DrawTarget& target, const DataSheetContent& content, int copies);

// The data-sheet preview: each loaded slot's block, one under the other
// (the n-th at 64 n mm), on a picture 210 mm wide.
void DrawDataSheetPreview(platform::DrawTarget& preview, const ExamSlots& exams,
                          const std::optional<DataSheetItem>& item);

struct BlankFormContent {
    std::array<ChartBlockTexts, 2> texts;
    const ExamSlot* slot0 = nullptr;
};
void ComposeBlankForms(platform::DrawTarget& target, const BlankFormContent& content, int copies,
                       ToothPictureFiles& pictures);

}  // namespace mox
