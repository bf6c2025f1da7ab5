#pragma once
// One examination's block of the data sheet: nine rows over the sixteen
// tooth columns of each jaw (plaque, mobility, furcation and pocket depth of
// the upper jaw, the tooth numbers, then pocket depth, furcation, mobility
// and plaque of the lower jaw), a label column on the left and the index
// table on the right. The printed sheet gives each block 63 mm; the
// preview (DrawExamDataBlock) draws its rows 7 mm high instead of 6.8.

#include "platform/gui/draw_target.h"
#include "printing/sheet_item.h"
#include "records/exam_slot.h"

#include <QString>
#include <array>
#include <cstdint>

namespace mox {

void PrintExamDataBlock(platform::DrawTarget& target, float x, float y, const ExamSlot& slot,
                        const std::optional<DataSheetItem>& item);

// The tooth numbers of both jaws, 16 cells of 10·sx by two half rows of
// 5·sy, each half cell in its tooth's colour; labels and colours by tooth
// index.
void PrintToothNumberRow(platform::DrawTarget& target, float x, float y, float sx, float sy,
                         const std::array<QString, 32>& labels, const std::array<uint32_t, 32>& colours);

}  // namespace mox
