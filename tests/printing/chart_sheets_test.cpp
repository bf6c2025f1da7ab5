// The printed sheets of the chart screen read back from the recording
// target: where the blocks, headings, signature fields, notes, scales and
// stage rows stand, and how the pages of several copies break.

#include "printing/chart_sheets.h"

#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/gui/colour.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/recording_target.h"
#include "records/shared_records.h"
#include "tests/printing/recorded_drawing.h"
#include "tests/printing/sample_sheets.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <map>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;

constexpr double kL = 10;

class PrintedSheets : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::RegisterFontSubstitutes();
        MakeToothLabels();
        MakeToothPictureNames();
        MakeToothNumberTable();
        test::LoadSampleItems(test::TemplateDbPath());
        sample_ = test::LoadSampleSlots(test::TemplateDbPath(), 98);
    }
    static void TearDownTestSuite() { ReleaseGlobalObjects(); }
    void SetUp() override {
        G().ProgramDir = test::ProgramDir();
        platform::ApplyDrawingDefaults(printer_);
    }

    static ChartBlockTexts Texts(int half) { return test::SampleBlockTexts(sample_, half); }
    static ToothPictureFiles& Pictures() { return ToothPictureFiles::Of(test::ProgramDir() + QStringLiteral("/BMP")); }
    // The log read back once for each state of it.
    const std::vector<Drawn>& Drawing() const {
        if (parsedLines_ != printer_.Log().size() || parsedFirst_ != printer_.Log().value(0)) {
            parsed_ = test::ParseDrawing(printer_.Log());
            parsedLines_ = printer_.Log().size();
            parsedFirst_ = printer_.Log().value(0);
        }
        return parsed_;
    }
    std::vector<Drawn> Texts(const QString& text) const {
        std::vector<Drawn> found;
        for (const Drawn& d : Drawing())
            if (d.kind == QStringLiteral("Text") && d.text == text) found.push_back(d);
        return found;
    }
    bool HasLine(const QString& kind, std::initializer_list<double> at, int width = -1) const {
        for (const Drawn& d : test::OfKind(Drawing(), kind)) {
            if (width >= 0 && d.width != width) continue;
            size_t i = 0;
            bool same = d.at.size() >= at.size();
            for (double v : at) same = same && std::abs(d.at[i++] - v) < 1e-3;
            if (same) return true;
        }
        return false;
    }
    int Count(const QString& kind) const { return int(test::OfKind(Drawing(), kind).size()); }

    static ExamSlots sample_;
    RecordingTarget printer_{TargetKind::Printer};
    mutable std::vector<Drawn> parsed_;
    mutable qsizetype parsedLines_ = -1;
    mutable QString parsedFirst_;
    QImage work1_, work2_;
};

ExamSlots PrintedSheets::sample_{};

