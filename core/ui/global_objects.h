#pragma once
// The shared record objects, created at start-up in this order and released
// in the same order at the end.

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
void CreateGlobalObjects();

}  // namespace mox
