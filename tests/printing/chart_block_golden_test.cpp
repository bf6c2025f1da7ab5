// The chart sheet and the blank form of sample case 98 as the routines the
// chart screen prints with print them, through the print dialog into a PDF: the text read
// back and the chart sheet's page probed where a reader looks. No preview
// picture exists in this process.

#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/gui/colour.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/printer_dialog.h"
#include "platform/gui/recording_target.h"
#include "platform/message_box.h"
#include "printing/chart_layout.h"
#include "tests/printing/pdf_pages.h"
#include "tests/printing/recorded_drawing.h"
#include "tests/printing/sample_sheets.h"
#include "tests/printing/text_cells.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPrinter>

namespace mox {
namespace {

using test::PageRaster;

constexpr float kLeft = 10 + 15;  // the upper block of the chart sheet
constexpr float kTop = 10 + 15;
constexpr float kLowerTop = 10 + 139;

class ChartSheetGolden : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::RegisterFontSubstitutes();
        if (!test::PdfToolsAvailable()) return;
        sandbox_ = new test::Sandbox;
        G().ProgramDir = test::ProgramDir();
        exams_ = test::LoadSampleSlots(test::TemplateDbPath(), 98);

        pdf_ = sandbox_->File(QStringLiteral("chart.pdf"));
        test::AnswerPrintDialogWithPdf(pdf_);
        ASSERT_TRUE(platform::ShowPrinterDialog());
        platform::SetPrinterDialogAnswerer(nullptr);
        platform::PrinterTarget& printer = platform::ProgramPrinter();
        QImage load, flip;
        ChartSheetContent sheet;
        sheet.caseNumber = CaseNumberText(QString(), QStringLiteral("98"));
        sheet.texts = {test::SampleBlockTexts(exams_, 0), test::SampleBlockTexts(exams_, 1)};
        sheet.exams = &exams_;
        ToothPictureFiles& pictures = ToothPictureFiles::Of(test::ProgramDir() + QStringLiteral("/BMP"));
        dpi_ = printer.DpiY();
        ComposeChartSheets(printer, sheet, 1, pictures, load, flip);
        printer.NewPage();
        // The blank case-report form, with the screen's arrows and slot 0's findings.
        BlankFormContent blank;
        blank.texts = sheet.texts;
        for (ChartBlockTexts& texts : blank.texts) texts.mobility.fill(QStringLiteral("→"));
        blank.slot0 = &exams_[0];
        ComposeBlankForms(printer, blank, 1, pictures);
        origin_ = printer.Printer().pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
        printer.EndDoc();
        page_ = new PageRaster(PageRaster::FromPdf(pdf_, 1, 300, origin_));

        test::KeepPrintedPage(pdf_, QStringLiteral("chart_sheet.pdf"));
    }
    static void TearDownTestSuite() {
        delete page_;
        delete sandbox_;
    }
    void SetUp() override {
        if (!test::PdfToolsAvailable()) MOX_COMPONENT_MISSING("pdftotext and pdftoppm (package poppler-utils)");
        ASSERT_FALSE(page_->IsNull());
    }

    static test::Sandbox* sandbox_;
    static test::ExamSlots exams_;
    static QString pdf_;
    static QPointF origin_;
    static PageRaster* page_;
    static double dpi_;
};

test::Sandbox* ChartSheetGolden::sandbox_ = nullptr;
test::ExamSlots ChartSheetGolden::exams_{};
QString ChartSheetGolden::pdf_;
QPointF ChartSheetGolden::origin_;
PageRaster* ChartSheetGolden::page_ = nullptr;
double ChartSheetGolden::dpi_ = 0;

// The chart screen's layout of the block at (x, y).
ChartLayout BlockLayout(float y) {
    return SetupChartLayout(-1, kLeft + 19, y + 17.5f, 1, 0, 13, 33, 64, 84, 144, 13, 7);
}

TEST_F(ChartSheetGolden, TextReadsBackAsTheReference) {
    const QString reference = test::SourceDir() + QStringLiteral("/tests/printing/data/chart_sheet.txt");
    const QString text = test::PdfText(pdf_, {QStringLiteral("-layout")});
    if (qEnvironmentVariableIsSet("MOX_WRITE_REFERENCES")) {
        QFile out(reference);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(text.toUtf8());
        GTEST_SKIP() << "reference written: " << reference.toStdString();
    }
    QFile in(reference);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << reference.toStdString();
    EXPECT_EQ(text.toStdString(), QString::fromUtf8(in.readAll()).toStdString());
    // The Japanese of the rows and headings comes back as written (IPA fonts, not radicals).
    EXPECT_TRUE(text.contains(QStringLiteral("2→1")));
    EXPECT_TRUE(text.contains(QStringLiteral("検査チャート表")));
    EXPECT_TRUE(text.contains(QStringLiteral("症例報告書")));
}

