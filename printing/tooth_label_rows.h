#pragma once
// The one-line rows that frame a chart block: the tooth label row ("8".."1",
// "1".."8") and the text row of 16 cells, one short text per tooth, with the
// teeth without a text greyed out. Each comes in the form of the examination
// chart block and in that of the blank case-report form; they differ in the
// font (the blank form keeps the target's), the text row's size (10 and 8
// points) and the midline (5 and 4 pixels).

#include "platform/gui/draw_target.h"

#include <QString>
#include <array>
#include <cstdint>

namespace mox {

using ToothTexts = std::array<QString, 32>;

// 16 cells of w x h from (x, y), labels bold 11 points, centred.
void PrintToothLabelRow(platform::DrawTarget& target, float x, float y, float w, float h);
void PrintToothLabelRowBlank(platform::DrawTarget& target, float x, float y, float w, float h);

// texts by tooth index; upperRow -1 shows teeth 0..15, any other value 16..31.
// An empty text is a light grey cell under its outline. FillStyle is kept.
void PrintToothTextRow(platform::DrawTarget& target, float x, float y, float w, float h, const ToothTexts& texts,
                       int16_t upperRow);
void PrintToothTextRowBlank(platform::DrawTarget& target, float x, float y, float w, float h, const ToothTexts& texts,
                            int16_t upperRow);

}  // namespace mox
