#include "maintenance/remover/remover.h"

#include "core/files.h"
#include "core/text_format.h"
#include "maintenance/shared/run_and_wait.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/failure.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "platform/staging_name.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>
#include <cerrno>
#include <memory>
#include <vector>

namespace mox::remover {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kTwoLines = QStringLiteral("\r\n\r\n");
const QString kConfirm = QStringLiteral("確認");
constexpr int kYesNoWarning = 52;
constexpr int kYesNoCancelWarning = 51;
constexpr int kCritical = 16;

enum ExitCode { kDone = 0, kStepFailed = 1, kMainProgramRunning = 2 };

// The editions an earlier installer registered, by their DisplayName.
bool IsKnownEdition(const QString& displayName) {
    static const QStringList editions = {QStringLiteral("VXMOX2-CHART"),    QStringLiteral("VXMOX-CHART"),
                                         QStringLiteral("MOX-Chart Ver.2"), QStringLiteral("MOX-Chart Ver.2.5"),
                                         QStringLiteral("MOX-Chart Ver.3"), QStringLiteral("MOX-Chart Ver.4")};
    return editions.contains(displayName);
}

// The database's dated copy: "yyyymmdd-hhnn-VXMOX2.MDB", with a number
// added when a copy of that minute is already there.
QString DatedCopyPath(const QString& folder, const QDateTime& now) {
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmm-"));
    QString path = folder + QLatin1Char('/') + stamp + QStringLiteral("VXMOX2.MDB");
    for (int n = 2; IsNameTaken(path); ++n)
        path = folder + QLatin1Char('/') + stamp + QString::number(n) + QStringLiteral("-VXMOX2.MDB");
    return path;
}

void ShowFileFailure(const QString& what, int err, const QString& target) {
    platform::MsgBox(what + kTwoLines + FailureText(FromErrno(FailureStep::Write, err, target)) + kTwoLines + target +
                         kTwoLines + QStringLiteral("アンインストールを中止します。"),
                     kCritical, QStringLiteral("エラー"));
}

void StartInstaller(const RemoverSetup& setup) {
    const QString installer = setup.ownFolder + QStringLiteral("/vxs");
    if (!QProcess::startDetached(installer, {}, setup.ownFolder)) {
        platform::MsgBox(
            QStringLiteral("新しいプログラムのインストーラを起動できませんでした。") + kTwoLines + installer, kCritical,
            QStringLiteral("エラー"));
        return;
    }
    platform::Wait(2000);
}

bool RunUninstall(const QString& command, const RemoverSetup& setup) {
    const QStringList parts = QProcess::splitCommand(command);
    const QString cannotStart =
        QStringLiteral("プログラムを起動できませんでした。 ＜") + command + QStringLiteral("＞");
    if (parts.isEmpty()) {
        platform::MsgBox(cannotStart, kCritical, QStringLiteral("エラー"));
        return false;
    }
    RunOptions options;
    options.timeoutMs = setup.uninstallTimeoutMs;
    options.pollMs = 1000;
    const int code = RunAndWait(parts.front(), parts.mid(1), options);
    if (code == kRunNotStarted) {
        platform::MsgBox(cannotStart, kCritical, QStringLiteral("エラー"));
        return false;
    }
    if (code == kRunTimedOut) {
        platform::MsgBox(QStringLiteral("アンインストールが時間内に終わりませんでした。") + kTwoLines +
                             QStringLiteral("新しいプログラムのインストールは行いません。"),
                         kCritical, QStringLiteral("エラー"));
        return false;
    }
    if (code != 0) {
        platform::MsgBox(QStringLiteral("アンインストールが正常に終了しませんでした。 ［終了コード：") +
                             (code == kRunCrashed ? QStringLiteral("異常終了") : QString::number(code)) +
                             QStringLiteral("］") + kTwoLines +
                             QStringLiteral("新しいプログラムのインストールは行いません。"),
                         kCritical, QStringLiteral("エラー"));
        return false;
    }
    return true;
}

}  // namespace

QString UninstallKey(const QString& productCode) {
    return QStringLiteral("HKEY_LOCAL_MACHINE/Software/Microsoft/Windows/CurrentVersion/Uninstall/") + productCode;
}

QString GetUninstallDisplayName(const QString& productCode) {
    return NulTerminated(platform::RegistryRead(UninstallKey(productCode), QStringLiteral("DisplayName")));
}

