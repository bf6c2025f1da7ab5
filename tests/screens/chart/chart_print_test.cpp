// The chart screen's three prints through the print dialog (answered with a
// PDF file), read back as a reader sees them: text, page counts, and pages
// probed for colours and pictures; the order of prints, and the failures.

#include "core/tooth_tables.h"
#include "platform/gui/screen.h"
#include "printing/chart_layout.h"
#include "tests/printing/pdf_pages.h"
#include "tests/screens/chart/chart_test_support.h"

#include <QPageLayout>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

namespace mox::test {
namespace {

using platform::kOk;

// pdfinfo's fields ("Pages", "Page size", "Title", ...).
std::map<QString, QString> PdfInfo(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    std::map<QString, QString> fields;
    if (!process.waitForFinished(60000) || process.exitCode() != 0) return fields;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(u'\n')) {
        const int colon = line.indexOf(u':');
        if (colon > 0) fields[line.left(colon)] = line.mid(colon + 1).trimmed();
    }
    return fields;
}

// Text without its blanks: pdftotext splits a title at its full-width spaces.
QString Squeezed(QString text) {
    text.remove(QRegularExpression(QStringLiteral("\\s")));
    return text.remove(QChar(0x3000));
}

class ChartPrint : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PdfToolsAvailable()) MOX_COMPONENT_MISSING("pdftotext and pdftoppm (package poppler-utils)");
        platform::ProgramPrinter().Printer().setDocName(QStringLiteral("MOX-Chart"));
        window_ = env_.Open(98);
    }
    void TearDown() override { platform::ProgramPrinter().EndDoc(); }

    PFrmChartDR& W() { return *window_; }
    // Prints through a button handler into a PDF; the captions of the boxes shown.
    std::vector<QString> Print(const std::function<void()>& click, const QString& pdf, int copies = 1) {
        AnswerPrintDialogWithPdf(pdf, copies);
        env_.boxes.Clear();
        click();
        return env_.Captions();
    }
    QString PdfPath(const QString& name) const { return env_.box.File(name); }
    QPointF Origin() {
        return platform::ProgramPrinter().Printer().pageLayout().paintRect(QPageLayout::Millimeter).topLeft();
    }

    // What the screen shows, to compare before and after.
    struct ScreenState {
        std::vector<QImage> boxes;
        QStringList captions;
        bool operator==(const ScreenState&) const = default;
    };
    ScreenState Screen() {
        ScreenState s;
        for (PictureBox* box : W().PicPocket) s.boxes.push_back(box->Image());
        for (QLabel* l : W().LblMOB) s.captions << l->text();
        for (QLabel* l : W().LblGPH0) s.captions << l->text();
        return s;
    }

    ChartScreenEnvironment env_;
    std::unique_ptr<PFrmChartDR> window_;
};

const std::vector<QString> kCompleted{QStringLiteral("完了")};

TEST_F(ChartPrint, EachKindPrintsItsTitleFormNumberAndCaseNumber) {
    const QString chartTitles[3] = {QStringLiteral("専門医認定申請"), QStringLiteral("認定医認定申請"),
                                    QStringLiteral("認定歯科衛生士認定申請")};
    for (int kind = 0; kind < 3; ++kind) {
        const QString chart = PdfPath(QStringLiteral("chart%1.pdf").arg(kind));
        EXPECT_EQ(Print([&] { W().BtnPrintChart_Click(kind); }, chart), kCompleted);
        const QString text = PdfText(chart);
        EXPECT_TRUE(Squeezed(PdfText(chart, {QStringLiteral("-layout")})).contains(Squeezed(ChartSheetTitle(kind))));
        EXPECT_TRUE(text.contains(chartTitles[kind]));
        EXPECT_TRUE(text.contains(kind == 2 ? QStringLiteral("様式７－２") : QStringLiteral("様式８－２")));
        EXPECT_TRUE(text.contains(QStringLiteral("症例番号 ９８")));
        EXPECT_TRUE(text.contains(QStringLiteral("指導医氏名")));
        EXPECT_FALSE(text.contains(QStringLiteral("PISA対応版")));
        EXPECT_FALSE(text.contains(QStringLiteral("O'Leary")));

        const QString data = PdfPath(QStringLiteral("data%1.pdf").arg(kind));
        EXPECT_EQ(Print([&] { W().BtnPrintData_Click(kind); }, data), kCompleted);
        const QString sheet = PdfText(data);
        EXPECT_TRUE(Squeezed(PdfText(data, {QStringLiteral("-layout")})).contains(Squeezed(DataSheetTitle(kind))));
        EXPECT_TRUE(sheet.contains(QStringLiteral("PISA対応版")));
        EXPECT_TRUE(sheet.contains(kind == 2 ? QStringLiteral("様式７－１") : QStringLiteral("様式８－１")));
        EXPECT_TRUE(sheet.contains(QStringLiteral("PCR : O'Leary")));
        EXPECT_TRUE(sheet.contains(QStringLiteral("黄背景＝排膿")));
        EXPECT_TRUE(sheet.contains(QStringLiteral("症例番号 ９８")));
        EXPECT_TRUE(sheet.contains(QStringLiteral("MOX-HLX")));
    }
    const QString blank = PdfPath(QStringLiteral("blank.pdf"));
    EXPECT_EQ(Print([&] { W().BtnBlankPrint_Click(); }, blank), kCompleted);
    const QString form = PdfText(blank);
    EXPECT_TRUE(
        Squeezed(PdfText(blank, {QStringLiteral("-layout")})).contains(QStringLiteral("ミラド協会専門医症例報告書")));
    EXPECT_TRUE(form.contains(QStringLiteral("様式８")));
    EXPECT_TRUE(form.contains(QStringLiteral("患者番号")));
    EXPECT_FALSE(form.contains(QStringLiteral("PISA対応版")));

    // The job carried the case's number and lost it again; the printer
    // makes no copies of its own.
    EXPECT_EQ(PdfInfo(blank)[QStringLiteral("Title")], QStringLiteral("MOX-Chart98"));
    EXPECT_EQ(platform::ProgramPrinter().Printer().docName(), QStringLiteral("MOX-Chart"));
    EXPECT_EQ(platform::ProgramPrinter().Printer().copyCount(), 1);
}

