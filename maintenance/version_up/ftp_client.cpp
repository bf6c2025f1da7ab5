#include "maintenance/version_up/ftp_client.h"

#include "platform/atomic_file.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

#include <curl/curl.h>
#include <algorithm>
#include <cerrno>

namespace mox::verup {

namespace {

// A listing longer than this comes from no update server.
constexpr qsizetype kMaxListingBytes = 1024 * 1024;

void EnsureGlobalInit() {
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)init;
}

// Where received bytes go, and how many may come.
struct Receiver {
    std::function<bool(const char*, qint64)> write;
    qint64 limit = -1;
    qint64 received = 0;
    bool overLimit = false;
};

size_t Receive(char* data, size_t size, size_t count, void* context) {
    auto* receiver = static_cast<Receiver*>(context);
    const qint64 n = static_cast<qint64>(size * count);
    if (receiver->limit >= 0 && receiver->received + n > receiver->limit) {
        receiver->overLimit = true;
        return 0;
    }
    receiver->received += n;
    return receiver->write(data, n) ? size * count : 0;
}

size_t ReadFromDevice(char* buffer, size_t size, size_t count, void* device) {
    const qint64 n = static_cast<QIODevice*>(device)->read(buffer, static_cast<qint64>(size * count));
    return n < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(n);
}

int ReportProgress(void* context, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t, curl_off_t) {
    const auto* hooks = static_cast<const FtpClient::Hooks*>(context);
    if (hooks->progress && downloaded > 0) hooks->progress(downloaded, downloadTotal);
    return hooks->abort && hooks->abort() ? 1 : 0;
}

QString NameOfLink(const QString& name) {
    const qsizetype arrow = name.indexOf(QStringLiteral(" -> "));
    return arrow < 0 ? name : name.left(arrow);
}

}  // namespace

std::vector<RemoteEntry> ParseListing(const QByteArray& listing) {
    static const QRegularExpression unixLine(
        QStringLiteral(R"(^([-dlbcps])[-rwxsStTl]{9}\S*\s+\d+\s+\S+\s+\S+\s+(\d+)\s+\S+\s+\S+\s+\S+ (.+)$)"));
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
            entry.size = folder ? -1 : m.captured(2).toLongLong();
            entry.name = m.captured(1) == QLatin1String("l") ? NameOfLink(m.captured(3)) : m.captured(3);
        } else if (const auto w = windowsLine.match(line); w.hasMatch()) {
            const bool folder = w.captured(1) == QLatin1String("<DIR>");
            entry.attributes = folder ? kDirectoryAttribute : kNormalAttribute;
            entry.size = folder ? -1 : w.captured(1).toLongLong();
            entry.name = w.captured(2);
        } else {
            entry.attributes = kNormalAttribute;
            entry.name = line;
        }
        entries.push_back(entry);
    }
    return entries;
}

