// The FTP wrappers against a real passive FTP server on 127.0.0.1.

#include "maintenance/version_up/ftp_client.h"
#include "tests/maintenance/maintenance_test_support.h"

#include <curl/curl.h>
#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

using namespace mox;
using mox::test::DeadHost;
using namespace mox::verup;
using mox::test::ReadFile;
using mox::test::WriteFile;

class FtpClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::FtpServerPython().isEmpty()) MOX_COMPONENT_MISSING("python3-pyftpdlib");
        server_ = std::make_unique<test::FtpServer>(tree_.Root());
        ASSERT_TRUE(server_->Running());
    }
    int Connect(FtpClient& ftp, const QString& first, const QString& second,
                const QString& password = QStringLiteral("tolbex3861")) {
        EXPECT_EQ(ftp.OpenInternet(), 0);
        return ftp.ConnectServer(first, second, QStringLiteral("moxtest"), password);
    }

    test::ServerTree tree_;
    std::unique_ptr<test::FtpServer> server_;
    QTemporaryDir local_;
};

TEST_F(FtpClientTest, TheSecondHostIsTriedWhenTheFirstIsDownAndFailuresAreCurlCodes) {
    FtpClient ftp;
    EXPECT_EQ(Connect(ftp, DeadHost(), server_->Host()), 0);
    ftp.CloseServer();
    EXPECT_EQ(Connect(ftp, server_->Host(), DeadHost()), 0);
    ftp.CloseServer();
    EXPECT_EQ(Connect(ftp, DeadHost(), DeadHost()), CURLE_COULDNT_CONNECT);
    EXPECT_EQ(Connect(ftp, server_->Host(), server_->Host(), QStringLiteral("wrong")), CURLE_LOGIN_DENIED);
    // Closing twice, or what was never opened, is harmless.
    EXPECT_EQ(ftp.CloseServer(), 0);
    EXPECT_EQ(ftp.CloseServer(), 0);
    EXPECT_EQ(ftp.CloseInternet(), 0);
}

TEST_F(FtpClientTest, FetchReplacesALocalFileOnlyWithACompleteDownload) {
    WriteFile(tree_.Download("VersionMOX.txt"), "Version=4.1.0\r\n");
    FtpClient ftp;
    ASSERT_EQ(Connect(ftp, server_->Host(), server_->Host()), 0);
    const QString local = local_.filePath("VersionMOX.txt");
    WriteFile(local, "old and longer content");
    EXPECT_EQ(ftp.GetRemoteFile("/mox/download/VersionMOX.txt", local, kTransferBinary), 0);
    EXPECT_EQ(ReadFile(local), QByteArray("Version=4.1.0\r\n"));

    EXPECT_EQ(ftp.GetRemoteFile("/mox/download/missing.zip", local, kTransferBinary), CURLE_REMOTE_FILE_NOT_FOUND);
    EXPECT_EQ(ReadFile(local), QByteArray("Version=4.1.0\r\n"));
    EXPECT_FALSE(QFile::exists(local_.filePath("missing.zip")));
    EXPECT_EQ(QDir(local_.path()).entryList(QDir::Files | QDir::Hidden).size(), 1) << "no partial file is left";
}

TEST_F(FtpClientTest, StoreAndListAnAbsolutePathWithBlanksAndJapaneseInNames) {
    FtpClient ftp;
    ASSERT_EQ(Connect(ftp, server_->Host(), server_->Host()), 0);
    const QString report = local_.filePath("r.txt");
    WriteFile(report, "report");
    EXPECT_EQ(ftp.PutRemoteFile(report, QStringLiteral("/mox/upload/結果 01.txt"), kTransferBinary), 0);
    EXPECT_EQ(ReadFile(tree_.Upload(QStringLiteral("結果 01.txt"))), QByteArray("report"));

    ASSERT_EQ(ftp.FindFirstRemote("/mox/"), 0);
    QStringList folders;
    do {
        EXPECT_EQ(ftp.FindData().attributes, kDirectoryAttribute);
        folders << ftp.FindData().name;
    } while (ftp.FindNextRemote());
    folders.sort();
    EXPECT_EQ(folders, (QStringList{"download", "upload"}));

    ASSERT_EQ(ftp.FindFirstRemote("/mox/upload/"), 0);
    EXPECT_EQ(ftp.FindData().name, QStringLiteral("結果 01.txt"));
    EXPECT_EQ(ftp.FindData().attributes, kNormalAttribute);
    EXPECT_FALSE(ftp.FindNextRemote());
}

TEST_F(FtpClientTest, AnEmptyFolderListsWithSuccessAndNoEntry) {
    FtpClient ftp;
    ASSERT_EQ(Connect(ftp, server_->Host(), server_->Host()), 0);
    ASSERT_EQ(ftp.FindFirstRemote("/mox/download/"), 0);
    EXPECT_TRUE(ftp.FindData().name.isEmpty());
    EXPECT_EQ(ftp.FindData().attributes, 0u);
    EXPECT_FALSE(ftp.FindNextRemote());
    EXPECT_NE(ftp.FindFirstRemote("/mox/nowhere/"), 0);
}

TEST(ParseListing, UnixAndWindowsLinesAndAnythingElseAsAWholeName) {
    const auto entries = ParseListing(
        "total 12\r\n"
        "drwxr-xr-x   2 owner    group        4096 Jan 09 00:29 download\r\n"
        "-rw-r--r--   1 owner    group      123456 Jan  9  2024 update 1.zip\r\n"
        "lrwxrwxrwx   1 owner    group           9 Jan 09 00:29 link -> /etc\r\n"
        "01-09-24  12:00PM       <DIR>          upload\r\n"
        "01-09-2024  09:15AM               512 VersionMOX.txt\r\n"
        "VersionMOX.txt\r\n");
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].attributes, kDirectoryAttribute);
    EXPECT_EQ(entries[0].name, QStringLiteral("download"));
    EXPECT_EQ(entries[1].attributes, kNormalAttribute);
    EXPECT_EQ(entries[1].name, QStringLiteral("update 1.zip"));
    EXPECT_EQ(entries[2].name, QStringLiteral("link"));
    EXPECT_EQ(entries[3].attributes, kDirectoryAttribute);
    EXPECT_EQ(entries[3].name, QStringLiteral("upload"));
    EXPECT_EQ(entries[4].name, QStringLiteral("VersionMOX.txt"));
    EXPECT_EQ(entries[5].name, QStringLiteral("VersionMOX.txt"));
    EXPECT_EQ(entries[5].attributes, kNormalAttribute);
}

}  // namespace
