#pragma once
// The two databases of the older release that the converter reads, and the
// patient numbers each of them and the main database hold. The sources lie
// in the program folder under the names of the old release; a copied file is
// found whatever the case of its name. An SQLite file is read directly, a Jet
// file through the read-only Jet reader; the converter never writes either.

#include "platform/db/database.h"

#include <QString>
#include <array>
#include <cstdint>

namespace mox::convert {

enum class SourceDb { A, B };

// "vexaMOX.MDB" (specialist and certified dentist), "vexaMOXDH.MDB"
// (certified dental hygienist).
QString SourceFileName(SourceDb source);
// "A" or "B", as the window names the column.
QString SourceLetter(SourceDb source);

// The source's file in the program folder (AppPath), as it is really named
// there; the name of the old release when there is none. Points the source's
// slot (G().SourceDbSourceA or B) at it.
QString LocateSourceDb(SourceDb source);

// The counted open and release of the source's slot, and its connection.
bool OpenSourceDb(SourceDb source);
bool ReleaseSourceDb(SourceDb source);
db::ConnectionPtr SourceDbConn(SourceDb source);

// A counted use of a source slot for one scope.
class SourceDbUse {
public:
    explicit SourceDbUse(SourceDb source) : source_(source), open_(OpenSourceDb(source)) {}
    ~SourceDbUse() {
        if (open_) ReleaseSourceDb(source_);
    }
    SourceDbUse(const SourceDbUse&) = delete;
    SourceDbUse& operator=(const SourceDbUse&) = delete;
    explicit operator bool() const { return open_ && SourceDbConn(source_) != nullptr; }

private:
    SourceDb source_;
    bool open_;
};

// Throws a DbError naming the source file when it lacks TPatient or
// TExamData: a database of some other program.
void CheckSourceTables(db::Connection& conn);

// The window's source flags: entry n - 1 is 1 when the source holds patient
// n (1..10). A missing file holds none; a file that cannot be read or lacks
// the tables, or several files whose names differ only in letter case, are
// reported by name and hold none.
using SourceFlags = std::array<int16_t, 11>;
SourceFlags ReadSourcePatients(SourceDb source);

// The window's target flags: entry n - 1 is 1 when the main database holds
// patient n (1..31; the sample patients are passed over).
using TargetFlags = std::array<int16_t, 31>;
TargetFlags ReadTargetPatients();

}  // namespace mox::convert
