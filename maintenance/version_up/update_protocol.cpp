#include "maintenance/version_up/update_protocol.h"

#include "core/cp932.h"
#include "core/files.h"
#include "core/text_format.h"
#include "maintenance/version_up/archive_unpack.h"
#include "maintenance/version_up/update_install.h"
#include "maintenance/version_up/verup_common.h"
#include "platform/clock.h"
#include "platform/failure.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "platform/registry.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>

namespace mox::verup {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr const char* kTestPassword = "tolbex3861";
constexpr const char* kPassword = "wbr5172tal";
constexpr int kNamesPerPass = 100;
// A report is a few hundred bytes; a larger file under a report's name is
// taken all the same, and its rest is not fetched.
constexpr qint64 kReportProbeBytes = 64 * 1024;
constexpr qint64 kVersionFileBytes = 64 * 1024;

QString Megabytes(qint64 bytes) { return QString::number((bytes + (1 << 20) - 1) >> 20) + QStringLiteral(" MB"); }

QString ErrorNumberText(int n) { return QStringLiteral(" ［エラー番号：") + QString::number(n) + QStringLiteral("］"); }

// A name for the list and the log: control characters made visible.
QString Shown(const QString& name) {
    QString shown;
    for (const QChar c : name) shown += c.unicode() < 0x20 || c.unicode() == 0x7F ? QChar(u'?') : c;
    return shown;
}

QString UnpackFailureText(const UnpackResult& result, const QString& archive) {
    const QString file = QStringLiteral(" ［ファイル：") + archive + QStringLiteral("］");
    switch (result.error) {
        case UnpackError::NoArchiver:
            return QStringLiteral("解凍プログラム（7za）が見つかりません。");
        case UnpackError::NotStarted:
            return QStringLiteral("解凍プログラム（7za）を起動できませんでした。") + file;
        case UnpackError::TimedOut:
            return QStringLiteral("解凍が時間内に終わりませんでした。") + file;
        case UnpackError::Cancelled:
            return QStringLiteral("解凍を中止しました。") + file;
        case UnpackError::TooLarge:
            return QStringLiteral("更新ファイルの解凍後のサイズが大きすぎるため、解凍しませんでした。") + file +
                   QStringLiteral(" ［") + Megabytes(result.bytes) + QStringLiteral("］");
        case UnpackError::NoSpace:
            return QStringLiteral("ディスクの空き容量が不足しているため、解凍できませんでした。") + file +
                   (result.freeBytes >= 0
                        ? QStringLiteral(" ［必要：") + Megabytes(result.bytes) + QStringLiteral("、空き：") +
                              Megabytes(result.freeBytes) + QStringLiteral("］")
                        : QString());
        case UnpackError::WrongPassword:
            return QStringLiteral("解凍エラー発生（パスワード違い）") + file + QStringLiteral(" ［終了コード：") +
                   QString::number(result.exitCode) + QStringLiteral("］");
        case UnpackError::Crashed:
            return QStringLiteral("解凍プログラム（7za）が異常終了しました。") + file;
        case UnpackError::UnsafeEntry:
            return QStringLiteral("更新ファイルに使えない項目があります。") + file + QStringLiteral(" ［項目：") +
                   Shown(result.detail) + QStringLiteral("］");
        case UnpackError::ExitCode:
        case UnpackError::None:
            break;
    }
    return QStringLiteral("解凍エラー発生（ファイルの破損）") + file + QStringLiteral(" ［終了コード：") +
           QString::number(result.exitCode) + QStringLiteral("］");
}

}  // namespace

ServerAccount ChooseServer(const QString& programFolder) {
    ServerAccount account;
    account.testMode = QFileInfo(programFolder + QStringLiteral("/testmode.txt")).isFile();
    const QString key = QString::fromUtf8(account.testMode ? kTestServerKey : kServerKey);
    account.hostName = platform::RegistryRead(key, QStringLiteral("HostName")).trimmed();
    account.hostAlias = platform::RegistryRead(key, QStringLiteral("HostAlias")).trimmed();
    account.userName = platform::RegistryRead(key, QStringLiteral("UserName"));
    account.password = QString::fromUtf8(account.testMode ? kTestPassword : kPassword);
    return account;
}

bool IsPlainRemoteName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QStringLiteral("..")) && !HasControlCharacter(name);
}

