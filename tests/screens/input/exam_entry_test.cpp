// The examination entry without its window: keys and value buttons on real
// tooth buttons, the cursor's routes and marks, the grid painted from the
// records and read back into them, and the records loaded from the file.

#include "tests/screens/input/input_test_support.h"

#include <random>

namespace mox::test {
namespace {

constexpr int32_t kPatient = 3;
const QDate kDay(2023, 4, 1);

int Green(const EntryBench& b, int row) {
    int n = 0;
    for (int t = 0; t < 32; ++t)
        if (b.entry.Label(row * 32 + t).back == 0x00FF00) ++n;
    return n;
}

void SetItemModes(InputScreenEnvironment& env, std::array<int, 4> modes) {
    for (int row = 0; row < 4; ++row)
        env.Db()->Execute(QStringLiteral("UPDATE TSubExam SET Mode=? WHERE DisplayRow=?"), {modes[row], row + 1});
}

TEST(ValueKeys, PocketRowGrammarPrefixesRefusalsAndMarks) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.Keys(QStringLiteral("/2"));
    EXPECT_EQ(b.Value(0, 0, 0), 12) << "\"/\" then \"2\" is 12";
    EXPECT_TRUE(b.entry.DataChanged);
    b.Keys(QStringLiteral("/12"));
    EXPECT_EQ(b.Value(0, 0, 1), 11) << "the prefix takes one key only";
    EXPECT_EQ(b.Value(0, 0, 2), 2);
    b.Keys(QStringLiteral("12*5"));
    EXPECT_EQ(b.Value(0, 1, 0), 1);
    EXPECT_EQ(b.Value(0, 1, 1), 2);
    EXPECT_EQ(b.Value(0, 1, 2), 5) << "\"*\" leaves digits alone";
    EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{"12.wav", "11.wav", "2.wav", "1.wav", "2.wav", "5.wav"}));

    // 17 and 0 are no pocket depths: refused with the phone clip, nothing
    // written, the cursor where it was.
    b.Keys(QStringLiteral("/70"));
    EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{"phone1.wav", "phone1.wav"}));
    EXPECT_EQ(b.Cursor(0).nTooth, 1);
    EXPECT_EQ(b.Cursor(0).nPocket, 2);
    EXPECT_EQ(b.Value(0, 2, 0), -1);

    // Marks go on the site under the cursor (tooth 1, site 2, which has 5).
    b.entry.DataChanged = false;
    b.Keys(QStringLiteral("*+"));
    EXPECT_EQ(b.Mark(0, 1, 2, 2), 1) << "\"*\" then \"+\" marks suppuration";
    EXPECT_TRUE(b.entry.DataChanged) << "a changed mark is a change";
    b.Keys(QStringLiteral("/+"));
    EXPECT_EQ(b.Mark(0, 1, 2, 1), 1) << "\"/\" then \"+\" is the bleeding mark";
    b.Keys(QStringLiteral("-"));
    EXPECT_EQ(b.Mark(0, 1, 2, 1), 0);
    b.entry.DataChanged = false;
    b.Keys(QStringLiteral("-"));
    EXPECT_FALSE(b.entry.DataChanged) << "a mark set to what it was changes nothing";
    EXPECT_EQ(b.Cursor(0).nTooth, 1) << "marks never move the cursor";

    // "+" on a site without a pocket depth does nothing.
    b.entry.KeyPress(13);
    ASSERT_EQ(b.Value(0, b.Cursor(0).nTooth, b.Cursor(0).nPocket), -1);
    b.Keys(QStringLiteral("+*+"));
    EXPECT_NE(b.Mark(0, b.Cursor(0).nTooth, b.Cursor(0).nPocket, 1), 1);
    EXPECT_NE(b.Mark(0, b.Cursor(0).nTooth, b.Cursor(0).nPocket, 2), 1);
    EXPECT_FALSE(b.entry.DataChanged);
    EXPECT_TRUE(b.PlayedClips().empty());
}

