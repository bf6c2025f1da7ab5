#include "app/vxmox_parts.h"

#include "controls/colour_button/prismet_properties.h"
#include "controls/tooth_button/tooth_button_ids.h"
#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "platform/com/control_host.h"
#include "screens/chart/pfrm_chart_dr.h"
#include "screens/input/input_screen_hooks.h"
#include "screens/input/pfrm_input.h"
#include "shell/end_windows.h"
#include "shell/startup.h"
#include "tools/pfrm_backup.h"
#include "tools/pfrm_import.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>
#include <cstdio>

namespace mox {

namespace {

// The control modules are registered from the program folder when their
// classes are missing, so that a copied program folder works at once.
void RegisterControlModules() {
    const QStringList errors = com::EnsureFolderModulesRegistered(
        QCoreApplication::applicationDirPath(),
        {{"libMolarix.so", molarix::kToothButtonClsid}, {"libPrismet.so", prismet::kClsidPrismet}}, false);
    for (const QString& error : errors) std::fprintf(stderr, "%s\n", qPrintable(error));
}

}  // namespace

void InstallVxmoxParts() {
    StartupHooks& hooks = Hooks();
    hooks.registerControlModules = RegisterControlModules;
    hooks.loadSoundWindow = LoadPlayWaveWindow;
    hooks.makeMainWindow = [](const std::function<void()>& endRun) -> QWidget* { return ShowInputScreen(endRun); };
    // The tools window takes the input screen's place; closing it makes the
    // input screen again.
    // The chart screen opens beside the input screen, which stays.
    InputHooks().showChartScreen = [](QWidget* inputScreen) { ShowChartScreen(inputScreen); };
    InputHooks().showToolsWindow = [](std::function<void()> reopenInputScreen) {
        ShowToolsWindow(std::move(reopenInputScreen));
    };
    InstallUpgradeAndCompaction();
    // After Yes to the backup question; the backup window, however it
    // closes, gives way to the compaction window, which ends the program.
    hooks.showBackupWindow = [] { ShowBackupWindow(ShowCompactWindow); };
}

}  // namespace mox
