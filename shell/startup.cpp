#include "shell/startup.h"

#include "core/files.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "core/version.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "records/shared_records.h"
#include "shell/empty_main_window.h"

#include <QCoreApplication>
#include <QDate>
#include <QFileInfo>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr uint32_t kFormBackColor = 0xF8ECF9;  // RGB(249, 236, 248)

// Step 1: a database named on the command line that does not exist is only
// reported; neither argument is used later.
void CheckCommandLineDatabase() {
    const Settings& g = G();
    if (g.CmdLineArgCount == 0) return;
    const QString path = g.CmdLineArgs[2];
    const QString name = g.CmdLineArgs[3];
    if (!CheckFile(path)) {
        platform::MsgBox(QStringLiteral("引数で指定されたＤＢが見つかりません。") + kCrLf + kCrLf + name, 48,
                         QStringLiteral("ＤＢなし"));
    }
}

void SetStartValues() {
    Settings& g = G();
    g.SoundOn = true;
    g.CurExamDate = platform::CurrentClock().Now().date();
    g.IncludeImplant = 0;
    g.ShowPathInfo = 1;
}

// Steps 6 to 9, once the database is accepted.
int PrepareVxmox() {
    if (!WriteVersionFile()) {
        platform::MsgBox(QStringLiteral("バージョンファイル(VersionMOX.txt)を書き込めませんでした。") + kCrLf +
                             QStringLiteral("プログラムフォルダに書き込みできるか確認してください。"),
                         16, QStringLiteral("エラー"));
        return kStartupFailed;
    }
    const StartupHooks& hooks = Hooks();
    if (hooks.registerControlModules) hooks.registerControlModules();

    CreateGlobalObjects();

    if (hooks.upgradeDatabaseContent) hooks.upgradeDatabaseContent();

    MakeToothLabels();
    MakeToothPictureNames();
    MakeToothNumberTable();
    if (hooks.loadSoundWindow) hooks.loadSoundWindow();
    SetStartValues();
    return kStarted;
}

QWidget* MakeMainWindow() {
    const auto& make = Hooks().makeMainWindow;
    if (QWidget* window = make ? make(RunEndSequence) : nullptr) return window;
    return new EmptyMainWindow(RunEndSequence);
}

}  // namespace

StartupHooks& Hooks() {
    static StartupHooks hooks;
    return hooks;
}

int Main(const QStringList& arguments) {
    ParseCommandLine(arguments);
    CheckCommandLineDatabase();

    SetupDatabasePaths(QCoreApplication::applicationDirPath(),
                       QFileInfo(QCoreApplication::applicationFilePath()).fileName());

    ProgramStart start;
    start.lockName = QStringLiteral("VXMOX");
    start.formBackColor = kFormBackColor;
    start.splash.windowTitle = QStringLiteral("MOX-Chart");
    start.splash.title1 = QStringLiteral("ミラド協会 専門医・認定医・認定歯科衛生士用");
    start.splash.title2 = QStringLiteral("歯周検査ソフト　MOX-Chart　") + GetVersionText();
    start.prepare = PrepareVxmox;
    start.makeMainWindow = MakeMainWindow;
    return StartProgram(start);
}

void RunEndSequence() {
    ReleaseGlobalObjects();
    const int answer = platform::MsgBox(QStringLiteral("データのバックアップを実行しますか？"), 52,
                                        QStringLiteral("バックアップ確認"));
    const auto& hooks = Hooks();
    if (answer == platform::kYes && hooks.showBackupWindow) {
        hooks.showBackupWindow();
        return;
    }
    if (hooks.showCompactWindow) {
        hooks.showCompactWindow();
        return;
    }
    QCoreApplication::exit(0);
}

int RunVxmox(int argc, char** argv) { return RunProgram(argc, argv, Main, ReleaseGlobalObjects); }

}  // namespace mox
