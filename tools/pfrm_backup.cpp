#include "tools/pfrm_backup.h"

#include "core/settings.h"
#include "platform/clock.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "platform/message_box.h"
#include "tools/backup_path.h"
#include "tools/database_copy.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QTimer>

namespace mox {

using platform::TwipsRect;

PFrmBackup::PFrmBackup(std::function<void()> showCompactWindow, QWidget* parent)
    : QWidget(parent), showCompactWindow_(std::move(showCompactWindow)) {
    setWindowTitle(QStringLiteral("MOX-Chart"));
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 10));
    setFixedSize(TwipsRect(0, 0, 9300, 3900).size());

    Label2 = AddLabel(this, QStringLiteral("Label2"),
                      QStringLiteral("バックアップデータを保存するフォルダ（外部記憶装置や他のPCのフォルダ）"),
                      {240, 240, 8800, 300});
    LblPathBackUp = AddPathBox(this, QStringLiteral("LblPathBackUp"), {240, 600, 6840, 360});
    // Two lines each: a folder on a stick or another PC makes a long path.
    LblSrcBackUp = AddLabel(this, QStringLiteral("LblSrcBackUp"), QString(), {240, 1140, 8800, 600});
    LblDesBackUp = AddLabel(this, QStringLiteral("LblDesBackUp"), QString(), {240, 1800, 8800, 600});
    for (QLabel* l : {LblSrcBackUp, LblDesBackUp}) {
        l->setWordWrap(true);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    buttons_.Add(this, QStringLiteral("CmdPathBackUp"), -1, TwipsRect(7200, 540, 1800, 480),
                 [this] { CmdPathBackUp_Click(); });
    buttons_.Add(this, QStringLiteral("CmdBackUp"), -1, TwipsRect(2400, 2640, 2280, 720),
                 [this] { CmdBackUp_Click(); });
    buttons_.Add(this, QStringLiteral("CmdEnd"), -1, TwipsRect(4920, 2640, 1800, 720), [this] { CmdEnd_Click(); });
}

PFrmBackup::~PFrmBackup() = default;

void PFrmBackup::Form_Load() {
    {
        const platform::Hourglass hourglass;
        platform::CenterForm(this, G().FormBackColor);
        LoadBackUpPath();
        LblSrcBackUp->setText(QStringLiteral("バックアップ元：") + G().MainDb().Path());
        BackUpFileName = mox::BackUpFileName(G().DbBaseName(), platform::CurrentClock().Now());
        ShowDestination();
    }
    show();
    buttons_.ReportFailure();
}

void PFrmBackup::LoadBackUpPath() { mox::LoadBackUpPath(LblPathBackUp, BackUpFolder); }

void PFrmBackup::SaveBackUpPath() { mox::SaveBackUpPath(LblPathBackUp, BackUpFolder); }

void PFrmBackup::ShowDestination() {
    LblDesBackUp->setText(QStringLiteral("バックアップ先：") + LblPathBackUp->text() + QLatin1Char('/') +
                          BackUpFileName);
}

void PFrmBackup::CmdPathBackUp_Click() {
    const std::optional<QString> folder = ChooseBackUpFolder(this, BackUpFolder);
    if (!folder) return;
    BackUpFolder = *folder;
    LblPathBackUp->setText(BackUpFolder);
    ShowDestination();
    SaveBackUpPath();
}

void PFrmBackup::CmdBackUp_Click() {
    if (LblPathBackUp->text().isEmpty()) {
        platform::MsgBox(QStringLiteral("バックアップデータを保存するフォルダを指定してください。"), 16,
                         QStringLiteral("フォルダ指定"));
        CmdPathBackUp_Click();
        return;
    }
    const QString source = G().MainDb().Path();
    const QString target = LblPathBackUp->text() + QLatin1Char('/') + BackUpFileName;
    if (BackUpDatabase(source, target, BackUpTargetChoice::Folder)) close();
}

void PFrmBackup::CmdEnd_Click() { close(); }

void PFrmBackup::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void PFrmBackup::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    // The compaction runs its attempts inside its own loading; this window
    // is gone from the screen before that starts.
    hide();
    if (showCompactWindow_) QTimer::singleShot(0, qApp, showCompactWindow_);
}

void ShowBackupWindow(std::function<void()> showCompactWindow) {
    auto* window = new PFrmBackup(std::move(showCompactWindow));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
}

}  // namespace mox