TEST_F(ChartPrint, ApplicationNumbersPrintInFullWidth) {
    env_.Db()->Execute(QStringLiteral("UPDATE TPatient SET AppName='A-12' WHERE ID=98"));
    env_.Choose(W(), 98);
    const QString pdf = PdfPath(QStringLiteral("chart.pdf"));
    EXPECT_EQ(Print([&] { W().BtnPrintChart_Click(0); }, pdf), kCompleted);
    EXPECT_TRUE(PdfText(pdf).contains(QStringLiteral("症例番号 Ａ－１２")));
    EXPECT_EQ(PdfInfo(pdf)[QStringLiteral("Title")], QStringLiteral("MOX-ChartA-12"));
}

TEST_F(ChartPrint, EveryCopyIsOneA4PageAndNoSheetIsEmpty) {
    for (int copies = 1; copies <= 3; ++copies) {
        const QString chart = PdfPath(QStringLiteral("chart_%1.pdf").arg(copies));
        Print([&] { W().BtnPrintChart_Click(1); }, chart, copies);
        EXPECT_EQ(PdfInfo(chart)[QStringLiteral("Pages")], QString::number(copies));
        const QString data = PdfPath(QStringLiteral("data_%1.pdf").arg(copies));
        Print([&] { W().BtnPrintData_Click(1); }, data, copies);
        EXPECT_EQ(PdfInfo(data)[QStringLiteral("Pages")], QString::number(copies)) << "four blocks, " << copies;
        // Every page of every copy carries the heading.
        EXPECT_EQ(PdfText(data).count(QStringLiteral("PISA対応版")), copies);
        const QString blank = PdfPath(QStringLiteral("blank_%1.pdf").arg(copies));
        Print([&] { W().BtnBlankPrint_Click(); }, blank, copies);
        EXPECT_EQ(PdfInfo(blank)[QStringLiteral("Pages")], QString::number(copies));
    }
    EXPECT_TRUE(
        PdfInfo(PdfPath(QStringLiteral("chart_1.pdf")))[QStringLiteral("Page size")].contains(QStringLiteral("(A4)")));
    // A patient with the first visit only: one block per page.
    env_.AddExamRow(1, 12, QDate(2024, 1, 10), 1, 0, 2, {{0, 4}});
    env_.Choose(W(), 12);
    const QString one = PdfPath(QStringLiteral("one.pdf"));
    Print([&] { W().BtnPrintData_Click(0); }, one, 2);
    EXPECT_EQ(PdfInfo(one)[QStringLiteral("Pages")], QStringLiteral("2"));
}

