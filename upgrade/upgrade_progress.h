#pragma once
// The upgrade of the database in use as the start-up and the file menu's
// open run it: a window shows the steps with much work, and a failure is
// handed back to be reported once that window is gone, never under it.
// This layer draws no window: the caller names the progress window's type
// (platform/gui's ProgressWindowForLongWork; a test passes its own).

#include "platform/db/db_error.h"
#include "upgrade/upgrade.h"

#include <QString>
#include <cstdint>

namespace mox {

// Runs UpgradeDatabaseContent under a `Window`, made as
// Window(caption, what, worthAWindow) and told Show(step, done, total).
// Empty, or the failure the upgrade passed on.
template <typename Window>
Failure UpgradeShowingProgress() {
    try {
        Window window(QStringLiteral("MOX-Chart"),
                      QStringLiteral("データベースを更新しています。しばらくお待ちください。"),
                      kUpgradeRowsWorthAWindow);
        const UpgradeProgressScope progress(
            [&window](const QString& step, int64_t done, int64_t total) { window.Show(step, done, total); });
        UpgradeDatabaseContent();
    } catch (const db::DbError& e) {
        // The window went with the unwinding.
        return e.GetFailure();
    }
    return {};
}

}  // namespace mox
