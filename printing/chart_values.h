#pragma once
// The pocket-depth graph of one examination over the four scales of a chart
// block: one point per site of the row's side on the site lines, joined from
// tooth to tooth; the line breaks only at a tooth side without any value,
// and a value no line reaches gets a dot.

#include "platform/gui/draw_target.h"
#include "printing/chart_layout.h"
#include "records/exam_slot.h"

#include <cstdint>

namespace mox {

// Nothing for an empty slot (Loaded 0). Even slot indices are drawn 0.12 mm
// towards the top of the page, odd ones 0.12 mm towards the bottom, so two
// graphs of equal depths stay apart. maxValue -1 draws every depth as it
// is; any other value draws deeper sites at maxValue. Lines are 0.3 mm wide
// on this target.
void PrintChartValues(platform::DrawTarget& target, const ChartLayout& layout, const ExamSlot& slot,
                      uint32_t lineColour, int16_t slotIndex, int16_t maxValue);

}  // namespace mox