int CopyIfPresent(const QString& source, const QString& target) {
    if (!QFileInfo(source).isFile()) return ENOENT;
    if (IsNameTaken(target)) return EEXIST;
    // The copy is made under a name of its own, readable by its owner only
    // (it holds patient data), and then given the target's name only if
    // that is still free.
    const QString part = platform::StagedFilePath(target);
    if (const Failure f = platform::CopyFileAtomically(source, part, platform::FileAccess::OwnerOnly)) return f.code;
    if (!RenameFile(part, target)) {
        ::unlink(QFile::encodeName(part).constData());
        return EEXIST;
    }
    return 0;
}

int MoveIfPresent(const QString& source, const QString& target) {
    if (const int err = CopyIfPresent(source, target)) return err;
    if (!SameFileContent(source, target)) return EIO;
    if (::unlink(QFile::encodeName(source).constData()) != 0) return errno;
    return 0;
}

int Main(const RemoverSetup& setup) {
    const QString key = UninstallKey(setup.productCode);
    const QString edition = GetUninstallDisplayName(setup.productCode);
    QString folder = platform::RegistryRead(key, QStringLiteral("InstallLocation")).trimmed();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    const QString command = platform::RegistryRead(key, QStringLiteral("UninstallString"));

    // The main program holds its lock in its folder while it runs: in the
    // registered folder, or beside the remover when it was copied there
    // with the new release. Holding both keeps it from starting until the
    // remover ends.
    std::vector<std::unique_ptr<platform::InstanceLock>> mainLocks;
    QStringList folders;
    for (const QString& candidate : {folder, setup.ownFolder}) {
        if (candidate.isEmpty() || !QFileInfo(candidate).isDir()) continue;
        const QString canonical = QFileInfo(candidate).canonicalFilePath();
        if (folders.contains(canonical)) continue;
        folders << canonical;
        auto lock = std::make_unique<platform::InstanceLock>(candidate, QStringLiteral("VXMOX"));
        if (!lock->TryAcquire()) {
            platform::MsgBox(QStringLiteral("ＭＯＸチャートが起動されています。") + kTwoLines +
                                 QStringLiteral("ＭＯＸチャートを終了して、やり直してください。"),
                             kCritical, QStringLiteral("起動中"));
            return kMainProgramRunning;
        }
        mainLocks.push_back(std::move(lock));
    }

    if (!IsKnownEdition(edition)) {
        StartInstaller(setup);
        return kDone;
    }

    if (platform::MsgBox(QStringLiteral("インストール済みの [MOX-Chart] を削除し、再インストールします。　　") +
                             kTwoLines + QStringLiteral("よろしいですか？"),
                         kYesNoWarning, kConfirm) != platform::kYes)
        return kDone;

    const QString database = folder + QStringLiteral("/VXMOX2.MDB");
    const QString datedCopy = DatedCopyPath(folder, platform::CurrentClock().Now());
    if (!folder.isEmpty() && CheckFile(database)) {
        const QString savedTo =
            QStringLiteral("＊現在の検査データは、以下のファイルに保存します。") + kCrLf + datedCopy;
        const int keep = platform::MsgBox(
            QStringLiteral("現在の検査データを残し、プログラムを更新します。　　") + kTwoLines +
                QStringLiteral("よろしければ、「はい」を押してください。") + kTwoLines +
                QStringLiteral("検査データも削除するのであれば、「いいえ」を押してください。") + kTwoLines + savedTo,
            kYesNoCancelWarning, kConfirm);
        if (keep == platform::kYes) {
            if (const int err = CopyIfPresent(database, datedCopy)) {
                ShowFileFailure(QStringLiteral("検査データをコピーできませんでした。"), err, datedCopy);
                return kStepFailed;
            }
        } else if (keep == platform::kNo) {
            if (platform::MsgBox(
                    QStringLiteral(
                        "サンプルデータを含む検査データをすべて削除して、プログラムとサンプルデータを更新します。　 ") +
                        kTwoLines + QStringLiteral("よろしいですか？") + kTwoLines + savedTo,
                    kYesNoWarning, kConfirm) != platform::kYes)
                return kDone;
            if (const int err = MoveIfPresent(database, datedCopy)) {
                ShowFileFailure(QStringLiteral("検査データを移動できませんでした。"), err, datedCopy);
                return kStepFailed;
            }
        } else {
            return kDone;
        }
    }

    if (!RunUninstall(command, setup)) return kStepFailed;
    StartInstaller(setup);
    return kDone;
}

}  // namespace mox::remover
