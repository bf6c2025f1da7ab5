#pragma once
// The FTP operations of the update protocol, on libcurl in passive mode.
// One client holds one session, one connection and one listing, used in
// the order open, connect, work, disconnect, close; closing what was never
// opened is harmless. Every call returns 0 on success or libcurl's result
// number (CURLcode), which the window lists as the error number; none shows
// a message.
//
// A host may carry ":port". Remote paths are absolute on the server.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

typedef void CURL;

namespace mox::verup {

inline constexpr int kTransferAscii = 1;
inline constexpr int kTransferBinary = 2;
inline constexpr uint32_t kDirectoryAttribute = 16;
inline constexpr uint32_t kNormalAttribute = 128;

// One entry of a listing: its attributes (16 for a folder) and its name.
struct RemoteEntry {
    uint32_t attributes = 0;
    QString name;
};

// The entries of a LIST answer: Unix ("drwxr-xr-x 2 u g 0 Jan 1 12:00 name")
// and Windows ("01-01-24  12:00PM  <DIR>  name") lines; any other line is an
// entry named by the whole line.
std::vector<RemoteEntry> ParseListing(const QByteArray& listing);

class FtpClient {
public:
    // Bytes received so far and the expected total (0 when unknown).
    using Progress = std::function<void(qint64 received, qint64 total)>;

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
    // complete download.
    int GetRemoteFile(const QString& remotePath, const QString& localPath, int transferType);
    int PutRemoteFile(const QString& localPath, const QString& remotePath, int flags);
    // Lists a remote folder. An empty folder lists with success and no
    // entry: FindData() is then empty and FindNextRemote() false.
    int FindFirstRemote(const QString& searchPath);
    bool FindNextRemote();
    const RemoteEntry& FindData() const { return findData_; }

    // Called while a file is fetched, so that a window can show it.
    void SetProgress(Progress progress) { progress_ = std::move(progress); }

private:
    int Perform(const QString& remotePath);
    QByteArray UrlOf(const QString& host, const QString& remotePath) const;

    bool session_ = false;
    CURL* connection_ = nullptr;
    QString host_;
    std::vector<RemoteEntry> listing_;
    size_t nextEntry_ = 0;
    RemoteEntry findData_;
    Progress progress_;
};

}  // namespace mox::verup
