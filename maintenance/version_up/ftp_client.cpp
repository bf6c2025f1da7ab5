#include "maintenance/version_up/ftp_client.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include <curl/curl.h>
#include <cerrno>

namespace mox::verup {

namespace {

// A server that stops answering ends the transfer instead of the program.
constexpr long kConnectTimeoutSeconds = 20;
constexpr long kStalledSeconds = 60;

void EnsureGlobalInit() {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)init;
}

size_t AppendToBuffer(char* data, size_t size, size_t count, void* buffer) {
    static_cast<QByteArray*>(buffer)->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

size_t WriteToSink(char* data, size_t size, size_t count, void* sink) {
    auto* fileSink = static_cast<platform::FileSink*>(sink);
    return fileSink->Write(data, static_cast<qint64>(size * count)) == 0 ? size * count : 0;
}

size_t ReadFromFile(char* buffer, size_t size, size_t count, void* file) {
    const qint64 n = static_cast<QFile*>(file)->read(buffer, static_cast<qint64>(size * count));
    return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
}

int ReportProgress(void* client, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t, curl_off_t) {
    const auto* progress = static_cast<const FtpClient::Progress*>(client);
    if (*progress) (*progress)(downloaded, downloadTotal);
    return 0;
}

QString NameOfLink(const QString& name) {
    const qsizetype arrow = name.indexOf(QStringLiteral(" -> "));
    return arrow < 0 ? name : name.left(arrow);
}

}  // namespace

std::vector<RemoteEntry> ParseListing(const QByteArray& listing) {
    static const QRegularExpression unixLine(
        QStringLiteral(R"(^([-dlbcps])[-rwxsStTl]{9}\S*\s+\d+\s+\S+\s+\S+\s+\d+\s+\S+\s+\S+\s+\S+ (.+)$)"));
    static const QRegularExpression windowsLine(
        QStringLiteral(R"(^\d\d-\d\d-\d\d(?:\d\d)?\s+\d\d:\d\d(?:[AP]M)?\s+(<DIR>|\d+)\s+(.+)$)"));
    std::vector<RemoteEntry> entries;
    for (QByteArray raw : listing.split('\n')) {
        if (raw.endsWith('\r')) raw.chop(1);
        if (raw.isEmpty() || raw.startsWith("total ")) continue;
        const QString line = QString::fromUtf8(raw);
        RemoteEntry entry;
        if (const auto m = unixLine.match(line); m.hasMatch()) {
            const bool folder = m.captured(1) == QLatin1String("d");
            entry.attributes = folder ? kDirectoryAttribute : kNormalAttribute;
            entry.name = m.captured(1) == QLatin1String("l") ? NameOfLink(m.captured(2)) : m.captured(2);
        } else if (const auto w = windowsLine.match(line); w.hasMatch()) {
            entry.attributes = w.captured(1) == QLatin1String("<DIR>") ? kDirectoryAttribute : kNormalAttribute;
            entry.name = w.captured(2);
        } else {
            entry.attributes = kNormalAttribute;
            entry.name = line;
        }
        entries.push_back(entry);
    }
    return entries;
}

FtpClient::FtpClient() = default;

FtpClient::~FtpClient() {
    CloseServer();
    CloseInternet();
}

int FtpClient::OpenInternet() {
    EnsureGlobalInit();
    session_ = true;
    return CURLE_OK;
}

int FtpClient::CloseInternet() {
    session_ = false;
    return CURLE_OK;
}

QByteArray FtpClient::UrlOf(const QString& host, const QString& remotePath) const {
    // "%2F" makes the path absolute on the server rather than relative to
    // the account's home folder.
    QByteArray url = "ftp://" + host.toUtf8() + "/%2F";
    const QStringList segments = remotePath.mid(remotePath.startsWith(QLatin1Char('/')) ? 1 : 0).split(u'/');
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (i > 0) url += '/';
        url += QUrl::toPercentEncoding(segments[i]);
    }
    return url;
}

