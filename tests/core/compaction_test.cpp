// Compaction of the main database: a failed or interrupted attempt must leave
// the original file complete.

#include "core/compaction.h"
#include "core/connections.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <stdexcept>

namespace mox {
namespace {

class CompactionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        folder_ = box_.Path();
        UseFolder(folder_);
    }
    void TearDown() override {
        SetCompactionStepHook(nullptr);
        ResetAllSlots();
    }
    // A main database with deleted rows, so that compaction has work to do.
    void UseFolder(const QString& folder) {
        QDir().mkpath(folder);
        main_ = folder + QStringLiteral("/VXMOX2.MDB");
        QFile::remove(main_);
        ASSERT_TRUE(QFile::copy(test::TemplateDbPath(), main_));
        QFile::setPermissions(main_, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        auto conn = db::Connection::Open(QStringLiteral("Data Source=") + main_);
        conn->Execute(QStringLiteral("CREATE TABLE Filler (ID INTEGER PRIMARY KEY, Text TEXT)"));
        for (int i = 0; i < 200; ++i)
            conn->Execute(QStringLiteral("INSERT INTO Filler (Text) VALUES (?)"), {QString(500, QLatin1Char('x'))});
        conn->Execute(QStringLiteral("DELETE FROM Filler"));
        examCount_ = conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData")).ToInt64();
        conn->Close();
        G().AppPath = folder;
        G().MainDbFile = QStringLiteral("/VXMOX2.MDB");
        G().MainDbSource = QStringLiteral("Data Source=") + main_;
    }
    QByteArray MainBytes() const {
        QFile f(main_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The main file opens, is sound and holds every examination.
    void ExpectSoundMain() {
        auto conn = db::Connection::Open(QStringLiteral("Data Source=") + main_);
        EXPECT_EQ(conn->Scalar(QStringLiteral("PRAGMA integrity_check")).ToText(), QStringLiteral("ok"));
        EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData")).ToInt64(), examCount_);
        conn->Close();
    }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    QString folder_, main_;
    int64_t examCount_ = 0;
};

TEST_F(CompactionTest, CompactedCopyReplacesTheMainFile) {
    const qint64 before = QFileInfo(main_).size();
    ASSERT_TRUE(OpenMainDb());  // a slot still open at the end of the run
    EXPECT_TRUE(CompactDatabase(1));
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
    EXPECT_LT(QFileInfo(main_).size(), before);
    EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(main_).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(clock_.TotalWaited(), 2000);
    EXPECT_TRUE(boxes_.Shown().empty());
    ExpectSoundMain();
}

TEST_F(CompactionTest, LeftoverTargetIsReplacedAndOtherFoldersWork) {
    UseFolder(folder_ + QStringLiteral("/他のフォルダ"));
    box_.WriteText(QStringLiteral("他のフォルダ/VXCP.MDB"), QByteArray("stale copy of an interrupted run"));
    EXPECT_EQ(CompactTargetPath(), folder_ + QStringLiteral("/他のフォルダ/VXCP.MDB"));
    EXPECT_TRUE(CompactDatabase(1));
    EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    EXPECT_FALSE(QFileInfo::exists(folder_ + QStringLiteral("/VXCP.MDB")));
    ExpectSoundMain();
}

TEST_F(CompactionTest, FailureAtAnyStepLeavesTheMainFileAsItWas) {
    const QByteArray original = MainBytes();
    for (CompactionStep failing :
         {CompactionStep::RemoveLeftover, CompactionStep::Compact, CompactionStep::Check, CompactionStep::Replace}) {
        SetCompactionStepHook([failing](CompactionStep step) {
            if (step == failing) throw std::runtime_error("入出力エラー");
        });
        EXPECT_FALSE(CompactDatabase(3));
        EXPECT_EQ(MainBytes(), original);
        EXPECT_FALSE(QFileInfo::exists(CompactTargetPath()));
    }
    EXPECT_TRUE(boxes_.Shown().empty());  // attempts before the tenth are silent
}

TEST_F(CompactionTest, TenthFailureIsReported) {
    QFile::remove(main_);  // nothing to compact
    EXPECT_FALSE(CompactDatabase(10));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("最適化エラー"));
    EXPECT_EQ(boxes_.Shown()[0].style, 16);
    EXPECT_TRUE(
        boxes_.Shown()[0].prompt.startsWith(QStringLiteral("最適化でエラー発生！　エラー番号：2\r\n\r\nエラー内容：")));
}

TEST_F(CompactionTest, KillAtAnyStepLeavesASoundDatabase) {
    for (CompactionStep killAt :
         {CompactionStep::RemoveLeftover, CompactionStep::Compact, CompactionStep::Check, CompactionStep::Replace}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SetCompactionStepHook([killAt](CompactionStep step) {
                if (step == killAt) ::raise(SIGKILL);
            });
            CompactDatabase(1);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGKILL);
        ExpectSoundMain();
        // The next run's attempt clears what the killed one left.
        EXPECT_TRUE(CompactDatabase(1));
        ExpectSoundMain();
    }
}

}  // namespace
}  // namespace mox
