#include "records/shared_records.h"

#include "core/next_number.h"
#include "records/exam_item.h"
#include "records/exam_record.h"
#include "records/patient_record.h"
#include "records/staff_record.h"
#include "records/tooth_position.h"

namespace mox {

GlobalObjects& Globals() {
    static GlobalObjects objects;
    return objects;
}

void CreateGlobalObjects() {
    GlobalObjects& g = Globals();
    g.CurPatient = std::make_unique<CPatient>();
    g.CurCharge = std::make_unique<CCharge>();
    g.NextAutoNumber = std::make_unique<CNextAutoNumber>();
    for (auto& row : g.ExamDataRows) row = std::make_unique<CExamData>();
    for (auto& item : g.SubExamRows) item = std::make_unique<CSubExam>();
    for (auto& cursor : g.ToothPositions) cursor = std::make_unique<CToothPosition>();
}

bool GlobalObjectsExist() { return Globals().CurPatient != nullptr; }

// Released in the order of creation; a failure of one object must not keep
// the others alive.
void ReleaseGlobalObjects() {
    GlobalObjects& g = Globals();
    auto release = [](auto& ptr) {
        try {
            ptr.reset();
        } catch (...) {
        }
    };
    release(g.CurPatient);
    release(g.CurCharge);
    release(g.NextAutoNumber);
    for (auto& row : g.ExamDataRows) release(row);
    for (auto& item : g.SubExamRows) release(item);
    for (auto& cursor : g.ToothPositions) release(cursor);
}

}  // namespace mox
