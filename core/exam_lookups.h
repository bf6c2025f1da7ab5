#pragma once
// Small questions about examinations that several screens ask.

#include <QString>
#include <cstdint>

namespace mox {

// A natural tooth is present: none of missing (0x8000), pontic (0x4000)
// and implant (0x2000) is set.
bool IsRestTooth(int16_t toothStatus);

// The label ("Comment", trimmed) of the examination occasion with this ID
// in TComType; "" when the row is missing or the main database cannot be
// opened. Opens and releases the main slot itself.
QString GetComTypeComment(int32_t id);

}  // namespace mox
