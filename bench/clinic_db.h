#pragma once
// The main database of a busy clinic that the benchmarks measure against:
// the template and generated examinations, six rows each (four items, then
// the bleeding and suppuration marks, as the input screen saves them) for
// thirty patients in turn, one a day, every stage. Every row is already in
// its current form, so a start has nothing to upgrade in them.

#include <QString>

namespace mox::bench {

// The row count of a busy clinic.
inline constexpr int kClinicRows = 120'000;

// Adds `rows` generated examination rows to the database `file`, in one
// transaction, and moves the identifier counter past them.
void AddExaminationRows(const QString& file, int rows);

// Writes the template `templateFile` with `rows` generated examination rows
// to `file`, through a temporary file beside it. False when a copy fails.
bool MakeClinicDb(const QString& templateFile, const QString& file, int rows);

}  // namespace mox::bench