TEST_F(ChartPrint, PagesShowGraphsInTheSlotColoursMarksGreyCellsAndUprightPictures) {
    const QString chart = PdfPath(QStringLiteral("chart.pdf"));
    Print([&] { W().BtnPrintChart_Click(0); }, chart);
    const PageRaster page = PageRaster::FromPdf(chart, 1, 150, Origin());
    ASSERT_FALSE(page.IsNull());
    const ExamSlots& exams = W().Slots();
    const QColor colours[4] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255), QColor(255, 0, 255)};
    for (int k = 0; k < 4; ++k) {
        const float blockY = k < 2 ? 25 : 149;
        const ChartLayout layout = SetupChartLayout(-1, 44, blockY + 17.5f, 1, 0, 13, 33, 64, 84, 144, 13, 7);
        const ExamSlot& mine = exams[k];
        const ExamSlot& other = exams[k ^ 1];
        int probed = 0;
        for (int t = 0; t < 16 && probed < 2; ++t) {
            const int a = t * 6 + kChartSiteOrder[t / 8][0];
            const int b = t * 6 + kChartSiteOrder[t / 8][1];
            if (mine.PD[a] > 13 || mine.PD[b] > 13) continue;
            const double depth = (mine.PD[a] + mine.PD[b]) / 2.0;
            if (other.PD[a] <= 13 && other.PD[b] <= 13 && std::abs((other.PD[a] + other.PD[b]) / 2.0 - depth) < 0.5)
                continue;
            const double y = layout.BandY[0] + (k % 2 == 0 ? -0.12 : 0.12) - depth;
            EXPECT_TRUE(page.HasNear(layout.Left + 9 * t + 2.25 * 1.5, y, 0.3, colours[k], 80)) << k << " " << t;
            ++probed;
        }
        EXPECT_EQ(probed, 2) << k;
    }
    // Slot 0's suppuration squares along the top edge of the upper buccal band.
    int squares = 0;
    for (int t = 0; t < 16; ++t) {
        if (static_cast<uint16_t>(exams[0].ToothState[t]) & (kToothMissing | kToothPontic)) continue;
        for (int p = 0; p < 3; ++p) {
            if (exams[0].Suppuration[t * 6 + kChartSiteOrder[t / 8][p]] != 1) continue;
            const double left = 44 + 9 * t + 2.25 * p + 1.125;
            EXPECT_TRUE(CloseTo(page.At(left + 0.3, 25 + 30.5 + 0.25 + 0.3), QColor(255, 255, 0), 40));
            ++squares;
        }
    }
    EXPECT_GT(squares, 0);
    // Upright pictures: upper buccal roots above the band line, palatal roots
    // below theirs; 18, missing at the first visit, shows nothing.
    const QColor root(236, 212, 166);
    EXPECT_TRUE(page.HasNear(44 + 9 * 3 + 4.5, 25 + 30.5 - 2, 0.6, root, 25));
    EXPECT_TRUE(page.HasNear(44 + 9 * 3 + 4.5, 25 + 50.5 + 2, 0.6, root, 25));
    EXPECT_FALSE(page.HasNear(44 + 9 * 3 + 4.5, 25 + 30.5 + 2, 0.6, root, 25)) << "the crown lies below";
    EXPECT_FALSE(page.HasNear(44 + 4.5, 25 + 30.5 - 4, 1.5, root, 25));

    // The blank form: grey furcation cells where slot 0 has no grade, pictures upright.
    const QString blank = PdfPath(QStringLiteral("blank.pdf"));
    Print([&] { W().BtnBlankPrint_Click(); }, blank);
    const PageRaster form = PageRaster::FromPdf(blank, 1, 150, Origin());
    int grey = 0;
    for (int t = 0; t < 16; ++t) {
        bool none = true;
        for (int s = 0; s < 6; ++s) none = none && exams[0].Furcation[t * 6 + s] == kNoSiteValue;
        if (!none) continue;
        EXPECT_TRUE(CloseTo(form.At(44 + 9 * t + 1, 25 + 37.5 + 1), QColor(208, 208, 208), 20)) << t;
        ++grey;
    }
    EXPECT_GT(grey, 0);
    EXPECT_TRUE(form.HasNear(44 + 3.4, 25 + 17.5 + 6, 1.0, root, 25)) << "18 has its roots on the blank form";
    EXPECT_FALSE(form.HasNear(44 + 9 * 3 + 4.5, 25 + 17.5 + 18, 0.6, root, 25)) << "crowns below the roots";
}

TEST_F(ChartPrint, AChartPrintAfterABlankPrintShowsThePatientAgain) {
    const ExamSlots before = W().Slots();
    Print([&] { W().BtnBlankPrint_Click(); }, PdfPath(QStringLiteral("blank.pdf")));
    for (QLabel* l : W().LblMOB) ASSERT_EQ(l->text(), QStringLiteral("→"));
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(W().Slots()[k].PD, before[k].PD);
        EXPECT_EQ(W().Slots()[k].Furcation, before[k].Furcation);
        EXPECT_EQ(W().Slots()[k].Loaded, before[k].Loaded);
    }
    const QString chart = PdfPath(QStringLiteral("chart.pdf"));
    Print([&] { W().BtnPrintChart_Click(0); }, chart);
    EXPECT_EQ(W().LblMOB[2]->text(), QStringLiteral("2→1"));
    const QString text = PdfText(chart);
    EXPECT_TRUE(text.contains(QStringLiteral("2→1")));
    EXPECT_TRUE(text.contains(QStringLiteral("0→0")));
}

