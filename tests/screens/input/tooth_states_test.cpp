// Missing, implant and pontic set and released on the examination entry:
// what the state word becomes, which values and marks go, where the cursor
// goes, and that the label click releases a state as the buttons do.

#include "tests/screens/input/input_test_support.h"

#include <QTest>

namespace mox::test {
namespace {

using platform::kNo;
using platform::kYes;

constexpr int32_t kPatient = 5;
constexpr int kPocketRow = 0;
constexpr int kMobilityRow = 1;
constexpr int kFurcationRow = 2;
constexpr int kPlaqueRow = 3;
// An upper molar: it has a value in every row of the template.
constexpr int kMolar = 13;

// Values in every row of a tooth and marks on its measured sites.
void FillTooth(EntryBench& b, int t) {
    for (int s = 0; s < 6; ++s) {
        b.grid.SetData(kPocketRow * 32 + t, 0, s, 3 + s);
        b.grid.SetData(kPocketRow * 32 + t, 1, s, s % 2);
        b.grid.SetData(kPocketRow * 32 + t, 2, s, 1);
    }
    b.grid.SetData(kMobilityRow * 32 + t, 0, 0, 2);
    for (int s : {1, 3, 5}) b.grid.SetData(kFurcationRow * 32 + t, 0, s, 2);
    b.grid.SetPlaqueUnTreat(kPlaqueRow * 32 + t, 0);
    b.grid.SetPlaqueData(kPlaqueRow * 32 + t, 5);
}

// The records of the shown examination as the grid holds them.
std::vector<std::vector<int>> Snapshot(EntryBench& b) {
    b.entry.CollectExamValues();
    std::vector<std::vector<int>> rows;
    for (int r : {0, 1, 2, 3, 9, 10}) {
        std::vector<int> row;
        const CExamData& record = *Globals().ExamDataRows[r];
        for (int16_t i = 0; i < 192; ++i) row.push_back(record.bData(i));
        for (int16_t t = 0; t < 32; ++t) row.push_back(record.nBui(t));
        rows.push_back(row);
    }
    return rows;
}

// What every button drew the last time it painted, read from it as it
// painted: a change the user made must be on the screen when the handler
// returns, not at the next turn of the event loop.
class PaintedLooks : public QObject {
public:
    explicit PaintedLooks(DispatchToothGrid& grid) : grid_(grid) {
        for (int i = 0; i < kGridButtons; ++i) {
            buttons_[grid.ThWindow(i)] = i;
            grid.ThWindow(i)->installEventFilter(this);
        }
    }
    std::vector<int> Current(int i) const {
        std::vector<int> look{grid_.ExamMode(i), grid_.PlaqueUnTreat(i)};
        for (int n = 0; n < 3; ++n)
            for (int s = 0; s < 6; ++s) look.push_back(grid_.Data(i, n, s));
        return look;
    }
    std::vector<int> Painted(int i) const { return painted_.count(i) ? painted_.at(i) : std::vector<int>{}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && buttons_.count(watched)) {
            const int i = buttons_.at(watched);
            painted_[i] = Current(i);
        }
        return false;
    }

private:
    DispatchToothGrid& grid_;
    std::map<QObject*, int> buttons_;
    std::map<int, std::vector<int>> painted_;
};

TEST(ToothStates, OneStateAtATimeAndTheDeciduousBitStays) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    auto word = [&] { return static_cast<uint16_t>(b.entry.ToothStatus[12]); };
    b.entry.ToothStatus[12] = static_cast<int16_t>(kToothImplant | kToothDeciduous);
    b.entry.ToggleToothState(kToothMissing, 12);
    EXPECT_EQ(word(), kToothMissing | kToothDeciduous) << "missing replaces implant";
    b.entry.ToggleToothState(kToothPontic, 12);
    EXPECT_EQ(word(), kToothPontic | kToothDeciduous);
    b.entry.ToothStatus[12] = static_cast<int16_t>(kToothFourthState | kToothDeciduous);
    b.entry.ToggleToothState(kToothImplant, 12);
    EXPECT_EQ(word(), kToothImplant | kToothDeciduous) << "the further state goes too";
    b.entry.ToggleToothState(kToothImplant, 12);
    EXPECT_EQ(word(), kToothDeciduous) << "released";
    for (uint16_t other : {kToothFourthState, kToothDeciduous, uint16_t(0), uint16_t(0x0001)}) {
        b.entry.ToggleToothState(other, 12);
        EXPECT_EQ(word(), kToothDeciduous) << "bit " << other << " is no state of these commands";
    }

