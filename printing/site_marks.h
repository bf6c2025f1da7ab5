#pragma once
// The bleeding and suppuration marks of one examination along the edges of
// the tooth bands of a printed chart block: three marks per tooth and edge,
// a yellow box for suppuration with a filled circle over it for bleeding.

#include "platform/gui/draw_target.h"
#include "records/exam_record.h"

#include <array>
#include <cstdint>

namespace mox {

// Columns of `pitch` from x; the upper band runs from upperTop to
// upperBottom, the lower band from lowerTop to lowerBottom. Slots 0 and 2
// mark 0.25 mm inside the band edges, slots 1 and 3 one box height further
// in; any other slot draws nothing and leaves the target as it was. Missing
// teeth and pontics get no marks; only a mark value of 1 is drawn.
void PrintSiteMarks(platform::DrawTarget& target, float x, float upperTop, float upperBottom, float lowerTop,
                    float lowerBottom, float pitch, const ToothStatusWords& toothStatus,
                    const std::array<uint8_t, kSiteCount>& bleeding, const std::array<uint8_t, kSiteCount>& suppuration,
                    int16_t slot, uint32_t circleColour);

}  // namespace mox
