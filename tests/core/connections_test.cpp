#include "core/connections.h"
#include "core/program_end.h"
#include "core/settings.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QFile>

namespace mox {
namespace {

struct EndProgramCalled {};

class ConnectionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        mainFile_ = sandbox_.File(QStringLiteral("VXMOX2.MDB"));
        auto conn = db::Connection::CreateFile(mainFile_);
        conn->Execute(QStringLiteral("CREATE TABLE T (ID INTEGER, Name TEXT)"));
        conn->Execute(QStringLiteral("INSERT INTO T VALUES (1, 'a'), (2, 'b')"));
        conn->Close();
        G().SetMainDatabase(mainFile_);
        G().TemplateDbSource = QStringLiteral("Data Source=") + mainFile_;
        G().OldDbSource = QStringLiteral("Data Source=") + mainFile_;
        G().SourceDbSourceA = G().SourceDbSourceB = QStringLiteral("Data Source=") + mainFile_;
        G().SharedDbKind = 0;
        G().SharedDbSource.clear();
        SetConnectionFactory([this](const QString& cs) {
            strings_.push_back(cs);
            if (failuresLeft_ > 0) {
                --failuresLeft_;
                throw db::DbError(3704, QStringLiteral("ファイルが使用中です。"));
            }
            return db::Connection::Open(cs);
        });
        SetEndProgramHandler([] { throw EndProgramCalled{}; });
    }
    void TearDown() override {
        ResetAllSlots();
        SetConnectionFactory({});
        SetEndProgramHandler({});
    }
    int Opens() const { return static_cast<int>(strings_.size()); }

    test::Sandbox sandbox_;
    platform::ScriptedMsgBoxes boxes_;
    QString mainFile_;
    QStringList strings_;
    int failuresLeft_ = 0;
};

TEST_F(ConnectionsTest, NestedCountedOpensShareOneConnectionUntilTheLastRelease) {
    ASSERT_TRUE(OpenMainDb());
    db::ConnectionPtr first = MainDbConn();
    ASSERT_TRUE(OpenMainDb());
    EXPECT_EQ(Opens(), 1);
    EXPECT_EQ(MainDbConn(), first);

    EXPECT_TRUE(ReleaseMainDb());
    SlotState s = GetSlotState(Slot::Main);
    EXPECT_TRUE(s.hasConnection);
    EXPECT_EQ(s.isOpen, 0);
    EXPECT_EQ(s.openCount, 1);
    EXPECT_TRUE(first->IsOpen());

    EXPECT_TRUE(ReleaseMainDb());
    s = GetSlotState(Slot::Main);
    EXPECT_FALSE(s.hasConnection);
    EXPECT_EQ(s.openCount, 0);
    EXPECT_FALSE(first->IsOpen());
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ConnectionsTest, DetachedConnectionKeepsServingTheOuterUser) {
    ASSERT_TRUE(OpenMainDb());
    db::ConnectionPtr outer = MainDbConn();
    auto rs = outer->OpenRecordset(QStringLiteral("SELECT * FROM T ORDER BY ID"));

    ASSERT_TRUE(OpenMainDb());
    ASSERT_TRUE(ReleaseMainDb());  // inner user done: the slot is detached
    ASSERT_TRUE(OpenMainDb());     // a new user gets a new connection
    EXPECT_EQ(Opens(), 2);
    EXPECT_NE(MainDbConn(), outer);
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, 2);

    ASSERT_TRUE(ReleaseMainDb());
    ASSERT_TRUE(ReleaseMainDb());
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);

    // The first connection was dropped, not closed: its user goes on.
    ASSERT_TRUE(outer->IsOpen());
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->Field(QStringLiteral("Name")).ToText(), QStringLiteral("a"));
    rs->MoveNext();
    EXPECT_EQ(rs->Field(QStringLiteral("ID")).ToInt32(), 2);
    EXPECT_EQ(outer->Scalar(QStringLiteral("SELECT COUNT(*) FROM T")).ToInt32(), 2);
}

// An allocation of new identifiers inside a save of several rows opens and
// releases the slot for each identifier; every one must write through the
// connection that holds the transaction's lock.
TEST_F(ConnectionsTest, CountedOpenInsideATransactionKeepsItsConnection) {
    ASSERT_TRUE(OpenMainDb());
    db::ConnectionPtr outer = MainDbConn();
    db::Transaction transaction(*outer);
    outer->Execute(QStringLiteral("INSERT INTO T VALUES (3, 'c')"));
    for (int id = 4; id <= 5; ++id) {
        ASSERT_TRUE(OpenMainDb());
        ASSERT_EQ(MainDbConn(), outer);
        MainDbConn()->Execute(QStringLiteral("INSERT INTO T VALUES (?, 'd')"), {id});
        ASSERT_TRUE(ReleaseMainDb());  // detaches the slot
    }
    EXPECT_EQ(Opens(), 1);
    transaction.Commit();
    EXPECT_EQ(outer->Scalar(QStringLiteral("SELECT COUNT(*) FROM T")).ToInt32(), 5);

    // Outside a transaction a detached slot still gets a new connection.
    ASSERT_TRUE(OpenMainDb());
    EXPECT_NE(MainDbConn(), outer);
    ASSERT_TRUE(ReleaseMainDb());
    ASSERT_TRUE(ReleaseMainDb());
}

