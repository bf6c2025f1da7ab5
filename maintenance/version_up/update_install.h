#pragma once
// Putting the unpacked files of an update into the program folder.
//
// Each file goes in through a temporary file and a rename, so a program
// file is never found half written; it keeps the permissions of the file it
// replaces (a new program gets 0755, other new files 0644). A name that
// differs only in case from a file of the folder replaces that file under
// its own name, as on the Windows file system the update was made for. The
// running version-up program is never replaced: its new copy is left as
// "<name>.new" for the main program to put in place. The clinic's data
// (the database and its copies, MOX.INI, Info.txt, the logs) is never
// overwritten by an update.
//
// When any file fails, exactly the files replaced so far are restored from
// the backup folder and the files added are removed, so the folder is as it
// was before the install.

#include <QString>
#include <QStringList>
#include <functional>

namespace mox::verup {

// True for the names an update must never overwrite (any letter case).
bool IsProtectedName(const QString& name);

struct InstallReport {
    // 0, or the errno of the step that failed.
    int errorNumber = 0;
    // The file whose step failed.
    QString failedName;
    // Names written in the program folder, in order (with "<own>.new").
    QStringList installed;
    // Names of the update that were left out as the clinic's data.
    QStringList protectedNames;
    // After a failure: names that could not be put back.
    QStringList notRestored;
    bool Ok() const { return errorNumber == 0; }
};

// Copies the program folder's top-level files into a fresh private
// `backupFolder`, keeping their modes: all an install can replace. The
// clinic's data is never copied, so no copy of a patient lies in a work
// folder. 0, or the errno of the first failure, whose path goes to
// `failedPath`.
int BackUpProgramFiles(const QString& programFolder, const QString& backupFolder, QString* failedPath);

// Installs the top-level files of `unpackFolder` (subfolders are not
// installed). `backupFolder` holds the copy of the program folder taken
// before the download; `ownFileName` is the running program's file name.
// After a failure `beforeRollBack` (when given) is told before the folder
// is put back.
InstallReport InstallUpdateFiles(const QString& unpackFolder, const QString& programFolder, const QString& backupFolder,
                                 const QString& ownFileName,
                                 const std::function<void(const InstallReport&)>& beforeRollBack = {});

}  // namespace mox::verup
