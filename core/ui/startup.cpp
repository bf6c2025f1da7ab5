#include "core/ui/startup.h"

#include "core/files.h"
#include "core/program_end.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "core/ui/empty_main_window.h"
#include "core/ui/global_objects.h"
#include "core/ui/splash.h"
#include "core/ui/test_seams.h"
#include "core/ui/timing.h"
#include "core/version.h"
#include "platform/clock.h"
#include "platform/gui/forms.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/message_boxes.h"
#include "platform/gui/screen.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace mox {

namespace {

std::unique_ptr<platform::InstanceLock> instanceLock;
QPointer<QWidget> mainWindow;

const QString kCrLf = QStringLiteral("\r\n");

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

// Step 4: a missing main database is made from the template. An existing
// file is never replaced, whatever state it is in: the version check that
// follows refuses a file it cannot read.
bool EnsureMainDatabase() {
    Settings& g = G();
    const QString mainPath = g.AppPath + g.MainDbFile;
    if (!CheckDir(mainPath, 0).isEmpty()) return true;
    const QString templatePath = g.ProgramDir + QStringLiteral("/VXMOX2_ORG.MDB");
    if (!CopyFile(templatePath, mainPath)) {
        platform::MsgBox(QStringLiteral("データベース(VXMOX2.MDB)をテンプレートから作成できませんでした。") + kCrLf +
                             QStringLiteral("プログラムを終了します。"),
                         16, QStringLiteral("エラー"));
        return false;
    }
    // The database holds patient data: readable by its owner only.
    QFile::setPermissions(mainPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    platform::Wait(2000);
    return true;
}

void SetStartValues() {
    Settings& g = G();
    g.SoundOn = true;
    g.CurExamDate = platform::CurrentClock().Now().date();
    g.FormBackColor = 0xF8ECF9;
    g.IncludeImplant = 0;
    g.ShowPathInfo = 1;
}

void ShowMainWindow() {
    QWidget* window = Hooks().makeMainWindow ? Hooks().makeMainWindow() : nullptr;
    if (!window) window = new EmptyMainWindow();
    mainWindow = window;
    window->show();
    platform::SetMousePointer(0);
    NotifyMainWindowShown(window);
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

    instanceLock = std::make_unique<platform::InstanceLock>(G().ProgramDir, QStringLiteral("VXMOX"));
    if (!instanceLock->TryAcquire()) {
        platform::MsgBox(QStringLiteral("すでに起動されています。プログラムを終了します。"), 16,
                         QStringLiteral("２重起動"));
        return kSecondInstance;
    }

    if (!EnsureMainDatabase()) return kStartupFailed;

    if (!CheckDbVersion()) {
        platform::MsgBox(QStringLiteral("データベースのバージョンが一致しません。"), 16,
                         QStringLiteral("バージョンエラー"));
        return kVersionRefused;
    }

    if (!WriteVersionFile()) {
        platform::MsgBox(QStringLiteral("バージョンファイル(VersionMOX.txt)を書き込めませんでした。") + kCrLf +
                             QStringLiteral("プログラムフォルダに書き込みできるか確認してください。"),
                         16, QStringLiteral("エラー"));
        return kStartupFailed;
    }

    if (Hooks().registerControlModules) Hooks().registerControlModules();

    CreateGlobalObjects();

    if (Hooks().upgradeDatabaseContent) Hooks().upgradeDatabaseContent();

    MakeToothLabels();
    MakeToothPictureNames();
    MakeToothNumberTable();
    if (Hooks().loadSoundWindow) Hooks().loadSoundWindow();
    SetStartValues();

    auto* splash = new PFrmSplash();
    QObject::connect(splash, &PFrmSplash::Finished, [] { ShowMainWindow(); });
    splash->Form_Load();
    return kStarted;
}

void RunEndSequence() {
    ReleaseGlobalObjects();
    const int answer =
        platform::MsgBox(QStringLiteral("データのバックアップを実行しますか？"), 4, QStringLiteral("バックアップ確認"));
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

int RunVxmox(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    platform::InstallWidgetMessageBoxes();
    platform::RegisterFontSubstitutes();
    platform::LoadJapaneseTranslations();
    InstallTestSeamsFromEnvironment();

    SetEndProgramHandler([] {
        platform::SetMousePointer(11);
        ReleaseGlobalObjects();
        platform::SetMousePointer(0);
        std::fflush(nullptr);
        std::_Exit(1);
    });

    const int started = Main(QCoreApplication::arguments().mid(1));
    if (started != kStarted) return started;
    return app.exec();
}

}  // namespace mox
