// The start check of the version-up window against a real FTP server: is
// the server ready, and does it offer a newer release than the one
// installed?

#include "maintenance/version_up/update_protocol.h"
#include "platform/registry.h"
#include "tests/maintenance/maintenance_test_support.h"

#include <gtest/gtest.h>
#include <QRegularExpression>

namespace {

using namespace mox;
using mox::test::DeadHost;
using mox::test::WriteFile;

class VersionCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::FtpServerPython().isEmpty()) MOX_COMPONENT_MISSING("python3-pyftpdlib");
        server_ = std::make_unique<test::FtpServer>(tree_.Root());
        ASSERT_TRUE(server_->Running());
        site_ = std::make_unique<test::UpdateSite>(server_->Host());
    }
    // Runs the start check with these version files (null: no file).
    void Check(const char* local, const char* remote) {
        if (local) WriteFile(site_->Program("VersionMOX.txt"), local);
        if (remote) tree_.SetRemoteVersion(remote);
        protocol_ = std::make_unique<verup::VersionUpProtocol>(view_, site_->Setup());
        protocol_->StartupCheck();
    }

    test::ServerTree tree_;
    std::unique_ptr<test::FtpServer> server_;
    std::unique_ptr<test::UpdateSite> site_;
    test::RecordingView view_;
    std::unique_ptr<verup::VersionUpProtocol> protocol_;
};

TEST_F(VersionCheckTest, WithoutALocalVersionFileAnyRemoteReleaseIsOffered) {
    Check(nullptr, "Version=0.0.1\r\n");
    EXPECT_EQ(view_.local, QStringLiteral("0.0.0"));
    EXPECT_EQ(view_.remote, QStringLiteral("0.0.1"));
    EXPECT_EQ(view_.messages, (QStringList{QStringLiteral("最新バージョンを確認しました。"),
                                           QStringLiteral("バージョンアップボタンをクリックしてください。")}));
    EXPECT_TRUE(view_.highlighted);
    EXPECT_TRUE(view_.downEnabled);
    EXPECT_TRUE(view_.buttonsEnabled);
    EXPECT_EQ(protocol_->NoUpdate, 0);
    EXPECT_EQ(protocol_->Busy, 0);
    // The session starts in the log with a stamp alone, before the messages.
    const QString log = site_->Log();
    EXPECT_TRUE(
        log.contains(QRegularExpression(QStringLiteral("\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d \\r\\n\\d{4}/\\d\\d/\\d\\d "
                                                       "\\d\\d:\\d\\d 最新バージョンを確認しました。\\r\\n"))))
        << log.toStdString();
}

TEST_F(VersionCheckTest, OnlyAStrictlyNewerRemoteVersionIsOfferedComparedPartByPart) {
    struct Case {
        const char* local;
        const char* remote;
        bool offered;
    };
    const Case cases[] = {
        {"Version=4.0.6\r\n", "Version=4.0.6\r\n", false},  {"Version=4.0.6\r\n", "Version=4.0.5\r\n", false},
        {"Version=4.9.0\r\n", "Version=4.10.0\r\n", true},  {"Version=4.10.0\r\n", "Version=4.9.9\r\n", false},
        {"Version=4.0.6\r\n", "Version=4.0.6.1\r\n", true}, {"Version=\r\n", "Version=0.0.1\r\n", true},
    };
    for (const Case& c : cases) {
        view_ = {};
        Check(c.local, c.remote);
        SCOPED_TRACE(std::string(c.local) + " / " + c.remote);
        EXPECT_EQ(view_.highlighted, c.offered);
        EXPECT_EQ(view_.downEnabled, c.offered);
        EXPECT_EQ(view_.Listed(QStringLiteral("最新バージョンです。バージョンアップは必要ありません。")), !c.offered)
            << view_.All();
    }
}

TEST_F(VersionCheckTest, AnEmptyRemoteValueOrAMissingVersionFileMeansTheServerIsNotReady) {
    Check("Version=4.0.6\r\n", "Version=\r\n");
    EXPECT_EQ(view_.remote, QString());
    EXPECT_EQ(view_.messages, QStringList{QStringLiteral("リモートサーバが準備中です。")});
    EXPECT_FALSE(view_.downEnabled);
    EXPECT_FALSE(view_.highlighted);

    // An empty download folder has no version file at all.
    QFile::remove(tree_.Download("VersionMOX.txt"));
    view_ = {};
    Check(nullptr, nullptr);
    EXPECT_EQ(view_.messages, QStringList{QStringLiteral("リモートサーバが準備中です。")});
    EXPECT_FALSE(view_.downEnabled);
}

TEST_F(VersionCheckTest, TheSecondHostServesWhenTheFirstIsDown) {
    const QString key = QString::fromUtf8(verup::kTestServerKey);
    platform::RegistryWrite(key, QStringLiteral("HostAlias"), DeadHost());
    Check("Version=4.0.6\r\n", "Version=4.1.0\r\n");
    EXPECT_TRUE(view_.highlighted) << view_.All();

    // Both down: the connection error with libcurl's number, and the
    // button stays as the window left it, as when the server is not ready.
    platform::RegistryWrite(key, QStringLiteral("HostName"), DeadHost());
    view_ = {};
    Check(nullptr, nullptr);
    EXPECT_EQ(view_.messages, QStringList{QStringLiteral("リモートサーバへの接続エラー発生 ［エラー番号：7］")});
    EXPECT_TRUE(site_->Log().contains(QStringLiteral("リモートサーバへの接続エラー発生 ［エラー番号：7］")));
}

TEST_F(VersionCheckTest, WithoutTheTestMarkerTheUnconfiguredProductionServerIsNamed) {
    QFile::remove(site_->Program("testmode.txt"));
    Check(nullptr, "Version=9.0.0\r\n");
    EXPECT_EQ(view_.messages, QStringList{QStringLiteral("更新サーバの接続先が設定されていません。")});
    EXPECT_FALSE(protocol_->Server().testMode);
}

}  // namespace