TEST_F(PrintedSheets, ChartSheetHeadingSignatureNotesAndBlockOrigins) {
    PrintChartSheetPage(printer_, 2, CaseNumberText(QString(), QStringLiteral("98")), {Texts(0), Texts(1)}, sample_,
                        Pictures(), work1_, work2_);
    const auto title = Texts(QStringLiteral("ミラド協会　認定歯科衛生士認定申請　症例報告　検査チャート表"));
    ASSERT_EQ(title.size(), 1u);
    EXPECT_NEAR(title[0].at[0], kL + 14, 1e-3);
    EXPECT_NEAR(title[0].at[1], 10 + 5, 1e-3);
    EXPECT_EQ(title[0].font, QStringLiteral("ＭＳ Ｐ明朝"));
    EXPECT_NEAR(title[0].size, 12, 0.1);
    const auto form = Texts(QStringLiteral("様式７－２"));
    ASSERT_EQ(form.size(), 1u);
    EXPECT_EQ(form[0].font, QStringLiteral("ＭＳ 明朝"));
    EXPECT_NEAR(form[0].at[1], 10, 1e-3);
    const auto number = Texts(QStringLiteral("症例番号 ９８"));
    ASSERT_EQ(number.size(), 1u);
    EXPECT_NEAR(number[0].at[1], 15, 1e-3);
    // Both end at the right edge of their box, L + 152 + 25.
    printer_.SetFontName(QStringLiteral("ＭＳ 明朝"));
    printer_.SetFontSize(11);
    EXPECT_NEAR(form[0].at[0] + printer_.TextWidth(QStringLiteral("様式７－２")), kL + 177, 1e-3);
    EXPECT_NEAR(number[0].at[0] + printer_.TextWidth(QStringLiteral("症例番号 ９８")), kL + 177, 1e-3);

    const auto name = Texts(QStringLiteral("指導医氏名"));
    ASSERT_EQ(name.size(), 1u);
    EXPECT_NEAR(name[0].at[0], kL + 102.5, 1e-3);
    EXPECT_NEAR(name[0].at[1], 10 + 262, 1e-3);
    const auto seal = Texts(QStringLiteral("印"));
    ASSERT_EQ(seal.size(), 1u);
    EXPECT_NEAR(seal[0].at[0], kL + 172.5, 1e-3);
    EXPECT_TRUE(HasLine(QStringLiteral("Line"), {kL + 102.5, 277, kL + 177.5, 277}, 4));
    const auto note = Texts(QStringLiteral("＊根分岐部病変 および 歯の情報表示は"));
    ASSERT_EQ(note.size(), 1u);
    EXPECT_NEAR(note[0].at[1], 10 + 259.2, 1e-3);
    EXPECT_NEAR(note[0].size, 8, 0.1);
    EXPECT_EQ(Texts(QStringLiteral("上段：初診時、下段：最新ＳＰＴ時 が優先されます。")).size(), 1u);

    for (double y : {25.0, 149.0}) {
        EXPECT_TRUE(HasLine(QStringLiteral("Box"), {25, y, 188, y + 13}, 8)) << "summary table at " << y;
        EXPECT_TRUE(HasLine(QStringLiteral("Box"), {25, y, 188, y + 119}, 8)) << "block frame at " << y;
        EXPECT_TRUE(HasLine(QStringLiteral("Line"), {44, y + 13, 44, y + 119}, 4));
        for (double band : {17.5, 43.5, 68.5, 94.5})
            EXPECT_TRUE(HasLine(QStringLiteral("Box"), {44, y + band, 188, y + band + 20}, 1));
    }
    EXPECT_EQ(Texts(QStringLiteral("初→基")).size(), 2u);
    EXPECT_EQ(Texts(QStringLiteral("S→最")).size(), 2u);
    EXPECT_EQ(Texts(QStringLiteral("PISA対応版")).size(), 0u);
}

TEST_F(PrintedSheets, ChartBlockStageRowsScalesAndOnlyLoadedSlotsGraphsAndMarks) {
    ExamSlots exams = sample_;
    exams[1] = EmptyExamSlot();
    const float x = 25, y = 25;
    PrintChartBlock(printer_, x, y, 0, Texts(0), exams, Pictures(), work1_, work2_);
    // The stage rows start with their line samples in the slot colours.
    EXPECT_TRUE(HasLine(QStringLiteral("Line"), {x + 1, y + 5.5, x + 6, y + 5.5}, 15));
    EXPECT_TRUE(HasLine(QStringLiteral("Line"), {x + 1, y + 10.5, x + 6, y + 10.5}, 15));
    const auto& drawn = Drawing();
    auto colourOfSample = [&](double rowY) {
        for (const Drawn& d : drawn)
            if (d.kind == QStringLiteral("Line") && d.width == 15 && std::abs(d.at[1] - rowY) < 1e-3) return d.colour;
        return QString();
    };
    EXPECT_EQ(colourOfSample(y + 5.5), QStringLiteral("0000FF"));
    EXPECT_EQ(colourOfSample(y + 10.5), QStringLiteral("008000"));
    const auto stage = Texts(QStringLiteral("基本治療終了時"));
    ASSERT_EQ(stage.size(), 1u);
    EXPECT_NEAR(stage[0].at[0], x + 7, 1e-3);
    EXPECT_NEAR(stage[0].at[1], y + 9, 1e-3);
    EXPECT_NEAR(stage[0].size, 9, 0.1);
    const auto date = Texts(QStringLiteral("2019/04/08"));
    ASSERT_EQ(date.size(), 1u);
    EXPECT_NEAR(date[0].at[1], y + 4, 1e-3);
    printer_.SetFontName(QStringLiteral("ＭＳ Ｐゴシック"));
    printer_.SetFontSize(date[0].size);
    EXPECT_NEAR(date[0].at[0] + printer_.TextWidth(QStringLiteral("2019/04/08")) / 2, x + 34 + 9, 1e-3)
        << "centred in its column";
    // The depth scales: four labels per band, right-aligned at X + 18.4.
    const std::pair<QString, double> scale[] = {
        {"10", 19.2}, {"6", 23.12}, {"3", 26.06}, {"0", 29},   {"0", 49.3},  {"3", 52.24},  {"6", 55.18},  {"10", 59.3},
        {"10", 70.1}, {"6", 74.02}, {"3", 76.96}, {"0", 80.1}, {"0", 100.3}, {"3", 103.24}, {"6", 106.18}, {"10", 110}};
    for (const auto& [text, top] : scale) {
        bool found = false;
        for (const Drawn& d : Texts(text))
            found = found || (std::abs(d.at[1] - (y + top)) < 1e-3 && d.at[0] > x + 14 && d.at[0] < x + 18.4 &&
                              std::abs(d.size - 7) < 0.1);
        EXPECT_TRUE(found) << text.toStdString() << " at " << top;
    }
    // Slot 1 is empty: no green graph and no green marks; slot 0's are there.
    int red = 0, green = 0;
    for (const Drawn& d : drawn) {
        if (d.kind != QStringLiteral("Line") && d.kind != QStringLiteral("Circle")) continue;
        if (d.width == 15) continue;
        red += d.colour == QStringLiteral("0000FF");
        green += d.colour == QStringLiteral("008000");
    }
    EXPECT_GT(red, 50);
    EXPECT_EQ(green, 0);
}

