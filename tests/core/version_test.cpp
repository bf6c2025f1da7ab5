#include "core/version.h"
#include "core/connections.h"
#include "core/program_end.h"
#include "core/settings.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QFile>

namespace mox {
namespace {

class CheckDbVersionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        const QString file = sandbox_.File(QStringLiteral("VXMOX2.MDB"));
        conn_ = db::Connection::CreateFile(file);
        conn_->Execute(
            QStringLiteral("CREATE TABLE TVersion (ID INTEGER, Major INTEGER, Minor INTEGER, Revision INTEGER)"));
        G().SetMainDatabase(file);
    }
    void TearDown() override {
        ResetAllSlots();
        conn_->Close();
    }
    void SetRow(const db::Value& major, const db::Value& minor, const db::Value& revision) {
        conn_->Execute(QStringLiteral("DELETE FROM TVersion"));
        conn_->Execute(QStringLiteral("INSERT INTO TVersion VALUES (1, ?, ?, ?)"), {major, minor, revision});
    }
    void ExpectSlotClosed() {
        const SlotState s = GetSlotState(Slot::Main);
        EXPECT_FALSE(s.hasConnection);
        EXPECT_EQ(s.openCount, 0);
    }

    test::Sandbox sandbox_;
    platform::ScriptedMsgBoxes boxes_;
    db::ConnectionPtr conn_;
};

TEST_F(CheckDbVersionTest, AcceptsFrom1000Up) {
    SetRow(1, 0, 1);
    EXPECT_TRUE(CheckDbVersion());
    SetRow(0, 1, 0);
    EXPECT_TRUE(CheckDbVersion());
    SetRow(0, 0, 999);
    EXPECT_FALSE(CheckDbVersion());
    SetRow(0, 0, 5);
    EXPECT_FALSE(CheckDbVersion());
    EXPECT_TRUE(boxes_.Shown().empty());
    ExpectSlotClosed();
}

TEST_F(CheckDbVersionTest, OnlyRowOneCounts) {
    EXPECT_FALSE(CheckDbVersion());
    conn_->Execute(QStringLiteral("INSERT INTO TVersion VALUES (2, 4, 0, 0)"));
    EXPECT_FALSE(CheckDbVersion());
    EXPECT_TRUE(boxes_.Shown().empty());
    ExpectSlotClosed();
}

TEST_F(CheckDbVersionTest, UnreadableRowAsksAndCancelRefuses) {
    SetRow(1, db::Value(), 1);
    boxes_.Answer(platform::kRetry);
    boxes_.Answer(platform::kCancel);
    EXPECT_FALSE(CheckDbVersion());
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.startsWith(QStringLiteral("[Error:")));
    EXPECT_EQ(boxes_.Shown()[0].style, 21);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("エラー"));
    ExpectSlotClosed();
}

TEST_F(CheckDbVersionTest, RetryAfterTheCauseIsMendedSucceeds) {
    conn_->Execute(QStringLiteral("DROP TABLE TVersion"));
    platform::SetMsgBoxResponder([this](const platform::ShownBox&) {
        conn_->Execute(
            QStringLiteral("CREATE TABLE TVersion (ID INTEGER, Major INTEGER, Minor INTEGER, Revision INTEGER)"));
        conn_->Execute(QStringLiteral("INSERT INTO TVersion VALUES (1, 1, 0, 1)"));
        return int(platform::kRetry);
    });
    EXPECT_TRUE(CheckDbVersion());
    platform::SetMsgBoxResponder(nullptr);
    ExpectSlotClosed();
}

TEST_F(CheckDbVersionTest, ReadsTheNumberOnAConnectionOfItsOwn) {
    // A file chosen in the file menu is read without the main slot.
    EXPECT_EQ(ReadDbVersion(*conn_), std::nullopt);
    SetRow(1, 2, 3);
    EXPECT_EQ(ReadDbVersion(*conn_), 12003);
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
    conn_->Execute(QStringLiteral("DROP TABLE TVersion"));
    EXPECT_THROW(ReadDbVersion(*conn_), db::DbError);
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST(VersionText, ComesFromTheProgramVersion) { EXPECT_EQ(GetVersionText(), QStringLiteral("Ver.4.0.6")); }

TEST(WriteVersionFile, WritesOneAsciiLineWithCrLf) {
    test::Sandbox sandbox;
    G().ProgramDir = sandbox.Path();
    sandbox.WriteText(QStringLiteral("VersionMOX.txt"), "Version=3.9.9\r\nsomething longer\r\n");
    ASSERT_TRUE(WriteVersionFile());
    QFile file(sandbox.File(QStringLiteral("VersionMOX.txt")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Version=4.0.6\r\n"));
    file.close();

    // The current line with more after it is not yet the file the start
    // leaves.
    sandbox.WriteText(QStringLiteral("VersionMOX.txt"), "Version=4.0.6\r\nVersion=3.9.9\r\n");
    ASSERT_TRUE(WriteVersionFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("Version=4.0.6\r\n"));

    G().ProgramDir = sandbox.File(QStringLiteral("no-such-folder"));
    EXPECT_FALSE(WriteVersionFile());
}

}  // namespace
}  // namespace mox
