#pragma once
// The furcation row of one jaw: per tooth cell the grades "Ⅰ" "Ⅱ" "Ⅲ" of its
// furcation entrances, the parts without a finding shaded light grey, and
// lines that follow the root form (three regions for an upper molar, upper
// and lower halves for a lower molar, left and right halves for an upper
// premolar). A tooth without any finding is a light grey cell.

#include "platform/gui/draw_target.h"
#include "records/exam_record.h"

#include <array>
#include <cstdint>

namespace mox {

// Grades by site index (1..3; a value with bit 0x80 is no finding, any
// other value is drawn blank). upper -1 draws teeth 0..15, any other value
// 16..31. On the printer and on the preview (DrawFurcationMarks); the
// midline is 5 pixels on the printer and 2 on the preview.
void PrintFurcationMarks(platform::DrawTarget& target, float x, float y, float w, float h,
                         const std::array<uint8_t, kSiteCount>& values, int16_t upper);

// The row of the blank case-report form: each value without bit 0x80 as a
// number in ＭＳ ゴシック (at most 9 points), the grey cells of teeth without
// any value, the dividing lines and frames, no shading of single regions; a
// 4-pixel midline.
void PrintFurcationMarksBlank(platform::DrawTarget& target, float x, float y, float w, float h,
                              const std::array<uint8_t, kSiteCount>& values, int16_t upper);

}  // namespace mox
