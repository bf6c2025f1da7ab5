#pragma once
// The update protocol of the version-up window, without the window: the
// start check (is the server ready, is its version newer), and a run
// (back up, download, unpack, install, report). The window shows what the
// protocol tells its view; tests drive the protocol with a view of their own.
//
// Where the protocol trusts nothing: remote names must be plain file names;
// archives are unpacked by the rules of archive_unpack.h and installed only
// when every one unpacked cleanly; the install (update_install.h) runs only
// on a checked backup and only while the main program is not running
// (its instance lock is held through the run); the report names are
// probed without leaving other clinics' reports behind, and the
// reservation gives up after a few passes or at the first operation the
// server leaves unanswered.
//
// Every run works in a folder of its own, made fresh under the user's
// private temporary place and removed however the run ends; the backup
// taken there holds the program's files, never the clinic's data. The
// user can end a busy run from the window: the transfer or the archiver
// stops, nothing is installed, and the main program's lock is let go.

#include "maintenance/version_up/ftp_client.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace mox::platform {
class InstanceLock;
}

namespace mox::verup {

inline constexpr const char* kProductName = "MOX-Chart";
inline constexpr const char* kBackColorText = "16313593";

// Where the two servers' accounts are configured in the registry stand-in:
// values HostName, HostAlias and UserName under each key.
inline constexpr const char* kServerKey = "HKEY_LOCAL_MACHINE/Software/MOX2/VersionUp/Server";
inline constexpr const char* kTestServerKey = "HKEY_LOCAL_MACHINE/Software/MOX2/VersionUp/TestServer";

struct ServerAccount {
    QString hostName, hostAlias, userName, password;
    bool testMode = false;
};
// The test server when "testmode.txt" lies in the program folder, else the
// production server.
ServerAccount ChooseServer(const QString& programFolder);

// A remote name that can be used as a local file name as it is.
bool IsPlainRemoteName(const QString& name);

// What the window shows.
class VersionUpView {
public:
    virtual ~VersionUpView() = default;
    // A new line of the message list, selected, with a repaint.
    virtual void ListMessage(const QString& text) = 0;
    // A passing line (a download's progress) that the next message replaces.
    virtual void ShowProgress(const QString& text) = 0;
    virtual void SetButtonsEnabled(bool enabled) = 0;
    virtual void SetDownEnabled(bool enabled) = 0;
    // The red back colour of CmdDown when a newer release is offered.
    virtual void SetDownHighlighted(bool highlighted) = 0;
    virtual void ShowLocalVersion(const QString& text) = 0;
    virtual void ShowRemoteVersion(const QString& text) = 0;
    // Called often during a long step: the window repaints and takes the
    // user's close, which ends the run through RequestCancel().
    virtual void KeepResponsive() = 0;
};

struct VersionUpSetup {
    QString programFolder;
    // Where each run makes its private work folder (GetTempFolder()).
    QString tempFolder;
    // The running program's own file name.
    QString ownFileName = QStringLiteral("VXMOXVerUp");
    // The lock of the main program, which must not run during an install.
    QString mainLockName = QStringLiteral("VXMOX");
    int reservePasses = 3;
    int unpackTimeoutMs = 10 * 60 * 1000;
    FtpLimits limits;
    // The most one update may download or unpack, far above any release.
    qint64 maxUpdateBytes = qint64(1) << 30;
    // What must stay free on the work folder's disk after a download or
    // an unpack, so that the rest of the system keeps working.
    qint64 keepFreeBytes = qint64(64) << 20;
};

class VersionUpProtocol {
public:
    VersionUpProtocol(VersionUpView& view, const VersionUpSetup& setup);
    ~VersionUpProtocol();
    VersionUpProtocol(const VersionUpProtocol&) = delete;
    VersionUpProtocol& operator=(const VersionUpProtocol&) = delete;

    void StartupCheck();
    int CheckServerReady();
    // 1 newer release, -1/-2/-3 remote version missing or empty, -4 current,
    // -9 no connection.
    int CheckVersion();
    // 1 when the new files were installed, else 0.
    int RunVersionUp();
    int DownloadUpdate();
    // The number of archives unpacked.
    int ExtractUpdate();
    int InstallUpdate();
    // 0 uploaded, -1 an FTP step failed, -2 no name could be reserved.
    int ReportResult();
    QString ReserveReportName();
    // Lists the text and writes it to the log, stamped.
    void AddMessage(const QString& text);
    // Ends the run in progress at its next step or transfer block.
    void RequestCancel() { cancelRequested_ = true; }
    // Removes work folders that an earlier run of this installation left
    // when it was killed. Only while this program's own lock is held.
    void RemoveLeftoverWorkFolders() const;

    // Window state.
    int16_t DownloadCount = 0;
    int16_t Busy = 0;
    int16_t NoUpdate = 0;
    // Captions of lblLVer and lblRSVer.
    QString LocalVersionText, RemoteVersionText;

    const ServerAccount& Server() const { return server_; }
    const QString RemoteRoot = QStringLiteral("/mox/");
    const QString RemoteDownload = QStringLiteral("/mox/download/");
    const QString RemoteUpload = QStringLiteral("/mox/upload/");
    const QString RemoteVersionFile = QStringLiteral("/mox/download/VersionMOX.txt");
    QString ProgramFolder, BackupFolder, DownloadFolder, UnpackFolder, DownloadedVersionFile;
    QString ComputerName;

private:
    // Makes the run's private work folder unless it exists; lists why not.
    bool OpenWorkFolder();
    // Removes the work folder and everything in it.
    void CloseWorkFolder();
    QString WorkFolderPrefix() const;
    // The most a file may bring: its listed size, or without one what the
    // update's bound and the disk's reserve allow. -1, with a message, when
    // there is no room for it.
    qint64 DownloadLimit(qint64 listed, const QString& name);
    bool AbortRequested();
    // Opens and connects, listing the FTP error text on failure.
    bool OpenAndConnect(FtpClient& ftp);
    void Close(FtpClient& ftp);
    bool HoldMainProgramLock();
    QByteArray ReportBytes(const QString& reportName) const;
    void ShowDownloadProgress(const QString& name, qint64 received, qint64 total);

    VersionUpView& view_;
    VersionUpSetup setup_;
    ServerAccount server_;
    bool unpackedCleanly_ = false;
    bool cancelRequested_ = false;
    QString workFolder_;
    std::unique_ptr<platform::InstanceLock> mainLock_;
    // When the current file's last progress line was shown (the clock's
    // time); -1 before its first.
    qint64 lastProgressMs_ = -1;
};

}  // namespace mox::verup
