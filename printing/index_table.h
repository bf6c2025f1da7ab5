#pragma once
// The table of indices right of an examination block of the data sheet:
// stage, date, teeth present, implants, mean pocket depth and the three
// depth bands, bleeding rate, the inflamed and epithelial surface areas
// (PISA, PESA) and the plaque control record. The block draws its lines.

#include "platform/gui/draw_target.h"
#include "printing/sheet_item.h"
#include "records/exam_slot.h"

#include <QString>

namespace mox {

// Eleven rows from (x, y), on the printer and on the preview
// (DrawIndexTable), which differ in row pitch, columns and sizes. Nothing
// for a slot that is not loaded (-1), nor before the examination items are
// loaded (the band limits come from the pocket-depth item). Only natural
// teeth count for pocket depths, bleeding and plaque.
void PrintIndexTable(platform::DrawTarget& target, float x, float y, const ExamSlot& slot,
                     const std::optional<DataSheetItem>& item);

// The table's column line and its right edge, from its left edge: the
// block draws them, the texts keep clear of them.
struct IndexTableRules {
    double divider;
    double width;
};
IndexTableRules IndexTableRulesOf(const platform::DrawTarget& target);

// A surface area as the table shows it: one decimal, padded on the left to
// six characters and never cut.
QString IndexAreaText(double squareMillimetres);

}  // namespace mox