TEST_F(ChartPrint, TheRedMarkIsThePatientShownHere) {
    // Two patients that differ only in the latest SPT visit, at the month's end.
    for (int patient : {21, 22}) {
        env_.AddExamRow(patient * 10 + 1, patient, QDate(2020, 1, 10), 1, 0, 2, {{0, 4}});
        env_.AddExamRow(patient * 10 + 2, patient, QDate(2020, 8, 31), 3, 0, 2, {{0, 4}});
        env_.AddExamRow(patient * 10 + 3, patient, patient == 21 ? QDate(2021, 2, 27) : QDate(2021, 2, 28), 4, 0, 2,
                        {{0, 3}});
    }
    G().CurPatientId = 22;  // the input screen's patient
    env_.Choose(W(), 21);
    const QString shortPeriod = PdfPath(QStringLiteral("short.pdf"));
    Print([&] { W().BtnPrintData_Click(0); }, shortPeriod);
    EXPECT_TRUE(PdfText(shortPeriod).contains(QStringLiteral("●")));
    env_.Choose(W(), 22);
    G().CurPatientId = 21;
    const QString longEnough = PdfPath(QStringLiteral("long.pdf"));
    Print([&] { W().BtnPrintData_Click(0); }, longEnough);
    EXPECT_FALSE(PdfText(longEnough).contains(QStringLiteral("●")));
}

TEST_F(ChartPrint, NothingToPrintCancelAndFailuresLeaveTheScreenAsItWas) {
    const ScreenState shown = Screen();
    // Cancel: no file, no box, nothing changed.
    platform::SetPrinterDialogAnswerer(
        [](const platform::PrinterDialogRequest&) -> std::optional<platform::PrinterChoice> { return std::nullopt; });
    env_.boxes.Clear();
    W().BtnBlankPrint_Click();
    W().BtnPrintChart_Click(0);
    EXPECT_TRUE(env_.Captions().empty());
    EXPECT_TRUE(Screen() == shown);

    // A PDF that cannot be made, and one that cannot be written to its end.
    env_.box.WriteText(QStringLiteral("file"), "x");
    for (const QString& pdf : {PdfPath(QStringLiteral("file/chart.pdf")), QStringLiteral("/dev/full")}) {
        for (const auto& click :
             std::vector<std::function<void()>>{[&] { W().BtnBlankPrint_Click(); }, [&] { W().BtnPrintChart_Click(2); },
                                                [&] { W().BtnPrintData_Click(2); }}) {
            EXPECT_EQ(Print(click, pdf), std::vector<QString>{QStringLiteral("印刷エラー")}) << pdf.toStdString();
            EXPECT_EQ(W().LastPrint(), PrintOutcome::Failed);
            EXPECT_TRUE(Screen() == shown) << pdf.toStdString();
            EXPECT_EQ(platform::ProgramPrinter().Printer().docName(), QStringLiteral("MOX-Chart"));
        }
    }
    EXPECT_EQ(platform::MousePointer(), platform::kDefaultPointer);

    // Only the later stages: the data sheet has nothing, the chart sheet prints.
    env_.AddExamRow(1, 14, QDate(2024, 1, 10), 3, 0, 2, {{0, 4}});
    env_.AddExamRow(2, 14, QDate(2024, 7, 10), 4, 0, 2, {{0, 4}});
    env_.Choose(W(), 14);
    bool asked = false;
    platform::SetPrinterDialogAnswerer([&](const platform::PrinterDialogRequest&) {
        asked = true;
        return std::optional<platform::PrinterChoice>(platform::PrinterChoice{QString(), PdfPath("spt.pdf")});
    });
    env_.boxes.Clear();
    W().BtnPrintData_Click(0);
    ASSERT_EQ(env_.boxes.Shown().size(), 1u);
    EXPECT_EQ(env_.boxes.Shown()[0].prompt, QStringLiteral("印刷対象のデータがありません。"));
    EXPECT_EQ(env_.boxes.Shown()[0].caption, QStringLiteral("確認"));
    EXPECT_EQ(env_.boxes.Shown()[0].style, 48);
    EXPECT_FALSE(asked);
    env_.boxes.Clear();
    W().BtnPrintChart_Click(0);
    EXPECT_TRUE(asked);
    EXPECT_EQ(env_.Captions(), kCompleted);
    // No examination at all: not even the chart sheet.
    env_.Choose(W(), 15);
    asked = false;
    W().BtnPrintChart_Click(0);
    EXPECT_FALSE(asked);
    EXPECT_EQ(env_.Captions(), std::vector<QString>{QStringLiteral("確認")});
}

}  // namespace
}  // namespace mox::test
