#pragma once
// The copy of the main database that a conversion starts from: the way back
// should a conversion be regretted. It is made under a dated name,
// "VXMOX2_yyyymmdd_hhnn.mdb" in the program folder, never over an earlier
// copy (a name taken in the same minute gets "_2", "_3", ...), and counts
// only when it is there whole: it is opened and checked before the
// conversion writes anything.

#include <QString>

namespace mox::convert {

// The path of the copy, or empty after the user has been told why none was
// made; the main database is then untouched.
QString MakeConversionBackup();

}  // namespace mox::convert
