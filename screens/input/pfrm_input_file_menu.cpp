// The input screen's life cycle (closing, the end of the run, the version
// notice) and its database-file menu: a new database from the template,
// another database for the rest of the run, a copy of the one in use.

#include "core/checked_copy.h"
#include "core/compaction.h"
#include "core/connections.h"
#include "core/database_file_check.h"
#include "core/database_replacement.h"
#include "core/files.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "core/version.h"
#include "platform/db/file_kind.h"
#include "platform/gui/file_dialog.h"
#include "platform/gui/progress_window.h"
#include "platform/gui/screen.h"
#include "platform/message_box.h"
#include "records/jet_conversion.h"
#include "records/shared_records.h"
#include "screens/input/pfrm_input.h"
#include "upgrade/upgrade_progress.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <optional>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The file a menu entry works on, asked in the folder of the database in
// use with its name filled in. Nothing when the user cancelled or the path
// names no file.
struct ChosenFile {
    QString folder;
    QString name;
    QString Path() const { return folder + QLatin1Char('/') + name; }
};

std::optional<ChosenFile> ChooseDatabaseFile(QWidget* parent, platform::FileDialogRequest::Kind kind,
                                             const QString& title, bool confirmOverwrite) {
    platform::FileDialogRequest request;
    request.kind = kind;
    request.title = title;
    request.folder = G().AppPath() + QLatin1Char('/');
    request.fileName = G().MainDbFile().mid(1);
    // The Windows dialog matched the extension in any case; the program's
    // own file is VXMOX2.MDB.
    request.filter = QStringLiteral("データベース (*.mdb *.MDB *.Mdb)");
    request.mustExist = kind == platform::FileDialogRequest::Kind::Open;
    request.confirmOverwrite = confirmOverwrite;
    const std::optional<QString> path = platform::ShowFileDialog(request, parent);
    if (!path) return std::nullopt;
    ChosenFile chosen;
    if (SplitPath(*path, chosen.folder, chosen.name) || chosen.name.isEmpty()) return std::nullopt;
    return chosen;
}

// The new file made from a Windows file beside it, of which the user has
// been told; "" when it could not be made (the user was told why).
QString ConvertChosenWindowsFile(const QString& jetPath) {
    JetConversion c;
    {
        platform::ProgressWindow window(
            QStringLiteral("データベースの変換"),
            QStringLiteral("選択されたファイルは Windows 版のデータベース（Access 形式）のため、") +
                QStringLiteral("本システムの形式に変換しています。"));
        c = ConvertJetFileBeside(jetPath, [&window](const JetProgress& p) { window.Show(p.file, p.done, p.total); });
    }
    if (!c.Converted()) {
        platform::MsgBox(FailureText(c.failure) + kCrLf + kCrLf +
                             QStringLiteral("選択されたファイルは変更していません。使用中ファイルは、そのままです。"),
                         16, QStringLiteral("変換エラー"));
        return {};
    }
    platform::MsgBox(QStringLiteral("選択されたファイルは Windows 版のデータベース（Access 形式）のため、") + kCrLf +
                         QStringLiteral("本システムの形式に変換した新しいファイルを作成して開きます。") + kCrLf +
                         kCrLf + QStringLiteral("選択されたファイル（変更していません）：") + kCrLf + jetPath + kCrLf +
                         kCrLf + QStringLiteral("変換したファイル：") + kCrLf + c.converted,
                     64, QStringLiteral("変換完了"));
    return c.converted;
}

}  // namespace

// ---- Closing ----

bool PFrmInput::Form_QueryUnload() {
    JudgeFocusedEdit();
    if (entry_.DataChanged) {
        const int answer =
            platform::MsgBox(QStringLiteral("データが保存されていません。終了してもよろしいですか？　　"), 4 + 48,
                             QStringLiteral("確認"));
        if (answer != platform::kYes) return false;
    }
    EndRequested = 1;
    return true;
}

void PFrmInput::Form_Unload() {
    if (EndRequested != 1) return;
    ending_ = true;
    hide();
    if (endRun_) endRun_();
}

void PFrmInput::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    if (GlobalObjectsExist() && !Form_QueryUnload()) {
        event->ignore();
        return;
    }
    event->accept();
    EndRequested = 1;
    Form_Unload();
}

void PFrmInput::UnloadWithoutEnding() {
    EndRequested = 0;
    ending_ = true;
    close();
}

void PFrmInput::LblHead_Click() {
    platform::MsgBox(QStringLiteral("    詳細バージョンは、") + GetVersionText() + QStringLiteral(" です。"), 0);
}

// ---- The database-file menu ----

void PFrmInput::BuildFileMenu() {
    mnuFile = new QMenu(QStringLiteral("ファイル"), this);
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    const std::pair<QAction**, const char16_t*> entries[] = {
        {&mnuCreate, u"新規作成"}, {&mnuOpen, u"開く"}, {&mnuSave, u"コピーを作成"}};
    for (const auto& [action, text] : entries) *action = mnuFile->addAction(QString::fromUtf16(text));
    connect(mnuCreate, &QAction::triggered, this, [this] { Guarded([this] { mnuCreate_Click(); }); });
    connect(mnuOpen, &QAction::triggered, this, [this] { Guarded([this] { mnuOpen_Click(); }); });
    connect(mnuSave, &QAction::triggered, this, [this] { Guarded([this] { mnuSave_Click(); }); });
}

void PFrmInput::CmdFile_Click() { mnuFile->popup(QCursor::pos()); }

bool PFrmInput::SaveBeforeFileMenu() {
    JudgeFocusedEdit();
    if (!entry_.DataChanged || AskUnsavedQuestion() != platform::kYes) return true;
    return SaveExamination();
}