TEST(ValueKeys, AValueStaysUnderTheCursorUntilTheNextOneArrives) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.entry.ClickSite(5, 4);
    EXPECT_EQ(b.Cursor(0).nTooth, 5);
    EXPECT_EQ(b.Cursor(0).nPocket, 4);
    CToothPosition next = b.Cursor(0);
    ASSERT_TRUE(next.MoveNext6());

    b.Keys(QStringLiteral("3"));
    EXPECT_EQ(b.Value(0, 5, 4), 3) << "the first value goes into the clicked site";
    EXPECT_EQ(b.Cursor(0).nTooth, 5) << "and the cursor stays there";
    b.Keys(QStringLiteral("4"));
    EXPECT_EQ(b.Value(0, next.nTooth, next.nPocket), 4) << "the second goes into the next site of the route";
    EXPECT_EQ(b.Value(0, 5, 4), 3);

    // A value the item's buttons refuse is not written and not announced, and
    // keeps the site it was refused at for the next value.
    b.PlayedClips();
    b.entry.CmdVal_Click(0);
    EXPECT_EQ(b.PlayedClips(), std::vector<QString>{"phone1.wav"});
    const CToothPosition refusedAt = b.Cursor(0);
    EXPECT_EQ(b.Value(0, refusedAt.nTooth, refusedAt.nPocket), -1);
    EXPECT_FALSE(b.entry.AdvancePending);
    b.Keys(QStringLiteral("6"));
    EXPECT_EQ(b.Value(0, next.nTooth, next.nPocket), 4);
    EXPECT_EQ(b.Value(0, refusedAt.nTooth, refusedAt.nPocket), 6);
    EXPECT_EQ(b.Cursor(0).nTooth, refusedAt.nTooth);
    EXPECT_EQ(b.Cursor(0).nPocket, refusedAt.nPocket);
}

TEST(ValueKeys, AfterARowsLastSiteTheNextRowDecidesAndTheLastRowOverwrites) {
    {
        // The template's rows: pocket depths, mobility, furcation. A value
        // after a row's last site moves the cursor into the next row, which
        // takes it at its first site or refuses it there: the refusal is
        // heard instead of the value, and the next value goes into that site.
        EntryBench b;
        ASSERT_TRUE(b.Show(kPatient, std::nullopt));
        b.entry.CursorLast(0);
        const CToothPosition lastPocket = b.Cursor(0);
        b.Keys(QStringLiteral("4"));
        b.entry.CmdVal_Click(5);
        EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{"4.wav", "phone1.wav"}));
        ASSERT_EQ(b.entry.CurRow, 1) << "no mobility of 5, but the row changed";
        EXPECT_FALSE(b.entry.AdvancePending);
        const int firstMobility = b.Cursor(1).nTooth;
        EXPECT_EQ(b.Value(1, firstMobility), -1);
        EXPECT_EQ(b.Value(0, lastPocket.nTooth, lastPocket.nPocket), 4);

        b.Keys(QStringLiteral("/20"));
        EXPECT_EQ(b.Value(1, firstMobility), 0) << "12 is no mobility; 0 goes into the first tooth";
        b.entry.CmdVal_Click(2);
        EXPECT_NE(b.Cursor(1).nTooth, firstMobility);
        EXPECT_EQ(b.Value(1, b.Cursor(1).nTooth), 2);
        EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{"phone1.wav", "0.wav", "2.wav"}));

        // 0 after the mobility row is a mobility refused by the furcation
        // row; the next 0 is its no lesion.
        b.entry.CursorLast(1);
        b.entry.AdvancePending = false;
        b.Keys(QStringLiteral("10"));
        ASSERT_EQ(b.entry.CurRow, 2);
        const CToothPosition firstFurcation = b.Cursor(2);
        EXPECT_EQ(b.Value(2, firstFurcation.nTooth, firstFurcation.nPocket), -1);
        b.Keys(QStringLiteral("0"));
        EXPECT_EQ(b.Value(2, firstFurcation.nTooth, firstFurcation.nPocket), 0);
        EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{"1.wav", "phone1.wav", QStringLiteral("無.wav")}));
        EXPECT_TRUE(b.entry.DataChanged);
    }
    {
        // The template's row 3 is plaque, which takes no keyed value: a value
        // or a no lesion after the furcation row's last site carries the
        // cursor into the plaque row and writes nothing.
        for (const bool noLesion : {false, true}) {
            SCOPED_TRACE(noLesion);
            EntryBench b;
            ASSERT_TRUE(b.Show(kPatient, std::nullopt));
            b.entry.SetInputMode(13, true);
            b.entry.CursorLast(2);
            const int lastTooth = b.Cursor(2).nTooth;
            const int lastSite = b.Cursor(2).nPocket;
            b.Keys(QStringLiteral("2"));
            EXPECT_EQ(b.Value(2, lastTooth, lastSite), 2);
            b.PlayedClips();
            if (noLesion)
                b.entry.CmdFurcationNone_Click();
            else
                b.Keys(QStringLiteral("3"));
            EXPECT_EQ(b.PlayedClips(), std::vector<QString>{"phone1.wav"});
            EXPECT_EQ(b.entry.CurRow, 3);
            EXPECT_EQ(b.entry.CurInputType, kPlaqueMode);
            EXPECT_FALSE(b.entry.AdvancePending);
            EXPECT_EQ(b.Value(2, lastTooth, lastSite), 2);
            for (int t = 0; t < 32; ++t)
                ASSERT_EQ(b.grid.PlaqueData(96 + t), -1) << "nothing written on the plaque row";
        }
    }
    {
        // A six-site row that takes no keyed value: the furcation row's
        // buttons must not let a value through to it.
        EntryBench b;
        SetItemModes(b, {3, 1, 6, 9});
        b.LoadTables();
        ASSERT_TRUE(b.Show(kPatient, std::nullopt));
        b.entry.SetInputMode(13, true);
        b.entry.CursorLast(2);
        b.Keys(QStringLiteral("22"));
        b.entry.CmdVal_Click(2);
        EXPECT_EQ(b.entry.CurRow, 3);
        for (int t = 0; t < 32; ++t)
            for (int s = 0; s < 6; ++s) ASSERT_EQ(b.Value(3, t, s), -1) << "tooth " << t << " site " << s;
    }
    {
        // With mobility as row 3 the value is taken there, and on row 3
        // values after the last tooth keep overwriting it.
        EntryBench b;
        b.Db()->Execute(QStringLiteral("UPDATE TSubExam SET DisplayRow=? WHERE ID=?"), {4, 1});
        b.Db()->Execute(QStringLiteral("UPDATE TSubExam SET DisplayRow=? WHERE ID=?"), {2, 3});
        b.LoadTables();
        ASSERT_TRUE(b.Show(kPatient, std::nullopt));
        b.entry.SetInputMode(13, true);
        b.entry.CursorLast(2);
        b.Keys(QStringLiteral("23"));
        ASSERT_EQ(b.entry.CurRow, 3);
        const int first = b.Cursor(3).nTooth;
        EXPECT_EQ(b.Value(3, first), 3) << "row 3's first tooth takes the value";

        b.entry.CursorLast(3);
        const int last = b.Cursor(3).nTooth;
        b.Keys(QStringLiteral("123"));
        EXPECT_EQ(b.entry.CurRow, 3);
        EXPECT_EQ(b.Cursor(3).nTooth, last);
        EXPECT_EQ(b.Value(3, last), 3);
    }
}

