#include "screens/input/entry/stage_dates.h"

#include "core/dates.h"
#include "records/exam_store.h"
#include "records/exam_vocabulary.h"

namespace mox {

namespace {

constexpr int16_t kMonthsBetweenStages = 6;

}  // namespace

StageDateMark CheckStageDates(int32_t patientId, int32_t stageId, const std::optional<QDate>& entered) {
    if (stageId != kLatestSptStage || !entered) return StageDateMark::Unchanged;
    StageDateMark mark = StageDateMark::Unchanged;
    for (int32_t earlier : {kEndOfInitialTherapyStage, kMoveToSptStage}) {
        const std::optional<QDate> day = LatestExamDateOfStage(patientId, earlier);
        if (!day) continue;
        if (IsWithinMonths(*day, *entered, kMonthsBetweenStages)) return StageDateMark::Warn;
        mark = StageDateMark::Clear;
    }
    return mark;
}

}  // namespace mox
