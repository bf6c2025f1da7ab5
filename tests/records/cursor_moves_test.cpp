// Moves of the input cursor: where it stops, what it skips, and what a move
// that finds nothing leaves behind.

#include "records/exam_record.h"
#include "records/record_fields.h"
#include "records/tooth_position.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

const QString kAllSites = QStringLiteral("BMBCBDLMLCLD").repeated(4);
const QString kRows = QStringLiteral("URB8ULB1ULL8URL1LRB8LLB1LLL8LRL1");
constexpr int16_t kMissing = static_cast<int16_t>(0x8000);

struct CursorState {
    int16_t tooth, prevTooth, pocket, prevPocket, pos, pos6;
    bool operator==(const CursorState&) const = default;
};

CursorState StateOf(const CToothPosition& c) {
    return {c.nTooth, c.nPrevTooth, c.nPocket, c.nPrevPocket, c.nPos, c.nPos6};
}

class CursorMoves : public ::testing::Test {
protected:
    void SetUp() override {
        for (int16_t i = 0; i < 6; ++i) c.SetbPocketPosition(i, true);
        c.MakeMove(0, 1, kAllSites, false, false, kRows);
    }
    void SetAll(int16_t status) {
        for (int16_t t = 0; t < 32; ++t) c.SetnBuiStatus(t, status);
    }
    CToothPosition c;
};

TEST(IsInputOK, TheFirstStateOfTheToothDecides) {
    CToothPosition c;
    c.nInputStatus = 0;
    EXPECT_TRUE(c.IsInputOK(0));
    EXPECT_TRUE(c.IsInputOK(0x0400));
    EXPECT_FALSE(c.IsInputOK(kMissing));
    EXPECT_FALSE(c.IsInputOK(0x2000));
    EXPECT_FALSE(c.IsInputOK(0x4000));
    EXPECT_FALSE(c.IsInputOK(0x1000));
    c.nInputStatus = static_cast<int16_t>(0x8000);
    EXPECT_TRUE(c.IsInputOK(kMissing));
    EXPECT_FALSE(c.IsInputOK(static_cast<int16_t>(0xA000)));  // implant and missing: the implant bit decides
    c.nInputStatus = 0x2000;
    EXPECT_TRUE(c.IsInputOK(0x2000));
    EXPECT_TRUE(c.IsInputOK(static_cast<int16_t>(0xA000)));
    EXPECT_FALSE(c.IsInputOK(kMissing));
    c.nInputStatus = 0x3000;
    EXPECT_TRUE(c.IsInputOK(0x1400));
    EXPECT_FALSE(c.IsInputOK(0x5000));  // a pontic is judged before the fourth state
}

TEST_F(CursorMoves, NextAtTheEndOfTheRouteFindsNothingAndStays) {
    c.SetnBuiStatus(31, kMissing);  // 38
    ASSERT_TRUE(c.MoveFirst(29));
    EXPECT_EQ(c.nTooth, 29);
    ASSERT_TRUE(c.MoveNext());
    EXPECT_EQ(c.nTooth, 30);
    EXPECT_EQ(c.nPrevTooth, 29);
    const CursorState before = StateOf(c);
    EXPECT_FALSE(c.MoveNext());
    EXPECT_EQ(StateOf(c), before);
    // From the last position the next start lies beyond the route.
    ASSERT_TRUE(c.MoveLast());
    EXPECT_EQ(c.nPos, 30);
    c.SetnBuiStatus(31, 0);
    ASSERT_TRUE(c.MoveLast());
    EXPECT_FALSE(c.MoveNext());
    ASSERT_TRUE(c.MoveFirst());
    EXPECT_FALSE(c.MovePrev());
    EXPECT_EQ(c.nPos, 0);
}

TEST_F(CursorMoves, AllTeethMissingLeavesNowhereToGo) {
    SetAll(kMissing);
    c.nInputStatus = 0x2000;
    EXPECT_FALSE(c.MoveFirst());
    EXPECT_FALSE(c.MoveFirst6());
    EXPECT_FALSE(c.MoveFirstPlaque());
    EXPECT_FALSE(c.MoveLast6());
    c.nInputStatus = static_cast<int16_t>(0x8000);  // takes effect at the next move
    EXPECT_TRUE(c.MoveFirst());
    EXPECT_TRUE(c.MoveFirst6());
}

