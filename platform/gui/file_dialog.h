#pragma once
// The common dialog's file and folder choosers. The screens describe what
// they ask for; tests answer through the seam instead of a window.

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace mox::platform {

struct FileDialogRequest {
    enum class Kind { Open, Save, Folder };
    Kind kind = Kind::Open;
    QString title;
    QString folder;    // initial folder
    QString fileName;  // initial file name (Open and Save)
    // Filter in Qt's form, e.g. "MDBファイル (*.mdb *.MDB);;すべてのファイル (*)".
    QString filter;
    // Open: only an existing file may be chosen. Save: an existing file is
    // only taken after the overwrite question.
    bool mustExist = true;
    bool confirmOverwrite = true;
    // Open and Save: a name of the kind the user picks from (a backup's
    // dated name), which the name column shows whole; the size, type and
    // date columns then show theirs whole too.
    QString typicalName;
};

// Answers the dialog in tests: a path confirms, std::nullopt cancels. An
// empty answerer restores the real dialog.
using FileDialogAnswerer = std::function<std::optional<QString>(const FileDialogRequest&)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

// Shows the dialog; the chosen path, or std::nullopt when the user cancelled.
std::optional<QString> ShowFileDialog(const FileDialogRequest& request, QWidget* parent = nullptr);

}  // namespace mox::platform