TEST_F(ChartSheetGolden, TextRowsGreyTheTeethWithoutText) {
    // 18 is missing in both examinations of the upper block: no mobility, a grey cell.
    EXPECT_TRUE(test::CloseTo(page_->At(kLeft + 19 + 1, kTop + 13 + 1), QColor(208, 208, 208), 12));
    // 17 has a mobility text and keeps the page's white around it.
    EXPECT_TRUE(test::CloseTo(page_->At(kLeft + 19 + 9 + 0.6, kTop + 13 + 0.6), Qt::white, 12));
    // The lower block's label row stands on white.
    EXPECT_TRUE(test::CloseTo(page_->At(kLeft + 19 + 0.6, kLowerTop + 63.5 + 0.6), Qt::white, 12));
}

TEST_F(ChartSheetGolden, PicturesStandInTheirColumnsByToothState) {
    const ChartLayout upper = BlockLayout(kTop);
    const QColor root(236, 212, 166);
    auto rootProbe = [&](int column) { return page_->At(upper.Left + 9 * column + 3.4, upper.BandY[0] - 1.5); };
    EXPECT_TRUE(test::CloseTo(rootProbe(0), Qt::white, 12)) << "18 is missing";
    EXPECT_TRUE(test::CloseTo(rootProbe(15), Qt::white, 12)) << "28 is missing";
    for (int column : {1, 2, 5, 7, 8, 13}) EXPECT_TRUE(test::CloseTo(rootProbe(column), root, 20)) << column;
    // 46 is an implant: its fixture hangs from the lower buccal band line.
    const QColor titanium(172, 178, 188);
    EXPECT_TRUE(page_->HasNear(upper.Left + 9 * 2 + 4.0, upper.BandY[3] + 6, 0.4, titanium, 12));
    EXPECT_FALSE(page_->HasNear(upper.Left + 9 * 3 + 4.0, upper.BandY[3] + 6, 0.4, titanium, 12));
    // In the lower block 17 was taken out during initial therapy.
    const ChartLayout lower = BlockLayout(kLowerTop);
    EXPECT_TRUE(test::CloseTo(page_->At(lower.Left + 9 + 3.4, lower.BandY[0] - 1.5), Qt::white, 12));
    EXPECT_TRUE(test::CloseTo(page_->At(lower.Left + 18 + 3.4, lower.BandY[0] - 1.5), root, 20));
}

TEST_F(ChartSheetGolden, BandLinesPrintAtTheirWidthNotOnePrinterDot) {
    const ChartLayout upper = BlockLayout(kTop);
    // 0.2 mm is 2.4 pixels at 300 dpi; one dot of the 1200-dpi PDF would be a quarter.
    const int run = page_->DarkRunAcross(upper.Left + 0.6, upper.BandY[0]);
    EXPECT_GE(run, 2);
    EXPECT_LE(run, 4);
}

TEST_F(ChartSheetGolden, GraphsRunInTheSlotColoursThroughTheirDepths) {
    const QColor colours[4] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255), QColor(255, 0, 255)};
    for (int k = 0; k < 4; ++k) {
        const ChartLayout layout = BlockLayout(k < 2 ? kTop : kLowerTop);
        const ExamSlot& mine = exams_[k];
        const ExamSlot& other = exams_[k ^ 1];
        const float shift = k % 2 == 0 ? -0.12f : 0.12f;
        int probed = 0;
        // Row 0: the buccal sites of the upper teeth, between site lines 1 and 2 of a column.
        for (int t = 0; t < 16 && probed < 3; ++t) {
            const int a = t * 6 + kChartSiteOrder[t / 8][0];
            const int b = t * 6 + kChartSiteOrder[t / 8][1];
            if (mine.PD[a] > 13 || mine.PD[b] > 13) continue;
            const double depth = (mine.PD[a] + mine.PD[b]) / 2.0;
            // Where the other graph passes at least half a millimetre away.
            if (other.Loaded && other.PD[a] <= 13 && other.PD[b] <= 13 &&
                std::abs((other.PD[a] + other.PD[b]) / 2.0 - depth) < 0.5)
                continue;
            const double x = layout.Left + 9 * t + 2.25 * 1.5;
            const double y = layout.BandY[0] + shift - depth;
            EXPECT_TRUE(page_->HasNear(x, y, 0.15, colours[k], 70)) << "slot " << k << " tooth " << t;
            ++probed;
        }
        EXPECT_EQ(probed, 3) << "slot " << k;
    }
}

