#include "printing/index_table.h"

#include "platform/gui/japanese_ui.h"
#include "platform/gui/recording_target.h"
#include "records/exam_item.h"
#include "records/shared_records.h"
#include "tests/printing/recorded_drawing.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

using platform::RecordingTarget;
using platform::TargetKind;
using test::Drawn;

constexpr float kX = 160, kY = 21.5f;

class IndexTable : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::RegisterFontSubstitutes(); }
    void SetUp() override {
        CreateGlobalObjects();
        SetBands(1, 4, 6);
        platform::ApplyDrawingDefaults(printer_);
        platform::ApplyDrawingDefaults(preview_);
        slot_.Clear();
        slot_.Loaded = -1;
        slot_.KindName = QStringLiteral("初診時");
        slot_.ExamDate = QDateTime(QDate(2019, 4, 8), QTime(0, 0));
    }
    void TearDown() override { ReleaseGlobalObjects(); }
    static void SetBands(int b0, int b1, int b2) {
        Globals().SubExamRows[0]->SetGradationPart(0, b0);
        Globals().SubExamRows[0]->SetGradationPart(1, b1);
        Globals().SubExamRows[0]->SetGradationPart(2, b2);
    }

    // The texts of the table by row: titles and values, as printed.
    struct Table {
        std::array<QString, 11> title, value;
        std::vector<Drawn> texts;
    };
    Table Draw(RecordingTarget& target) {
        target.ClearLog();
        PrintIndexTable(target, kX, kY, slot_, DataSheetItemOf(Globals().SubExamRows[0].get()));
        Table table;
        const bool printer = target.Kind() == TargetKind::Printer;
        const double pitch = (printer ? 61.2 : 63.0) / 11;
        const double valueX = kX + (printer ? 16 : 14);
        table.texts = test::OfKind(target.Log(), QStringLiteral("Text"));
        for (const Drawn& d : table.texts) {
            const int row = static_cast<int>((d.at[1] - kY) / pitch);
            if (row == 9) continue;  // two lines of their own
            if (std::abs(d.at[0] - valueX) < 1e-3)
                table.value[row] = d.text;
            else
                table.title[row] = d.text;
        }
        return table;
    }

    RecordingTarget printer_{TargetKind::Printer};
    RecordingTarget preview_{TargetKind::Picture, 210, 455, 96};
    ExamSlot slot_;
};

TEST_F(IndexTable, PocketFiguresBleedingRateAndBandTitles) {
    SetBands(1, 4, 7);
    // 169 measured sites: 100 below 4 mm (some of 0), 50 of 4..6 mm, 19 of 7 mm and more.
    for (int s = 0; s < 169; ++s) slot_.PD[s] = s < 100 ? uint8_t(s % 4) : s < 150 ? uint8_t(4 + s % 3) : 7;
    for (int s = 0; s < 12; ++s) slot_.BOP[s * 10] = 1;
    slot_.BOP[180] = 1;  // a bleeding mark without a depth is no bleeding site
    const Table table = Draw(printer_);
    EXPECT_EQ(table.title[5], QStringLiteral("1-3mm"));
    EXPECT_EQ(table.title[6], QStringLiteral("4-6mm"));
    EXPECT_EQ(table.title[7], QStringLiteral("7mm以上"));
    EXPECT_EQ(table.value[5], QStringLiteral("100 (59.2%)"));
    EXPECT_EQ(table.value[6], QStringLiteral("50 (29.6%)"));
    EXPECT_EQ(table.value[7], QStringLiteral("19 (11.2%)"));
    EXPECT_TRUE(table.value[4].endsWith(QStringLiteral("㎜(169点)"))) << table.value[4].toStdString();
    EXPECT_EQ(table.value[8], QStringLiteral("12 (7.1%)"));
    EXPECT_EQ(table.value[0], QStringLiteral("初診時"));
    EXPECT_EQ(table.value[1], QStringLiteral("2019/04/08"));
    EXPECT_EQ(table.value[2], QStringLiteral("32"));
}

TEST_F(IndexTable, ImplantsCountApartAndTakeNoPartInTheFigures) {
    for (int s = 0; s < kSiteCount; ++s) slot_.PD[s] = 3;
    slot_.PlaqueFaces.fill(0);
    slot_.ToothState[5] = int16_t(kToothImplant);
    slot_.ToothState[6] = int16_t(kToothImplant | kToothMissing);  // still an implant
    slot_.ToothState[7] = int16_t(kToothMissing);
    for (int t : {5, 6, 7}) {
        slot_.BOP[t * 6] = 1;
        slot_.PlaqueFaces[t] = 15;
    }
    const Table table = Draw(printer_);
    EXPECT_EQ(table.value[2], QStringLiteral("29"));
    EXPECT_EQ(table.value[3], QStringLiteral("2"));
    EXPECT_EQ(table.value[4], QStringLiteral("3.0㎜(174点)"));
    EXPECT_EQ(table.value[8], QStringLiteral("0 (0.0%)"));  // only the implants and the missing tooth bled
    EXPECT_EQ(table.value[10], QStringLiteral("0.0%"));
}