    b.entry.ToggleToothState(kToothMissing, 12);
    for (const auto& record : Globals().ExamDataRows)
        EXPECT_EQ(static_cast<uint16_t>(record->nBui(12)), kToothMissing | kToothDeciduous)
            << "every record carries the state";
    for (int row = 0; row < 4; ++row) {
        EXPECT_EQ(b.entry.Label(row * 32 + 12).caption, QStringLiteral("E")) << "the deciduous label stays";
        EXPECT_EQ(b.entry.Label(row * 32 + 12).back, 0xFF8080u) << "on the missing colour";
        EXPECT_FALSE(b.grid.Enabled(row * 32 + 12)) << "no item of the template takes missing teeth";
    }
    // The cursors know it at once: the pocket route passes the tooth.
    b.entry.ClickSite(11, 0);
    b.entry.MoveCursorStep(1);
    b.entry.MoveCursorStep(1);
    b.entry.MoveCursorStep(1);
    EXPECT_NE(b.Cursor(0).nTooth, 12);

    // With no item taking input no cursor paints after the grid: the grid
    // itself shows the change before the handler returns.
    PaintedLooks looks(b.grid);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&b.host));
    for (int s = 0; s < 6; ++s) b.grid.SetData(kPocketRow * 32 + 20, 0, s, 4);
    b.host.repaint();
    ASSERT_FALSE(b.entry.SetInputMode(9999, false));
    b.entry.ToggleToothState(kToothMissing, 20);
    EXPECT_FALSE(b.grid.Enabled(kPocketRow * 32 + 20));
    for (int i = 0; i < kGridButtons; ++i)
        ASSERT_EQ(looks.Painted(i), looks.Current(i)) << "Th(" << i << ") shows its values when the change returns";
}

TEST(ToothStates, ValuesGoOnlyWhereTheRowsItemRefusesTheStateAndTheMarksAlways) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    FillTooth(b, kMolar);
    b.entry.ClickSite(kMolar, 2);
    b.entry.DataChanged = false;
    b.boxes.Answer(kYes);
    b.entry.CmdImplant_Click();
    EXPECT_EQ(b.Captions(), std::vector<QString>{"確認"});
    EXPECT_EQ(b.boxes.Shown().size(), 0u);
    EXPECT_TRUE(b.entry.DataChanged);
    EXPECT_EQ(b.PlayedClips(), std::vector<QString>{"click1.wav"});

    // The template's pocket and mobility items take implants; furcation and
    // plaque do not.
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(b.Value(kPocketRow, kMolar, s), 3 + s) << "typed values survive the repaint";
        EXPECT_EQ(b.Mark(kPocketRow, kMolar, s, 1), -1);
        EXPECT_EQ(b.Mark(kPocketRow, kMolar, s, 2), -1);
    }
    EXPECT_EQ(b.Value(kMobilityRow, kMolar), 2);
    for (int s : {1, 3, 5}) EXPECT_EQ(b.Value(kFurcationRow, kMolar, s), -1);
    EXPECT_EQ(b.grid.PlaqueData(kPlaqueRow * 32 + kMolar), -1);
    EXPECT_EQ(b.grid.PlaqueUnTreat(kPlaqueRow * 32 + kMolar), 15);
    EXPECT_TRUE(b.grid.Enabled(kPocketRow * 32 + kMolar));
    EXPECT_FALSE(b.grid.Enabled(kFurcationRow * 32 + kMolar));
    EXPECT_EQ(b.Value(kPocketRow, kMolar + 1, 0), -1) << "the neighbour is not touched";

    // Released: the values that stayed stay, the marks do not come back.
    for (int s = 0; s < 6; ++s) b.grid.SetData(kPocketRow * 32 + kMolar, 1, s, 1);
    b.entry.ClickSite(kMolar, 0);
    b.boxes.Answer(kYes);
    b.entry.CmdImplant_Click();
    EXPECT_EQ(b.boxes.Shown().back().prompt, QStringLiteral("インプラントを解除しますか。"));
    EXPECT_EQ(b.Value(kPocketRow, kMolar, 0), 3);
    EXPECT_EQ(b.Mark(kPocketRow, kMolar, 0, 1), -1) << "a release removes the marks too";
    EXPECT_TRUE(b.grid.Enabled(kFurcationRow * 32 + kMolar));

    // Missing: no item of the template takes a value.
    b.entry.ClickSite(kMolar, 0);
    b.boxes.Answer(kYes);
    b.entry.CmdMT_Click();
    EXPECT_EQ(b.boxes.Shown().back().prompt, QStringLiteral("ＭＴ（欠損）にしますか。"));
    EXPECT_EQ(b.boxes.Shown().back().style, 52);
    EXPECT_EQ(b.Value(kPocketRow, kMolar, 0), -1);
    EXPECT_EQ(b.Value(kMobilityRow, kMolar), -1);

    // No changes nothing but sends the focus to the cursor's tooth.
    const auto before = Snapshot(b);
    b.entry.DataChanged = false;
    b.form.focusedButtons.clear();
    b.boxes.Answer(kNo);
    b.entry.CmdPontic_Click();
    EXPECT_EQ(Snapshot(b), before);
    EXPECT_FALSE(b.entry.DataChanged);
    EXPECT_EQ(b.form.focusedButtons, std::vector<int>{b.entry.CurrentButton()});
}

