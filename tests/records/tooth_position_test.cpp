// Routes of the input cursor, checked as the sequences the screen walks.

#include "records/tooth_position.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace mox {
namespace {

// FDI number of a tooth index.
int Fdi(int t) {
    if (t < 8) return 18 - t;
    if (t < 16) return 21 + (t - 8);
    if (t < 24) return 48 - (t - 16);
    return 31 + (t - 24);
}

std::vector<int> Teeth(std::initializer_list<std::pair<int, int>> runs) {
    std::vector<int> fdi;
    for (auto [from, to] : runs) {
        const int step = from <= to ? 1 : -1;
        for (int n = from;; n += step) {
            fdi.push_back(n);
            if (n == to) break;
        }
    }
    return fdi;
}

// Jaw sequences: upper 18 -> 28, lower 48 -> 38, upper 28 -> 18, lower 38 -> 48.
const std::vector<int> kUpperRightToLeft = Teeth({{18, 11}, {21, 28}});
const std::vector<int> kLowerRightToLeft = Teeth({{48, 41}, {31, 38}});
const std::vector<int> kUpperLeftToRight = Teeth({{28, 21}, {11, 18}});
const std::vector<int> kLowerLeftToRight = Teeth({{38, 31}, {41, 48}});

std::vector<int> Join(const std::vector<int>& a, const std::vector<int>& b) {
    std::vector<int> r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

std::vector<int> ExpectedToothRoute(int mode) {
    switch (mode) {
        case 0:
            return Join(kUpperRightToLeft, kLowerRightToLeft);
        case 1:
            return Join(kUpperRightToLeft, kLowerLeftToRight);
        case 2:
            return Join(kUpperLeftToRight, kLowerLeftToRight);
        case 3:
            return Join(kUpperLeftToRight, kLowerRightToLeft);
        case 4:
            return Join(kLowerRightToLeft, kUpperRightToLeft);
        case 5:
            return Join(kLowerRightToLeft, kUpperLeftToRight);
        case 6:
            return Join(kLowerLeftToRight, kUpperLeftToRight);
        default:
            return Join(kLowerLeftToRight, kUpperRightToLeft);
    }
}

std::vector<int> WalkTeeth(CToothPosition& c) {
    std::vector<int> fdi;
    for (bool ok = c.MoveFirst(); ok; ok = c.MoveNext()) fdi.push_back(Fdi(c.nTooth));
    return fdi;
}

std::vector<int> WalkGaps(CToothPosition& c) {
    std::vector<int> fdi;
    for (bool ok = c.MoveFirstGap(); ok; ok = c.MoveNextGap()) fdi.push_back(Fdi(c.nTooth));
    return fdi;
}

std::vector<int> WalkPlaque(CToothPosition& c) {
    std::vector<int> fdi;
    for (bool ok = c.MoveFirstPlaque(); ok; ok = c.MoveNextPlaque()) fdi.push_back(Fdi(c.nTooth));
    return fdi;
}

// (FDI, slot) of every site the screen stops on.
std::vector<std::pair<int, int>> WalkSites(CToothPosition& c) {
    std::vector<std::pair<int, int>> sites;
    for (bool ok = c.MoveFirst6(); ok; ok = c.MoveNext6()) sites.emplace_back(Fdi(c.nTooth), c.nPocket);
    return sites;
}

size_t DistinctCount(const std::vector<std::pair<int, int>>& sites) {
    return std::set<std::pair<int, int>>(sites.begin(), sites.end()).size();
}

// The template's staff member: each row in one continuous path.
const QString kRowsPattern = QStringLiteral("URB8ULB1ULL8URL1LRB8LLB1LLL8LRL1");
const QString kAllSitesCodes = QStringLiteral("BMBCBDLMLCLD");

CToothPosition Cursor() {
    CToothPosition c;
    for (int16_t i = 0; i < 6; ++i) c.SetbPocketPosition(i, true);
    return c;
}

TEST(ToothRoute, EveryModeVisitsTheJawsInItsOrder) {
    for (int mode = 0; mode < 8; ++mode) {
        CToothPosition c = Cursor();
        c.MakeMove(mode, 1, kAllSitesCodes.repeated(4));
        EXPECT_EQ(WalkTeeth(c), ExpectedToothRoute(mode)) << "mode " << mode;
    }
}

TEST(GapRoute, EveryModeHasThirtyGapsNamedByTheirFirstTooth) {
    for (int mode = 0; mode < 8; ++mode) {
        CToothPosition c = Cursor();
        c.MakeMove(mode, 1, kAllSitesCodes.repeated(4), false, true);
        // A gap is named by its lower tooth index: 28 and 38 never name one.
        std::vector<int> expected;
        for (int fdi : ExpectedToothRoute(mode))
            if (fdi != 28 && fdi != 38) expected.push_back(fdi);
        const std::vector<int> gaps = WalkGaps(c);
        ASSERT_EQ(gaps.size(), 30u) << "mode " << mode;
        std::multiset<int> got(gaps.begin(), gaps.end()), want(expected.begin(), expected.end());
        EXPECT_EQ(got, want) << "mode " << mode;
    }
    // Mode 0 walks the gaps 18|17 ... 11|21 ... 27|28, then 48|47 ... 37|38.
    CToothPosition c = Cursor();
    c.MakeMove(0, 1, kAllSitesCodes.repeated(4), false, true);
    EXPECT_EQ(WalkGaps(c), Join(Teeth({{18, 11}, {21, 27}}), Teeth({{48, 41}, {31, 37}})));
    // Mode 2 runs the other way: 27|28 first, 18|17 last of the upper jaw.
    c.MakeMove(2, 1, kAllSitesCodes.repeated(4), false, true);
    EXPECT_EQ(WalkGaps(c), Join(Teeth({{27, 21}, {11, 18}}), Teeth({{37, 31}, {41, 48}})));
}

TEST(SiteRoute, SiteCodesGiveTheSameOrderOnEveryToothInEveryMode) {
    // Per quadrant: buccal row mesial to distal, then lingual.
    for (int mode = 0; mode < 8; ++mode) {
        CToothPosition c = Cursor();
        c.MakeMove(mode, 1, kAllSitesCodes.repeated(4));
        const auto sites = WalkSites(c);
        ASSERT_EQ(sites.size(), 192u) << "mode " << mode;
        const std::vector<int> teeth = ExpectedToothRoute(mode);
        for (size_t i = 0; i < 192; ++i) ASSERT_EQ(sites[i].first, teeth[i / 6]) << "mode " << mode << " site " << i;
        EXPECT_EQ(DistinctCount(sites), 192u);
    }
    // The slots of "BM BC BD LM LC LD" in each quadrant.
    CToothPosition c = Cursor();
    c.MakeMove(0, 1, kAllSitesCodes.repeated(4));
    const auto sites = WalkSites(c);
    auto slotsOf = [&](int fdi) {
        std::vector<int> found;
        for (auto [tooth, slot] : sites)
            if (tooth == fdi) found.push_back(slot);
        return found;
    };
    EXPECT_EQ(slotsOf(16), (std::vector<int>{2, 1, 0, 5, 4, 3}));
    EXPECT_EQ(slotsOf(21), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(slotsOf(46), (std::vector<int>{5, 4, 3, 2, 1, 0}));
    EXPECT_EQ(slotsOf(33), (std::vector<int>{3, 4, 5, 0, 1, 2}));
}

TEST(SiteRoute, ModeOneBlocksFollowTheToothRoute) {
    CToothPosition c = Cursor();
    c.MakeMove(1, 1, kAllSitesCodes.repeated(4));
    for (int16_t i = 0; i < 48; ++i) EXPECT_EQ(Fdi(c.nPos6Tooth(i)), 18 - i / 6) << i;
    for (int16_t i = 144; i < 192; ++i) EXPECT_EQ(Fdi(c.nPos6Tooth(i)), 41 + (i - 144) / 6) << i;
}

TEST(SiteRoute, BlankCodesLeaveSitesInTheRouteButUnvisited) {
    // Quadrant 0 (18..11) buccal only.
    const QString pattern = QStringLiteral("BMBCBD      ") + kAllSitesCodes.repeated(3);
    CToothPosition c = Cursor();
    c.MakeMove(0, 1, pattern);
    EXPECT_EQ(c.nPos6Tooth(3), 0);
    EXPECT_EQ(c.nPos6Pocket(3), -1);
    const auto sites = WalkSites(c);
    EXPECT_EQ(sites.size(), 192u - 24u);
    EXPECT_EQ(sites[0], std::make_pair(18, 2));
    EXPECT_EQ(sites[3], std::make_pair(17, 2));
    // A short pattern leaves the missing groups out rather than repeating a site.
    c.MakeMove(0, 1, kAllSitesCodes.repeated(2));
    const auto shortSites = WalkSites(c);
    EXPECT_EQ(shortSites.size(), 96u);
    EXPECT_EQ(shortSites.back().first, 28);
}

TEST(SegmentRoute, EachRowOnceVisitsEverySiteOnce) {
    CToothPosition c = Cursor();
    c.MakeMove(1, 0, kRowsPattern);
    const auto sites = WalkSites(c);
    ASSERT_EQ(sites.size(), 192u);
    EXPECT_EQ(DistinctCount(sites), 192u);
    // Upper buccal from 18 (distal first) to 28, back along the palate.
    EXPECT_EQ(sites[0], std::make_pair(18, 0));
    EXPECT_EQ(sites[1], std::make_pair(18, 1));
    EXPECT_EQ(sites[2], std::make_pair(18, 2));
    EXPECT_EQ(sites[24], std::make_pair(21, 0));
    EXPECT_EQ(sites[47], std::make_pair(28, 2));
    EXPECT_EQ(sites[48], std::make_pair(28, 5));
    EXPECT_EQ(sites[72], std::make_pair(11, 5));
    EXPECT_EQ(sites[95], std::make_pair(18, 3));
    // Lower buccal 48 -> 38, lingual back 38 -> 48.
    EXPECT_EQ(sites[96], std::make_pair(48, 3));
    EXPECT_EQ(sites[120], std::make_pair(31, 3));
    EXPECT_EQ(sites[144], std::make_pair(38, 2));
    EXPECT_EQ(sites[168], std::make_pair(41, 2));
    EXPECT_EQ(sites[191], std::make_pair(48, 0));
    // The kind and pattern are kept; the tooth route still follows the mode.
    EXPECT_EQ(c.nPattern, 0);
    EXPECT_EQ(c.strVector, kRowsPattern);
    EXPECT_EQ(WalkTeeth(c), ExpectedToothRoute(1));
}

TEST(SegmentRoute, SwitchedOffSiteCodesStayAsUnvisitedEntries) {
    CToothPosition c = Cursor();
    c.SetbPocketPosition(kBC, false);
    c.SetbPocketPosition(kLC, false);
    c.MakeMove(0, 0, kRowsPattern);
    EXPECT_EQ(c.nPos6Tooth(1), 0);
    EXPECT_EQ(c.nPos6Pocket(1), -1);
    const auto sites = WalkSites(c);
    EXPECT_EQ(sites.size(), 128u);
    for (auto [tooth, slot] : sites) EXPECT_TRUE(slot != 1 && slot != 4) << tooth;

    // The flag is that of the site code: slot 2 of 18 is "BM", slot 0 "BD".
    CToothPosition d = Cursor();
    d.SetbPocketPosition(kBM, false);
    d.MakeMove(0, 0, QStringLiteral("URB1"));
    EXPECT_EQ(d.nPos6Pocket(0), -1);  // 11 BM
    EXPECT_EQ(d.nPos6Pocket(2), 0);   // 11 BD
}

TEST(SegmentRoute, UnknownSegmentNamesLeaveTheirPlaceEmpty) {
    CToothPosition c = Cursor();
    c.MakeMove(0, 0, QStringLiteral("URB8XXXX"));
    const auto sites = WalkSites(c);
    EXPECT_EQ(sites.size(), 24u);
    EXPECT_EQ(c.nPos6Tooth(24), -1);
}

TEST(FurcationRoute, OnlyFurcationEntrancesLingualRowFirst) {
    for (int mode = 0; mode < 8; ++mode) {
        CToothPosition c = Cursor();
        c.MakeMove(mode, 1, QString(), true);
        const auto sites = WalkSites(c);
        EXPECT_EQ(sites.size(), 38u) << "mode " << mode;
        std::set<int> teeth;
        for (auto [tooth, slot] : sites) teeth.insert(tooth);
        EXPECT_EQ(teeth, (std::set<int>{18, 17, 16, 15, 14, 24, 25, 26, 27, 28, 48, 47, 46, 36, 37, 38}))
            << "mode " << mode;
    }
    CToothPosition c = Cursor();
    c.MakeMove(0, 1, QString(), true);
    const auto sites = WalkSites(c);
    auto slotsOf = [&](int fdi) {
        std::vector<int> found;
        for (auto [tooth, slot] : sites)
            if (tooth == fdi) found.push_back(slot);
        return found;
    };
    EXPECT_EQ(slotsOf(16), (std::vector<int>{3, 5, 1}));  // LD, LM, BC
    EXPECT_EQ(slotsOf(26), (std::vector<int>{3, 5, 1}));  // LM, LD, BC in quadrant 1
    EXPECT_EQ(slotsOf(14), (std::vector<int>{0, 2}));     // BD, BM
    EXPECT_EQ(slotsOf(46), (std::vector<int>{1, 4}));     // LC, BC
    EXPECT_EQ(slotsOf(36), (std::vector<int>{1, 4}));
    EXPECT_TRUE(slotsOf(11).empty());
    EXPECT_TRUE(slotsOf(45).empty());
}

TEST(PlaqueRoute, EightSegmentsGiveEachToothTwice) {
    CToothPosition c = Cursor();
    c.MakeMove(0, 1, kAllSitesCodes.repeated(4), false, false, kRowsPattern);
    const std::vector<int> expected =
        Teeth({{18, 11}, {21, 28}, {28, 21}, {11, 18}, {48, 41}, {31, 38}, {38, 31}, {41, 48}});
    EXPECT_EQ(WalkPlaque(c), expected);

    // A plaque pattern of 16 characters or fewer keeps the route of the last build.
    c.MakeMove(0, 1, kAllSitesCodes.repeated(4), false, false, kRowsPattern.left(16));
    EXPECT_EQ(WalkPlaque(c), expected);
    c.MakeMove(0, 1, kAllSitesCodes.repeated(4));
    EXPECT_EQ(WalkPlaque(c), expected);
    // 17 to 31 characters: the route ends after the last whole name.
    c.MakeMove(0, 1, kAllSitesCodes.repeated(4), false, false, kRowsPattern.left(20));
    EXPECT_EQ(WalkPlaque(c).size(), 40u);
}

TEST(MakeMove, LeavesTheCursorWhereItStood) {
    CToothPosition c = Cursor();
    c.MakeMove(0, 1, kAllSitesCodes.repeated(4));
    ASSERT_TRUE(c.Move66(20, 4));
    ASSERT_TRUE(c.Move(9));
    c.MakeMove(6, 0, kRowsPattern, false, true, kRowsPattern);
    EXPECT_EQ(c.nTooth, 9);
    EXPECT_EQ(c.nPocket, 4);
    EXPECT_EQ(c.nPos, 9);
    EXPECT_EQ(c.nPos6, 121);  // 44 is the 21st tooth of mode 0; "BC" is its second site
}

TEST(MakeMove, AnUnknownModeKeepsTheToothRoute) {
    CToothPosition c = Cursor();
    c.MakeMove(2, 1, kAllSitesCodes.repeated(4));
    c.MakeMove(9, 0, kRowsPattern);
    EXPECT_EQ(WalkTeeth(c), ExpectedToothRoute(2));
    EXPECT_EQ(WalkSites(c).size(), 192u);
    c.MakeMove(-1, 1, kAllSitesCodes.repeated(4));
    EXPECT_TRUE(WalkSites(c).empty());
}

}  // namespace
}  // namespace mox
