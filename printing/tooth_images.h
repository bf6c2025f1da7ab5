#pragma once
// The tooth pictures of a chart block: per row and column a root picture and
// a crown picture from the program folder's BMP/, turned to the row's view.
// The stored pictures show the right side of the mouth (upper roots up,
// upper biting edges down, lower roots and the implant down, lower biting
// edges up); the left side and the rows seen from the other side are their
// mirror images.

#include "platform/gui/draw_target.h"
#include "printing/chart_layout.h"
#include "printing/tooth_pictures.h"
#include "records/exam_record.h"

#include <QImage>
#include <cstdint>

namespace mox {

// PictureMode of a row: 1 crowns only, 2 roots only, 3 both, other nothing.
// By status: an implant (0x2000, whatever else is set) shows its crown over
// "imp.gif", a pontic (0x4000) its crown only, a missing tooth (0x8000)
// nothing. Each picture comes from the pictures' folder, turned as its row
// shows it, and is stretched into its place; loadSurface holds the last
// picture as read and flipSurface as turned afterwards.
// A picture that cannot be read is left out and the other teeth are still
// printed; one box ("エラー発生: ") names the first such file.
void PrintToothImages(platform::DrawTarget& target, const ChartLayout& layout, const ToothStatusWords& toothStates,
                      int16_t pictureMode0, int16_t pictureMode1, int16_t pictureMode2, int16_t pictureMode3,
                      ToothPictureFiles& pictures, QImage& loadSurface, QImage& flipSurface);

}  // namespace mox