TEST_F(IndexTable, PlaqueControlRecordCountsFourFacesPerToothWithAFinding) {
    EXPECT_EQ(Draw(printer_).value[10], QStringLiteral("0%"));  // every tooth 128: not recorded
    slot_.PlaqueFaces[0] = 1;
    slot_.PlaqueUnexamined[0] = 14;  // the other three faces not examined: still counted
    EXPECT_EQ(Draw(printer_).value[10], QStringLiteral("25.0%"));
    slot_.PlaqueFaces[1] = 1 | 2 | 4;
    EXPECT_EQ(Draw(printer_).value[10], QStringLiteral("50.0%"));
}

TEST_F(IndexTable, WithoutDepthsOnlyTheCountShows) {
    const Table table = Draw(printer_);
    EXPECT_EQ(table.value[4], QStringLiteral("㎜(0点)"));
    for (int row : {5, 6, 7, 8}) EXPECT_TRUE(table.value[row].isEmpty()) << row;
}

TEST_F(IndexTable, AnEmptySlotOrNoItemsDrawNothing) {
    slot_.Loaded = 0;
    EXPECT_TRUE(Draw(printer_).texts.empty());
    slot_.Loaded = 1;
    EXPECT_TRUE(Draw(printer_).texts.empty());
    slot_.Loaded = -1;
    ReleaseGlobalObjects();
    EXPECT_TRUE(Draw(printer_).texts.empty());
}

TEST_F(IndexTable, SurfaceAreasArePaddedToSixButNeverCut) {
    EXPECT_EQ(IndexAreaText(1234.56), QStringLiteral("1234.6"));
    EXPECT_EQ(IndexAreaText(5), QStringLiteral("   5.0"));
    EXPECT_EQ(IndexAreaText(12345.6), QStringLiteral("12345.6"));
    EXPECT_EQ(IndexAreaText(0), QStringLiteral("   0.0"));
}

TEST_F(IndexTable, PrinterAndPreviewPlaceTheRowsEachTheirWay) {
    for (int s = 0; s < 60; ++s) slot_.PD[s] = 5;
    slot_.BOP[0] = 1;
    struct Expected {
        RecordingTarget* target;
        double pitch, titleX, titleDy, titleSize, valueSize, areaDy1, areaDy2;
        std::vector<std::pair<QString, double>> units;  // text, x
    };
    const Expected cases[] = {
        {&printer_, 61.2 / 11, 0.7, 1.4, 8, 9, 0.1, 2.7, {{"m", 25.6}, {"m", 27.3}, {"2", 29.1}}},
        {&preview_, 63.0 / 11, 1, 1.7, 7, 8, 0.4, 2.9, {{"mm", 23.6}, {"2", 26.8}}},
    };
    for (const Expected& e : cases) {
        const Table table = Draw(*e.target);
        const Drawn* pcrTitle = nullptr;
        std::vector<const Drawn*> areaLine;
        for (const Drawn& d : table.texts) {
            if (d.text == QStringLiteral("PCR")) pcrTitle = &d;
            if (std::abs(d.at[1] - (kY + 9 * e.pitch + e.areaDy2)) < 1e-3) areaLine.push_back(&d);
        }
        ASSERT_NE(pcrTitle, nullptr);
        EXPECT_NEAR(pcrTitle->at[0], kX + e.titleX, 1e-3);
        EXPECT_NEAR(pcrTitle->at[1], kY + 10 * e.pitch + e.titleDy, 1e-3);
        EXPECT_NEAR(pcrTitle->size, e.titleSize, 0.4);
        EXPECT_EQ(pcrTitle->font, QStringLiteral("ＭＳ Ｐゴシック"));
        // The PESA line: its title, figure and unit with the raised 2.
        ASSERT_EQ(areaLine.size(), 2 + e.units.size());
        EXPECT_EQ(areaLine[0]->text, QStringLiteral("PESA"));
        EXPECT_EQ(areaLine[1]->font, QStringLiteral("ＭＳ ゴシック"));
        for (size_t i = 0; i < e.units.size(); ++i) {
            EXPECT_EQ(areaLine[2 + i]->text, e.units[i].first);
            EXPECT_NEAR(areaLine[2 + i]->at[0], kX + e.units[i].second, 1e-3);
        }
        EXPECT_NEAR(areaLine.back()->size, 4, 0.4);
        EXPECT_EQ(table.value[8], QStringLiteral("1 (1.7%)"));
    }
}

}  // namespace
}  // namespace mox