TEST(ValueKeys, ClearAndNoLesionKeys) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.Keys(QStringLiteral("5+*+"));
    ASSERT_EQ(b.Mark(0, 0, 0, 1), 1);
    b.entry.KeyPress(8);  // back onto the site
    b.entry.CursorFirst(0);
    b.Keys(QStringLiteral("."));
    EXPECT_EQ(b.Value(0, 0, 0), -1);
    EXPECT_EQ(b.Mark(0, 0, 0, 1), -1) << "the button clears a site's marks with its value";
    EXPECT_EQ(b.Cursor(0).nPocket, 1) << "the clear moves the cursor on";
    EXPECT_FALSE(b.entry.AdvancePending);

    // A per-tooth value sits at site 0 whatever site the row's cursor had.
    b.entry.SetInputMode(1, true);
    b.Cursor(1).nPocket = 4;
    b.Keys(QStringLiteral("2"));
    const int tooth = b.Cursor(1).nTooth;
    ASSERT_EQ(b.Value(1, tooth), 2);
    b.Keys(QStringLiteral("."));
    EXPECT_EQ(b.Value(1, tooth), -1);

    // "0" on a furcation row is "no lesion".
    b.entry.SetInputMode(13, true);
    const int fTooth = b.Cursor(2).nTooth;
    const int fSite = b.Cursor(2).nPocket;
    b.PlayedClips();
    b.Keys(QStringLiteral("02"));
    EXPECT_EQ(b.Value(2, fTooth, fSite), 0);
    EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{QStringLiteral("無.wav"), "2.wav"}));
    EXPECT_NE(b.Cursor(2).nPocket + 32 * b.Cursor(2).nTooth, fSite + 32 * fTooth);
}