TEST_F(PrintedSheets, EveryFigureOfTheSummaryTableStaysInsideItsCell) {
    // The widest figures a clinic meets: a late date, three-digit counts.
    ChartBlockTexts texts = Texts(0);
    for (SummaryFigures& f : texts.figures) {
        f = {QStringLiteral("2026/12/09"),
             QStringLiteral("28"),
             QStringLiteral("174"),
             QStringLiteral("105 (60.3%)"),
             QStringLiteral("10.5"),
             {QStringLiteral("105 (60.3%)"), QStringLiteral("105 (60.3%)"), QStringLiteral("105 (60.3%)")}};
    }
    const float x = 25, y = 25;
    PrintChartBlock(printer_, x, y, 0, texts, sample_, Pictures(), work1_, work2_);
    const std::pair<double, double> cells[8] = {{34, 18}, {52, 13},  {65, 13},  {78, 18},
                                                {96, 13}, {109, 18}, {127, 18}, {145, 18}};
    int figures = 0;
    printer_.SetFontName(QStringLiteral("ＭＳ Ｐゴシック"));
    for (const Drawn& d : test::OfKind(Drawing(), QStringLiteral("Text"))) {
        if (d.at[1] < y + 3.5 || d.at[1] > y + 13 || d.at[0] < x + 34) continue;  // the figure rows only
        printer_.SetFontSize(d.size);
        const double left = d.at[0] - x, right = left + printer_.TextWidth(d.text);
        const auto cell = std::find_if(std::begin(cells), std::end(cells),
                                       [&](const auto& c) { return left >= c.first && left < c.first + c.second; });
        ASSERT_NE(cell, std::end(cells)) << d.text.toStdString();
        EXPECT_GE(left, cell->first + 0.4) << d.text.toStdString() << " crosses its left border";
        EXPECT_LE(right, cell->first + cell->second - 0.4) << d.text.toStdString() << " crosses its right border";
        EXPECT_LE(d.size, 9 + 0.1);
        ++figures;
    }
    EXPECT_EQ(figures, 2 * 8);
    EXPECT_EQ(Texts(QStringLiteral("28"))[0].size, 9) << "a figure that fits keeps its size";
}

