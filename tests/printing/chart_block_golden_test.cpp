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
};

test::Sandbox* ChartSheetGolden::sandbox_ = nullptr;
test::ExamSlots ChartSheetGolden::exams_{};
QString ChartSheetGolden::pdf_;
QPointF ChartSheetGolden::origin_;
PageRaster* ChartSheetGolden::page_ = nullptr;

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
