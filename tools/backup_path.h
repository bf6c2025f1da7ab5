#pragma once
// MOX.INI in the program folder: the remembered backup folder, one line
// "BackUpPath=<folder>". The file is UTF-8 with CR LF line ends. It is
// rewritten whole through a temporary file and a rename, so that a failed
// write never leaves the setting empty.

#include "core/backup_folder.h"
#include "platform/failure.h"

#include <QString>
#include <optional>

class QLabel;
class QWidget;

namespace mox {

// Replaces the file by the single line "BackUpPath=" + folder; on a failure
// the old file is as it was.
Failure WriteBackUpPath(const QString& iniPath, const QString& folder);

// LoadBackUpPath and SaveBackUpPath of the two windows, on the window's own
// folder label and folder variable. Load makes the file first when it is
// missing or no plain file (with the program folder); Save writes the label's folder, or the
// program folder for a blank label. A failed write is shown, naming the file.
void LoadBackUpPath(QLabel* pathLabel, QString& backUpFolder);
void SaveBackUpPath(QLabel* pathLabel, QString& backUpFolder);

// The folder chooser of both windows, opened at the current folder; the
// chosen folder without a trailing "/", or std::nullopt when cancelled.
std::optional<QString> ChooseBackUpFolder(QWidget* parent, const QString& current);

}  // namespace mox