TEST_F(ChartSheetGolden, SuppurationBoxesAreYellowUnderTheirBleedingDots) {
    const ExamSlot& first = exams_[0];
    int boxes = 0, circles = 0;
    for (int t = 0; t < 16; ++t) {
        if (static_cast<uint16_t>(first.ToothState[t]) & (kToothMissing | kToothPontic)) continue;
        for (int p = 0; p < 3; ++p) {  // the top edge of the upper band: slot 0's marks 0.25 mm below the line
            const int site = t * 6 + kChartSiteOrder[t / 8][p];
            const double left = kLeft + 19 + 9 * t + 2.25 * p + 1.125;
            const double top = kTop + 30.5 + 0.25;
            if (first.Suppuration[site] == 1) {
                // A corner of the box stays yellow even under a circle.
                EXPECT_TRUE(test::CloseTo(page_->At(left + 0.25, top + 0.25), QColor(255, 255, 0), 30)) << site;
                ++boxes;
            }
            if (first.BOP[site] == 1) {
                EXPECT_TRUE(test::CloseTo(page_->At(left + 1.125, top + 0.9), QColor(255, 0, 0), 30)) << site;
                ++circles;
            }
        }
    }
    EXPECT_GT(boxes, 0);
    EXPECT_GT(circles, 0);
}

// The sheets composed again by the same routines on a probe of the
// printer's resolution, with the widest summary figures a clinic meets.
std::vector<test::TextInCell> ProbedCells(const test::ExamSlots& exams, double dpi, bool blankForm,
                                          bool widestFigures) {
    test::TextCellProbe probe(dpi);
    platform::ApplyDrawingDefaults(probe);
    ChartSheetContent sheet;
    sheet.caseNumber = CaseNumberText(QString(), QStringLiteral("98"));
    sheet.texts = {test::SampleBlockTexts(exams, 0), test::SampleBlockTexts(exams, 1)};
    if (widestFigures)
        for (ChartBlockTexts& texts : sheet.texts)
            for (SummaryFigures& f : texts.figures) {
                f.date = QStringLiteral("2025/11/12");
                f.bleeding = QStringLiteral("131 (70.4%)");
                f.bands = {QStringLiteral("131 (70.4%)"), QStringLiteral("186 (100.0%)"), QStringLiteral("5 (3.2%)")};
            }
    sheet.exams = &exams;
    ToothPictureFiles& pictures = ToothPictureFiles::Of(test::ProgramDir() + QStringLiteral("/BMP"));
    QImage load, flip;
    if (blankForm) {
        BlankFormContent blank;
        blank.texts = sheet.texts;
        for (ChartBlockTexts& texts : blank.texts) texts.mobility.fill(QStringLiteral("→"));
        blank.slot0 = &exams[0];
        ComposeBlankForms(probe, blank, 1, pictures);
    } else {
        ComposeChartSheets(probe, sheet, 1, pictures, load, flip);
    }
    return test::TextsInRuledCells(probe);
}

TEST_F(ChartSheetGolden, EveryTextInACellKeepsClearOfItsLines) {
    // Measured with the glyph outlines of the IPA fonts at the printer's
    // resolution, against the lines at their printed width.
    for (bool widest : {false, true}) {
        const auto cells = ProbedCells(exams_, dpi_, false, widest);
        EXPECT_GT(cells.size(), 250u);
        const std::string near = test::TooNear(cells, test::kTextToLine);
        EXPECT_TRUE(near.empty()) << (widest ? "widest figures:\n" : "sample:\n") << near;
        if (!widest) continue;
        // The widest figures are among what was measured; a figure that
        // fits keeps its size.
        int dates = 0, bands = 0;
        for (const test::TextInCell& c : cells) {
            dates += c.text.text == QStringLiteral("2025/11/12");
            bands += c.text.text == QStringLiteral("131 (70.4%)");
            if (c.text.text == QStringLiteral("5 (3.2%)")) {
                EXPECT_NEAR(c.text.size, 9, 0.07);
            }
        }
        EXPECT_EQ(dates, 4);
        EXPECT_EQ(bands, 2 * 4);
    }
    const auto blank = ProbedCells(exams_, dpi_, true, false);
    EXPECT_GT(blank.size(), 250u);
    const std::string near = test::TooNear(blank, test::kTextToLine);
    EXPECT_TRUE(near.empty()) << "blank form:\n" << near;
}

