// Marks, batch modes, clicks on the grid and the plaque buttons, on the
// examination entry with real tooth buttons.

#include "tests/screens/input/input_test_support.h"

namespace mox::test {
namespace {

constexpr int32_t kPatient = 3;
constexpr int32_t kMobilityItem = 1;
constexpr int32_t kFurcationItem = 13;
constexpr int32_t kPlaqueItem = 3;

// The template's rows: pocket depth, mobility, furcation, plaque.
constexpr int kPocketRow = 0;
constexpr int kMobilityRow = 1;
constexpr int kFurcationRow = 2;
constexpr int kPlaqueRow = 3;

// Values on button sites of a pocket-row tooth (-1 leaves a site empty).
void PutDepths(EntryBench& b, int tooth, std::array<int, 6> depths) {
    for (int s = 0; s < 6; ++s) b.grid.SetData(kPocketRow * 32 + tooth, 0, s, depths[s]);
}

std::array<int, 6> Marks(EntryBench& b, int tooth, int nExam) {
    std::array<int, 6> m{};
    for (int s = 0; s < 6; ++s) m[s] = b.grid.Data(kPocketRow * 32 + tooth, nExam, s);
    return m;
}

TEST(MarkButtons, ToggleTheSiteUnderTheCursorWhenItHasADepth) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.Keys(QStringLiteral("4"));
    const int tooth = b.Cursor(0).nTooth;
    const int site = b.Cursor(0).nPocket;
    b.entry.DataChanged = false;
    b.entry.CmdBlood_Click();
    EXPECT_EQ(b.Mark(0, tooth, site, 1), 1);
    EXPECT_TRUE(b.entry.DataChanged);
    b.entry.CmdBlood_Click();
    EXPECT_EQ(b.Mark(0, tooth, site, 1), 0) << "twice clears it again";
    b.entry.CmdHainou_Click();
    EXPECT_EQ(b.Mark(0, tooth, site, 2), 1);
    EXPECT_EQ(b.Mark(0, tooth, site, 1), 0) << "the suppuration button leaves bleeding alone";
    EXPECT_EQ(b.Cursor(0).nTooth, tooth);
    EXPECT_EQ(b.Cursor(0).nPocket, site) << "marks never move the cursor";
    EXPECT_TRUE(b.PlayedClips() == std::vector<QString>{"4.wav"}) << "and play nothing";

    // A site without a depth takes no mark and is no change.
    b.entry.KeyPress(13);
    const int emptyTooth = b.Cursor(0).nTooth;
    const int emptySite = b.Cursor(0).nPocket;
    b.entry.DataChanged = false;
    b.entry.CmdBlood_Click();
    b.entry.CmdHainou_Click();
    EXPECT_NE(b.Mark(0, emptyTooth, emptySite, 1), 1);
    EXPECT_NE(b.Mark(0, emptyTooth, emptySite, 2), 1);
    EXPECT_FALSE(b.entry.DataChanged);

    // On a row that is not a pocket-depth row the buttons do nothing.
    b.entry.SetInputMode(kMobilityItem, true);
    b.Keys(QStringLiteral("2"));
    b.entry.DataChanged = false;
    b.entry.CmdBlood_Click();
    EXPECT_FALSE(b.entry.DataChanged);

    // A failed entry check stops them first.
    b.entry.SetInputMode(kPocketDepthItem, false);
    b.form.fields.stageId.reset();
    b.boxes.Clear();
    b.entry.CmdBlood_Click();
    EXPECT_EQ(b.Captions(), std::vector<QString>{"治療ステージエラー"});
    EXPECT_EQ(b.Mark(0, tooth, site, 1), 0);
}

TEST(BatchModes, BothCanBeOnAndEveryCommandThatEndsThemEndsBoth) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.form.batchFaces.clear();
    b.entry.CmdBloodMode_Click();
    EXPECT_EQ(b.entry.BleedingBatchMode, 1);
    EXPECT_TRUE(b.entry.DataChanged) << "switching a mode on is a change before any site is marked";
    b.entry.CmdHainouMode_Click();
    EXPECT_EQ(b.form.batchFaces.back(), (std::pair<int, int>{1, 1})) << "both on at once";
    b.entry.CmdBloodMode_Click();
    EXPECT_EQ(b.form.batchFaces.back(), (std::pair<int, int>{0, 1})) << "its own button ends one";
    EXPECT_TRUE(b.entry.DataChanged) << "switching off does not clear the change";

