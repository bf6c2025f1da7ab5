#pragma once
// The patient record's check for a database of an earlier release (TPatient
// with BirthDay as a date and Sex as a yes/no column) and its conversion into
// a database made from the template.
//
// The conversion never deletes the user's file. It first keeps a copy under
// a time-stamped name that no earlier kept copy has, and goes on only when
// that copy is complete (core/database_replacement.h). The new database is
// filled in a work file beside the main one, in one transaction, through the
// main slot held on that file, checked, and put in the main file's place in
// one atomic rename; until then the main file is the old database, so any
// failure or interruption leaves it as it was.

#include "core/database_layout.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <utility>

namespace mox {

// Results of the format test.
enum FormatTestResult : int16_t {
    kFormatCurrent = 0,
    kFormatOld = 1,
    kNoMainDatabase = -1,
    kFormatUnreadable = -2,  // the column types could not be read: never taken for old
};

// The points of the copy between the databases, for the failure seam of the
// tests; the file writes (kept copy, work file, replacement) are counted by
// platform::FileStepFault.
// The Jet conversion copies its tables at CopyTables.
enum class ConversionStep { CopyPatients, CopyExams, CopyTables, Commit };
// Called before each step; a test throws from it to fail the step, or ends
// the process there.
using ConversionStepHook = std::function<void(ConversionStep)>;

class OldFormatConversion {
public:
    // `step` is told each step of the conversion.
    explicit OldFormatConversion(ConversionStepHook step = {}) : step_(std::move(step)) {}

    // The test and, for an old database, the conversion with its messages.
    // Always False, as callers ignore it.
    bool CheckTable();

    // kFormatOld, kFormatCurrent, kNoMainDatabase or kFormatUnreadable for
    // AppPath + MainDbFile; a read error is shown (kFormatUnreadable).
    int16_t IsOldFormatTable();
    // Copies cases 1..30 and their examinations from the old file into the
    // new database at newPath, with identifiers drawn from that database.
    // 0 success, -1 failure (nothing written).
    int16_t ConvertOldDatabase(const QString& oldPath, const QString& newPath);
    static QString GetStageName(int32_t commentId);

    QString MainDbPath;
    QString KeptDbPath;
    QString TemplateDbPath;

    // The kept name for a moment: "VXMOX2_yyyymmdd_hhnn.mdb", with "_2",
    // "_3", ... before ".mdb" when an earlier kept copy has that name.
    static QString UniqueKeptPath(const QString& folder, const QDateTime& now);
    // The newest kept copy in `folder` when it holds the bytes of the main
    // file at `mainPath`: a start whose conversion failed or was stopped kept
    // it, and the next one keeps no second copy of the same original. "" when
    // there is none.
    static QString EarlierKeptCopy(const QString& folder, const QString& mainPath);

private:
    ConversionStepHook step_;
};

}  // namespace mox
