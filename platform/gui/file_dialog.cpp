#include "platform/gui/file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>

namespace mox::platform {

namespace {

FileDialogAnswerer& Answerer() {
    static FileDialogAnswerer answerer;
    return answerer;
}

}  // namespace

void SetFileDialogAnswerer(FileDialogAnswerer answerer) { Answerer() = std::move(answerer); }

std::optional<QString> ShowFileDialog(const FileDialogRequest& request, QWidget* parent) {
    if (Answerer()) return Answerer()(request);

    QFileDialog dialog(parent, request.title, request.folder, request.filter);
    using Kind = FileDialogRequest::Kind;
    switch (request.kind) {
        case Kind::Open:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
            break;
        case Kind::Save:
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
            break;
        case Kind::Folder:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly, true);
            break;
    }
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace mox::platform