VersionUpProtocol::VersionUpProtocol(VersionUpView& view, const VersionUpSetup& setup)
    : view_(view), setup_(setup), server_(ChooseServer(setup.programFolder)) {
    ProgramFolder = setup.programFolder;
    ComputerName = GetPcName();
}

VersionUpProtocol::~VersionUpProtocol() { CloseWorkFolder(); }

QString VersionUpProtocol::WorkFolderPrefix() const {
    // Named after the installation, so that the leftovers of one are never
    // taken for another's.
    const QByteArray id = QCryptographicHash::hash(QFile::encodeName(ProgramFolder), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("VXMOXVerUp-") + QString::fromLatin1(id.left(8)) + QLatin1Char('-');
}

bool VersionUpProtocol::OpenWorkFolder() {
    if (!workFolder_.isEmpty()) return true;
    QByteArray pattern =
        QFile::encodeName(setup_.tempFolder + QLatin1Char('/') + WorkFolderPrefix() + QStringLiteral("XXXXXX"));
    if (!::mkdtemp(pattern.data())) {
        AddMessage(QStringLiteral("作業フォルダを作成できませんでした。 ［フォルダ：") + setup_.tempFolder +
                   QStringLiteral("］ ") + FailureCause(FromErrno(FailureStep::Write, errno)));
        return false;
    }
    workFolder_ = QFile::decodeName(pattern);
    BackupFolder = workFolder_ + QStringLiteral("/tmpSVMOX");
    DownloadFolder = workFolder_ + QStringLiteral("/tmpDLMOX");
    UnpackFolder = DownloadFolder + QLatin1Char('/') + QLatin1String(kUnpackedFolderName);
    DownloadedVersionFile = DownloadFolder + QStringLiteral("/VersionMOX.txt");
    if (!MakePrivateFolder(DownloadFolder)) {
        AddMessage(QStringLiteral("作業フォルダを作成できませんでした。 ［フォルダ：") + DownloadFolder +
                   QStringLiteral("］"));
        CloseWorkFolder();
        return false;
    }
    return true;
}

void VersionUpProtocol::CloseWorkFolder() {
    if (workFolder_.isEmpty()) return;
    if (!RemoveFolder(workFolder_))
        WriteLog(QStringLiteral("作業フォルダを削除できませんでした。 ［") + workFolder_ + QStringLiteral("］"), 1);
    workFolder_.clear();
}

void VersionUpProtocol::RemoveLeftoverWorkFolders() const {
    const QString prefix = WorkFolderPrefix();
    const QStringList names =
        QDir(setup_.tempFolder)
            .entryList({prefix + QStringLiteral("??????")}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString path = setup_.tempFolder + QLatin1Char('/') + name;
        struct stat st {};
        if (path == workFolder_ || ::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid())
            continue;
        if (RemoveFolder(path))
            WriteLog(QStringLiteral("前回の作業フォルダを削除しました。 ［") + path + QStringLiteral("］"), 1);
    }
}

qint64 VersionUpProtocol::DownloadLimit(qint64 listed, const QString& name) {
    if (listed > setup_.maxUpdateBytes) {
        AddMessage(name + QStringLiteral(" のサイズが大きすぎるため、ダウンロードしませんでした。 ［") +
                   Megabytes(listed) + QStringLiteral("］"));
        return -1;
    }
    const qint64 free = FreeBytesOf(DownloadFolder);
    const qint64 room = free < 0 ? setup_.maxUpdateBytes : std::min(setup_.maxUpdateBytes, free - setup_.keepFreeBytes);
    if (listed > room || (listed < 0 && room <= 0)) {
        AddMessage(QStringLiteral("ディスクの空き容量が不足しているため、ダウンロードできませんでした。 ［") + name +
                   QStringLiteral("：") + Megabytes(std::max<qint64>(listed, 0)) + QStringLiteral("、空き：") +
                   Megabytes(std::max<qint64>(free, 0)) + QStringLiteral("］"));
        return -1;
    }
    return listed >= 0 ? listed : room;
}

bool VersionUpProtocol::AbortRequested() {
    view_.KeepResponsive();
    return cancelRequested_;
}

void VersionUpProtocol::AddMessage(const QString& text) {
    view_.ListMessage(text);
    WriteLog(text, 1);
}

bool VersionUpProtocol::OpenAndConnect(FtpClient& ftp) {
    ftp.SetLimits(setup_.limits);
    ftp.SetAbortCheck([this] { return AbortRequested(); });
    if (const int n = ftp.OpenInternet(); n != 0) {
        AddMessage(QStringLiteral("インターネットサービスのオープンエラー発生") + ErrorNumberText(n));
        return false;
    }
    if (server_.hostName.isEmpty() && server_.hostAlias.isEmpty()) {
        AddMessage(QStringLiteral("更新サーバの接続先が設定されていません。"));
        return false;
    }
    if (const int n = ftp.ConnectServer(server_.hostAlias, server_.hostName, server_.userName, server_.password);
        n != 0) {
        // A connection the user ended is no fault of the server's.
        if (!(n == CURLE_ABORTED_BY_CALLBACK && cancelRequested_))
            AddMessage(QStringLiteral("リモートサーバへの接続エラー発生") + ErrorNumberText(n));
        return false;
    }
    return true;
}

void VersionUpProtocol::Close(FtpClient& ftp) {
    ftp.CloseServer();
    ftp.CloseInternet();
}

void VersionUpProtocol::StartupCheck() {
    if (Busy) return;
    Busy = 1;
    cancelRequested_ = false;
    view_.SetButtonsEnabled(false);
    // Without a work folder the version file has nowhere to go: the check
    // would only blame the server.
    if (OpenWorkFolder() && CheckServerReady() == 0) CheckVersion();
    CloseWorkFolder();
    view_.SetButtonsEnabled(true);
    if (NoUpdate == 1) view_.SetDownEnabled(false);
    Busy = 0;
}

int VersionUpProtocol::CheckServerReady() {
    FtpClient ftp;
    int ready = -1;
    if (OpenAndConnect(ftp) && ftp.FindFirstRemote(RemoteRoot) == 0 &&
        (ftp.FindData().attributes & kDirectoryAttribute) != 0) {
        ready = 0;
        WriteLog(QString(), 1);
    }
    Close(ftp);
    return ready;
}

int VersionUpProtocol::CheckVersion() {
    NoUpdate = 0;
    const QString localFile = ProgramFolder + QStringLiteral("/VersionMOX.txt");
    QString local = QFileInfo(localFile).isFile() ? ReadKeyValue(localFile, QStringLiteral("Version")) : QString();
    if (local.isEmpty()) local = QStringLiteral("0.0.0");
    LocalVersionText = local;
    view_.ShowLocalVersion(local);

    int code = -9;
    FtpClient ftp;
    if (OpenAndConnect(ftp)) {
        code = OpenWorkFolder() && ftp.GetRemoteFile(RemoteVersionFile, DownloadedVersionFile, kTransferBinary,
                                                     kVersionFileBytes) == 0
                   ? 1
                   : -1;
    }
    Close(ftp);

    QString remote;
    if (code == 1) {
        if (QFileInfo(DownloadedVersionFile).isFile()) {
            remote = ReadKeyValue(DownloadedVersionFile, QStringLiteral("Version"));
            RemoteVersionText = remote;
            view_.ShowRemoteVersion(remote);
            if (remote.isEmpty()) code = -2;
        } else {
            code = -3;
        }
    }
    if (code == 1 && CompareVersions(remote, local) < 1) code = -4;

    switch (code) {
        case 1:
            AddMessage(QStringLiteral("最新バージョンを確認しました。"));
            AddMessage(QStringLiteral("バージョンアップボタンをクリックしてください。"));
            view_.SetDownHighlighted(true);
            break;
        case -4:
            AddMessage(QStringLiteral("最新バージョンです。バージョンアップは必要ありません。"));
            NoUpdate = 1;
            break;
        case -9:
            NoUpdate = 1;
            break;
        default:
            AddMessage(QStringLiteral("リモートサーバが準備中です。"));
            NoUpdate = 1;
            break;
    }
    return code;
}

bool VersionUpProtocol::HoldMainProgramLock() {
    if (!mainLock_) mainLock_ = std::make_unique<platform::InstanceLock>(ProgramFolder, setup_.mainLockName);
    if (mainLock_->TryAcquire()) return true;
    mainLock_.reset();
    AddMessage(QStringLiteral("ＭＯＸチャートが起動されています。ＭＯＸチャートを終了して、やり直してください。"));
    return false;
}

int VersionUpProtocol::RunVersionUp() {
    if (Busy) return 0;
    Busy = 1;
    cancelRequested_ = false;
    view_.SetButtonsEnabled(false);
    int result = 0;
    // The main program stays out until the run is over: it must neither
    // run old code against new files nor hold files that are replaced.
    if (HoldMainProgramLock() && DownloadUpdate() == 0 && !cancelRequested_) {
        ExtractUpdate();
        // A cancel reaches no further than here: the install itself is
        // short and puts everything back when a step fails.
        if (!cancelRequested_) {
            const bool installed = InstallUpdate() == 0;
            if (!installed) AddMessage(QStringLiteral("バージョンアップ用ファイルをコピーできませんでした。"));
            if (!cancelRequested_) ReportResult();
            if (installed) {
                AddMessage(QString::fromUtf8(kProductName) + QStringLiteral(" は、バージョンアップされました。"));
                result = 1;
            }
            AddMessage(QStringLiteral("【終了】ボタンをクリックしてください。"));
        }
    }
    if (cancelRequested_ && result == 0)
        AddMessage(QStringLiteral("バージョンアップを中止しました。プログラムは更新されていません。"));
    CloseWorkFolder();
    mainLock_.reset();
    view_.SetButtonsEnabled(true);
    Busy = 0;
    return result;
}

int VersionUpProtocol::DownloadUpdate() {
    // Each download starts in a fresh work folder.
    CloseWorkFolder();
    if (!OpenWorkFolder()) return -1;
    QString failedPath;
    if (const int err = BackUpProgramFiles(ProgramFolder, BackupFolder, &failedPath); err != 0) {
        AddMessage(QStringLiteral("プログラムフォルダのバックアップができませんでした。") + ErrorNumberText(err) +
                   QStringLiteral(" ［") + failedPath + QStringLiteral("］ ") +
                   FailureCause(FromErrno(FailureStep::CopyTarget, err)));
        return -1;
    }
    WriteLog(QStringLiteral("プログラムフォルダをバックアップしました。 ［") + BackupFolder + QStringLiteral("］"), 1);

    DownloadCount = 0;
    int result = 0;
    FtpClient ftp;
    if (!OpenAndConnect(ftp)) {
        Close(ftp);
        return -1;
    }
    if (ftp.FindFirstRemote(RemoteDownload) == 0) {
        AddMessage(QStringLiteral("ダウンロードを開始します。 ．．しばらくお待ち下さい。"));
        do {
            QString name = NulTerminated(ftp.FindData().name);
            name = name.mid(name.lastIndexOf(QLatin1Char(' ')) + 1);
            if (name.size() <= 2) continue;
            // A name with a folder part would be written outside the
            // download folder.
            if (!IsPlainRemoteName(name)) {
                WriteLog(QStringLiteral("ファイル名が正しくないため、ダウンロードしませんでした。 ［") + Shown(name) +
                             QStringLiteral("］"),
                         1);
                continue;
            }
            const qint64 limit = DownloadLimit(ftp.FindData().size, name);
            if (limit < 0) {
                result = -1;
                break;
            }
            lastProgressMs_ = -1;
            ftp.SetProgress(
                [this, name](qint64 received, qint64 total) { ShowDownloadProgress(name, received, total); });
            const int n = ftp.GetRemoteFile(RemoteDownload + name, DownloadFolder + QLatin1Char('/') + name,
                                            kTransferBinary, limit);
            ftp.SetProgress({});
            if (n != 0) {
                AddMessage(n == CURLE_ABORTED_BY_CALLBACK && cancelRequested_
                               ? name + QStringLiteral(" ダウンロードを中止しました。")
                               : name + QStringLiteral(" ダウンロードエラー発生") + ErrorNumberText(n));
                result = -1;
                break;
            }
            AddMessage(name);
            ++DownloadCount;
        } while (ftp.FindNextRemote());
    }
    Close(ftp);
    if (result != 0) return result;
    if (DownloadCount == 0) {
        AddMessage(QStringLiteral("ダウンロードファイルがありません。"));
        return -1;
    }
    AddMessage(QStringLiteral("ダウンロードが完了しました。"));
    return 0;
}

void VersionUpProtocol::ShowDownloadProgress(const QString& name, qint64 received, qint64 total) {
    // A few repaints a second keep the window alive without slowing the
    // transfer.
    const qint64 now = platform::CurrentClock().MonotonicMs();
    if (lastProgressMs_ >= 0 && now - lastProgressMs_ < 200) return;
    lastProgressMs_ = now;
    QString text = name + QStringLiteral(" ダウンロード中 ") + QString::number(received / 1024) + QStringLiteral(" KB");
    if (total > 0) text += QStringLiteral(" / ") + QString::number(total / 1024) + QStringLiteral(" KB");
    view_.ShowProgress(text);
}

int VersionUpProtocol::ExtractUpdate() {
    unpackedCleanly_ = false;
    if (workFolder_.isEmpty()) return 0;
    // A fresh folder of our own for every run: nothing left by an earlier
    // run or by another user can mix into what is installed.
    QByteArray root = QFile::encodeName(DownloadFolder + QStringLiteral("/unpack-XXXXXX"));
    if (!::mkdtemp(root.data())) {
        AddMessage(QStringLiteral("解凍用のフォルダを作成できませんでした。"));
        return 0;
    }
    const QString unpackRoot = QFile::decodeName(root);
    UnpackFolder = unpackRoot + QLatin1Char('/') + QLatin1String(kUnpackedFolderName);

    int count = 0;
    bool failed = false;
    UnpackOptions options;
    options.timeoutMs = setup_.unpackTimeoutMs;
    options.maxBytes = setup_.maxUpdateBytes;
    options.keepFreeBytes = setup_.keepFreeBytes;
    options.cancelled = [this] { return AbortRequested(); };
    const QStringList files = QDir(DownloadFolder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& file : files) {
        const QString lower = file.toLower();
        if (!MatchesLikePattern(lower, QStringLiteral("*.zip"))) continue;
        const UnpackResult result = UnpackArchive(DownloadFolder + QLatin1Char('/') + file, unpackRoot, options);
        options.maxBytes -= result.bytes;
        if (!result.Ok()) {
            AddMessage(UnpackFailureText(result, lower));
            if (!result.detail.isEmpty()) WriteLog(QStringLiteral("7za: ") + Shown(result.detail), 1);
            failed = true;
            break;
        }
        AddMessage(QStringLiteral("解凍が完了しました。 ［ファイル：") + lower + QStringLiteral("］"));
        ++count;
    }
    if (!failed && count > 0) {
        if (const UnpackResult tree = CheckUnpackedTree(unpackRoot); !tree.Ok()) {
            AddMessage(UnpackFailureText(tree, QStringLiteral("-")));
            failed = true;
        }
    }
    if (!failed && count == 0) AddMessage(QStringLiteral("解凍するファイルがありません。"));
    unpackedCleanly_ = !failed && count > 0;
    // What failed to unpack is given back to the disk at once.
    if (!unpackedCleanly_) RemoveFolder(unpackRoot);
    return count;
}

int VersionUpProtocol::InstallUpdate() {
    if (!unpackedCleanly_) {
        AddMessage(QStringLiteral("更新ファイルを解凍できなかったため、インストールを中止しました。"));
        return -1;
    }
    if (!HoldMainProgramLock()) return -1;
    const InstallReport report = InstallUpdateFiles(
        UnpackFolder, ProgramFolder, BackupFolder, setup_.ownFileName, [](const InstallReport& failed) {
            platform::MsgBox(QStringLiteral("ファイルコピー(CopyVUP)でエラーが発生しました。") + kCrLf +
                                 FailureText(FromErrno(FailureStep::CopyTarget, failed.errorNumber)) +
                                 QStringLiteral(" ［") + failed.failedName + QStringLiteral("］") + kCrLf + kCrLf +
                                 QStringLiteral("元に戻します。"),
                             16, QStringLiteral("エラー"));
        });
    for (const QString& name : report.protectedNames)
        WriteLog(QStringLiteral("医院のデータのため更新しませんでした。 ［") + name + QStringLiteral("］"), 1);
    if (!report.Ok()) {
        WriteLog(QStringLiteral("インストールに失敗したため、元に戻しました。 ［") + report.failedName +
                     QStringLiteral("］") + ErrorNumberText(report.errorNumber),
                 1);
        if (!report.notRestored.isEmpty())
            AddMessage(QStringLiteral("元に戻せなかったファイルがあります。 ［") +
                       report.notRestored.join(QStringLiteral("、")) + QStringLiteral("］"));
        return -1;
    }
    for (const QString& name : report.installed)
        WriteLog(QStringLiteral("インストールしました。 ［") + name + QStringLiteral("］"), 1);
    AddMessage(QStringLiteral("最新ファイルのコピーが完了しました。"));
    return 0;
}

QByteArray VersionUpProtocol::ReportBytes(const QString& reportName) const {
    const QByteArray crlf("\r\n");
    QByteArray bytes;
    const auto line = [&](const QString& text) { bytes += ToCp932(text) + crlf; };
    line(QStringLiteral("＜＜ＭＯＸチャート　バージョンアップ結果 ： ") + reportName + QStringLiteral("＞＞"));
    line({});
    line(QStringLiteral("ＰＣ名：") + ComputerName);
    line({});
    line(QStringLiteral("リモートバージョン：") + RemoteVersionText);
    line(QStringLiteral("ローカルバージョン：") + LocalVersionText);
    line({});
    // Info.txt is already in the server's code page: its lines go as they are.
    QFile info(ProgramFolder + QStringLiteral("/Info.txt"));
    if (QFileInfo(info).isFile() && info.open(QIODevice::ReadOnly)) {
        while (!info.atEnd()) {
            QByteArray raw = info.readLine();
            while (raw.endsWith('\n') || raw.endsWith('\r')) raw.chop(1);
            bytes += raw + crlf;
        }
        bytes += crlf;
    }
    return bytes;
}

int VersionUpProtocol::ReportResult() {
    const QString name = ReserveReportName();
    if (name.isEmpty()) {
        AddMessage(QStringLiteral("結果報告のファイル名を確保できなかったため、報告できませんでした。"));
        return -2;
    }
    // The report goes from memory: a full disk cannot turn it into an
    // empty file on the server.
    const QByteArray report = ReportBytes(name);
    int result = -1;
    FtpClient ftp;
    if (OpenAndConnect(ftp)) {
        const int n = ftp.PutRemoteData(report, RemoteUpload + name, kTransferBinary);
        if (n == 0) {
            result = 0;
            WriteLog(QStringLiteral("結果を報告しました。 ［") + name + QStringLiteral("］"), 1);
        } else {
            AddMessage(QStringLiteral("結果報告の送信エラー発生") + ErrorNumberText(n));
        }
    }
    Close(ftp);
    return result;
}

QString VersionUpProtocol::ReserveReportName() {
    FtpClient ftp;
    if (!OpenAndConnect(ftp)) {
        Close(ftp);
        return {};
    }
    // Probes and placeholders never touch the disk: another clinic's report
    // fetched to test its name lands nowhere, and a full disk cannot make
    // a name look free.
    const QByteArray placeholder("GetResultFileName\r\n");
    // A server that stops answering is not asked the next hundred names.
    const auto stopsAnswering = [](int result) {
        if (!EndsTheSession(result)) return false;
        WriteLog(QStringLiteral("結果報告の確認で応答がありません。") + ErrorNumberText(result), 1);
        return true;
    };
    QString reserved;
    bool gaveUp = false;
    for (int pass = 0; pass < setup_.reservePasses && reserved.isEmpty() && !gaveUp; ++pass) {
        if (pass > 0) platform::Wait(1000);
        const QString stamp = platform::CurrentClock().Now().toString(QStringLiteral("yyyyMMdd_HHmmss_"));
        for (int nn = 0; nn < kNamesPerPass; ++nn) {
            const QString name = stamp + QStringLiteral("%1.txt").arg(nn, 2, 10, QLatin1Char('0'));
            QByteArray probe;
            const int fetched = ftp.GetRemoteData(RemoteUpload + name, &probe, kReportProbeBytes);
            if (stopsAnswering(fetched)) {
                gaveUp = true;
                break;
            }
            if (fetched == 0 || fetched == CURLE_FILESIZE_EXCEEDED) continue;
            const int stored = ftp.PutRemoteData(placeholder, RemoteUpload + name, kTransferBinary);
            if (stored == 0) {
                reserved = name;
                break;
            }
            if (stopsAnswering(stored)) {
                gaveUp = true;
                break;
            }
        }
    }
    Close(ftp);
    return reserved;
}

}  // namespace mox::verup