TEST_F(CursorMoves, ClosedTeethAreSkippedInBothDirections) {
    c.SetnBuiStatus(1, kMissing);  // 17
    c.SetnBuiStatus(2, 0x2000);    // 16 implant
    c.SetnBuiStatus(3, 0x0400);    // 15 deciduous: open
    ASSERT_TRUE(c.MoveFirst());
    ASSERT_TRUE(c.MoveNext());
    EXPECT_EQ(c.nTooth, 3);
    EXPECT_EQ(c.nPrevTooth, 0);
    EXPECT_EQ(c.nPos, 3);
    ASSERT_TRUE(c.MovePrev());
    EXPECT_EQ(c.nTooth, 0);

    c.nInputStatus = 0x2000;
    ASSERT_TRUE(c.MoveNext());
    EXPECT_EQ(c.nTooth, 2);

    // The site route skips them too.
    c.nInputStatus = 0;
    ASSERT_TRUE(c.MoveFirst6(6));
    EXPECT_EQ(c.nTooth, 3);
    EXPECT_EQ(c.nPos6, 18);
    ASSERT_TRUE(c.MovePrev6());
    EXPECT_EQ(c.nTooth, 0);
    EXPECT_EQ(c.nPos6, 5);
}

TEST_F(CursorMoves, FamiliesKeepToTheirOwnPositions) {
    ASSERT_TRUE(c.Move66(9, 4));
    const int16_t pos6 = c.nPos6;
    ASSERT_TRUE(c.Move(20));
    EXPECT_EQ(c.nPocket, 4);  // tooth moves leave the site alone
    EXPECT_EQ(c.nPos6, pos6);
    ASSERT_TRUE(c.MoveFirst6());
    EXPECT_EQ(c.nPos, 20);  // site moves leave nPos alone
    EXPECT_EQ(c.nPrevTooth, 20);
    EXPECT_EQ(c.nPrevPocket, 4);

    // The tooth, plaque and gap moves share nPos.
    ASSERT_TRUE(c.MovePlaque(3));
    EXPECT_EQ(c.nPos, 3);
    ASSERT_TRUE(c.MoveNext());
    EXPECT_EQ(c.nPos, 4);
}

TEST_F(CursorMoves, PlaqueMoveGoesToTheFirstOccurrence) {
    // 15 stands at plaque positions 3 and 28.
    ASSERT_TRUE(c.MoveFirstPlaque(20));
    ASSERT_TRUE(c.MoveNextPlaque());
    ASSERT_TRUE(c.MoveFirstPlaque(28));
    ASSERT_EQ(c.nTooth, 3);
    ASSERT_TRUE(c.MovePlaque(3));
    EXPECT_EQ(c.nPos, 3);
    ASSERT_TRUE(c.MoveLastPlaque());
    EXPECT_EQ(c.nPos, 63);
    EXPECT_EQ(c.nTooth, 16);
    EXPECT_FALSE(c.MoveNextPlaque());
    c.SetnBuiStatus(3, kMissing);
    EXPECT_FALSE(c.MovePlaque(3));
}

TEST_F(CursorMoves, GapsNeedBothTheirTeeth) {
    c.MakeMove(0, 1, kAllSites, false, true);
    c.SetnBuiStatus(1, kMissing);  // 17: closes 18|17 and 17|16
    ASSERT_TRUE(c.MoveFirstGap());
    EXPECT_EQ(c.nTooth, 2);
    EXPECT_EQ(c.nPos, 2);
    EXPECT_FALSE(c.MoveGap(0));
    ASSERT_TRUE(c.MoveGap(7));  // 11|21
    EXPECT_EQ(c.nPos, 7);
    // The two end marks are passed over going back.
    ASSERT_TRUE(c.MoveLastGap());
    EXPECT_EQ(c.nPos, 29);
    EXPECT_EQ(c.nTooth, 30);
    EXPECT_FALSE(c.MoveNextGap());
    c.SetnBuiStatus(31, kMissing);
    ASSERT_TRUE(c.MoveLastGap());
    EXPECT_EQ(c.nTooth, 29);
    // A forward search stops at the end mark.
    EXPECT_FALSE(c.MoveFirstGap(30));
}

