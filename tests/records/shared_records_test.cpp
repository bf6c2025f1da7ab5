#include "records/shared_records.h"

#include "core/next_number.h"
#include "records/exam_item.h"
#include "records/exam_record.h"
#include "records/patient_record.h"
#include "records/staff_record.h"
#include "records/tooth_position.h"

#include <gtest/gtest.h>

namespace mox {
namespace {

// Every object the screens read, singles and array slots alike.
int LiveObjects() {
    const GlobalObjects& g = Globals();
    int live = (g.CurPatient != nullptr) + (g.CurCharge != nullptr) + (g.NextAutoNumber != nullptr);
    for (const auto& row : g.ExamDataRows) live += row != nullptr;
    for (const auto& item : g.SubExamRows) live += item != nullptr;
    for (const auto& cursor : g.ToothPositions) live += cursor != nullptr;
    return live;
}

TEST(SharedRecords, CreatedWholeReleasedWholeAndCreatedAfresh) {
    CreateGlobalObjects();
    EXPECT_TRUE(GlobalObjectsExist());
    EXPECT_EQ(LiveObjects(), 3 + 12 + 4 + 4);

    Globals().CurPatient->ID = 7;
    ReleaseGlobalObjects();
    EXPECT_FALSE(GlobalObjectsExist());
    EXPECT_EQ(LiveObjects(), 0);
    ReleaseGlobalObjects();  // the end of a run may release twice
    EXPECT_EQ(LiveObjects(), 0);

    CreateGlobalObjects();
    EXPECT_NE(Globals().CurPatient->ID, 7);
    ReleaseGlobalObjects();
}

}  // namespace
}  // namespace mox