TEST_F(PrintedSheets, DataBlocksStandInTheBandsOfTheirSlots) {
    ExamSlots exams = sample_;
    exams[1] = EmptyExamSlot();
    exams[3] = EmptyExamSlot();
    DataSheetContent content{0, CaseNumberText(QString(), QStringLiteral("98")), false, &exams,
                             test::SampleSheetItem()};
    ComposeDataSheets(printer_, content, 1);
    const double t = kDataSheetTop;
    // A block's frame starts at its band; the empty slot's band holds nothing.
    auto blockAt = [&](double top) {
        for (const Drawn& d : Drawing())
            if ((d.kind == QStringLiteral("Box") || d.kind == QStringLiteral("Line")) &&
                std::abs(d.at[0] - 12) < 1e-3 && std::abs(d.at[1] - top) < 1e-3)
                return true;
        return false;
    };
    EXPECT_TRUE(blockAt(t + 16.5));
    EXPECT_TRUE(blockAt(t + 142.5));
    for (const Drawn& d : Drawing()) {
        if (d.at.size() < 2 || d.kind == QStringLiteral("Polygon")) continue;
        EXPECT_FALSE(d.at[1] > t + 79.5 + 1 && d.at[1] < t + 142.5 - 1) << d.kind.toStdString() << " " << d.at[1];
        EXPECT_FALSE(d.at[1] > t + 205.5 + 1 && d.at[1] < t + 266.5 - 1) << "the band of slot 3 stays empty";
    }
    // The heading and the red mark only when the SPT period is short.
    EXPECT_EQ(Texts(QStringLiteral("●")).size(), 0u);
    printer_.ClearLog();
    content.sptShort = true;
    ComposeDataSheets(printer_, content, 1);
    const auto mark = Texts(QStringLiteral("●"));
    ASSERT_EQ(mark.size(), 1u);
    EXPECT_EQ(mark[0].colour, QStringLiteral("0000FF"));
    EXPECT_NEAR(mark[0].at[0], kL + 150.5, 1e-3);
    EXPECT_NEAR(mark[0].at[1], t + 13, 1e-3);
    const auto legend = test::OfKind(Drawing(), QStringLiteral("Text"));
    EXPECT_TRUE(std::any_of(legend.begin(), legend.end(), [](const Drawn& d) {
        return d.text.startsWith(QStringLiteral("PCR : O'Leary      動揺度 : Miller")) &&
               d.text.endsWith(QStringLiteral("赤数字＝BOP(+)  黄背景＝排膿"));
    }));
    EXPECT_EQ(Texts(QStringLiteral("MOX-HLX")).size(), 1u);
    EXPECT_TRUE(HasLine(QStringLiteral("Line"), {kL + 97.5, t + 275, kL + 172.5, t + 275}, 4));
}

TEST_F(PrintedSheets, CopiesArePagesOfTheirOwnEachWithOneHeadingAndNoEmptySheet) {
    const QString title = DataSheetTitle(1);
    for (const std::vector<int>& loaded : {std::vector<int>{1}, std::vector<int>{0, 2}, std::vector<int>{0, 1, 2, 3}}) {
        ExamSlots exams = EmptyExamSlots();
        for (int k : loaded) exams[k] = sample_[k];
        for (int copies = 1; copies <= 3; ++copies) {
            printer_.ClearLog();
            ComposeDataSheets(printer_, {1, QString(), false, &exams, test::SampleSheetItem()}, copies);
            EXPECT_EQ(printer_.Log().count(QStringLiteral("NewPage")), copies - 1)
                << loaded.size() << " slots, " << copies << " copies";
            EXPECT_EQ(int(Texts(title).size()), copies) << loaded.size() << " slots, " << copies << " copies";
            EXPECT_NE(printer_.Log().last(), QStringLiteral("NewPage"));
        }
    }
    for (int copies = 1; copies <= 3; ++copies) {
        printer_.ClearLog();
        ComposeChartSheets(printer_, {0, QString(), {Texts(0), Texts(1)}, &sample_}, copies, Pictures(), work1_,
                           work2_);
        EXPECT_EQ(printer_.Log().count(QStringLiteral("NewPage")), copies - 1);
        EXPECT_EQ(int(Texts(ChartSheetTitle(0)).size()), copies);
    }
    printer_.ClearLog();
    ComposeChartSheets(printer_, {0, QString(), {Texts(0), Texts(1)}, &sample_}, 0, Pictures(), work1_, work2_);
    EXPECT_TRUE(printer_.Log().isEmpty());
}

