#pragma once
// The FTP operations of the update protocol, on libcurl in passive mode.
// One client holds one session, one connection and one listing, used in
// the order open, connect, work, disconnect, close; closing what was never
// opened is harmless. Every call returns 0 on success or libcurl's result
// number (CURLcode), which the window lists as the error number; none shows
// a message.
//
// A host may carry ":port". Remote paths are absolute on the server.
//
// No server can hold the program: every operation has a connect limit, a
// limit on waiting for an answer, a minimum rate and an overall limit sized
// from the bytes it may carry, and the caller can end it at any moment
// from the abort check, which is also how its window keeps repainting.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QIODevice;

typedef void CURL;

namespace mox::verup {

inline constexpr int kTransferAscii = 1;
inline constexpr int kTransferBinary = 2;
inline constexpr uint32_t kDirectoryAttribute = 16;
inline constexpr uint32_t kNormalAttribute = 128;

// One entry of a listing: its attributes (16 for a folder), its size as
// listed (-1 when the line gave none) and its name.
struct RemoteEntry {
    uint32_t attributes = 0;
    qint64 size = -1;
    QString name;
};

struct FtpLimits {
    long connectSeconds = 20;
    // A command the server does not answer.
    long answerSeconds = 30;
    // A transfer slower than this many bytes a second for lowSpeedSeconds
    // is cut off.
    long lowSpeedBytes = 1024;
    long lowSpeedSeconds = 30;
    // Every operation ends after baseSeconds plus the time its size limit
    // takes at minimumRate bytes a second.
    long baseSeconds = 120;
    qint64 minimumRate = 32 * 1024;
};

// True for a result after which the server is not asked again in this run:
// it stopped answering, the connection broke, or the user ended the run.
bool EndsTheSession(int result);

// The entries of a LIST answer: Unix ("drwxr-xr-x 2 u g 0 Jan 1 12:00 name")
// and Windows ("01-01-24  12:00PM  <DIR>  name") lines; any other line is an
// entry named by the whole line.
std::vector<RemoteEntry> ParseListing(const QByteArray& listing);

class FtpClient {
public:
    // Bytes received so far and the expected total (0 when unknown).
    using Progress = std::function<void(qint64 received, qint64 total)>;
    // Asked about once a second during every operation; true ends it with
    // CURLE_ABORTED_BY_CALLBACK.
    using AbortCheck = std::function<bool()>;

    FtpClient();
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    int OpenInternet();
    int CloseInternet();
    // Logs in to the first host; when that fails, to the second, whose
    // result is returned.
    int ConnectServer(const QString& firstHost, const QString& secondHost, const QString& userName,
                      const QString& password);
    int CloseServer();
    // Fetches into the local path; an existing file is replaced only by a
    // complete download. More than `sizeLimit` bytes (when 0 or more) end
    // the fetch with CURLE_FILESIZE_EXCEEDED; the limit also sizes the
    // time the fetch may take.
    int GetRemoteFile(const QString& remotePath, const QString& localPath, int transferType, qint64 sizeLimit = -1);
    // The same into memory.
    int GetRemoteData(const QString& remotePath, QByteArray* data, qint64 sizeLimit);
    int PutRemoteFile(const QString& localPath, const QString& remotePath, int flags);
    // Stores bytes held in memory: nothing depends on the local disk.
    int PutRemoteData(const QByteArray& data, const QString& remotePath, int flags);
    // Lists a remote folder. An empty folder lists with success and no
    // entry: FindData() is then empty and FindNextRemote() false.
    int FindFirstRemote(const QString& searchPath);
    bool FindNextRemote();
    const RemoteEntry& FindData() const { return findData_; }

    // Called while a file is fetched, so that a window can show it.
    void SetProgress(Progress progress) { hooks_.progress = std::move(progress); }
    void SetAbortCheck(AbortCheck abort) { hooks_.abort = std::move(abort); }
    void SetLimits(const FtpLimits& limits) { limits_ = limits; }

    struct Hooks {
        Progress progress;
        AbortCheck abort;
    };

private:
    // `sizeLimit` (when 0 or more) lengthens the overall time limit.
    int Perform(const QString& remotePath, qint64 sizeLimit = -1);
    int Fetch(const QString& remotePath, int transferType, qint64 sizeLimit,
              const std::function<bool(const char*, qint64)>& write);
    int Upload(QIODevice& source, const QString& remotePath, int flags);
    QByteArray UrlOf(const QString& host, const QString& remotePath) const;

    bool session_ = false;
    CURL* connection_ = nullptr;
    QString host_;
    std::vector<RemoteEntry> listing_;
    size_t nextEntry_ = 0;
    RemoteEntry findData_;
    Hooks hooks_;
    FtpLimits limits_;
};

}  // namespace mox::verup