bool EndsTheSession(int result) {
    switch (result) {
        case CURLE_OPERATION_TIMEDOUT:
        case CURLE_ABORTED_BY_CALLBACK:
        case CURLE_COULDNT_CONNECT:
        case CURLE_GOT_NOTHING:
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_FTP_ACCEPT_TIMEOUT:
            return true;
        default:
            return false;
    }
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
    curl_easy_setopt(connection_, CURLOPT_CONNECTTIMEOUT, limits_.connectSeconds);
    curl_easy_setopt(connection_, CURLOPT_SERVER_RESPONSE_TIMEOUT, limits_.answerSeconds);
    curl_easy_setopt(connection_, CURLOPT_LOW_SPEED_LIMIT, limits_.lowSpeedBytes);
    curl_easy_setopt(connection_, CURLOPT_LOW_SPEED_TIME, limits_.lowSpeedSeconds);
    curl_easy_setopt(connection_, CURLOPT_XFERINFOFUNCTION, ReportProgress);
    curl_easy_setopt(connection_, CURLOPT_XFERINFODATA, &hooks_);
    curl_easy_setopt(connection_, CURLOPT_NOPROGRESS, 0L);

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

int FtpClient::Perform(const QString& remotePath, qint64 sizeLimit) {
    if (!connection_) return CURLE_FAILED_INIT;
    if (host_.trimmed().isEmpty()) return CURLE_URL_MALFORMAT;
    const QByteArray url = UrlOf(host_, remotePath);
    curl_easy_setopt(connection_, CURLOPT_URL, url.constData());
    const qint64 transferSeconds = sizeLimit > 0 ? sizeLimit / std::max<qint64>(1, limits_.minimumRate) : 0;
    curl_easy_setopt(connection_, CURLOPT_TIMEOUT, static_cast<long>(limits_.baseSeconds + transferSeconds));
    return curl_easy_perform(connection_);
}

int FtpClient::Fetch(const QString& remotePath, int transferType, qint64 sizeLimit,
                     const std::function<bool(const char*, qint64)>& write) {
    Receiver receiver{write, sizeLimit};
    curl_easy_setopt(connection_, CURLOPT_TRANSFERTEXT, transferType == kTransferAscii ? 1L : 0L);
    curl_easy_setopt(connection_, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(connection_, CURLOPT_WRITEDATA, &receiver);
    const int result = Perform(remotePath, sizeLimit);
    curl_easy_setopt(connection_, CURLOPT_WRITEDATA, nullptr);
    return receiver.overLimit ? CURLE_FILESIZE_EXCEEDED : result;
}

int FtpClient::GetRemoteFile(const QString& remotePath, const QString& localPath, int transferType, qint64 sizeLimit) {
    if (!connection_) return CURLE_FAILED_INIT;
    int result = CURLE_OK;
    const Failure written = platform::WriteFileAtomically(localPath, [&](platform::FileSink& sink) {
        result = Fetch(remotePath, transferType, sizeLimit,
                       [&sink](const char* data, qint64 n) { return !sink.Write(data, n); });
        return result == CURLE_OK ? Failure() : FromErrno(FailureStep::Read, EIO);
    });
    if (result != CURLE_OK) return result;
    return written ? CURLE_WRITE_ERROR : CURLE_OK;
}

int FtpClient::GetRemoteData(const QString& remotePath, QByteArray* data, qint64 sizeLimit) {
    data->clear();
    if (!connection_) return CURLE_FAILED_INIT;
    return Fetch(remotePath, kTransferBinary, sizeLimit, [data](const char* bytes, qint64 n) {
        data->append(bytes, static_cast<qsizetype>(n));
        return true;
    });
}

int FtpClient::Upload(QIODevice& source, const QString& remotePath, int flags) {
    curl_easy_setopt(connection_, CURLOPT_TRANSFERTEXT, (flags & 3) == kTransferAscii ? 1L : 0L);
    curl_easy_setopt(connection_, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(connection_, CURLOPT_READFUNCTION, ReadFromDevice);
    curl_easy_setopt(connection_, CURLOPT_READDATA, &source);
    curl_easy_setopt(connection_, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(source.size()));
    const int result = Perform(remotePath, source.size());
    curl_easy_setopt(connection_, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(connection_, CURLOPT_READDATA, nullptr);
    return result;
}

int FtpClient::PutRemoteFile(const QString& localPath, const QString& remotePath, int flags) {
    if (!connection_) return CURLE_FAILED_INIT;
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly)) return CURLE_READ_ERROR;
    return Upload(file, remotePath, flags);
}

int FtpClient::PutRemoteData(const QByteArray& data, const QString& remotePath, int flags) {
    if (!connection_) return CURLE_FAILED_INIT;
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return CURLE_READ_ERROR;
    return Upload(buffer, remotePath, flags);
}

int FtpClient::FindFirstRemote(const QString& searchPath) {
    listing_.clear();
    nextEntry_ = 0;
    findData_ = {};
    if (!connection_) return CURLE_FAILED_INIT;
    QByteArray answer;
    // A path ending in '/' is listed rather than fetched.
    const int result = GetRemoteData(searchPath.endsWith(QLatin1Char('/')) ? searchPath : searchPath + QLatin1Char('/'),
                                     &answer, kMaxListingBytes);
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