TEST_F(ConnectionsTest, HeldSlotStaysOpenThroughCountedUseUntilClosed) {
    ASSERT_TRUE(HoldMainDb());
    db::ConnectionPtr held = MainDbConn();
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(OpenMainDb());
        ASSERT_TRUE(ReleaseMainDb());
    }
    // The allocator's open without a release, and one release too many.
    ASSERT_TRUE(OpenMainDb());
    ASSERT_TRUE(ReleaseMainDb());
    ASSERT_TRUE(ReleaseMainDb());
    EXPECT_EQ(Opens(), 1);
    EXPECT_EQ(MainDbConn(), held);
    EXPECT_TRUE(held->IsOpen());
    SlotState s = GetSlotState(Slot::Main);
    EXPECT_EQ(s.isOpen, 1);
    EXPECT_EQ(s.isHeld, 1);
    EXPECT_EQ(s.openCount, -1);

    EXPECT_TRUE(CloseMainDb());
    s = GetSlotState(Slot::Main);
    EXPECT_FALSE(s.hasConnection);
    EXPECT_EQ(s.isOpen, 0);
    EXPECT_EQ(s.isHeld, 0);
    EXPECT_EQ(s.openCount, 0);
    EXPECT_FALSE(held->IsOpen());
}

TEST_F(ConnectionsTest, HoldInsideAHoldSharesItAndOnlyTheOuterScopeCloses) {
    {
        MainDbHold outer;
        ASSERT_TRUE(outer.IsOpen());
        db::ConnectionPtr held = MainDbConn();
        {
            MainDbHold inner;
            EXPECT_TRUE(inner.IsOpen());
            EXPECT_EQ(MainDbConn(), held) << "no second connection for the inner hold";
        }
        EXPECT_EQ(MainDbConn(), held);
        EXPECT_TRUE(held->IsOpen()) << "the inner scope left the outer hold open";
        EXPECT_EQ(GetSlotState(Slot::Main).isHeld, 1);
    }
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
    EXPECT_EQ(Opens(), 1);
}

TEST_F(ConnectionsTest, HoldTakesOverACountedUseAndClosesAtItsEnd) {
    ASSERT_TRUE(OpenMainDb());
    {
        MainDbHold hold;
        ASSERT_TRUE(hold.IsOpen());
        EXPECT_EQ(GetSlotState(Slot::Main).isHeld, 1);
    }
    EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
    EXPECT_EQ(Opens(), 2);
}

TEST_F(ConnectionsTest, HoldOnAnOpenSlotClosesAndReopensWithCountZero) {
    ASSERT_TRUE(OpenMainDb());
    ASSERT_TRUE(OpenMainDb());
    db::ConnectionPtr counted = MainDbConn();
    ASSERT_TRUE(HoldMainDb());
    EXPECT_EQ(Opens(), 2);
    EXPECT_FALSE(counted->IsOpen());
    EXPECT_NE(MainDbConn(), counted);
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, 0);
    EXPECT_EQ(GetSlotState(Slot::Main).isHeld, 1);
}

TEST_F(ConnectionsTest, ReleaseAndCloseWithoutConnectionFailSilently) {
    EXPECT_FALSE(ReleaseMainDb());
    SlotState s = GetSlotState(Slot::Main);
    EXPECT_EQ(s.openCount, -1);
    EXPECT_EQ(s.isOpen, 0);

    EXPECT_FALSE(CloseMainDb());
    EXPECT_EQ(GetSlotState(Slot::Main).openCount, -1);  // a failed close leaves the count
    EXPECT_FALSE(ReleaseTemplateDb());
    EXPECT_FALSE(CloseOldDb());
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_EQ(Opens(), 0);
}

TEST_F(ConnectionsTest, NoSharedDatabaseMeansFalseWithoutAnAttempt) {
    G().SharedDbKind = 0;
    EXPECT_FALSE(OpenSharedDb());
    EXPECT_FALSE(ReleaseSharedDb());
    G().SharedDbKind = -1;
    EXPECT_FALSE(OpenSharedDb());
    EXPECT_EQ(Opens(), 0);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_EQ(GetSlotState(Slot::Shared).openCount, 0);
}

