#pragma once
// The shared record objects: one patient, one staff member, one counter,
// twelve examination rows, four examination items and four input cursors.
// Start-up creates them in this order and the end of the program releases
// them in the same order; after the release every reference is empty and no
// screen may use them. They hold no window, so screens, printing and tools
// reach them without the core's windows.

#include <array>
#include <memory>

namespace mox {

class CPatient;
class CCharge;
class CNextAutoNumber;
class CExamData;
class CSubExam;
class CToothPosition;

struct GlobalObjects {
    std::unique_ptr<CPatient> CurPatient;
    std::unique_ptr<CCharge> CurCharge;
    std::unique_ptr<CNextAutoNumber> NextAutoNumber;
    std::array<std::unique_ptr<CExamData>, 12> ExamDataRows;
    std::array<std::unique_ptr<CSubExam>, 4> SubExamRows;
    std::array<std::unique_ptr<CToothPosition>, 4> ToothPositions;
};

GlobalObjects& Globals();
// Each object a new instance; earlier ones are dropped.
void CreateGlobalObjects();
// Drops every object in the order of creation.
void ReleaseGlobalObjects();
bool GlobalObjectsExist();

}  // namespace mox