    const std::vector<std::pair<const char*, std::function<void()>>> enders = {
        {"bleeding mark", [&] { b.entry.CmdBlood_Click(); }},
        {"suppuration mark", [&] { b.entry.CmdHainou_Click(); }},
        {"data clear", [&] { b.entry.CmdNot_Click(); }},
        {"no lesion", [&] { b.entry.CmdFurcationNone_Click(); }},
        {"plaque button", [&] { b.entry.CmdPL_Click(0); }},
        {"value button", [&] { b.entry.CmdVal_Click(5); }},
        {"mark key", [&] { b.Keys(QStringLiteral("+")); }},
        {"arrow", [&] { b.entry.MoveCursorStep(1); }},
        {"tooth state",
         [&] {
             b.boxes.Answer(platform::kNo);
             b.entry.CmdMT_Click();
         }},
        {"save",
         [&] {
             MainDbHold hold;
             b.entry.SaveExamData(kPatient, QString(), 1);
         }},
    };
    for (const auto& [name, command] : enders) {
        b.entry.BleedingBatchMode = 0;
        b.entry.SuppurationBatchMode = 0;
        b.entry.CmdBloodMode_Click();
        b.entry.CmdHainouMode_Click();
        b.form.batchFaces.clear();
        command();
        EXPECT_EQ(b.entry.BleedingBatchMode, 0) << name;
        EXPECT_EQ(b.entry.SuppurationBatchMode, 0) << name;
        ASSERT_FALSE(b.form.batchFaces.empty()) << name;
        EXPECT_EQ(b.form.batchFaces.back(), (std::pair<int, int>{0, 0})) << name << ": both off faces";
    }
}

TEST(BatchClicks, SiteClicksMarkMeasuredSitesWithoutMovingTheCursor) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    PutDepths(b, 5, {3, -1, 4, 5, -1, 6});
    const int cursorTooth = b.Cursor(0).nTooth;
    const int cursorSite = b.Cursor(0).nPocket;
    b.entry.CmdBloodMode_Click();
    b.entry.DataChanged = false;

    b.entry.Th_ClickData(5, 1);
    EXPECT_EQ(Marks(b, 5, 1)[1], -1) << "a site without a depth takes no mark";
    EXPECT_FALSE(b.entry.DataChanged) << "and nothing changed";
    b.entry.Th_ClickData(5, 2);
    EXPECT_EQ(Marks(b, 5, 1)[2], 1);
    EXPECT_NE(Marks(b, 5, 2)[2], 1) << "only the mode that is on marks";
    EXPECT_TRUE(b.entry.DataChanged) << "a batch mark is a change";
    b.entry.Th_ClickData(5, 2);
    EXPECT_EQ(Marks(b, 5, 1)[2], 0) << "a second click clears it";
    EXPECT_EQ(b.Cursor(0).nTooth, cursorTooth);
    EXPECT_EQ(b.Cursor(0).nPocket, cursorSite);

    // Both modes: one click marks both.
    b.entry.CmdHainouMode_Click();
    b.entry.Th_ClickData(5, 3);
    EXPECT_EQ(Marks(b, 5, 1)[3], 1);
    EXPECT_EQ(Marks(b, 5, 2)[3], 1);

    // A position the control cannot report, and a row without marks, do nothing.
    b.entry.DataChanged = false;
    for (int position : {-1, 6, 200}) b.entry.Th_ClickData(5, position);
    b.entry.Th_ClickData(kMobilityRow * 32 + 5, 0);
    b.entry.Th_ClickData(kFurcationRow * 32 + 1, 1);
    EXPECT_FALSE(b.entry.DataChanged);
    EXPECT_EQ(b.entry.CurRow, 0) << "a batch click never changes the row";
}

