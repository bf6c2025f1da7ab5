#include "shell/end_windows.h"

#include "core/program_end.h"
#include "core/program_log.h"
#include "platform/gui/progress_window.h"
#include "platform/message_box.h"
#include "shell/compact_window.h"
#include "shell/startup.h"
#include "upgrade/upgrade_progress.h"

namespace mox {

namespace {

// An error the upgrade passes on means the file lacks what the screens need
// (for example its occasion table): the program cannot go on with it.
void UpgradeAtStartup() {
    const Failure failure = UpgradeShowingProgress<platform::ProgressWindowForLongWork>();
    if (!failure) return;
    LogFailure(failure);
    platform::MsgBox(QStringLiteral("データベースの更新でエラーが発生しました。プログラムを終了します。\r\n\r\n<") +
                         QString::number(failure.number) + QStringLiteral("> ") + FailureText(failure),
                     16, QStringLiteral("エラー"));
    EndProgram();
}

}  // namespace

void ShowCompactWindow() {
    auto* window = new PFrmCompact();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
}

void InstallUpgradeAndCompaction() {
    Hooks().upgradeDatabaseContent = UpgradeAtStartup;
    Hooks().showCompactWindow = ShowCompactWindow;
}

}  // namespace mox
