#pragma once
// The tooth rows of an examination block of the data sheet: 16 cells of one
// jaw, upper teeth 18..11, 21..28 or lower teeth 48..41, 31..38 from left
// to right. Values of 128 or more are no value and grey; the rows draw from
// the values alone, whatever the tooth's status. Each routine draws on the
// printer and on the preview picture (the Draw… twins); they differ in the
// midline (5 and 2 pixels) and in the pocket-depth numbers' sizes.

#include "platform/gui/draw_target.h"
#include "records/exam_record.h"

#include <array>
#include <cstdint>
#include <optional>

namespace mox {

// One number per tooth (the mobility), 12 points, centred; blank draws only
// the frames and the midline.
void PrintToothValueRow(platform::DrawTarget& target, float x, float y, float w, float h,
                        const std::array<uint8_t, 32>& values, bool upperJaw, bool blank);

// Six depths per tooth, buccal above palatal or lingual, each in its own
// sub-cell: red when the site bled, on the suppuration tint when it
// suppurated, a grey sub-cell without a value; a tooth without any depth is
// one grey cell. Sizes are fitted to the sub-cell on the target drawn.
// Without a tint (the examination items not loaded) the numbers still show.
void PrintPocketDepthRow(platform::DrawTarget& target, float x, float y, float w, float h,
                         const std::array<uint8_t, kSiteCount>& depths, const std::array<uint8_t, kSiteCount>& bleeding,
                         const std::array<uint8_t, kSiteCount>& suppuration, bool upperJaw, bool blank,
                         std::optional<uint32_t> tint = std::nullopt);

// Four face triangles per tooth under a cross; a tooth without a plaque
// finding is a grey cell with the cross.
void PrintPlaqueRow(platform::DrawTarget& target, float x, float y, float w, float h,
                    const std::array<uint8_t, 32>& faces, const std::array<uint8_t, 32>& notExamined, bool upperJaw);

// One tooth of the plaque row: faces not examined grey, plaque faces red
// (bits 1 top, 2 left, 4 right, 8 bottom), drawn through the device-context
// polygon in this target's pixels.
void PrintFilledPolygon(platform::DrawTarget& target, float x, float y, float w, float h, int16_t faces,
                        int16_t notExamined);

}  // namespace mox
