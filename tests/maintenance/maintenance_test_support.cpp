#include "tests/maintenance/maintenance_test_support.h"

#include "core/settings.h"
#include "platform/registry.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <sstream>

namespace mox::test {

QString DeadHost() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return QStringLiteral("127.0.0.1:") + QString::number(ntohs(address.sin_port));
}

QString FtpServerPython() {
    static const QString found = [] {
        QStringList candidates = {QStringLiteral("/usr/bin/python3")};
        const QString onPath = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (!onPath.isEmpty()) candidates << onPath;
        for (const QString& python : candidates) {
            if (!QFileInfo(python).isExecutable()) continue;
            QProcess probe;
            probe.start(python, {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")});
            if (probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
                return python;
        }
        return QString();
    }();
    return found;
}

QString SevenZip() { return QStandardPaths::findExecutable(QStringLiteral("7za")); }

FtpServer::FtpServer(const QString& root, bool readOnlyUpload, const QStringList& injected,
                     const QStringList& options) {
    const QString python = FtpServerPython();
    if (python.isEmpty()) return;
    const QString portFile = root + QStringLiteral("/.port");
    QStringList arguments = {QStringLiteral(MOX_FTP_SERVER_SCRIPT), root, portFile, QStringLiteral("moxtest"),
                             QStringLiteral("tolbex3861")};
    if (readOnlyUpload) arguments << QStringLiteral("--read-only-upload");
    for (const QString& name : injected) arguments << QStringLiteral("--inject") << name;
    arguments << options;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(python, arguments);
    if (!process_.waitForStarted(10000)) return;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000 && process_.state() == QProcess::Running) {
        QFile f(portFile);
        if (f.open(QIODevice::ReadOnly)) {
            port_ = f.readAll().trimmed().toInt();
            f.close();
            QFile::remove(portFile);
            return;
        }
        QThread::msleep(10);
    }
}

FtpServer::~FtpServer() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QString FtpServer::Host() const { return QStringLiteral("127.0.0.1:") + QString::number(port_); }

void WriteFile(const QString& path, const QByteArray& bytes, int mode) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
        return;
    }
    f.write(bytes);
    f.close();
    QFile::setPermissions(path, QFileDevice::Permissions());
    ::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode));
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ServerTree::ServerTree() {
    QDir().mkpath(Download());
    QDir().mkpath(Upload());
}

QString ServerTree::Download(const QString& name) const {
    return dir_.filePath(QStringLiteral("mox/download")) + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
}

QString ServerTree::Upload(const QString& name) const {
    return dir_.filePath(QStringLiteral("mox/upload")) + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
}

void ServerTree::SetRemoteVersion(const QByteArray& content) const {
    WriteFile(Download(QStringLiteral("VersionMOX.txt")), content);
}

bool ServerTree::AddArchive(const QString& zipName, const std::vector<FileSpec>& files, const QString& password) const {
    QTemporaryDir staging;
    for (const FileSpec& file : files)
        WriteFile(staging.filePath(QStringLiteral("pf-mox/") + file.name), file.bytes, file.mode);
    QProcess zip;
    zip.setWorkingDirectory(staging.path());
    zip.start(SevenZip(), {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-p") + password,
                           Download(zipName), QStringLiteral("pf-mox")});
    return zip.waitForFinished(60000) && zip.exitCode() == 0;
}

bool ServerTree::AddRawArchive(const QString& zipName, const QStringList& entries) const {
    QProcess zip;
    zip.start(FtpServerPython(), QStringList{QStringLiteral(MOX_MAKE_ZIP_SCRIPT), Download(zipName)} + entries);
    return zip.waitForFinished(60000) && zip.exitCode() == 0;
}

QStringList ServerTree::Uploads() const { return QDir(Upload()).entryList(QDir::Files, QDir::Name); }

FolderPicture PictureOf(const QString& folder) {
    FolderPicture picture;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(folder).relativeFilePath(path);
        if (relative.startsWith(QStringLiteral("Log_MOX"))) continue;
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        picture[relative] = {ReadFile(path), static_cast<int>(st.st_mode & 07777)};
    }
    return picture;
}

std::string DescribeDifference(const FolderPicture& before, const FolderPicture& after) {
    std::ostringstream out;
    for (const auto& [name, state] : before) {
        const auto it = after.find(name);
        if (it == after.end())
            out << "missing: " << name.toStdString() << "\n";
        else if (!(it->second == state))
            out << "changed: " << name.toStdString() << " mode " << std::oct << state.mode << "->" << it->second.mode
                << std::dec << " size " << state.bytes.size() << "->" << it->second.bytes.size() << "\n";
    }
    for (const auto& [name, state] : after)
        if (!before.count(name)) out << "added: " << name.toStdString() << "\n";
    return out.str();
}

UpdateSite::UpdateSite(const QString& serverHost) {
    WriteFile(Program(QStringLiteral("testmode.txt")), {});
    const QString key = QString::fromUtf8(verup::kTestServerKey);
    platform::RegistryWrite(key, QStringLiteral("HostName"), serverHost);
    platform::RegistryWrite(key, QStringLiteral("HostAlias"), serverHost);
    platform::RegistryWrite(key, QStringLiteral("UserName"), QStringLiteral("moxtest"));
    oldProgramDir_ = G().ProgramDir;
    G().ProgramDir = program_.path();
}

UpdateSite::~UpdateSite() { G().ProgramDir = oldProgramDir_; }

QString UpdateSite::Program(const QString& name) const {
    return name.isEmpty() ? program_.path() : program_.filePath(name);
}

verup::VersionUpSetup UpdateSite::Setup() const {
    verup::VersionUpSetup setup;
    setup.programFolder = program_.path();
    setup.tempFolder = temp_.path();
    return setup;
}

QString UpdateSite::Log() const { return QString::fromUtf8(ReadFile(Program(QStringLiteral("Log_MOX.txt")))); }

bool RecordingView::Listed(const QString& part) const {
    for (const QString& m : messages)
        if (m.contains(part)) return true;
    return false;
}

std::string RecordingView::All() const { return messages.join(QLatin1Char('\n')).toStdString(); }

}  // namespace mox::test