TEST_F(ChartSheetGolden, SummaryTableTextsStandOnWhiteWithinTheirCellsOnThePage) {
    // The same measure read off the printed page at 300 dpi: between each
    // heading or figure and its column lines, nothing but paper.
    int seen = 0;
    for (const test::TextInCell& c : ProbedCells(exams_, dpi_, false, false)) {
        const QRectF& ink = c.text.ink;
        const bool table =
            (ink.top() > kTop && ink.bottom() < kTop + 13) || (ink.top() > kLowerTop && ink.bottom() < kLowerTop + 13);
        if (!table || ink.left() < kLeft + 34) continue;  // the stage names stand by their line samples
        const double middle = ink.center().y();
        // Two dots off each edge: a line or a glyph edge shades the dot beside it.
        const double dot = 25.4 / 300, off = 2 * dot;
        for (double x = c.cell.left() + off; x < ink.left() - off; x += dot / 2)
            EXPECT_TRUE(test::CloseTo(page_->At(x, middle), Qt::white, 60)) << c.text.text.toStdString() << " left";
        for (double x = ink.right() + off; x < c.cell.right() - off; x += dot / 2)
            EXPECT_TRUE(test::CloseTo(page_->At(x, middle), Qt::white, 60)) << c.text.text.toStdString() << " right";
        for (double y = ink.bottom() + off; y < c.cell.bottom() - off; y += dot / 2)
            EXPECT_TRUE(test::CloseTo(page_->At(ink.center().x(), y), Qt::white, 60))
                << c.text.text.toStdString() << " below";
        ++seen;
    }
    EXPECT_EQ(seen, 2 * (8 + 2 * 8));
}

TEST(ChartBlockOddValues, ConvertedDataOfAnyByteDrawsAndNothingFails) {
    // Converted databases hold values no probe gives: depths 129..255,
    // marks of 0, 2 or 200, status words with every bit. The block draws
    // what the rules say and goes on.
    test::Sandbox sandbox;
    const QString saved = G().ProgramDir;
    G().ProgramDir = test::ProgramDir();
    test::ExamSlots exams{};
    uint32_t seed = 12345;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (ExamSlot& exam : exams) {
        exam.Loaded = -1;
        for (auto& word : exam.ToothState) word = static_cast<int16_t>(next());
        for (auto* sites : {&exam.PD, &exam.BOP, &exam.Suppuration, &exam.Furcation})
            for (auto& v : *sites) v = static_cast<uint8_t>(next());
        for (auto& v : exam.Mobility) v = static_cast<uint8_t>(next());
    }
    platform::ScriptedMsgBoxes boxes;
    platform::RecordingTarget printer(platform::TargetKind::Printer);
    platform::ApplyDrawingDefaults(printer);
    QImage load, flip;
    ToothPictureFiles& pictures = ToothPictureFiles::Of(test::ProgramDir() + QStringLiteral("/BMP"));
    PrintChartBlock(printer, kLeft, kTop, 0, test::SampleBlockTexts(exams, 0), exams, pictures, load, flip);
    PrintChartBlock(printer, kLeft, kLowerTop, 1, test::SampleBlockTexts(exams, 1), exams, pictures, load, flip);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(test::OfKind(printer.Log(), QStringLiteral("Line")).empty());
    // Graph points stay within the 13 mm scales of their rows (deeper values at 13).
    std::vector<float> bands;
    for (float y : {kTop, kLowerTop})
        for (float band : BlockLayout(y).BandY) bands.push_back(band);
    int graphLines = 0;
    for (const test::Drawn& d : test::OfKind(printer.Log(), QStringLiteral("Line"))) {
        if (d.width != 7) continue;  // 0.3 mm: the graphs
        ++graphLines;
        for (double y : {d.at[1], d.at[3]}) {
            double nearest = 1e9;
            for (float band : bands) nearest = std::min(nearest, std::abs(y - band));
            EXPECT_LE(nearest, 13.12 + 1e-3) << y;
        }
    }
    EXPECT_GT(graphLines, 0);
    G().ProgramDir = saved;
}

}  // namespace
}  // namespace mox
