#include "shell/program_start.h"

#include "core/compaction.h"
#include "core/database_file_check.h"
#include "core/database_replacement.h"
#include "core/files.h"
#include "core/program_end.h"
#include "core/program_log.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "core/version.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/db/file_kind.h"
#include "platform/db/sqlite_file.h"
#include "platform/gui/japanese_ui.h"
#include "platform/gui/message_boxes.h"
#include "platform/gui/progress_window.h"
#include "platform/gui/screen.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "records/jet_conversion.h"
#include "shell/splash.h"
#include "shell/test_seams.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

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

// A rollback journal or log left beside a database that is gone belongs to
// that name: the engine would roll it into whatever file takes the name next
// and spoil it. What it holds is kept under a dated name that no engine reads.
void ShowStartupError(const QString& what) {
    platform::MsgBox(what + kCrLf + QStringLiteral("プログラムを終了します。"), 16, QStringLiteral("エラー"));
}

// A step of the start-up that failed at `stage`.
void ShowStartupError(const Failure& failure, FailureStep stage) {
    const Failure shown = failure.As(Doing::StartUp, stage);
    LogFailure(shown);
    ShowStartupError(FailureText(shown));
}

// The failure of a file under another letter case, `file`, that was to
// become the main database at `mainPath`.
Failure NamingBoth(Failure f, const QString& file, const QString& mainPath) {
    f.file = file;
    f.place = mainPath;
    return f;
}

// A rollback journal or log left beside a database that is gone belongs to
// that name: the engine would roll it into whatever file takes the name next
// and spoil it. What it holds is kept under a dated name that no engine reads.
bool SetLeftoverJournalAside(const QString& mainPath) {
    const Failure moved = db::MakeWayForDatabase(mainPath);
    if (moved) ShowStartupError(moved, FailureStep::SetAside);
    return !moved;
}

// A database copied under another name carries the journal of a write
// that was cut off, or a log, under that name, which no rename carries
// along: the engine rolls it in first. "" when it did, or there was none;
// else the name of the journal or log it could not roll in: the file is
// still half written and must not become the database (the engine's words
// go to the log).
QString SettleUnderOwnName(const QString& path, const QString& mainName) {
    QString pending;
    for (const QString& engineFile : {path + QStringLiteral("-journal"), path + QStringLiteral("-wal")})
        if (pending.isEmpty() && IsNameTaken(engineFile)) pending = engineFile;
    if (pending.isEmpty()) return {};
    const QString what = QStringLiteral("%1 の中断された書き込みの取り消し（%2 への名前の変更は中止） %3")
                             .arg(QFileInfo(path).fileName(), mainName, pending);
    try {
        db::Connection::Open(db::DataSourcePart(path))->Close();
    } catch (const db::DbError& e) {
        LogFailure(what, FailureLogText(e.GetFailure()));
        return QFileInfo(pending).fileName();
    }
    // What is left of a journal holds nothing to roll back.
    if (const Failure f = db::MakeWayForDatabase(path)) {
        LogFailure(what, f.place + QStringLiteral(" ") + FailureText(f));
        return QFileInfo(f.place).fileName();
    }
    return {};
}

enum class CaseVariant { None, Taken, Refused };

// A clinic's database copied from Windows may come under another letter case
// (a memory stick mounted with lower-case short names gives "vxmox2.mdb"),
// and Windows would open it as the main database: here it takes the main
// file's name, rather than the template being copied beside it. Several
// such files leave a guess, and the start stops naming them.
CaseVariant TakeMainDatabaseUnderAnotherCase(const QString& mainPath) {
    const QStringList found = FindFilesIgnoringCase(mainPath);
    if (found.isEmpty()) return CaseVariant::None;
    const QString mainName = QFileInfo(mainPath).fileName();
    if (found.size() > 1) {
        QStringList names;
        for (const QString& path : found) names << QFileInfo(path).fileName();
        ShowStartupError(
            QStringLiteral("データベース(%1)がなく、\r\n名前の大文字・小文字だけが異なるファイルが複数あるため、"
                           "どれを使うか決められません。")
                .arg(mainName) +
            kCrLf + kCrLf + names.join(kCrLf) + kCrLf + kCrLf +
            QStringLiteral("使うファイルの名前を %1 に変えてから、もう一度起動してください。").arg(mainName));
        return CaseVariant::Refused;
    }
    const QString variantName = QFileInfo(found.front()).fileName();
    if (const QString journal = SettleUnderOwnName(found.front(), mainName); !journal.isEmpty()) {
        ShowStartupError(QStringLiteral("データベース(%1)には、").arg(variantName) + kCrLf +
                         QStringLiteral("途中で中断された書き込みが残っています。") + kCrLf +
                         QStringLiteral("その記録(%1)を読み書きできないか、").arg(journal) + kCrLf +
                         QStringLiteral("読み書きでエラーが発生したため、元に戻せませんでした。") + kCrLf +
                         QStringLiteral("このままでは %1 として使うことができません。").arg(mainName) + kCrLf + kCrLf +
                         QStringLiteral("%1 と %2 は、").arg(variantName, journal) + kCrLf +
                         QStringLiteral("どちらもそのまま残してあります。") + kCrLf +
                         QStringLiteral("%1 をこのユーザーで読み書きできるようにしてから").arg(journal) + kCrLf +
                         QStringLiteral("（ファイルを作ったユーザーで所有者やアクセス権を変えるなど）、") + kCrLf +
                         QStringLiteral("もう一度起動してください。") + kCrLf + kCrLf +
                         QStringLiteral("詳しい原因は次のファイルに記録しました。") + kCrLf + LogPath() + kCrLf);
        return CaseVariant::Refused;
    }
    // A Windows file is converted and checked by the conversion; any other
    // file becomes the database only with this system's layout.
    if (db::FileKindAt(found.front()) != db::FileKind::Jet) {
        if (const Failure f = CheckDatabaseLayout(found.front())) {
            ShowStartupError(NamingBoth(f, found.front(), mainPath), FailureStep::Check);
            return CaseVariant::Refused;
        }
    }
    if (const Failure f = platform::PlaceFileAtomically(found.front(), mainPath, platform::FileAccess::OwnerOnly)) {
        ShowStartupError(NamingBoth(f, found.front(), mainPath), FailureStep::Rename);
        return CaseVariant::Refused;
    }
    platform::MsgBox(
        QStringLiteral("プログラムのフォルダにあった %1 を、名前を %2 に変えてデータベースとして使います。")
            .arg(variantName, mainName),
        64, QStringLiteral("データベース"));
    return CaseVariant::Taken;
}

