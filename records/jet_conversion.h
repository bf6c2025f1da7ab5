#pragma once
// Databases of the Windows release are Access (Jet) files; every database of
// this system is an SQLite file. A clinic that brings its main database, a
// backup or another database file over gets it converted: a copy of the
// template is filled with every table of the Jet file, every row and every
// column as it was (the version row included, so that the start-up upgrade
// then brings the file up to date as it does any older file). TImage, which
// the template lacks, is made as the program makes it before its rows go in.
//
// The Jet file itself is only ever read, by the Access reader (see
// platform/db/jet_reader.h), and only a file read whole is converted; what
// kind a file is, platform/db/file_kind.h tells. The new database is filled
// in a fresh work file in one transaction and, where it takes the place of a
// file, put there by one atomic rename; the main database is first kept
// under a dated name (the old-format conversion's rule, the sequence of
// core/database_replacement.h). A failure or a kill at any point leaves the
// Jet file in place or the complete converted file.
//
// The conversions say nothing to the user: they return what happened, and
// their callers (start-up, the open command, the restore) show it.

#include "platform/db/jet_reader.h"
#include "records/old_format.h"

#include <QString>
#include <functional>

namespace mox {

// How far a conversion has come: rows copied of the rows the file holds.
struct JetProgress {
    QString file;  // the Jet file, as the user named it
    qint64 done = 0;
    qint64 total = 0;
};
using JetProgressReport = std::function<void(const JetProgress&)>;

struct JetConversion {
    enum class Outcome { NotJet, Converted, Refused };
    Outcome outcome = Outcome::NotJet;
    QString source;         // the Jet file, as the user named it
    QString converted;      // the converted file
    QString kept;           // at start-up: the original under its dated name
    bool toldLate = false;  // at start-up: converted by a run that ended before it could say so
    // Why it was refused, as a conversion of `source` (Doing::ConvertJet),
    // by its kind: Foreign (a readable Jet file of another program: `table`
    // is missing), Damaged, Unreadable (the file cannot be read at all),
    // StaleCount (`table`'s rows, read whole, do not come to the count its
    // definition keeps), TooSlow (a medium that does not answer), OldVersion
    // (no version row, or one below what the start-up accepts), BinaryColumn
    // (`table`.`column` holds binary data); or the file that could not be
    // written in the folder `place` (ReadOnly, DiskFull or another kind), at
    // KeepOriginal for the original's kept copy, and a template that cannot
    // be read at ReadTemplate. What the engine or the file system said is in
    // its detail, for the log only.
    Failure failure;
    QString warning;  // a Japanese sentence to add to the news of a conversion

    bool Converted() const { return outcome == Outcome::Converted; }
    bool Refused() const { return outcome == Outcome::Refused; }
};

// Copies the template to a fresh `work` (any old work file and its journal
// removed first) and fills it from the Jet file in one transaction. On a
// refusal `work` is gone. A file with neither TVersion nor TNextAutoNumber
// is not a database of this system; one of this system that lacks TVersion,
// TPatient, TExamData or TNextAutoNumber, or whose tables of this system
// hold a row without its ID or an ID twice, is damaged. `reading` is the
// tests' seam for the reader.
JetConversion FillFromJetDatabase(const QString& jetPath, const QString& work, const JetProgressReport& progress = {},
                                  const db::JetReadOptions& reading = {});

// At start-up: a Jet main database is kept under a dated name (the newest
// kept copy when it holds the same bytes) and replaced by its conversion.
// NotJet when the main database is no Jet file and no earlier conversion is
// left untold; then nothing was touched. A refusal changed nothing. The
// start-up calls it after CleanUpAfterKilledRuns, which has removed the work
// file of a run that was killed. `step` is told the steps of the copy.
JetConversion ConvertJetMainDatabase(const JetProgressReport& progress = {}, const ConversionStepHook& step = {});
// The caller has told the user of the conversion: the note that lets the
// next start tell it, should this run end first, goes.
void ForgetJetConversionNote();

// For the open command: the Jet file converted into a new SQLite file beside
// it (`converted`); nothing is written on a refusal.
JetConversion ConvertJetFileBeside(const QString& jetPath, const JetProgressReport& progress = {});

}  // namespace mox