TEST(ValueKeys, TheEntryCheckStopsAValueBeforeAnySound) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.boxes.Clear();
    auto tryValue = [&] {
        b.form.focused.clear();
        b.entry.CmdVal_Click(4);
        return b.Captions();
    };
    b.form.fields.patientId.reset();
    EXPECT_EQ(tryValue(), std::vector<QString>{"患者番号エラー"});
    EXPECT_EQ(b.form.focused, std::vector<EntryField>{EntryField::PatientNo});
    b.form.fields.patientId = kPatient;
    for (auto [y, m, d] : {std::tuple{"2023", "02", "30"}, std::tuple{"23", "01", "05"}, std::tuple{"2023", "13", "01"},
                           std::tuple{"", "", ""}}) {
        b.form.fields.year = QString::fromLatin1(y);
        b.form.fields.month = QString::fromLatin1(m);
        b.form.fields.day = QString::fromLatin1(d);
        EXPECT_EQ(tryValue(), std::vector<QString>{"検査日エラー"}) << y << "/" << m << "/" << d;
        EXPECT_EQ(b.form.focused, std::vector<EntryField>{EntryField::Year});
    }
    b.form.fields.year = QStringLiteral("2024");
    b.form.fields.month = QStringLiteral("2");
    b.form.fields.day = QStringLiteral("29");
    b.form.fields.stageId.reset();
    EXPECT_EQ(tryValue(), std::vector<QString>{"治療ステージエラー"});
    EXPECT_EQ(b.form.focused, std::vector<EntryField>{EntryField::Stage});
    EXPECT_TRUE(b.PlayedClips().empty());
    EXPECT_EQ(b.Value(0, 0, 0), -1);
    EXPECT_FALSE(b.entry.DataChanged);
}

TEST(Grid, LoadPaintAndCollectGiveBackTheStoredRecordsForEveryInputType) {
    for (const std::array<int, 4> modes : {std::array{3, 1, 6, 4}, std::array{5, 9, 7, 8}}) {
        EntryBench b;
        SetItemModes(b, modes);
        b.LoadTables();
        std::mt19937 random(modes[0]);
        const int items[] = {2, 1, 13, 3};
        std::array<CExamData, 11> stored;
        for (int row : {0, 1, 2, 3, 9, 10}) {
            CExamData& r = stored[row];
            r = InputScreenEnvironment::Row(100 + row, kPatient, kDay, row, row < 4 ? items[row] : 2);
            const int mode = row < 4 ? modes[row] : (modes[0] == 3 ? 3 : -1);
            for (int16_t t = 0; t < 32; ++t) {
                if (mode == 4) {
                    if (random() % 4 == 0) {
                        r.SetbData(t + 48, 15);
                        continue;
                    }
                    const int untreated = random() % 15;
                    r.SetbData(t, int16_t((random() % 16) & ~untreated));
                    r.SetbData(t + 48, int16_t(untreated));
                } else if (row >= 9 && mode == 3) {
                    for (int s = 0; s < 6; ++s)
                        r.SetbData(int16_t(t * 6 + s), int16_t(std::array{0, 1, 128}[random() % 3]));
                } else if (mode == 3 || mode == 5 || mode == 6 || mode == 9) {
                    for (int s = 0; s < 6; ++s)
                        r.SetbData(int16_t(t * 6 + s), int16_t(random() % 5 ? random() % 16 + 1 : 128));
                } else if (mode >= 0) {
                    r.SetbData(t, int16_t(random() % 5 ? random() % 4 : 128));
                }
            }
            b.AddRow(r);
        }
        ASSERT_TRUE(b.Show(kPatient, kDay));
        for (auto& r : Globals().ExamDataRows) r->ClearBuffer();
        b.entry.CollectExamValues();
        for (int row : {0, 1, 2, 3, 9, 10})
            for (int16_t i = 0; i < 192; ++i)
                ASSERT_EQ(Globals().ExamDataRows[row]->bData(i), stored[row].bData(i))
                    << "modes " << modes[0] << modes[1] << modes[2] << modes[3] << " row " << row << " index " << i;
    }
}

