#pragma once
// The stage-date check of the input screen. A latest supportive-therapy
// visit (stage 4) dated less than six calendar months after the end of
// initial therapy (stage 2) or after the move to supportive therapy
// (stage 3) may not meet the society's rules for the case: the date boxes
// turn red as a warning, which never blocks the save.

#include <QDate>
#include <cstdint>
#include <optional>

namespace mox {

enum class StageDateMark {
    Unchanged,  // nothing to compare: the boxes keep their colour
    Warn,       // red
    Clear,      // white
};

// The check for the patient's examination of `stageId` on `entered` (the
// date boxes' day; nothing when they hold no real day). Each earlier stage
// counts with its latest examination. Reads the main slot (counted); a
// database error passes on.
StageDateMark CheckStageDates(int32_t patientId, int32_t stageId, const std::optional<QDate>& entered);

}  // namespace mox
