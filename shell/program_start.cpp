#include "shell/program_start.h"

#include "core/compaction.h"
#include "core/files.h"
#include "core/program_end.h"
#include "core/settings.h"
#include "shell/splash.h"
#include "shell/test_seams.h"
#include "core/version.h"
#include "records/jet_conversion.h"
#include "platform/clock.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/message_boxes.h"
#include "platform/gui/screen.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace mox {

namespace {

std::unique_ptr<platform::InstanceLock> instanceLock;

const QString kCrLf = QStringLiteral("\r\n");

// The programs that write the folder's database. Only one of them may run at
// a time: the converter's rows would be lost under the main program's
// compaction, which puts a new file in the database's place.
struct DatabaseProgram {
    const char* lockName;
    const char* title;
};
constexpr DatabaseProgram kDatabasePrograms[] = {{"VXMOX", "MOX-Chart"}, {"MOXConvert", "データコンバート"}};

const DatabaseProgram* DatabaseProgramOf(const QString& lockName) {
    for (const DatabaseProgram& program : kDatabasePrograms)
        if (lockName == QLatin1String(program.lockName)) return &program;
    return nullptr;
}

// The programs a start of `ownLockName` must not run beside.
QStringList ExcludedPrograms(const QString& ownLockName) {
    QStringList others;
    if (!DatabaseProgramOf(ownLockName)) return others;
    for (const DatabaseProgram& other : kDatabasePrograms)
        if (ownLockName != QLatin1String(other.lockName)) others << QLatin1String(other.lockName);
    return others;
}

void ShowOtherProgramRunning(const DatabaseProgram& own, const DatabaseProgram& other) {
    const QString otherTitle = QString::fromUtf8(other.title);
    platform::MsgBox(otherTitle + QStringLiteral("が起動しています。") + kCrLf +
                         QStringLiteral("同じデータベースを同時に使うことはできないため、") +
                         QString::fromUtf8(own.title) + QStringLiteral("を終了します。") + kCrLf + otherTitle +
                         QStringLiteral("を終了してから、もう一度起動してください。"),
                     16, QStringLiteral("同時起動"));
}

// A rollback journal left beside a database that is gone belongs to that
// database: the engine would roll it into whatever file takes the name next
// and spoil it. It is kept under a dated name that no engine reads.
bool SetLeftoverJournalAside(const QString& mainPath) {
    const QString journal = mainPath + QStringLiteral("-journal");
    if (!IsNameTaken(journal)) return true;
    const QString stamp = platform::CurrentClock().Now().toString(QStringLiteral("yyyyMMdd_HHmmss"));
    QString aside = journal + QLatin1Char('_') + stamp;
    for (int n = 2; IsNameTaken(aside); ++n)
        aside = journal + QLatin1Char('_') + stamp + QLatin1Char('_') + QString::number(n);
    if (RenameFile(journal, aside)) return true;
    platform::MsgBox(QStringLiteral("前回の作業ファイル(") + QFileInfo(journal).fileName() +
                         QStringLiteral(")を別名で保存できませんでした。") + kCrLf +
                         QStringLiteral("プログラムを終了します。"),
                     16, QStringLiteral("エラー"));
    return false;
}

// A missing main database is made from the template. An existing file is
// never replaced, whatever state it is in: the version check that follows
// refuses a file it cannot read.
bool EnsureMainDatabase() {
    const Settings& g = G();
    const QString mainPath = g.AppPath + g.MainDbFile;
    if (!CheckDir(mainPath, 0).isEmpty()) return true;
    if (!SetLeftoverJournalAside(mainPath)) return false;

    // With the main file gone, a leftover compaction target (VXCP.MDB) may
    // hold the only copy of the data: it goes in place of the template.
    if (RecoverLeftoverCompaction()) return true;

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

}  // namespace

int StartProgram(const ProgramStart& start) {
    instanceLock.reset();
    platform::StartLock taken =
        platform::TakeStartLock(G().ProgramDir, start.lockName, ExcludedPrograms(start.lockName));
    if (!taken.lock) {
        if (taken.heldName == start.lockName) {
            platform::MsgBox(QStringLiteral("すでに起動されています。プログラムを終了します。"), 16,
                             QStringLiteral("２重起動"));
        } else {
            ShowOtherProgramRunning(*DatabaseProgramOf(start.lockName), *DatabaseProgramOf(taken.heldName));
        }
        return kSecondInstance;
    }
    instanceLock = std::move(taken.lock);
    // Neither program runs beside this one now, so a work copy of a database
    // left in the program's folders was left by a killed run.
    CleanUpAfterKilledRuns();

    if (!EnsureMainDatabase()) return kStartupFailed;
    // A clinic's database brought over from the Windows release.
    if (!ConvertJetMainDatabase()) return kStartupFailed;

    if (!CheckDbVersion()) {
        platform::MsgBox(QStringLiteral("データベースのバージョンが一致しません。"), 16,
                         QStringLiteral("バージョンエラー"));
        return kVersionRefused;
    }

    if (start.prepare) {
        if (const int result = start.prepare(); result != kStarted) return result;
    }

    G().FormBackColor = start.formBackColor;
    auto* splash = new PFrmSplash(start.splash);
    const auto makeMainWindow = start.makeMainWindow;
    QObject::connect(splash, &PFrmSplash::Finished, [makeMainWindow] {
        QWidget* window = makeMainWindow ? makeMainWindow() : nullptr;
        if (window) window->show();
        platform::SetMousePointer(0);
        if (window) NotifyMainWindowShown(window);
    });
    splash->Form_Load();
    return kStarted;
}

int RunProgram(int argc, char** argv, const std::function<int(const QStringList& arguments)>& main,
               std::function<void()> releaseObjects) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    platform::InstallWidgetMessageBoxes();
    platform::RegisterFontSubstitutes();
    platform::LoadJapaneseTranslations();
    InstallTestSeamsFromEnvironment();

    SetEndProgramHandler([releaseObjects = std::move(releaseObjects)] {
        platform::SetMousePointer(11);
        if (releaseObjects) releaseObjects();
        platform::SetMousePointer(0);
        std::fflush(nullptr);
        std::_Exit(1);
    });

    const int started = main(QCoreApplication::arguments().mid(1));
    if (started != kStarted) return started;
    return app.exec();
}

}  // namespace mox
