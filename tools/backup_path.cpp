#include "tools/backup_path.h"

#include "core/files.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/gui/file_dialog.h"
#include "platform/message_box.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QLabel>
#include <QStringList>

namespace mox {

namespace {

const QString kKey = QLatin1String(kBackUpPathKey);

// Only a plain file is a settings file. Opening a pipe of that name for
// reading would wait until something writes to it, and the window would
// hang with it; a pipe or a device counts as no file at all.
bool IsPlainFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

Failure WriteBackUpPath(const QString& iniPath, const QString& folder) {
    const QByteArray bytes = (kKey + QLatin1Char('=') + folder + QStringLiteral("\r\n")).toUtf8();
    return platform::WriteFileAtomically(iniPath, [&bytes](platform::FileSink& sink) { return sink.Write(bytes); });
}

void LoadBackUpPath(QLabel* pathLabel, QString& backUpFolder) {
    const QString ini = BackUpPathFile();
    if (!IsPlainFile(ini)) {
        SaveBackUpPath(pathLabel, backUpFolder);
    } else if (const std::optional<QString> folder = ReadBackUpPath(ini)) {
        backUpFolder = *folder;
    }
    pathLabel->setText(backUpFolder);
}

void SaveBackUpPath(QLabel* pathLabel, QString& backUpFolder) {
    const QString ini = BackUpPathFile();
    const QString folder = pathLabel->text().trimmed().isEmpty() ? G().ProgramDir : pathLabel->text();
    if (const Failure f = WriteBackUpPath(ini, folder))
        platform::MsgBox(FailureText(f.As(Doing::WriteSettings)), 16, QStringLiteral("保存エラー"));
    backUpFolder = folder;
}

std::optional<QString> ChooseBackUpFolder(QWidget* parent, const QString& current) {
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogRequest::Kind::Folder;
    request.title = QStringLiteral("バックアップフォルダの指定");
    request.folder = current;
    std::optional<QString> folder = platform::ShowFileDialog(request, parent);
    if (!folder) return std::nullopt;
    while (folder->size() > 1 && folder->endsWith(QLatin1Char('/'))) folder->chop(1);
    return folder;
}

}  // namespace mox
