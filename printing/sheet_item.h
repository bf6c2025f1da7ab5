#pragma once
// What the data sheet takes from the pocket-depth examination item: the
// starts of its three depth bands, which title the index table's bands, and
// its value colour 2, which tints the suppurating sites. The caller hands it
// in; a sheet drawn without it (the items not loaded yet) has no index table
// and no tint.

#include "records/exam_item.h"

#include <array>
#include <cstdint>
#include <optional>

namespace mox {

struct DataSheetItem {
    std::array<int16_t, 3> bands{};
    uint32_t suppurationTint = 0;
};

inline std::optional<DataSheetItem> DataSheetItemOf(const CSubExam* item) {
    if (!item) return std::nullopt;
    DataSheetItem values;
    for (int16_t i = 0; i < 3; ++i) values.bands[i] = static_cast<int16_t>(item->GradationPart(i));
    values.suppurationTint = static_cast<uint32_t>(item->GetColorByValue(0, 2));
    return values;
}

}  // namespace mox