TEST(Grid, ARecordSlotShowsAtItsQuadrantsSiteOfTheButton) {
    EntryBench b;
    CExamData r = InputScreenEnvironment::Row(1, kPatient, kDay, 0, 2);
    for (int t : {0, 8, 16, 24}) r.SetbData(int16_t(t * 6), int16_t(t / 8 + 1));
    b.AddRow(r);
    ASSERT_TRUE(b.Show(kPatient, kDay));
    EXPECT_EQ(b.Value(0, 0, 2), 1) << "tooth 18, slot 0";
    EXPECT_EQ(b.Value(0, 8, 0), 2) << "tooth 21, slot 0";
    EXPECT_EQ(b.Value(0, 16, 5), 3) << "tooth 48, slot 0";
    EXPECT_EQ(b.Value(0, 24, 3), 4) << "tooth 31, slot 0";
}

TEST(Grid, LabelsAndEnablingFollowTheToothStates) {
    EntryBench b;
    CExamData r = InputScreenEnvironment::Row(1, kPatient, kDay, 0, 2);
    r.SetnBui(0, int16_t(kToothMissing));
    r.SetnBui(1, int16_t(kToothImplant | kToothMissing));
    r.SetnBui(2, int16_t(kToothPontic));
    r.SetnBui(3, int16_t(kToothDeciduous | kToothMissing));
    r.SetnBui(4, int16_t(kToothFourthState));
    r.SetnBui(5, int16_t(kToothDeciduous));
    b.AddRow(r);
    ASSERT_TRUE(b.Show(kPatient, kDay));
    // Masks of the template: pocket depth and mobility take implants, every
    // item takes the fourth state, none takes missing teeth or pontics.
    const bool enabled[6][4] = {{false, false, false, false}, {true, true, false, false}, {false, false, false, false},
                                {false, false, false, false}, {true, true, true, true},   {true, true, true, true}};
    const uint32_t backs[6] = {0xFF8080, 0x80FFFF, 0xC0C0FF, 0xFF8080, 0xE080E0, 0xFFFFFF};
    const char* captions[6] = {"8", "7", "6", "E", "4", "C"};
    for (int t = 0; t < 6; ++t) {
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(b.grid.Enabled(row * 32 + t), enabled[t][row]) << "tooth " << t << " row " << row;
            if (row == 0 && t == b.Cursor(0).nTooth) continue;  // the cursor's label
            EXPECT_EQ(b.entry.Label(row * 32 + t).back, backs[t]) << "tooth " << t;
            EXPECT_EQ(b.entry.Label(row * 32 + t).caption, QString::fromLatin1(captions[t]));
        }
    }
    EXPECT_EQ(b.Cursor(0).nTooth, 1) << "the cursor passes over the closed tooth 18";
}

TEST(Cursor, EachRowCarriesOneMarkAndAGapMarkStaysInItsRow) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.Keys(QStringLiteral("123456789"));
    b.entry.ClickSite(32 + 7, 0);
    b.entry.ClickSite(64 + 14, 3);
    b.entry.ClickSite(10, 1);
    b.entry.KeyPress(13);
    b.entry.KeyPress(8);
    b.entry.MoveCursorStep(1);
    for (int row = 0; row < 4; ++row) EXPECT_LE(Green(b, row), 1) << "row " << row;
    EXPECT_EQ(Green(b, 0), 1);
    EXPECT_EQ(b.entry.Label(b.Cursor(0).nTooth).back, 0x00FF00u);
    EXPECT_EQ(b.entry.Label(b.Cursor(0).nTooth).fore, 0xFFFFFFu) << "the label's own colour becomes its text";

    // Gap items mark a tooth and its neighbour, never the next row's first.
    SetItemModes(b, {3, 7, 6, 4});
    b.LoadTables();
    ASSERT_TRUE(b.entry.SetInputMode(1, true));
    b.entry.ShowCursorMark(1, 31);
    EXPECT_EQ(b.entry.Label(63).back, 0x00FF00u);
    EXPECT_EQ(b.entry.Label(64).back, 0xFFFFFFu);
    b.entry.HideCursorMark(1, 31);
    b.entry.ShowCursorMark(1, 5);
    EXPECT_EQ(b.entry.Label(37).back, 0x00FF00u);
    EXPECT_EQ(b.entry.Label(38).back, 0x00FF00u);
    b.entry.HideCursorMark(1, 5);
    EXPECT_EQ(b.entry.Label(37).back, 0xFFFFFFu);
    EXPECT_EQ(b.entry.Label(38).back, 0xFFFFFFu);
}

