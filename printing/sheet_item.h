#pragma once
// The examination item that the data sheet takes its settings from: the
// shared item of display row 1 (the pocket depths). Its band limits title
// the index table's pocket-depth bands and its value colour 2 tints the
// suppurating sites. Empty until the input screen has loaded its items.

#include "records/exam_item.h"
#include "records/shared_records.h"

namespace mox {

inline const CSubExam* SheetItem() { return Globals().SubExamRows[0].get(); }

}  // namespace mox