TEST_F(ConnectionsTest, SharedAccessFileIsCountedLikeTheMainSlot) {
    G().SharedDbKind = 1;
    G().SharedDbSource = QStringLiteral("Data Source=") + mainFile_;
    ASSERT_TRUE(OpenSharedDb());
    ASSERT_TRUE(OpenSharedDb());
    EXPECT_EQ(Opens(), 1);
    EXPECT_TRUE(ReleaseSharedDb());
    EXPECT_TRUE(GetSlotState(Slot::Shared).hasConnection);
    EXPECT_TRUE(ReleaseSharedDb());
    EXPECT_FALSE(GetSlotState(Slot::Shared).hasConnection);
}

TEST_F(ConnectionsTest, FailedOpenAsksRetryOrCancelAndCancelEndsTheProgram) {
    failuresLeft_ = 100;
    boxes_.Answer(platform::kRetry);
    boxes_.Answer(platform::kRetry);
    boxes_.Answer(platform::kCancel);
    EXPECT_THROW(OpenMainDb(), EndProgramCalled);
    EXPECT_EQ(Opens(), 3);
    ASSERT_EQ(boxes_.Shown().size(), 3u);
    for (const auto& box : boxes_.Shown()) {
        EXPECT_EQ(box.prompt, QStringLiteral("[Error:3704] \r\nファイルが使用中です。"));
        EXPECT_EQ(box.style, 21);
        EXPECT_EQ(box.caption, QStringLiteral("エラー"));
    }
    SlotState s = GetSlotState(Slot::Main);
    EXPECT_EQ(s.isOpen, 0);
    EXPECT_EQ(s.isHeld, 0);
    EXPECT_EQ(s.openCount, 0);
}

TEST_F(ConnectionsTest, RetryThatSucceedsOpensTheSlot) {
    failuresLeft_ = 1;
    boxes_.Answer(platform::kRetry);
    ASSERT_TRUE(OpenTemplateDb());
    EXPECT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(TemplateDbConn()->IsOpen());
    EXPECT_EQ(GetSlotState(Slot::Template).openCount, 1);
    EXPECT_TRUE(ReleaseTemplateDb());
    EXPECT_FALSE(GetSlotState(Slot::Template).hasConnection);
}

TEST_F(ConnectionsTest, MissingMainFileShowsTheLayerErrorAndHoldCancelEnds) {
    G().SetMainDatabase(sandbox_.File(QStringLiteral("missing.MDB")));
    boxes_.Answer(platform::kCancel);
    EXPECT_THROW(HoldMainDb(), EndProgramCalled);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.startsWith(QStringLiteral("[Error:-2147467259] \r\n")));
    EXPECT_FALSE(QFile::exists(sandbox_.File(QStringLiteral("missing.MDB"))));
    EXPECT_EQ(GetSlotState(Slot::Main).isHeld, 0);
}

TEST_F(ConnectionsTest, CancelledSharedOpenReportsFalseAndTheProgramGoesOn) {
    G().SharedDbKind = 1;
    G().SharedDbSource = QStringLiteral("Data Source=") + sandbox_.File(QStringLiteral("db/vx2.MDB"));
    boxes_.Answer(platform::kRetry);
    boxes_.Answer(platform::kCancel);
    EXPECT_FALSE(OpenSharedDb());
    EXPECT_EQ(boxes_.Shown().size(), 2u);
    SlotState s = GetSlotState(Slot::Shared);
    EXPECT_FALSE(s.hasConnection);
    EXPECT_EQ(s.isOpen, 0);
    EXPECT_EQ(s.openCount, 0);
}

TEST_F(ConnectionsTest, OldFormatSlotIsHeldAndClosed) {
    ASSERT_TRUE(HoldOldDb());
    db::ConnectionPtr old = OldDbConn();
    ASSERT_TRUE(old && old->IsOpen());
    ASSERT_TRUE(HoldOldDb());
    EXPECT_FALSE(old->IsOpen());
    EXPECT_TRUE(CloseOldDb());
    EXPECT_FALSE(GetSlotState(Slot::Old).hasConnection);
    EXPECT_EQ(Opens(), 2);
}

