// Route building of the input cursor.

#include "core/tooth_tables.h"
#include "records/record_fields.h"
#include "records/tooth_position.h"

namespace mox {

namespace {

// Slot of each site code ("BM", "BC", "BD", "LM", "LC", "LD") per quadrant.
constexpr int kSiteCodeSlot[6][4] = {
    {2, 0, 5, 3}, {1, 1, 4, 4}, {0, 2, 3, 5}, {5, 3, 2, 0}, {4, 4, 1, 1}, {3, 5, 0, 2},
};

// Jaw sequences: 1 upper 18 -> 28, 2 lower 48 -> 38, 3 upper 28 -> 18, 4 lower 38 -> 48.
constexpr int kModeJaws[8][2] = {{1, 2}, {1, 4}, {3, 4}, {3, 2}, {2, 1}, {2, 3}, {4, 3}, {4, 1}};
constexpr int kModeQuadrants[8][4] = {
    {0, 1, 2, 3}, {0, 1, 3, 2}, {1, 0, 3, 2}, {1, 0, 2, 3}, {2, 3, 0, 1}, {2, 3, 1, 0}, {3, 2, 1, 0}, {3, 2, 0, 1},
};

// Built-in furcation site orders: lingual row before buccal, each in the
// direction of travel, by mode.
const char* const kFurcationPatternA = "LDLCLMBDBCBMLMLCLDBMBCBDLDLCLMBDBCBMLMLCLDBMBCBD";
const char* const kFurcationPatternB = "LDLCLMBDBCBMLMLCLDBMBCBDLMLCLDBMBCBDLDLCLMBDBCBM";
const char* const kFurcationPatternC = "LMLCLDBMBCBDLDLCLMBDBCBMLMLCLDBMBCBDLDLCLMBDBCBM";
const char* const kFurcationPatternD = "LMLCLDBMBCBDLDLCLMBDBCBMLDLCLMBDBCBMLMLCLDBMBCBD";
const char* const kFurcationPatternByMode[8] = {
    kFurcationPatternA, kFurcationPatternB, kFurcationPatternC, kFurcationPatternD,
    kFurcationPatternA, kFurcationPatternD, kFurcationPatternC, kFurcationPatternB,
};

constexpr int kNoCode = -1;

int ParseSiteCode(const QString& code) {
    static const char* const kCodes[6] = {"BM", "BC", "BD", "LM", "LC", "LD"};
    for (int c = 0; c < 6; ++c)
        if (code == QLatin1String(kCodes[c])) return c;
    return kNoCode;
}

struct Segment {
    int quadrant;
    bool buccal;
    bool fromMidline;
    // The k-th tooth (0..7) of the segment in the order it is visited.
    int Tooth(int k) const {
        const bool rightSide = quadrant % 2 == 0;  // indices run from the back
        const int midline = rightSide ? 8 * quadrant + 7 : 8 * quadrant;
        const int away = rightSide ? -1 : 1;
        return fromMidline ? midline + away * k : midline + away * (7 - k);
    }
    // The site code of the k-th site (0..2) on each tooth: mesial, centre,
    // distal in the direction of travel.
    int Code(int k) const {
        const int m = buccal ? kBM : kLM;
        return fromMidline ? m + k : m + 2 - k;
    }
};

bool ParseSegment(const QString& name, Segment& segment) {
    if (name.size() != 4) return false;
    const QChar jaw = name[0], side = name[1], row = name[2], start = name[3];
    if ((jaw != u'U' && jaw != u'L') || (side != u'R' && side != u'L') || (row != u'B' && row != u'L') ||
        (start != u'1' && start != u'8'))
        return false;
    segment.quadrant = (jaw == u'U' ? 0 : 2) + (side == u'R' ? 0 : 1);
    segment.buccal = row == u'B';
    segment.fromMidline = start == u'1';
    return true;
}

}  // namespace

int SiteCodeSlot(int code, int quadrant) {
    if (code < 0 || code > 5 || quadrant < 0 || quadrant > 3) return -1;
    return kSiteCodeSlot[code][quadrant];
}

int SiteCodeOfSlot(int slot, int quadrant) {
    for (int c = 0; c < 6; ++c)
        if (SiteCodeSlot(c, quadrant) == slot) return c;
    return kNoCode;
}

void CToothPosition::MakeMove(int32_t mode, int16_t kind, const QString& pattern, bool furcation, bool gap,
                              const QString& plaquePattern) {
    nPattern = kind;
    strVector = pattern;
    const bool knownMode = mode >= 0 && mode <= 7;
    // An unknown mode has no jaw order: the tooth route stays as it was and
    // only a segment build, which needs none, fills the site route.
    if (knownMode) MakeQuadrantOrder(kModeJaws[mode][0], kModeJaws[mode][1], gap);
    siteRoute_.fill(SiteEntry{-1, -1});

    auto placeTeeth = [this] {
        for (int t = 0; t < 32; ++t)
            for (int s = 0; s < 6; ++s) siteRoute_[6 * t + s].Tooth = toothRoute_[t];
    };
    if (!furcation && kind != 0) {
        if (knownMode) {
            placeTeeth();
            // The groups stand in quadrant order; the mode decides only the
            // order in which they are visited.
            for (int k = 0; k < 4; ++k) {
                const int q = kModeQuadrants[mode][k];
                AddQuadrantSites(k, q, pattern.mid(12 * q, 12));
            }
        }
    } else if (!furcation) {
        for (int k = 0; k < 8; ++k) MakeRouteBySegment(k, pattern.mid(4 * k, 4));
    } else if (knownMode) {
        placeTeeth();
        for (int k = 0; k < 4; ++k) AddQuadrantSitesByMode(k, mode, kModeQuadrants[mode][k]);
    }

    if (plaquePattern.size() > 16)
        for (int k = 0; k < 8; ++k) MakePlaqueRoute(k, plaquePattern.mid(4 * k, 4));
}

void CToothPosition::MakeQuadrantOrder(int first, int second, bool gap) {
    const int perJaw = gap ? 15 : 16;
    auto fill = [&](int offset, int sequence) {
        for (int i = 0; i < perJaw; ++i) {
            int tooth = 0;
            switch (sequence) {
                case 1:
                    tooth = i;
                    break;
                case 2:
                    tooth = 16 + i;
                    break;
                case 3:
                    tooth = perJaw - 1 - i;
                    break;
                default:
                    tooth = 16 + perJaw - 1 - i;
                    break;
            }
            toothRoute_[offset + i] = static_cast<int16_t>(tooth);
        }
    };
    fill(0, first);
    fill(perJaw, second);
    if (gap) toothRoute_[30] = toothRoute_[31] = -1;
}

void CToothPosition::AddQuadrantSites(int block, int quadrant, const QString& codes) {
    const int start = 48 * block;
    for (int j = 0; j < 6; ++j) {
        // Two blanks leave the site out. So does anything that is not a site
        // code (a short pattern included): visiting some other site there
        // would enter one site twice.
        const int code = ParseSiteCode(codes.mid(2 * j, 2));
        const int slot = code == kNoCode ? -1 : SiteCodeSlot(code, quadrant);
        for (int i = 0; i < 8; ++i) siteRoute_[start + j + 6 * i].Pocket = static_cast<int16_t>(slot);
    }
}

void CToothPosition::MakeRouteBySegment(int k, const QString& name) {
    Segment segment{};
    // An unknown name leaves its 24 entries out of the route.
    if (!ParseSegment(name, segment)) return;
    int entry = 24 * k;
    for (int i = 0; i < 8; ++i) {
        const int tooth = segment.Tooth(i);
        for (int s = 0; s < 3; ++s, ++entry) {
            const int code = segment.Code(s);
            siteRoute_[entry].Tooth = static_cast<int16_t>(tooth);
            siteRoute_[entry].Pocket =
                pocketPosition_[code] ? static_cast<int16_t>(SiteCodeSlot(code, segment.quadrant)) : int16_t(-1);
        }
    }
}

void CToothPosition::MakePlaqueRoute(int k, const QString& name) {
    Segment segment{};
    const bool known = ParseSegment(name, segment);
    // An unknown name ends the plaque route there.
    for (int i = 0; i < 8; ++i) plaqueRoute_[8 * k + i] = known ? static_cast<int16_t>(segment.Tooth(i)) : int16_t(-1);
}

void CToothPosition::AddQuadrantSitesByMode(int block, int32_t mode, int quadrant) {
    const QString codes = QString::fromLatin1(kFurcationPatternByMode[mode]).mid(12 * quadrant, 12);
    const int start = 48 * block;
    for (int j = 0; j < 6; ++j) {
        const int code = ParseSiteCode(codes.mid(2 * j, 2));
        for (int i = 0; i < 8; ++i) {
            SiteEntry& e = siteRoute_[start + j + 6 * i];
            // In every quadrant a site code is shown at the button site of
            // its number, which is what the furcation entrances are named by.
            e.Pocket = IsFurcationEntrance(FurcationKindOf(e.Tooth), code)
                           ? static_cast<int16_t>(SiteCodeSlot(code, quadrant))
                           : int16_t(-1);
        }
    }
}

}  // namespace mox