TEST(BatchClicks, ALabelClickMarksTheWholeToothOrClearsItWhenAllBleed) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    PutDepths(b, 9, {3, -1, 4, 5, -1, 6});
    for (int s : {0, 2, 3}) b.grid.SetData(9, 1, s, 1);  // one measured site (5) does not bleed
    PutDepths(b, 10, {2, 2, -1, -1, -1, -1});
    b.entry.CmdBloodMode_Click();
    b.entry.DataChanged = false;

    b.entry.LblTh_Click(9);
    EXPECT_EQ(Marks(b, 9, 1), (std::array<int, 6>{1, -1, 1, 1, -1, 1})) << "mixed: every measured site bleeds";
    EXPECT_TRUE(b.entry.DataChanged);
    b.entry.LblTh_Click(9);
    EXPECT_EQ(Marks(b, 9, 1), (std::array<int, 6>{0, -1, 0, 0, -1, 0})) << "all bleeding: all cleared";
    EXPECT_NE(Marks(b, 9, 2)[0], 1) << "suppuration untouched";

    // Suppuration alone, on another tooth; a tooth without depths changes nothing.
    b.entry.CmdBloodMode_Click();
    b.entry.CmdHainouMode_Click();
    b.entry.LblTh_Click(10);
    EXPECT_EQ(Marks(b, 10, 2), (std::array<int, 6>{1, 1, -1, -1, -1, -1}));
    EXPECT_NE(Marks(b, 10, 1)[0], 1);
    b.entry.DataChanged = false;
    b.entry.LblTh_Click(20);
    b.entry.LblTh_Click(kMobilityRow * 32 + 9);
    EXPECT_FALSE(b.entry.DataChanged);
    EXPECT_EQ(b.boxes.Shown().size(), 0u) << "no tooth-state question in a batch mode";
}

TEST(GridClicks, ClicksMoveTheInputAcrossRowsAndLabelsClickTheirTooth) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.Keys(QStringLiteral("5"));
    ASSERT_TRUE(b.entry.AdvancePending);

    // A click on another row takes the input to that row's item first.
    b.entry.Th_ClickData(kFurcationRow * 32 + 1, 3);
    EXPECT_EQ(b.entry.CurRow, kFurcationRow);
    EXPECT_EQ(b.entry.CurItemID, kFurcationItem);
    EXPECT_EQ(b.Cursor(kFurcationRow).nTooth, 1);
    EXPECT_EQ(b.Cursor(kFurcationRow).nPocket, 3);
    EXPECT_FALSE(b.entry.AdvancePending);
    EXPECT_EQ(b.entry.Label(b.Cursor(0).nTooth).back, 0xFFFFFFu) << "the old row's mark is gone";
    EXPECT_EQ(b.entry.Label(kFurcationRow * 32 + 1).back, 0x00FF00u);

    // A furcation label stands for the tooth's first furcation site: an
    // upper premolar's is 0, a lower molar's 1; an incisor has none.
    b.entry.LblTh_Click(kFurcationRow * 32 + 3);
    EXPECT_EQ(b.Cursor(kFurcationRow).nTooth, 3);
    EXPECT_EQ(b.Cursor(kFurcationRow).nPocket, 0);
    b.entry.LblTh_Click(kFurcationRow * 32 + 17);
    EXPECT_EQ(b.Cursor(kFurcationRow).nTooth, 17);
    EXPECT_EQ(b.Cursor(kFurcationRow).nPocket, 1);
    b.entry.LblTh_Click(kFurcationRow * 32 + 7);
    b.entry.LblTh_Click(kFurcationRow * 32 + 20);
    EXPECT_EQ(b.Cursor(kFurcationRow).nTooth, 17) << "incisors and lower premolars have no furcation site";

    // A pocket-depth click alone is no change; a plaque click is one.
    b.entry.DataChanged = false;
    b.entry.LblTh_Click(6);
    EXPECT_EQ(b.entry.CurRow, kPocketRow);
    EXPECT_EQ(b.Cursor(0).nTooth, 6);
    EXPECT_FALSE(b.entry.DataChanged);
    b.entry.Th_ClickData(kPlaqueRow * 32 + 4, 0);
    EXPECT_EQ(b.entry.CurRow, kPlaqueRow);
    EXPECT_EQ(b.Cursor(kPlaqueRow).nTooth, 4);
    EXPECT_TRUE(b.entry.DataChanged);
}

// Plaque faces of a row's teeth as (faces, faces not examined).
std::pair<int, int> Plaque(EntryBench& b, int tooth) {
    return {b.grid.PlaqueData(kPlaqueRow * 32 + tooth), b.grid.PlaqueUnTreat(kPlaqueRow * 32 + tooth)};
}