TEST(Cursor, PlaqueRowEndPausesOnTheClockAndOtherRowsDoNot) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.entry.CursorLast(0);
    qint64 before = b.clock.TotalWaited();
    EXPECT_FALSE(b.entry.CursorNext(0));
    EXPECT_EQ(b.clock.TotalWaited(), before) << "no pause on a pocket row";

    b.entry.SetInputMode(3, true);
    b.entry.CursorLast(3);
    before = b.clock.TotalWaited();
    EXPECT_FALSE(b.entry.CursorNext(3));
    EXPECT_EQ(b.clock.TotalWaited() - before, 950) << "plaque along the tooth route";

    Globals().CurCharge->PlaquePattern = QStringLiteral("URB8ULB1ULL8URL1LRB8LLB1LLL8LRL1");
    b.entry.SetInputMode(3, true);
    b.entry.CursorLast(3);
    before = b.clock.TotalWaited();
    EXPECT_FALSE(b.entry.CursorNext(3));
    EXPECT_EQ(b.clock.TotalWaited() - before, 690) << "plaque along the staff member's plaque route";
}

TEST(Cursor, AnItemMissingFromTheRowsTurnsInputOffWithOneMessage) {
    EntryBench b;
    b.Db()->Execute(QStringLiteral("UPDATE TSubExam SET DisplayRow=? WHERE ID=?"), {7, 2});
    b.LoadTables();
    b.Show(kPatient, std::nullopt);
    EXPECT_EQ(b.Captions(), std::vector<QString>{"検査項目エラー"});
    EXPECT_FALSE(b.entry.InputOn());
    EXPECT_FALSE(b.form.buttons.value[5]);
    b.Keys(QStringLiteral("5.+"));
    b.entry.CmdVal_Click(5);
    b.entry.KeyPress(13);
    EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{"phone1.wav", "phone1.wav", "phone1.wav", "phone1.wav"}))
        << "no value is stored, so none is announced";
    EXPECT_FALSE(b.entry.DataChanged);
}

TEST(Records, ANewExaminationStartsEmptyWithTheToothStatesOfTheLatestEarlierOne) {
    EntryBench b;
    const QDate today = b.clock.Now().date();
    CExamData earlier = InputScreenEnvironment::Row(1, kPatient, today.addDays(-30), 0, 2);
    earlier.SetnBui(3, int16_t(kToothMissing));
    b.AddRow(earlier);
    CExamData ofToday = InputScreenEnvironment::Row(2, kPatient, today, 0, 2);
    ofToday.SetnBui(4, int16_t(kToothImplant));
    ofToday.SetbData(0, 7);
    b.AddRow(ofToday);

    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    for (int i : {0, 1, 2, 3, 9, 10}) {
        const CExamData& r = *Globals().ExamDataRows[i];
        EXPECT_EQ(r.bData(0), 128) << "nothing of today's stored rows, record " << i;
        EXPECT_EQ(uint16_t(r.nBui(3)), kToothMissing) << "record " << i;
        EXPECT_EQ(r.nBui(4), 0) << "record " << i;
        EXPECT_EQ(r.PatientID, kPatient);
    }
    EXPECT_EQ(Globals().ExamDataRows[9]->SubExam, 2);
    EXPECT_EQ(uint16_t(b.entry.ToothStatus[3]), kToothMissing);

    // A stored examination is found by its day, whatever time it carries.
    b.Db()->Execute(QStringLiteral("UPDATE TExamData SET ExamDate=? WHERE ID=2"),
                    {QDateTime(today, QTime(14, 35, 10))});
    ASSERT_TRUE(b.Show(kPatient, today));
    EXPECT_EQ(b.Value(0, 0, 2), 7);
}

TEST(Records, RowsThatCannotBeReadLeaveNothingHalfLoaded) {
    EntryBench b;
    b.AddRow(InputScreenEnvironment::Row(1, kPatient, kDay, 0, 2));
    CExamData bad = InputScreenEnvironment::Row(2, kPatient, kDay, 1, 1);
    bad.SetbData(0, 3);
    b.AddRow(bad);
    b.Db()->Execute(QStringLiteral("UPDATE TExamData SET Data1=? WHERE ID=2"), {QStringLiteral("  3abc")});
    Globals().ExamDataRows[0]->SetbData(5, 9);
    EXPECT_FALSE(b.Show(kPatient, kDay));
    EXPECT_EQ(b.Captions(), std::vector<QString>{"読込エラー"});
    for (const auto& r : Globals().ExamDataRows)
        for (int16_t i = 0; i < 192; ++i) ASSERT_EQ(r->bData(i), 128);
}

}  // namespace
}  // namespace mox::test
