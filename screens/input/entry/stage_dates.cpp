#include "screens/input/entry/stage_dates.h"

#include "core/dates.h"
#include "records/exam_store.h"

namespace mox {

namespace {

constexpr int32_t kEndOfInitialTherapy = 2;
constexpr int32_t kMoveToSupportiveTherapy = 3;
constexpr int16_t kMonthsBetweenStages = 6;

}  // namespace

StageDateMark CheckStageDates(int32_t patientId, int32_t stageId, const std::optional<QDate>& entered) {
    if (stageId != kLatestSupportiveStage || !entered) return StageDateMark::Unchanged;
    StageDateMark mark = StageDateMark::Unchanged;
    for (int32_t earlier : {kEndOfInitialTherapy, kMoveToSupportiveTherapy}) {
        const std::optional<QDate> day = LatestExamDateOfStage(patientId, earlier);
        if (!day) continue;
        if (IsWithinMonths(*day, *entered, kMonthsBetweenStages)) return StageDateMark::Warn;
        mark = StageDateMark::Clear;
    }
    return mark;
}

}  // namespace mox
