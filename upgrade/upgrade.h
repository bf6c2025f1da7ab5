#pragma once
// The start-up upgrade: brings the content of whichever file the main slot
// names in line with this release. Each step reads only the rows that can
// differ from the current standard and writes only what differs, so a
// current database keeps every row but the version stamp, and a start does
// not load the examination table however large it grows. The steps run on
// the main slot (counted open and release), and each step's writes share
// one transaction.

#include <QString>
#include <array>

namespace mox {

// The five standard examination occasions of TComType (and of
// TExamData.Comment by CommentID), indexed by ID 0..4.
const std::array<QString, 5>& StandardComTypeLabels();

// Runs the whole sequence on the database the main slot names: old-format
// conversion, indexes of the examination rows, sample refresh, item
// settings, occasion table, occasion labels, plaque rows and version stamp,
// sibling preparation. An error of the
// occasion-table step (for example a file without TComType) ends the sequence
// and is thrown to the caller as db::DbError; every other step keeps its
// errors to itself.
void UpgradeDatabaseContent();

// The single steps.
void FixSubExamTable();
void FixComTypeTable();  // throws db::DbError
void MigrateExamComments();
// Plaque rows of every examination, then the version row 1.0.1. The import
// calls it after writing imported rows; a held main slot stays open.
void UpgradeExamData();
// The indexes of the examination rows, which files of earlier releases
// lack: by patient, date and stage for the screens' and the refresh's
// per-patient queries (in place of the earlier one by patient and date); by
// occasion for the label step, which then reads the index instead of the
// whole table; by patient and occasion for the save, which moves one
// patient's stage; and the plaque rows still in the old form, for the plaque
// step. The template carries the same indexes.
void IndexExamRows();

}  // namespace mox
