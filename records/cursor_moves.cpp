// Moves of the input cursor along its routes.

#include "records/exam_record.h"
#include "records/record_fields.h"
#include "records/tooth_position.h"

namespace mox {

namespace {
constexpr int kSiteRouteLast = 191;
}  // namespace

bool CToothPosition::IsInputOK(int16_t status) const {
    const uint16_t s = static_cast<uint16_t>(status);
    const uint16_t mask = static_cast<uint16_t>(nInputStatus);
    // The first state the tooth has decides; an implant marked missing is
    // judged as an implant.
    if (s & kToothImplant) return (mask & kToothImplant) != 0;
    if (s & kToothPontic) return (mask & kToothPontic) != 0;
    if (s & kToothFourthState) return (mask & kToothFourthState) != 0;
    if (!(s & kToothMissing)) return true;
    return (mask & kToothMissing) != 0;
}

bool CToothPosition::IsToothOpen(int tooth) const {
    if (tooth < 0 || tooth > 31) ThrowSubscript();
    return IsInputOK(buiStatus_[tooth]);
}

bool CToothPosition::IsGapOpen(int tooth) const {
    // Tooth 31 has no following tooth: a gap move on a route that holds it
    // (one not built with the gap option) fails as an index error.
    if (tooth < 0 || tooth + 1 > 31) ThrowSubscript();
    return IsToothOpen(tooth) && IsToothOpen(tooth + 1);
}

bool CToothPosition::SearchRoute(const int16_t* route, int length, int start, int step, bool gap) {
    const int last = length - 1;
    if (step > 0 ? start < 0 : start > last) ThrowSubscript();
    for (int p = start; p >= 0 && p <= last; p += step) {
        const int16_t tooth = route[p];
        if (tooth == -1) {
            // -1 ends the route going forward; going back it is passed over.
            if (step > 0) return false;
            continue;
        }
        if (gap ? IsGapOpen(tooth) : IsToothOpen(tooth)) {
            nPrevTooth = nTooth;
            nTooth = tooth;
            nPos = static_cast<int16_t>(p);
            return true;
        }
    }
    return false;
}

bool CToothPosition::MoveToOnRoute(const int16_t* route, int length, int16_t tooth, bool gap) {
    for (int p = 0; p < length; ++p) {
        if (route[p] == -1) return false;
        if (route[p] != tooth) continue;
        // Only the first occurrence counts.
        if (!(gap ? IsGapOpen(tooth) : IsToothOpen(tooth))) return false;
        nPrevTooth = nTooth;
        nTooth = tooth;
        nPos = static_cast<int16_t>(p);
        return true;
    }
    return false;
}

bool CToothPosition::MoveFirst(int16_t start) { return SearchRoute(toothRoute_.data(), 32, start, 1, false); }
bool CToothPosition::MoveLast(int16_t start) { return SearchRoute(toothRoute_.data(), 32, start, -1, false); }
bool CToothPosition::Move(int16_t tooth) { return MoveToOnRoute(toothRoute_.data(), 32, tooth, false); }
bool CToothPosition::MoveNext() { return MoveFirst(static_cast<int16_t>(nPos + 1)); }
bool CToothPosition::MovePrev() { return MoveLast(static_cast<int16_t>(nPos - 1)); }

bool CToothPosition::MoveFirstPlaque(int16_t start) { return SearchRoute(plaqueRoute_.data(), 64, start, 1, false); }
bool CToothPosition::MoveLastPlaque(int16_t start) { return SearchRoute(plaqueRoute_.data(), 64, start, -1, false); }
bool CToothPosition::MovePlaque(int16_t tooth) { return MoveToOnRoute(plaqueRoute_.data(), 64, tooth, false); }
bool CToothPosition::MoveNextPlaque() { return MoveFirstPlaque(static_cast<int16_t>(nPos + 1)); }
bool CToothPosition::MovePrevPlaque() { return MoveLastPlaque(static_cast<int16_t>(nPos - 1)); }

bool CToothPosition::MoveFirstGap(int16_t start) { return SearchRoute(toothRoute_.data(), 32, start, 1, true); }
bool CToothPosition::MoveLastGap(int16_t start) { return SearchRoute(toothRoute_.data(), 32, start, -1, true); }
bool CToothPosition::MoveGap(int16_t tooth) { return MoveToOnRoute(toothRoute_.data(), 32, tooth, true); }
bool CToothPosition::MoveNextGap() { return MoveFirstGap(static_cast<int16_t>(nPos + 1)); }
bool CToothPosition::MovePrevGap() { return MoveLastGap(static_cast<int16_t>(nPos - 1)); }

void CToothPosition::TakeSite(int position, int16_t pocket) {
    nPrevTooth = nTooth;
    nPrevPocket = nPocket;
    nTooth = siteRoute_[position].Tooth;
    nPocket = pocket;
    nPos6 = static_cast<int16_t>(position);
}

bool CToothPosition::SearchSites(int start, int step) {
    if (step > 0 ? start < 0 : start > kSiteRouteLast) ThrowSubscript();
    for (int p = start; p >= 0 && p <= kSiteRouteLast; p += step) {
        const SiteEntry& e = siteRoute_[p];
        if (e.Pocket == -1 || e.Tooth < 0 || e.Tooth > 31) continue;
        if (IsToothOpen(e.Tooth)) {
            TakeSite(p, e.Pocket);
            return true;
        }
    }
    return false;
}

bool CToothPosition::MoveFirst6(int16_t start) { return SearchSites(start, 1); }
bool CToothPosition::MoveLast6(int16_t start) { return SearchSites(start, -1); }
bool CToothPosition::MoveNext6() { return MoveFirst6(static_cast<int16_t>(nPos6 + 1)); }
bool CToothPosition::MovePrev6() { return MoveLast6(static_cast<int16_t>(nPos6 - 1)); }

bool CToothPosition::Move66(int16_t tooth, int16_t site) {
    if (site == -1) return false;  // a site left out of the route is not there
    for (int p = 0; p <= kSiteRouteLast; ++p) {
        const SiteEntry& e = siteRoute_[p];
        if (e.Tooth != tooth || e.Pocket != site) continue;
        if (!IsToothOpen(tooth)) return false;
        TakeSite(p, site);
        return true;
    }
    return false;
}

bool CToothPosition::Move6(int16_t tooth, int16_t site, bool anySite) {
    // The screen gives the site as a slot of the current tooth's quadrant;
    // the same anatomical site has another slot in another quadrant.
    const int fromQuadrant = nTooth / 8;
    const int toQuadrant = tooth / 8;
    int16_t converted = site;
    if (fromQuadrant != toQuadrant) {
        if (site < 0 || site > 5) ThrowSubscript();
        converted = static_cast<int16_t>(SiteCodeSlot(SiteCodeOfSlot(site, fromQuadrant), toQuadrant));
        if (converted < 0) ThrowSubscript();  // a tooth index outside 0..31
    }
    for (int p = 0; p <= kSiteRouteLast; ++p) {
        const SiteEntry& e = siteRoute_[p];
        if (e.Tooth != tooth) continue;
        if (!anySite && (e.Pocket != converted || e.Pocket == -1)) continue;
        if (!IsToothOpen(tooth)) return false;
        TakeSite(p, converted);
        return true;
    }
    return false;
}

void CToothPosition::SetbPocketPosition(int16_t index, bool on) {
    if (index < 0 || index > 5) ThrowSubscript();
    pocketPosition_[index] = on;
}

bool CToothPosition::bPocketPosition(int16_t index) const {
    if (index < 0 || index > 5) ThrowSubscript();
    return pocketPosition_[index];
}

int16_t CToothPosition::nPos6Tooth(int16_t index) const {
    if (index < 0 || index > kSiteRouteLast) ThrowSubscript();
    return siteRoute_[index].Tooth;
}

int16_t CToothPosition::nPos6Pocket(int16_t index) const {
    if (index < 0 || index > kSiteRouteLast) ThrowSubscript();
    return siteRoute_[index].Pocket;
}

void CToothPosition::SetnBuiStatus(int16_t tooth, int16_t status) {
    if (tooth < 0 || tooth > 31) ThrowSubscript();
    buiStatus_[tooth] = status;
}

}  // namespace mox