// A missing main database is made from the template. An existing file is
// never replaced, whatever state it is in: the version check that follows
// refuses a file it cannot read.
bool EnsureMainDatabase() {
    const Settings& g = G();
    const QString mainPath = g.MainDb().Path();
    if (!CheckDir(mainPath, 0).isEmpty()) return true;
    if (!SetLeftoverJournalAside(mainPath)) return false;

    if (const CaseVariant variant = TakeMainDatabaseUnderAnotherCase(mainPath); variant != CaseVariant::None)
        return variant == CaseVariant::Taken;

    // With the main file gone, a leftover compaction target (VXCP.MDB) may
    // hold the only copy of the data: it goes in place of the template.
    if (RecoverLeftoverCompaction()) return true;

    // The database holds patient data: it is owner-only from its first byte.
    if (const Failure f = MakeFromTemplate(mainPath)) {
        ShowStartupError(f, FailureStep::Write);
        return false;
    }
    platform::Wait(2000);
    return true;
}

void ShowVersionRefused() {
    platform::MsgBox(QStringLiteral("データベースのバージョンが一致しません。"), 16,
                     QStringLiteral("バージョンエラー"));
}

// A clinic's database brought over from the Windows release is converted
// before anything reads it, with a window that shows it working. kStarted
// unless it could not be converted: then the user was told why, nothing
// changed, and the result is the start's exit code. A version the start-up
// refuses is refused as the version check refuses the same version of its
// own files.
int ConvertWindowsMainDatabase() {
    const QString mainPath = G().MainDb().Path();
    std::optional<platform::ProgressWindow> window;
    if (db::FileKindAt(mainPath) == db::FileKind::Jet)
        window.emplace(QStringLiteral("データベースの変換"),
                       QStringLiteral("Windows 版のデータベース（Access 形式）を本システムの形式に変換しています。"));
    const JetConversion c = ConvertJetMainDatabase([&window](const JetProgress& p) {
        if (window) window->Show(p.file, p.done, p.total);
    });
    window.reset();
    if (c.Refused() && c.failure.kind == FailureKind::OldVersion) {
        ShowVersionRefused();
        return kVersionRefused;
    }
    if (c.Refused()) {
        platform::MsgBox(FailureText(c.failure) + QStringLiteral("\r\n\r\nデータベースは変更していません。"), 16,
                         QStringLiteral("変換エラー"));
        return kStartupFailed;
    }
    if (c.Converted()) {
        QString text = QStringLiteral("Windows 版のデータベース（Access 形式）を本システムの形式に変換しました。") +
                       QStringLiteral("\r\n\r\n") + c.converted + QStringLiteral("\r\n\r\n") +
                       QStringLiteral("変換前のファイルは次の名前で残してあります。") + kCrLf + c.kept;
        if (!c.warning.isEmpty()) text += QStringLiteral("\r\n\r\n") + c.warning;
        platform::MsgBox(text, c.warning.isEmpty() ? 64 : 48, QStringLiteral("変換完了"));
        ForgetJetConversionNote();
    }
    return kStarted;
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
    if (const int converted = ConvertWindowsMainDatabase(); converted != kStarted) return converted;

    if (!CheckDbVersion()) {
        ShowVersionRefused();
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
