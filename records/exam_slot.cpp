#include "records/exam_slot.h"

namespace mox {

void ExamSlot::Clear() {
    Loaded = 0;
    ToothState.fill(0);
    PD.fill(kNoSiteValue);
    Mobility.fill(kNoSiteValue);
    Furcation.fill(kNoSiteValue);
    PlaqueFaces.fill(kNoSiteValue);
    PlaqueUnexamined.fill(kNoSiteValue);
    BOP.fill(kNoSiteValue);
    Suppuration.fill(kNoSiteValue);
}

}  // namespace mox