int FtpClient::ConnectServer(const QString& firstHost, const QString& secondHost, const QString& userName,
                             const QString& password) {
    CloseServer();
    if (!session_) return CURLE_FAILED_INIT;
    connection_ = curl_easy_init();
    if (!connection_) return CURLE_FAILED_INIT;
    const QByteArray user = userName.toUtf8(), pass = password.toUtf8();
    curl_easy_setopt(connection_, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(connection_, CURLOPT_PASSWORD, pass.constData());
    curl_easy_setopt(connection_, CURLOPT_PROXY, "");
    curl_easy_setopt(connection_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(connection_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    curl_easy_setopt(connection_, CURLOPT_SERVER_RESPONSE_TIMEOUT, kStalledSeconds);
    curl_easy_setopt(connection_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(connection_, CURLOPT_LOW_SPEED_TIME, kStalledSeconds);
    curl_easy_setopt(connection_, CURLOPT_XFERINFOFUNCTION, ReportProgress);
    curl_easy_setopt(connection_, CURLOPT_XFERINFODATA, &progress_);

    int result = CURLE_OK;
    for (const QString& host : {firstHost, secondHost}) {
        host_ = host;
        // Logging in is all a request on the root without a body does.
        curl_easy_setopt(connection_, CURLOPT_NOBODY, 1L);
        result = Perform(QStringLiteral("/"));
        curl_easy_setopt(connection_, CURLOPT_NOBODY, 0L);
        if (result == CURLE_OK) return CURLE_OK;
    }
    curl_easy_cleanup(connection_);
    connection_ = nullptr;
    host_.clear();
    return result;
}

int FtpClient::CloseServer() {
    if (connection_) curl_easy_cleanup(connection_);
    connection_ = nullptr;
    host_.clear();
    listing_.clear();
    nextEntry_ = 0;
    findData_ = {};
    return CURLE_OK;
}

int FtpClient::Perform(const QString& remotePath) {
    if (!connection_) return CURLE_FAILED_INIT;
    if (host_.trimmed().isEmpty()) return CURLE_URL_MALFORMAT;
    const QByteArray url = UrlOf(host_, remotePath);
    curl_easy_setopt(connection_, CURLOPT_URL, url.constData());
    return curl_easy_perform(connection_);
}

int FtpClient::GetRemoteFile(const QString& remotePath, const QString& localPath, int transferType) {
    if (!connection_) return CURLE_FAILED_INIT;
    int result = CURLE_OK;
    const int written = platform::WriteFileAtomically(localPath, [&](platform::FileSink& sink) {
        curl_easy_setopt(connection_, CURLOPT_TRANSFERTEXT, transferType == kTransferAscii ? 1L : 0L);
        curl_easy_setopt(connection_, CURLOPT_WRITEFUNCTION, WriteToSink);
        curl_easy_setopt(connection_, CURLOPT_WRITEDATA, &sink);
        curl_easy_setopt(connection_, CURLOPT_NOPROGRESS, progress_ ? 0L : 1L);
        result = Perform(remotePath);
        curl_easy_setopt(connection_, CURLOPT_NOPROGRESS, 1L);
        curl_easy_setopt(connection_, CURLOPT_WRITEDATA, nullptr);
        return result == CURLE_OK ? 0 : EIO;
    });
    if (result != CURLE_OK) return result;
    return written == 0 ? CURLE_OK : CURLE_WRITE_ERROR;
}

int FtpClient::PutRemoteFile(const QString& localPath, const QString& remotePath, int flags) {
    if (!connection_) return CURLE_FAILED_INIT;
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly)) return CURLE_READ_ERROR;
    curl_easy_setopt(connection_, CURLOPT_TRANSFERTEXT, (flags & 3) == kTransferAscii ? 1L : 0L);
    curl_easy_setopt(connection_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(connection_, CURLOPT_READFUNCTION, ReadFromFile);
    curl_easy_setopt(connection_, CURLOPT_READDATA, &file);
    curl_easy_setopt(connection_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(file.size()));
    const int result = Perform(remotePath);
    curl_easy_setopt(connection_, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(connection_, CURLOPT_READDATA, nullptr);
    return result;
}

int FtpClient::FindFirstRemote(const QString& searchPath) {
    listing_.clear();
    nextEntry_ = 0;
    findData_ = {};
    if (!connection_) return CURLE_FAILED_INIT;
    QByteArray answer;
    curl_easy_setopt(connection_, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(connection_, CURLOPT_WRITEFUNCTION, AppendToBuffer);
    curl_easy_setopt(connection_, CURLOPT_WRITEDATA, &answer);
    // A path ending in '/' is listed rather than fetched.
    const int result = Perform(searchPath.endsWith(QLatin1Char('/')) ? searchPath : searchPath + QLatin1Char('/'));
    curl_easy_setopt(connection_, CURLOPT_WRITEDATA, nullptr);
    if (result != CURLE_OK) return result;
    listing_ = ParseListing(answer);
    FindNextRemote();
    return CURLE_OK;
}

bool FtpClient::FindNextRemote() {
    if (nextEntry_ >= listing_.size()) {
        findData_ = {};
        return false;
    }
    findData_ = listing_[nextEntry_++];
    return true;
}

}  // namespace mox::verup
