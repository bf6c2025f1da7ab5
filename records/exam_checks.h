#pragma once
// Checks of the current patient's (G().CurPatientId) examinations for the
// case reports. Both open and release the main connection themselves.

#include <QString>
#include <cstdint>

namespace mox {

// The first-visit examination against the thresholds of a case: at least
// 30 % of the measured sites of natural teeth 4 mm or deeper and at least
// 3 sites 6 mm or deeper. `share` gets the percentage ("0.0"), `deepSites`
// the count of 6 mm or deeper. True when a threshold is missed or there is
// no first-visit pocket-depth row; a failed open gives "0", "0" and True.
bool CheckInitialCase(QString& share, QString& deepSites);

// True when the latest supportive-therapy visit lies less than six months
// after the move to supportive therapy; false when either is missing. The
// second form asks about any patient (the chart screen's own choice).
bool IsSptPeriodShort();
bool IsSptPeriodShort(int32_t patientId);

}  // namespace mox