TEST_F(PrintedSheets, BlankFormHasEmptyColumnsFramesAndTheFirstVisitsFurcationFindings) {
    BlankFormContent content;
    for (int half = 0; half < 2; ++half) {
        content.texts[half] = Texts(half);
        content.texts[half].mobility.fill(QStringLiteral("→"));
    }
    content.slot0 = &sample_[0];
    ComposeBlankForms(printer_, content, 2, Pictures());
    EXPECT_EQ(printer_.Log().count(QStringLiteral("NewPage")), 1);
    EXPECT_EQ(Texts(QStringLiteral("ミラド協会専門医　症例報告書")).size(), 2u);
    const auto form = Texts(QStringLiteral("様式８"));
    ASSERT_EQ(form.size(), 2u);
    EXPECT_NEAR(form[0].at[1], 10, 1e-3);
    EXPECT_EQ(Texts(QStringLiteral("患者番号")).size(), 2u);
    EXPECT_TRUE(HasLine(QStringLiteral("Line"), {160, 20, 188, 20}, 4));
    EXPECT_TRUE(HasLine(QStringLiteral("Line"), {112.5, 277, 187.5, 277}, 4));
    EXPECT_EQ(Texts(QStringLiteral("(      %)")).size(), 2u * 2 * 2 * 4);
    EXPECT_EQ(Texts(QStringLiteral("歯")).size(), 2u * 2 * 2);
    EXPECT_EQ(Texts(QStringLiteral("Furcation")).size(), 2u * 2 * 2);
    EXPECT_NEAR(Texts(QStringLiteral("Furcation"))[0].size, 7, 0.1);
    for (const QString& grade : {QStringLiteral("Ⅰ"), QStringLiteral("Ⅱ"), QStringLiteral("Ⅲ")})
        EXPECT_TRUE(Texts(grade).empty()) << "findings print as numbers";
    // The first visit's furcation findings, as numbers, in the furcation rows
    // of both blocks, the lower block included.
    std::map<double, int> findingsByRow;
    for (const Drawn& d : test::OfKind(Drawing(), QStringLiteral("Text")))
        if (d.font == QStringLiteral("ＭＳ ゴシック") && d.text.size() == 1 && d.text[0].isDigit() && d.at[0] > 44 &&
            d.at[0] < 188)
            for (double row : {25 + 37.5, 25 + 88.5, 149 + 37.5, 149 + 88.5})
                if (d.at[1] >= row && d.at[1] < row + 6) ++findingsByRow[row];
    EXPECT_GT(findingsByRow[25 + 37.5], 0);
    EXPECT_GT(findingsByRow[25 + 88.5], 0);
    EXPECT_EQ(findingsByRow[149 + 37.5], findingsByRow[25 + 37.5]) << "the lower block repeats slot 0";
    EXPECT_EQ(findingsByRow[149 + 88.5], findingsByRow[25 + 88.5]) << "the lower block repeats slot 0";
    EXPECT_FALSE(Texts(QStringLiteral("2019/04/08")).size());
    // Line samples of pen 10, the frames of the table and the body.
    EXPECT_TRUE(HasLine(QStringLiteral("Line"), {26, 30.5, 31, 30.5}, 10));
    EXPECT_TRUE(HasLine(QStringLiteral("Box"), {25, 25, 188, 38}, 5));
    EXPECT_TRUE(HasLine(QStringLiteral("Box"), {25, 149, 188, 268}, 5));
    EXPECT_TRUE(HasLine(QStringLiteral("Box"), {44, 25 + 17.5, 188, 25 + 37.5}, 1));
    // Every tooth's crown and root in each of the four boxes of both blocks.
    EXPECT_EQ(Count(QStringLiteral("Picture")), 2 * 2 * 4 * 16 * 2);
    EXPECT_EQ(printer_.ScaleMode(), platform::kScaleMillimeters);
}

TEST(PrintTexts, CaseNumbersInFullWidthAndTheTitlesOfEachKind) {
    EXPECT_EQ(ToFullWidth(QStringLiteral("A-12")), QStringLiteral("Ａ－１２"));
    EXPECT_EQ(ToFullWidth(QStringLiteral("No. 7/b")), QStringLiteral("Ｎｏ．　７／ｂ"));
    EXPECT_EQ(CaseNumberText(QStringLiteral("   "), QStringLiteral("98")), QStringLiteral("症例番号 ９８"));
    EXPECT_EQ(CaseNumberText(QStringLiteral("A-12"), QStringLiteral("98")), QStringLiteral("症例番号 Ａ－１２"));
    EXPECT_EQ(ChartSheetFormNumber(0), QStringLiteral("様式８－２"));
    EXPECT_EQ(ChartSheetFormNumber(1), QStringLiteral("様式８－２"));
    EXPECT_EQ(DataSheetFormNumber(2), QStringLiteral("様式７－１"));
    EXPECT_EQ(DataSheetTitle(1), QStringLiteral("ミラド協会　認定医認定申請　症例報告　検査データ表　　PISA対応版"));
    EXPECT_EQ(ChartSheetTitle(0), QStringLiteral("ミラド協会　専門医認定申請　症例報告　検査チャート表"));
}

}  // namespace
}  // namespace mox
