#pragma once
// Damaged databases as a clinic meets them: a page of a table or an index
// overwritten with noise or zeros, a leaf whose cell count hides rows, an
// index entry that names another day, a header that understates the file's
// pages, a file cut short. The restore, the backup and the exit compaction
// are tested against each kind.

#include <QString>
#include <vector>

namespace mox::test {

enum class Damage {
    ExamLeafGarbled,
    ExamLeafZeroed,
    ExamRowsHidden,
    IndexLeafGarbled,
    IndexLeafZeroed,
    IndexDateChanged,
    PageCountLowered,
    CutShort,
    PatientLeafGarbled,
};

struct DamageKind {
    Damage damage;
    const char* name;
};

// Every kind, in the order above.
const std::vector<DamageKind>& DamageKinds();

// Adds patients and examination rows to the database at `path` (a copy of
// the template), enough that the examination table and its indexes span
// several pages each.
void AddExaminations(const QString& path);

// Damages the database file at `path` (filled by AddExaminations) in place.
// False when the file has no page of the kind to damage.
bool MakeDamaged(const QString& path, Damage damage);

}  // namespace mox::test