void PFrmInput::mnuCreate_Click() {
    if (!SaveBeforeFileMenu()) return;
    const std::optional<ChosenFile> chosen =
        ChooseDatabaseFile(this, platform::FileDialogRequest::Kind::Save,
                           QStringLiteral("新規に作成するファイルを指定して保存して下さい"), false);
    if (!chosen) return;
    if (CheckFile(chosen->Path())) {
        platform::MsgBox(QStringLiteral("ファイルが存在するため、新規作成できません。"), 16,
                         QStringLiteral("新規作成エラー"));
        return;
    }
    // The new file holds the template only, owner-only from its first byte;
    // when it cannot be made the database in use stays.
    if (const Failure f = MakeFromTemplate(chosen->Path())) {
        ReportCopyFileError(f);
        return;
    }
    UseDatabase(chosen->Path());
    ShowFirstPatient();
}

void PFrmInput::mnuOpen_Click() {
    if (!SaveBeforeFileMenu()) return;
    std::optional<ChosenFile> chosen = ChooseDatabaseFile(this, platform::FileDialogRequest::Kind::Open,
                                                          QStringLiteral("開くファイルを選択して下さい"), false);
    if (!chosen) return;
    // A file of the Windows release is opened as its conversion beside it.
    if (db::FileKindAt(chosen->Path()) == db::FileKind::Jet) {
        const QString converted = ConvertChosenWindowsFile(chosen->Path());
        if (converted.isEmpty()) return;
        chosen->name = QFileInfo(converted).fileName();
    }
    // A wrong choice must never end the program or leave it on a file it
    // cannot use: the file is tried before anything points at it.
    if (const Failure refusal = CheckChosenDatabase(chosen->Path())) {
        LogFailure(refusal);
        platform::MsgBox(QStringLiteral("選択されたファイルは使用できません。使用中ファイルは、そのままです。") +
                             kCrLf + kCrLf + chosen->Path() + kCrLf + kCrLf + FailureText(refusal),
                         16, QStringLiteral("ファイルオープンエラー"));
        return;
    }
    const QString previous = G().MainDb().Path();
    UseDatabase(chosen->Path());
    if (const Failure failure = UpgradeShowingProgress<platform::ProgressWindowForLongWork>()) {
        UseDatabase(previous);
        LogFailure(failure);
        platform::MsgBox(QStringLiteral("選択されたファイルを更新できませんでした。使用中ファイルは、元のままです。") +
                             kCrLf + kCrLf + chosen->Path() + kCrLf + kCrLf + FailureText(failure),
                         16, QStringLiteral("ファイルオープンエラー"));
        return;
    }
    {
        // The tooth buttons keep the colours of the load (SetRowColours).
        MainDbHold hold;
        if (hold) {
            LoadStageList();
            LoadStaffRecord();
            LoadExamItems();
        }
    }
    ShowFirstPatient();
}

void PFrmInput::mnuSave_Click() {
    if (!SaveBeforeFileMenu()) return;
    const std::optional<ChosenFile> chosen =
        ChooseDatabaseFile(this, platform::FileDialogRequest::Kind::Save, QStringLiteral("コピーを作成"), true);
    if (!chosen) return;
    const QString source = G().MainDb().Path();
    const QString target = chosen->Path();
    // The file in use under another spelling (a link, "..") is the same file.
    if (target == source || IsSameFile(source, target)) {
        platform::MsgBox(QStringLiteral("コピー元とコピー先が同じです。処理を中止します。"), 16,
                         QStringLiteral("指定エラー"));
        return;
    }
    // A copy under the name of the compaction's copy, the template or a work
    // file would be removed or overwritten by the programs.
    if (IsReservedName(source, target)) {
        platform::MsgBox(QStringLiteral("この名前はプログラムが使用するため、コピーの名前にできません。") +
                             QStringLiteral("ファイル名を変えてください。") + kCrLf + kCrLf + target,
                         16, QStringLiteral("指定エラー"));
        return;
    }
    const bool replacing = IsNameTaken(target);
    // The backup's copy: a damaged database never replaces an older copy,
    // which may be the last sound one.
    const Expected<bool> sound = [&] {
        const platform::Hourglass hourglass;
        return CopyCheckedDatabase(source, target, Doing::CopyInUse);
    }();
    if (!sound) {
        LogFailure(sound.error());
        platform::MsgBox(
            FailureText(sound.error()) + kCrLf + kCrLf + QStringLiteral("使用中ファイルは、そのままです。"), 16,
            QStringLiteral("コピー作成エラー"));
        return;
    }
    if (!*sound)
        platform::MsgBox(FailureText(DamageCopied(target, Doing::CopyInUse)), 48, QStringLiteral("コピー作成"));
    // A compaction copy pending beside the replaced file holds its old data.
    if (replacing) RemovePendingCompaction(target);
    if (*sound)
        platform::MsgBox(QStringLiteral("コピーが作成されました。使用中ファイルは、そのままです。"), 64,
                         QStringLiteral("コピー作成"));
}

void PFrmInput::UseDatabase(const QString& path) {
    // The next open of the main slot names the new file: every later
    // connection, the backup and the compaction at the end use it.
    CloseMainDb();
    G().SetMainDatabase(path);
    ShowDatabasePath();
}

void PFrmInput::ShowFirstPatient() {
    MainDbHold hold;
    // What the screen showed belonged to the other file.
    entry_.DataChanged = false;
    {
        const QSignalBlocker blocker(CmbOutNo);
        CmbOutNo->setCurrentIndex(0);
    }
    TextAtFocus.clear();
    StageAtFocus = -1;
    LoadPatientRecord();
    ListExaminations();
}

}  // namespace mox
