#pragma once
// The start-up upgrade: brings the content of whichever file the main slot
// names in line with this release. Each step reads only the rows that can
// differ from the current standard and writes only what differs, so a
// current database keeps every row but the version stamp, and a start does
// not load the examination table however large it grows. A step writes only
// the columns it means to change, many rows a statement. The steps run on
// the main slot (counted open and release); each step's writes share one
// transaction, and the sequence runs its steps inside one more, so that a
// file of an earlier release, whose rows nearly all change, has each page
// written once.

#include <QString>
#include <cstdint>
#include <functional>

namespace mox {

// Runs the whole sequence on the database the main slot names: old-format
// conversion, sample refresh, item settings, occasion table, occasion
// labels, plaque rows and version stamp, indexes of the examination rows
// (made after the rows they index are rewritten), sibling preparation. An
// error of the
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

// Told by a step that has work to do, before the work and as it goes: the
// step in the user's words, then how much of its work is done. One receiver
// at a time (the start-up's window); none by default. A step of a database
// that is already current tells nothing.
using UpgradeProgress = std::function<void(const QString& step, int64_t done, int64_t total)>;
// Installs `receiver` (empty: none) and returns the one it replaces.
UpgradeProgress SetUpgradeProgress(UpgradeProgress receiver);

// While one lives, the upgrade tells `receiver` of its progress.
class UpgradeProgressScope {
public:
    explicit UpgradeProgressScope(UpgradeProgress receiver) : previous_(SetUpgradeProgress(std::move(receiver))) {}
    ~UpgradeProgressScope() { SetUpgradeProgress(std::move(previous_)); }
    UpgradeProgressScope(const UpgradeProgressScope&) = delete;
    UpgradeProgressScope& operator=(const UpgradeProgressScope&) = delete;

private:
    UpgradeProgress previous_;
};

// The upgrade shows a window for steps with at least this many rows to do.
inline constexpr int64_t kUpgradeRowsWorthAWindow = 2000;

}  // namespace mox
