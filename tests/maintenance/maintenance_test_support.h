#pragma once
// What the version-up and remover tests share: a real FTP server on
// 127.0.0.1, the server's /mox tree with archives made by 7za at test time,
// a program folder to update, byte-for-byte pictures of a folder, and a
// view of the protocol that records what the window would show.

#include "maintenance/version_up/update_protocol.h"
#include "tests/support/test_support.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace mox::test {

// A python3 that has pyftpdlib, or "".
QString FtpServerPython();
// 7za, or "".
QString SevenZip();

// "127.0.0.1:<port>" of a port where nothing listens.
QString DeadHost();

class FtpServer {
public:
    // `injected` names are added to the listing of /mox/download; `options`
    // go to ftp_server.py as they are ("--stall-upload", "--trickle NAME").
    explicit FtpServer(const QString& root, bool readOnlyUpload = false, const QStringList& injected = {},
                       const QStringList& options = {});
    ~FtpServer();
    bool Running() const { return port_ > 0; }
    // "127.0.0.1:<port>"
    QString Host() const;

private:
    QProcess process_;
    int port_ = 0;
};

// Skips (or under CI fails) a test when python3-pyftpdlib or 7za is missing.
#define MOX_REQUIRE_FTP_AND_7ZA()                                                                 \
    do {                                                                                          \
        if (::mox::test::FtpServerPython().isEmpty()) MOX_COMPONENT_MISSING("python3-pyftpdlib"); \
        if (::mox::test::SevenZip().isEmpty()) MOX_COMPONENT_MISSING("7za (p7zip-full)");         \
    } while (false)

struct FileSpec {
    QString name;
    QByteArray bytes;
    int mode = 0644;
};

// The update server's tree: /mox/download and /mox/upload.
class ServerTree {
public:
    ServerTree();
    QString Root() const { return dir_.path(); }
    QString Download(const QString& name = {}) const;
    QString Upload(const QString& name = {}) const;
    void SetRemoteVersion(const QByteArray& content) const;
    // A zip of "pf-mox/<name>" entries made by 7za with the password.
    bool AddArchive(const QString& zipName, const std::vector<FileSpec>& files,
                    const QString& password = QStringLiteral("Rnk5830wq")) const;
    // A zip with entries named exactly so (see make_zip.py).
    bool AddRawArchive(const QString& zipName, const QStringList& entries) const;
    QStringList Uploads() const;

private:
    QTemporaryDir dir_;
};

struct FileState {
    QByteArray bytes;
    int mode = 0;
    bool operator==(const FileState&) const = default;
};
// Every file below the folder by relative path, logs left out.
using FolderPicture = std::map<QString, FileState>;
FolderPicture PictureOf(const QString& folder);
std::string DescribeDifference(const FolderPicture& before, const FolderPicture& after);

void WriteFile(const QString& path, const QByteArray& bytes, int mode = 0644);
QByteArray ReadFile(const QString& path);

// A program folder in test mode, pointed at the server, with the log in
// it (G().ProgramDir), and a temporary folder of its own for the work
// folders.
class UpdateSite {
public:
    explicit UpdateSite(const QString& serverHost);
    ~UpdateSite();
    QString Program(const QString& name = {}) const;
    QString Temp() const { return temp_.path(); }
    verup::VersionUpSetup Setup() const;
    QString Log() const;

private:
    Sandbox sandbox_;
    QTemporaryDir program_;
    QTemporaryDir temp_;
    QString oldProgramDir_;
};

class RecordingView : public verup::VersionUpView {
public:
    void ListMessage(const QString& text) override { messages.push_back(text); }
    void ShowProgress(const QString& text) override { progress.push_back(text); }
    void SetButtonsEnabled(bool enabled) override { buttonsEnabled = downEnabled = enabled; }
    void SetDownEnabled(bool enabled) override { downEnabled = enabled; }
    void SetDownHighlighted(bool on) override { highlighted = on; }
    void ShowLocalVersion(const QString& text) override { local = text; }
    void ShowRemoteVersion(const QString& text) override { remote = text; }
    void KeepResponsive() override {
        if (onKeepResponsive) onKeepResponsive();
    }

    bool Listed(const QString& part) const;
    std::string All() const;

    QStringList messages, progress;
    bool buttonsEnabled = true, downEnabled = true, highlighted = false;
    QString local, remote;
    std::function<void()> onKeepResponsive;
};

}  // namespace mox::test