TEST(PlaqueButtons, AWholeRowFillsPresentTeethAsTheQuestionSays) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.entry.SetInputMode(kPlaqueItem, true);
    // Tooth 2: faces 1 and 4 recorded without plaque, 2 and 8 not examined.
    b.grid.SetPlaqueUnTreat(kPlaqueRow * 32 + 2, 2 | 8);
    b.grid.SetPlaqueData(kPlaqueRow * 32 + 2, 0);
    ASSERT_EQ(Plaque(b, 2), (std::pair{0, 10}));
    b.entry.ToothStatus[6] = static_cast<int16_t>(kToothMissing);
    b.entry.ToothStatus[7] = static_cast<int16_t>(kToothImplant | kToothDeciduous);
    b.entry.ToothStatus[8] = static_cast<int16_t>(kToothPontic);
    b.entry.ToothStatus[9] = static_cast<int16_t>(kToothDeciduous);
    const int cursor = b.Cursor(kPlaqueRow).nTooth;
    b.entry.DataChanged = false;
    b.entry.AdvancePending = true;

    // Cancel: nothing.
    b.form.sitesAnswer = kSitesCancelled;
    b.entry.CmdPL_Click(2);
    EXPECT_EQ(b.form.sitesAsked, 1);
    EXPECT_EQ(Plaque(b, 2), (std::pair{0, 10}));
    EXPECT_FALSE(b.entry.DataChanged);

    // Only the sites not examined: tooth 2 gets plaque on 2 and 8 and keeps
    // 1 and 4 without; an empty tooth gets all four; states are skipped.
    b.form.sitesAnswer = kUnexaminedSites;
    b.entry.CmdPL_Click(2);
    EXPECT_EQ(Plaque(b, 2), (std::pair{10, 0}));
    EXPECT_EQ(Plaque(b, 0), (std::pair{15, 0}));
    EXPECT_EQ(Plaque(b, 9), (std::pair{15, 0})) << "a deciduous tooth is present";
    for (int t : {6, 7, 8}) EXPECT_EQ(Plaque(b, t), (std::pair{-1, 15})) << "tooth " << t;
    EXPECT_TRUE(b.entry.DataChanged) << "a whole-row change is a change";
    EXPECT_TRUE(b.entry.AdvancePending) << "the whole row leaves the cursor's state";
    EXPECT_EQ(b.Cursor(kPlaqueRow).nTooth, cursor);
    EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{"subeteari.wav", "subeteari.wav"}));

    // Without plaque on the sites not examined: examined faces keep theirs.
    b.grid.SetPlaqueUnTreat(kPlaqueRow * 32 + 2, 2 | 8);
    b.grid.SetPlaqueData(kPlaqueRow * 32 + 2, 1 | 4);
    b.entry.CmdPL_Click(3);
    EXPECT_EQ(Plaque(b, 2), (std::pair{1 | 4, 0}));

    // All sites: every present tooth, whatever it held.
    b.form.sitesAnswer = kAllSites;
    b.entry.CmdPL_Click(2);
    for (int t : {0, 2, 9, 31}) EXPECT_EQ(Plaque(b, t), (std::pair{15, 0})) << "tooth " << t;
    EXPECT_EQ(Plaque(b, 6), (std::pair{-1, 15}));

    // The same again changes nothing and is no change.
    b.entry.DataChanged = false;
    b.entry.CmdPL_Click(2);
    EXPECT_FALSE(b.entry.DataChanged);
}

TEST(PlaqueButtons, FourFacesGoOnTheCursorToothAndTheNextPressMovesOn) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.entry.SetInputMode(kPlaqueItem, true);
    const int first = b.Cursor(kPlaqueRow).nTooth;
    b.entry.CmdPL_Click(0);
    EXPECT_EQ(Plaque(b, first), (std::pair{15, 0}));
    EXPECT_TRUE(b.entry.DataChanged);
    EXPECT_TRUE(b.entry.AdvancePending);
    b.entry.CmdPL_Click(1);
    const int second = b.Cursor(kPlaqueRow).nTooth;
    EXPECT_NE(second, first);
    EXPECT_EQ(Plaque(b, second), (std::pair{0, 0}));
    EXPECT_EQ(Plaque(b, first), (std::pair{15, 0}));
    EXPECT_EQ(b.form.sitesAsked, 0);

    // The data clear leaves no finding and every face not examined.
    b.entry.CmdNot_Click();
    EXPECT_EQ(Plaque(b, second), (std::pair{-1, 15}));
    EXPECT_FALSE(b.entry.AdvancePending);

    // On another row the plaque buttons do nothing but their clip.
    b.entry.SetInputMode(kPocketDepthItem, true);
    b.PlayedClips();
    b.entry.DataChanged = false;
    b.entry.CmdPL_Click(0);
    b.form.sitesAnswer = kAllSites;
    b.entry.CmdPL_Click(2);
    EXPECT_FALSE(b.entry.DataChanged);
    EXPECT_EQ(b.form.sitesAsked, 0);
    EXPECT_EQ(b.PlayedClips(), (std::vector<QString>{"subeteari.wav", "subeteari.wav"}));
}

}  // namespace
}  // namespace mox::test