TEST_F(CursorMoves, SiteMovesPassOverSitesLeftOut) {
    c.SetbPocketPosition(kBC, false);
    c.MakeMove(0, 0, kRows);
    ASSERT_TRUE(c.MoveFirst6());
    ASSERT_TRUE(c.MoveNext6());
    EXPECT_EQ(c.nPos6, 2);
    EXPECT_EQ(c.nPocket, 2);
    EXPECT_FALSE(c.Move66(0, 1));  // "BC" of 18 is not in the route
    ASSERT_TRUE(c.MoveLast6());
    EXPECT_EQ(c.nPos6, 191);
    EXPECT_FALSE(c.MoveNext6());
    EXPECT_EQ(c.nPos6, 191);
}

TEST_F(CursorMoves, Move6TakesTheSameSiteInAnotherQuadrant) {
    ASSERT_TRUE(c.Move66(0, 0));  // 18 "BD"
    ASSERT_TRUE(c.Move6(16, 0, false));
    EXPECT_EQ(c.nTooth, 16);
    EXPECT_EQ(c.nPocket, 3);             // 48 "BD"
    ASSERT_TRUE(c.Move6(24, 3, false));  // from 48 slot 3 ("BD") to 31
    EXPECT_EQ(c.nPocket, 5);
    ASSERT_TRUE(c.Move6(25, 5, false));  // same quadrant: no conversion
    EXPECT_EQ(c.nPocket, 5);
    EXPECT_EQ(c.nPos6Pocket(c.nPos6), 5);

    // With the any-site flag the first entry of the tooth is taken and the
    // cursor gets the converted site, even one left out of the route.
    c.SetbPocketPosition(kBD, false);
    c.MakeMove(0, 0, kRows);
    ASSERT_TRUE(c.Move66(7, 2));  // 11 "BM"
    EXPECT_FALSE(c.Move6(6, 0, false));
    ASSERT_TRUE(c.Move6(6, 0, true));
    EXPECT_EQ(c.nTooth, 6);
    EXPECT_EQ(c.nPocket, 0);
    EXPECT_EQ(c.nPos6Tooth(c.nPos6), 6);
}

TEST_F(CursorMoves, ArgumentsOutsideTheLimitsFailAndChangeNothing) {
    ASSERT_TRUE(c.Move66(5, 1));
    const CursorState before = StateOf(c);
    EXPECT_THROW(c.MoveFirst(-1), db::DbError);
    EXPECT_THROW(c.MoveLast(32), db::DbError);
    EXPECT_THROW(c.MoveLastPlaque(64), db::DbError);
    EXPECT_THROW(c.MoveLast6(192), db::DbError);
    EXPECT_THROW(c.MoveFirst6(-1), db::DbError);
    EXPECT_THROW(c.Move6(20, 6, false), db::DbError);
    EXPECT_THROW(c.SetbPocketPosition(6, true), db::DbError);
    EXPECT_THROW(c.bPocketPosition(-1), db::DbError);
    EXPECT_THROW(c.nPos6Tooth(192), db::DbError);
    EXPECT_THROW(c.nPos6Pocket(-1), db::DbError);
    EXPECT_THROW(c.SetnBuiStatus(32, 0), db::DbError);
    // A gap move on a route built without the gap option reaches tooth 31.
    EXPECT_THROW(c.MoveLastGap(), db::DbError);
    EXPECT_EQ(StateOf(c), before);
    // One beyond either end is no error: there is just nothing there.
    EXPECT_FALSE(c.MoveFirst(32));
    EXPECT_FALSE(c.MoveLast(-1));
    EXPECT_FALSE(c.MoveFirst6(192));
    EXPECT_FALSE(c.MoveLast6(-1));
    EXPECT_EQ(StateOf(c), before);
}

}  // namespace
}  // namespace mox
