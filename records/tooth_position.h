#pragma once
// CToothPosition: the input cursor of one display row of the input screen.
// MakeMove builds four routes from a staff member's patterns:
//   - the tooth route: up to 32 tooth indices, -1 ending a shorter route;
//     built with the gap option, entry t stands for the gap between tooth
//     t and t + 1 (30 gaps);
//   - the site route: 192 entries of tooth and site slot; an entry whose slot
//     is -1 stays in the route but is passed over;
//   - the plaque route: 64 tooth indices, each tooth once per row.
// The moves walk one route and stop only on teeth whose status word the
// current item accepts (IsInputOK). A move that finds nothing returns false
// and leaves the cursor where it was. Arguments outside the limits the
// screen keeps to fail with an index error and change nothing.

#include <QString>
#include <array>
#include <cstdint>

namespace mox {

// Site codes in the order of the bPocketPosition flags.
enum SiteCode : int { kBM = 0, kBC, kBD, kLM, kLC, kLD };

// The site slot of a site code in a quadrant (tooth index / 8), and back.
int SiteCodeSlot(int code, int quadrant);
int SiteCodeOfSlot(int slot, int quadrant);

class CToothPosition {
public:
    struct SiteEntry {
        int16_t Tooth;
        int16_t Pocket;
    };

    int16_t nPrevPocket = 0;
    int16_t nPocket = 0;
    int16_t nPrevTooth = 0;
    int16_t nTooth = 0;
    int16_t nInputStatus = 0;
    int16_t nPattern = 0;
    QString strVector;
    int16_t nPos6 = 0;
    int16_t nPos = 0;

    // Tooth route.
    bool MoveFirst(int16_t start = 0);
    bool MoveLast(int16_t start = 31);
    bool Move(int16_t tooth);
    bool MoveNext();
    bool MovePrev();
    // Plaque route (shares nPos with the tooth and gap routes).
    bool MoveFirstPlaque(int16_t start = 0);
    bool MoveLastPlaque(int16_t start = 63);
    bool MovePlaque(int16_t tooth);
    bool MoveNextPlaque();
    bool MovePrevPlaque();
    // Gap route: the tooth route built with the gap option.
    bool MoveFirstGap(int16_t start = 0);
    bool MoveLastGap(int16_t start = 31);
    bool MoveGap(int16_t tooth);
    bool MoveNextGap();
    bool MovePrevGap();
    // Site route.
    bool MoveFirst6(int16_t start = 0);
    bool MoveLast6(int16_t start = 191);
    // `site` is a slot in the quadrant of the current tooth; it is turned
    // into the same site code's slot in the target tooth's quadrant.
    bool Move6(int16_t tooth, int16_t site, bool anySite);
    bool Move66(int16_t tooth, int16_t site);
    bool MoveNext6();
    bool MovePrev6();

    void SetbPocketPosition(int16_t index, bool on);
    bool bPocketPosition(int16_t index) const;
    int16_t nPos6Tooth(int16_t index) const;
    int16_t nPos6Pocket(int16_t index) const;
    void SetnBuiStatus(int16_t tooth, int16_t status);

    // mode 0..7: order of jaws and directions; kind 0: `pattern` is eight
    // segment names ("URB1", ...), else four groups of six site codes in
    // quadrant order. furcation: the built-in furcation route of the mode.
    // gap: the tooth route as the gap route. A plaque pattern of more than
    // 16 characters rebuilds the plaque route, else it is left as it was.
    void MakeMove(int32_t mode, int16_t kind, const QString& pattern, bool furcation = false, bool gap = false,
                  const QString& plaquePattern = QString());

    bool IsInputOK(int16_t status) const;

private:
    bool IsToothOpen(int tooth) const;
    bool IsGapOpen(int tooth) const;
    bool SearchRoute(const int16_t* route, int length, int start, int step, bool gap);
    bool MoveToOnRoute(const int16_t* route, int length, int16_t tooth, bool gap);
    bool SearchSites(int start, int step);
    void TakeSite(int position, int16_t pocket);

    void MakeQuadrantOrder(int first, int second, bool gap);
    void AddQuadrantSites(int block, int quadrant, const QString& codes);
    void MakeRouteBySegment(int k, const QString& segment);
    void MakePlaqueRoute(int k, const QString& segment);
    void AddQuadrantSitesByMode(int block, int32_t mode, int quadrant);

    std::array<bool, 6> pocketPosition_{};
    std::array<int16_t, 32> buiStatus_{};
    std::array<SiteEntry, 192> siteRoute_{};
    std::array<int16_t, 32> toothRoute_{};
    std::array<int16_t, 64> plaqueRoute_{};
};

}  // namespace mox
