#include "controls/tooth_button/tooth_button_state.h"

#include "controls/tooth_button/furcation_roots.h"

#include <algorithm>

namespace mox::molarix {

ToothButtonState::ToothButtonState() {
    for (auto& row : data) row.fill(-1);
    compData.fill(-1);
    usePosition.fill(1);
}

void ToothButtonState::SetData(int row, int site, int32_t value) {
    data[row][site] = value;
    if (row == 0 && value == -1)
        for (int r = 1; r < kRows; ++r) data[r][site] = -1;
}

int32_t ToothButtonState::PlaqueData() const {
    const auto& v = data[0];
    if (systemType == 0) {
        if (v[0] == -1) return -1;
    } else if (v[0] == -1 && v[1] == -1 && v[2] == -1 && v[3] == -1) {
        return -1;
    }
    int32_t bits = 0;
    for (int k = 0; k < kPlaqueFaces; ++k)
        if (v[k] > 0) bits |= 1 << k;
    return bits;
}

void ToothButtonState::SetPlaqueData(int32_t v) {
    if (v == -1) {
        for (int k = 0; k < kPlaqueFaces; ++k) data[0][k] = -1;
        if (systemType == 1)
            for (int k = 0; k < kPlaqueFaces; ++k) untreated[k] = 1;
        return;
    }
    for (int k = 0; k < kPlaqueFaces; ++k) data[0][k] = v & (1 << k);
    if (systemType == 1)
        for (int k = 0; k < kPlaqueFaces; ++k)
            if (untreated[k] == 1) data[0][k] = -1;
}

int32_t ToothButtonState::PlaqueUnTreat() const {
    int32_t bits = 0;
    for (int k = 0; k < kPlaqueFaces; ++k)
        if (untreated[k] == 1) bits |= 1 << k;
    return bits;
}

void ToothButtonState::SetPlaqueUnTreat(int32_t v) {
    for (int k = 0; k < kPlaqueFaces; ++k) {
        if (v == -1 || (v & (1 << k))) {
            data[0][k] = -1;
            untreated[k] = 1;
        } else {
            untreated[k] = 0;
        }
    }
}

void ToothButtonState::SetPlaqueFace(int face, int32_t value) {
    if (face < 0 || face >= kPlaqueFaces) return;
    if (systemType != 0) {
        if (value == 0) {
            data[0][face] = 0;
            untreated[face] = 0;
        } else if (value == -1) {
            data[0][face] = -1;
            untreated[face] = 1;
        } else if (value > 0) {
            data[0][face] = 1 << face;
            untreated[face] = 0;
        }
        // Other negative values are left alone, as the rule names none.
    } else {
        data[0][face] = value == 0 ? 0 : 1 << face;
    }
}

int SiteZone(int x, int y, int w, int h) {
    const int third = w / 3;
    const int column = x < third ? 0 : (x < 2 * third ? 1 : 2);
    return (y < h / 2 ? 0 : 3) + column;
}

int PlaqueFace(int x, int y, int w, int h) {
    const int s = x + y;
    if (y < x && s < h) return 0;
    if (x < y && s < w) return 1;
    if (y < x && s > w) return 2;
    if (x >= y || s <= h) return 4;
    return 3;
}

namespace {

void Toggle(int32_t& cell) { cell = cell == 1 ? 0 : 1; }

// The host picks the toggled row with ExamIndex; only rows of the table are touched.
void ToggleRow(ToothButtonState& s, int row, int site) {
    if (row >= 0 && row < kRows && site >= 0 && site < kSites) Toggle(s.data[row][site]);
}

std::optional<int> FurcationSite(int16_t root, int zone) {
    switch (root) {
        case kUpperMolarRoot:
            if (std::ranges::find(kUpperMolarEntrances, zone) != kUpperMolarEntrances.end()) return zone;
            return std::nullopt;
        case kUpperPremolarRoot:
            // The left and the right column; the middle one is no entrance.
            if (zone % 3 == 1) return std::nullopt;
            return kUpperPremolarEntrances[zone % 3 == 0 ? 0 : 1];
        case kLowerMolarRoot:
            return kLowerMolarEntrances[zone < 3 ? 0 : 1];
        default:
            return std::nullopt;
    }
}

void PlaqueClick(ToothButtonState& s, int face) {
    const int32_t bit = 1 << face;
    auto& v = s.data[0];
    if (s.systemType != 0) {
        for (int k = 0; k <= 4; ++k) {
            if (s.untreated[k] == 1) {
                v[k] = 0;
                s.untreated[k] = 0;
            }
        }
        v[face] = v[face] == bit ? 0 : bit;
        s.untreated[face] = 0;
    } else {
        for (int k = 0; k <= 4; ++k)
            if (v[k] == -1) v[k] = 0;
        v[face] = v[face] == bit ? 0 : bit;
    }
}

}  // namespace

std::optional<int> ApplyClick(ToothButtonState& s, int x, int y, int w, int h) {
    switch (s.examMode) {
        case 0:
            Toggle(s.data[0][0]);
            return 0;
        case 1:
        case 2:
        case 7:
        case 8:
        case 11:
            if (s.examIndex > 0) ToggleRow(s, s.examIndex, 0);
            return 0;
        case 3:
        case 9:
        case 10: {
            const int z = SiteZone(x, y, w, h);
            if (s.usePosition[z] == 0) return std::nullopt;
            if (s.examIndex > 0) ToggleRow(s, s.examIndex, z);
            return z;
        }
        case 5: {
            const int z = SiteZone(x, y, w, h);
            if (s.usePosition[z] == 0) return std::nullopt;
            ToggleRow(s, s.examIndex, z);
            return z;
        }
        case 6: {
            const auto site = FurcationSite(s.root, SiteZone(x, y, w, h));
            if (!site) return std::nullopt;
            if (s.examIndex > 0) ToggleRow(s, s.examIndex, *site);
            return *site;
        }
        case 4:
            PlaqueClick(s, PlaqueFace(x, y, w, h));
            return 0;
        case 13: {
            const int q = (x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0);
            if (s.usePosition[q] == 0) return std::nullopt;
            return q;
        }
        default:  // -1, 12 and unknown modes take no clicks
            return std::nullopt;
    }
}

}  // namespace mox::molarix
