// The compaction window: its progress lines, the attempts and the timed end.

#include "shell/compact_window.h"
#include "core/compaction.h"
#include "core/connections.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "shell/timing.h"
#include "tests/support/damaged_db.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QListWidget>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <stdexcept>

namespace mox {
namespace {

class CompactWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        const QString main = box_.CopyTemplate();
        ASSERT_FALSE(main.isEmpty());
        G().SetMainDatabase(main);
        SetInstantWaits(true);
        PFrmCompact::SetExitFunction([this] { ++exits_; });
    }
    void TearDown() override {
        PFrmCompact::SetExitFunction(nullptr);
        SetInstantWaits(false);
        ResetAllSlots();
    }
    QStringList Lines(const PFrmCompact& w) const {
        QStringList lines;
        for (int i = 0; i < w.LstStatus->count(); ++i) lines << w.LstStatus->item(i)->text();
        return lines;
    }
    CompactionStepHook FailFirstAttempts(int count) {
        return [this, count](CompactionStep step) {
            if (step == CompactionStep::Compact && ++attempts_ <= count) throw std::runtime_error("使用中");
        };
    }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    int exits_ = 0;
    int attempts_ = 0;
};

TEST_F(CompactWindowTest, FirstAttemptSucceedsAndTheProcessEndsOnTheThirdTick) {
    PFrmCompact w;
    QSignalSpy ticks(w.Timer1, &QTimer::timeout);
    w.Form_Load();
    EXPECT_EQ(Lines(w),
              (QStringList{
                  QStringLiteral("最適化情報を取得しています。"), QStringLiteral("最適化の準備をしています。(1 回目)"),
                  QStringLiteral("最適化を実行しています。　(1 回目)"), QStringLiteral("終了処理を行っています。")}));
    EXPECT_EQ(w.LstStatus->currentRow(), 3);
    EXPECT_EQ(clock_.TotalWaited(), 4000);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(exits_, 0);
    QTRY_COMPARE(exits_, 1);
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_EQ(ticks.count(), 3);
    EXPECT_TRUE(boxes_.Shown().empty());
}

// A window closed by the user must not leave the process running without
// it, holding the instance lock that refuses every later start.
TEST_F(CompactWindowTest, CloseIsRefusedWhileWorkingAndEndsTheProcessAfterwards) {
    PFrmCompact* w = nullptr;
    bool closedWhileWorking = true;
    w = new PFrmCompact([&](CompactionStep step) {
        if (step == CompactionStep::Compact) closedWhileWorking = w->close();
    });
    w->setAttribute(Qt::WA_DeleteOnClose);  // as the end of the program shows it
    const QPointer<PFrmCompact> alive(w);
    w->Form_Load();
    EXPECT_FALSE(closedWhileWorking);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(Lines(*w).last(), QStringLiteral("終了処理を行っています。"));
    EXPECT_EQ(exits_, 0);

    EXPECT_FALSE(w->close());
    EXPECT_EQ(exits_, 1);
    EXPECT_FALSE(w->Timer1->isActive());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(alive.isNull());
    delete w;
}

TEST_F(CompactWindowTest, LockedDatabaseGivesTenAttemptsAndOneBox) {
    PFrmCompact w(FailFirstAttempts(10));
    w.Form_Load();
    const QStringList lines = Lines(w);
    ASSERT_EQ(lines.size(), 1 + 20 + 2);
    EXPECT_EQ(lines[19], QStringLiteral("最適化の準備をしています。(10 回目)"));
    EXPECT_EQ(lines[20], QStringLiteral("最適化を実行しています。　(10 回目)"));
    EXPECT_EQ(lines[21], QStringLiteral("最適化できません。最適化せずに終了します。"));
    EXPECT_EQ(lines[22], QStringLiteral("終了処理を行っています。"));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("最適化エラー"));
    EXPECT_EQ(clock_.TotalWaited(), 10 * 2000);
    QTRY_COMPARE(exits_, 1);
}

// Waiting cannot mend a damaged database: one attempt, one box, no retries.
TEST_F(CompactWindowTest, DamagedDatabaseGivesOneAttemptAndOneBox) {
    const QString main = G().MainDb().Path();
    test::AddExaminations(main);
    ASSERT_TRUE(test::MakeDamaged(main, test::Damage::ExamRowsHidden));
    const QByteArray damaged = [&] {
        QFile f(main);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    PFrmCompact w;
    w.Form_Load();
    EXPECT_EQ(Lines(w), (QStringList{QStringLiteral("最適化情報を取得しています。"),
                                     QStringLiteral("最適化の準備をしています。(1 回目)"),
                                     QStringLiteral("最適化を実行しています。　(1 回目)"),
                                     QStringLiteral("最適化できません。最適化せずに終了します。"),
                                     QStringLiteral("終了処理を行っています。")}));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("データベースの破損"));
    QFile f(main);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), damaged);
    QTRY_COMPARE(exits_, 1);
}

TEST_F(CompactWindowTest, SuccessAtTheTenthAttemptHasNoFailureLine) {
    PFrmCompact w(FailFirstAttempts(9));
    w.Form_Load();
    const QStringList lines = Lines(w);
    ASSERT_EQ(lines.size(), 1 + 20 + 1);
    EXPECT_EQ(lines.last(), QStringLiteral("終了処理を行っています。"));
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(CompactWindowTest, GrabsToPng) {
    PFrmCompact w(FailFirstAttempts(2));
    w.Form_Load();
    const QString out = qEnvironmentVariable("MOX_GRAB_DIR", box_.Path()) + QStringLiteral("/compact_window.png");
    EXPECT_TRUE(w.grab().save(out));
    EXPECT_TRUE(QFile::exists(out));
}

}  // namespace
}  // namespace mox