TEST(ToothStates, TheCursorLeavesAToothThatClosesAndStaysWhenOneOpens) {
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.Keys(QStringLiteral("5"));
    ASSERT_TRUE(b.entry.AdvancePending);
    const int first = b.Cursor(0).nTooth;
    b.boxes.Answer(kYes);
    b.entry.CmdMT_Click();
    EXPECT_NE(b.Cursor(0).nTooth, first);
    EXPECT_FALSE(b.entry.AdvancePending) << "the next value goes where the cursor now is";
    EXPECT_EQ(b.entry.Label(b.Cursor(0).nTooth).back, 0x00FF00u);
    EXPECT_EQ(b.form.focusedButtons.back(), b.Cursor(0).nTooth) << "the focus follows the cursor";

    // On the route's last open tooth the cursor goes back to the last open
    // position that remains.
    b.entry.CursorLast(0);
    const int last = b.Cursor(0).nTooth;
    b.boxes.Answer(kYes);
    b.entry.CmdMT_Click();
    CToothPosition expected = b.Cursor(0);
    ASSERT_TRUE(expected.MoveLast6());
    EXPECT_NE(b.Cursor(0).nTooth, last);
    EXPECT_EQ(b.Cursor(0).nTooth, expected.nTooth);
    EXPECT_EQ(b.Cursor(0).nPocket, expected.nPocket);

    // A release leaves the cursor, its mark and AdvancePending as they were.
    b.entry.ClickSite(7, 1);
    b.Keys(QStringLiteral("4"));
    b.boxes.Answer(kYes);
    b.entry.LblTh_Click(first);
    EXPECT_EQ(b.entry.ToothStatus[first], 0);
    EXPECT_EQ(b.Cursor(0).nTooth, 7);
    EXPECT_EQ(b.Cursor(0).nPocket, 1);
    EXPECT_TRUE(b.entry.AdvancePending);
    EXPECT_EQ(b.entry.Label(7).back, 0x00FF00u) << "the repaint keeps the cursor's mark";
    int green = 0;
    for (int t = 0; t < 32; ++t) green += b.entry.Label(t).back == 0x00FF00u;
    EXPECT_EQ(green, 1);
}

TEST(ToothStates, TheLabelOfAnyRowReleasesAStateAsTheButtonDoes) {
    // The same implant tooth with values and marks, released once by the
    // button and once by the label of the furcation row.
    auto release = [](bool byLabel) {
        EntryBench b;
        EXPECT_TRUE(b.Show(kPatient, std::nullopt));
        b.entry.ToggleToothState(kToothImplant, kMolar);
        FillTooth(b, kMolar);
        b.entry.DataChanged = false;
        b.boxes.Answer(kYes);
        if (byLabel) {
            b.entry.LblTh_Click(kFurcationRow * 32 + kMolar);
        } else {
            b.entry.ClickSite(kMolar, 0);
            b.entry.CmdImplant_Click();
        }
        EXPECT_TRUE(b.entry.DataChanged) << (byLabel ? "label" : "button");
        EXPECT_EQ(b.boxes.Shown().back().prompt, QStringLiteral("インプラントを解除しますか。"));
        return Snapshot(b);
    };
    const auto byButton = release(false);
    const auto byLabel = release(true);
    EXPECT_EQ(byLabel, byButton);
    for (int s = 0; s < 6; ++s) {
        EXPECT_EQ(byLabel[4][kMolar * 6 + s], 128) << "bleeding marks of the tooth are gone";
        EXPECT_EQ(byLabel[5][kMolar * 6 + s], 128) << "suppuration marks of the tooth are gone";
    }
    EXPECT_EQ(byLabel[0][192 + kMolar], 0) << "released in row 0's record";

    // Missing wins over the other states on the label; No does nothing.
    EntryBench b;
    ASSERT_TRUE(b.Show(kPatient, std::nullopt));
    b.entry.ToothStatus[4] = static_cast<int16_t>(kToothMissing | kToothImplant);
    b.boxes.Answer(kNo);
    b.entry.LblTh_Click(kMobilityRow * 32 + 4);
    EXPECT_EQ(b.boxes.Shown().back().prompt, QStringLiteral("ＭＴ（欠損）を解除しますか。"));
    EXPECT_EQ(static_cast<uint16_t>(b.entry.ToothStatus[4]), kToothMissing | kToothImplant);
    EXPECT_FALSE(b.entry.DataChanged);
}

}  // namespace
}  // namespace mox::test