// The converter reads its two sources while it writes the main database:
// each slot keeps its own connection and count.
TEST_F(ConnectionsTest, SourceSlotsAreCountedApartFromEachOtherAndFromTheMainSlot) {
    const QString other = sandbox_.File(QStringLiteral("vexaMOXDH.MDB"));
    ASSERT_TRUE(QFile::copy(mainFile_, other));
    G().SourceDbSourceB = QStringLiteral("Data Source=") + other;

    ASSERT_TRUE(OpenMainDb());
    ASSERT_TRUE(OpenSourceDbA());
    ASSERT_TRUE(OpenSourceDbA());
    ASSERT_TRUE(OpenSourceDbB());
    EXPECT_EQ(Opens(), 3);
    EXPECT_NE(SourceDbConnA(), MainDbConn());
    EXPECT_NE(SourceDbConnA(), SourceDbConnB());
    EXPECT_EQ(SourceDbConnB()->Info().dataSource, other);
    EXPECT_EQ(GetSlotState(Slot::SourceA).openCount, 2);

    EXPECT_TRUE(ReleaseSourceDbA());
    EXPECT_TRUE(GetSlotState(Slot::SourceA).hasConnection);
    EXPECT_TRUE(ReleaseSourceDbA());
    EXPECT_FALSE(GetSlotState(Slot::SourceA).hasConnection);
    EXPECT_TRUE(GetSlotState(Slot::SourceB).hasConnection);
    EXPECT_TRUE(GetSlotState(Slot::Main).hasConnection);
    EXPECT_TRUE(ReleaseSourceDbB());
    EXPECT_FALSE(GetSlotState(Slot::SourceB).hasConnection);
    EXPECT_TRUE(ReleaseMainDb());

    ASSERT_TRUE(OpenSourceDbB());
    ResetAllSlots();
    EXPECT_FALSE(GetSlotState(Slot::SourceB).hasConnection);
    EXPECT_EQ(GetSlotState(Slot::SourceB).openCount, 0);
}

TEST_F(ConnectionsTest, SourceThatCannotBeOpenedIsNamedAndCancelEndsTheProgram) {
    const QString junk = sandbox_.File(QStringLiteral("vexaMOX.MDB"));
    sandbox_.WriteText(QStringLiteral("vexaMOX.MDB"), "not a database");
    G().SourceDbSourceA = QStringLiteral("Data Source=") + junk;
    SetConnectionFactory({});
    boxes_.Answer(platform::kRetry);
    boxes_.Answer(platform::kCancel);
    EXPECT_THROW(OpenSourceDbA(), EndProgramCalled);
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_EQ(boxes_.Shown()[1].style, 21);
    EXPECT_TRUE(boxes_.Shown()[1].prompt.contains(junk)) << boxes_.Shown()[1].prompt.toStdString();
    EXPECT_FALSE(GetSlotState(Slot::SourceA).hasConnection);
    EXPECT_EQ(GetSlotState(Slot::SourceA).openCount, 0);
}

TEST_F(ConnectionsTest, ConnectionStringsAreExact) {
    G().SetMainDatabase(QStringLiteral("/opt/mox/VXMOX2.MDB"));
    G().TemplateDbSource = QStringLiteral("Data Source=/opt/mox/VXMOX2_ORG.MDB");
    G().OldDbSource = QStringLiteral("Data Source=/opt/mox/old.mdb");
    G().SourceDbSourceA = QStringLiteral("Data Source=/opt/mox/vexaMOX.MDB");
    G().SourceDbSourceB = QStringLiteral("Data Source=/opt/mox/vexaMOXDH.MDB");
    EXPECT_EQ(SourceDbConnectionStringA(),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;"
                             "Data Source=/opt/mox/vexaMOX.MDB"));
    EXPECT_EQ(SourceDbConnectionStringB(),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;"
                             "Data Source=/opt/mox/vexaMOXDH.MDB"));
    EXPECT_EQ(MainDbConnectionString(),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;"
                             "Data Source=/opt/mox/VXMOX2.MDB"));
    EXPECT_EQ(TemplateDbConnectionString(),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;"
                             "Data Source=/opt/mox/VXMOX2_ORG.MDB"));
    EXPECT_EQ(OldDbConnectionString(),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;"
                             "Data Source=/opt/mox/old.mdb"));

    G().SharedDbKind = 0;
    EXPECT_EQ(SharedDbConnectionString(), QString());
    G().SharedDbKind = 1;
    G().SharedDbSource = QStringLiteral("Data Source=/srv/vx/db/vx2.MDB");
    EXPECT_EQ(SharedDbConnectionString(),
              QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;"
                             "Data Source=/srv/vx/db/vx2.MDB"));
    G().SharedDbSource = QStringLiteral("Data Source=server\\HLX;");
    G().SharedDbKind = 2;
    EXPECT_EQ(SharedDbConnectionString(),
              QStringLiteral("Provider=SQLOLEDB.1;Initial Catalog=HLX_PRP;User ID=hlxuser;Password=kvt4826qa;"
                             "Data Source=server\\HLX;"));
    G().SharedDbKind = 3;
    EXPECT_EQ(SharedDbConnectionString(),
              QStringLiteral("Provider=SQLOLEDB.1;Initial Catalog=HLX_VXEX;User ID=hlxuser;Password=kvt4826qa;"
                             "Data Source=server\\HLX;"));
}

}  // namespace
}  // namespace mox
