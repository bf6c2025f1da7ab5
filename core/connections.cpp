#include "core/connections.h"

#include "core/program_end.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/message_box.h"

#include <exception>

namespace mox {

namespace {

constexpr const char* kJetPart = "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=RKTWQMB;";
constexpr const char* kSqlPrpPart = "Provider=SQLOLEDB.1;Initial Catalog=HLX_PRP;User ID=hlxuser;Password=kvt4826qa;";
constexpr const char* kSqlVxexPart = "Provider=SQLOLEDB.1;Initial Catalog=HLX_VXEX;User ID=hlxuser;Password=kvt4826qa;";

struct SlotData {
    db::ConnectionPtr conn;
    int16_t isOpen = 0;
    int16_t isHeld = 0;
    int16_t openCount = 0;
};

SlotData gMain, gOld, gShared, gTemplate, gSourceA, gSourceB;

ConnectionFactory& Factory() {
    static ConnectionFactory factory;
    return factory;
}

db::ConnectionPtr MakeConnection(const QString& connectionString) {
    db::ConnectionPtr conn = Factory() ? Factory()(connectionString) : db::Connection::Open(connectionString);
    if (!conn) throw db::DbError(db::kErrCannotOpen, QStringLiteral("データベースに接続できませんでした。"));
    return conn;
}

// Makes and opens a new connection for a slot, asking Retry or Cancel after
// every failure. Returns null when the user cancelled.
db::ConnectionPtr ConnectWithRetry(const QString& connectionString) {
    for (;;) {
        Failure failure;
        try {
            db::ConnectionPtr conn = MakeConnection(connectionString);
            if (const QString notes = conn->Notes(); !notes.isEmpty()) WriteLog(notes, 1);
            return conn;
        } catch (const db::DbError& e) {
            failure = e.GetFailure();
        } catch (const std::exception& e) {
            failure = FromException(e);
            failure.number = db::kErrCannotOpen;
        }
        if (ShowDbErrorBox(failure) != platform::kRetry) return nullptr;
    }
}

// A connection that is dropped rather than closed stays alive for the
// recordsets that still hold it.
bool CloseSlot(SlotData& slot) {
    slot.isOpen = 0;
    slot.isHeld = 0;
    if (!slot.conn) return false;
    try {
        slot.conn->Close();
    } catch (const std::exception&) {
        return false;
    }
    slot.conn.reset();
    slot.openCount = 0;
    return true;
}

// fatal: a cancelled open ends the program; otherwise it reports False.
bool CountedOpen(SlotData& slot, const QString& connectionString, bool fatal) {
    // A detached connection in the middle of a transaction is taken up again:
    // a new connection would wait for that transaction's write lock and fail
    // with "database is locked".
    if (slot.isOpen == 0 && slot.conn && slot.conn->IsOpen() && slot.conn->InTransaction()) slot.isOpen = 1;
    if (slot.isOpen == 0) {
        db::ConnectionPtr conn = ConnectWithRetry(connectionString);
        if (!conn) {
            slot.isOpen = 0;
            slot.isHeld = 0;
            if (fatal) EndProgram();
            return false;
        }
        slot.conn = std::move(conn);
        slot.isOpen = 1;
    }
    ++slot.openCount;
    return true;
}

bool HeldOpen(SlotData& slot, const QString& connectionString) {
    if (slot.isOpen == 1) CloseSlot(slot);
    db::ConnectionPtr conn = ConnectWithRetry(connectionString);
    if (!conn) {
        slot.isOpen = 0;
        slot.isHeld = 0;
        EndProgram();
    }
    slot.conn = std::move(conn);
    slot.isOpen = 1;
    slot.isHeld = 1;
    slot.openCount = 0;
    return true;
}

bool Release(SlotData& slot, bool mayBeHeld) {
    --slot.openCount;
    if (mayBeHeld && slot.isHeld == 1) return true;
    bool ok = true;
    if (slot.openCount <= 0) {
        if (slot.conn) {
            db::ConnectionPtr conn = std::move(slot.conn);
            slot.conn.reset();
            try {
                conn->Close();
            } catch (const std::exception&) {
                ok = false;
            }
        } else {
            ok = false;
        }
    }
    slot.isOpen = 0;
    return ok;
}

SlotData& Data(Slot slot) {
    switch (slot) {
        case Slot::Main:
            return gMain;
        case Slot::Old:
            return gOld;
        case Slot::Shared:
            return gShared;
        case Slot::Template:
            return gTemplate;
        case Slot::SourceA:
            return gSourceA;
        case Slot::SourceB:
            return gSourceB;
    }
    return gMain;
}

}  // namespace

int ShowDbErrorBox(const Failure& failure) {
    LogFailure(failure);
    return platform::MsgBox(QStringLiteral("[Error:") + QString::number(failure.number) + QStringLiteral("] ") +
                                QStringLiteral("\r\n") + FailureText(failure),
                            21, QStringLiteral("エラー"));
}

QString MainDbConnectionString() { return QString::fromUtf8(kJetPart) + G().MainDbSource(); }
QString TemplateDbConnectionString() { return QString::fromUtf8(kJetPart) + G().TemplateDbSource; }
QString OldDbConnectionString() { return QString::fromUtf8(kJetPart) + G().OldDbSource; }
QString SourceDbConnectionStringA() { return QString::fromUtf8(kJetPart) + G().SourceDbSourceA; }
QString SourceDbConnectionStringB() { return QString::fromUtf8(kJetPart) + G().SourceDbSourceB; }

QString SharedDbConnectionString() {
    switch (G().SharedDbKind) {
        case 1:
            return QString::fromUtf8(kJetPart) + G().SharedDbSource;
        case 2:
            return QString::fromUtf8(kSqlPrpPart) + G().SharedDbSource;
        case 3:
            return QString::fromUtf8(kSqlVxexPart) + G().SharedDbSource;
        default:
            return {};
    }
}

bool HoldMainDb() { return HeldOpen(gMain, MainDbConnectionString()); }
bool OpenMainDb() { return CountedOpen(gMain, MainDbConnectionString(), true); }
bool CloseMainDb() { return CloseSlot(gMain); }
bool ReleaseMainDb() { return Release(gMain, true); }

MainDbHold::MainDbHold() {
    if (gMain.isHeld == 1 && gMain.conn) {
        open_ = true;
        return;
    }
    own_ = true;
    open_ = HoldMainDb();
}

MainDbHold::~MainDbHold() {
    if (own_) CloseMainDb();
}

HeldMainDbOn::HeldMainDbOn(const QString& path) {
    HeldOpen(gMain, QString::fromUtf8(kJetPart) + db::DataSourcePart(path));
}

bool HoldOldDb() { return HeldOpen(gOld, OldDbConnectionString()); }
bool CloseOldDb() { return CloseSlot(gOld); }

// The sibling database is optional: a failure to reach it must not end the
// program, so a cancelled open only reports False.
bool OpenSharedDb() {
    if (G().SharedDbKind <= 0) return false;
    return CountedOpen(gShared, SharedDbConnectionString(), false);
}

bool OpenSharedDbOrEnd() {
    if (G().SharedDbKind <= 0) return false;
    return CountedOpen(gShared, SharedDbConnectionString(), true);
}

bool ReleaseSharedDb() {
    if (G().SharedDbKind < 1) return false;
    return Release(gShared, false);
}

bool OpenTemplateDb() { return CountedOpen(gTemplate, TemplateDbConnectionString(), true); }
bool ReleaseTemplateDb() { return Release(gTemplate, false); }

bool OpenSourceDbA() { return CountedOpen(gSourceA, SourceDbConnectionStringA(), true); }
bool ReleaseSourceDbA() { return Release(gSourceA, false); }
bool OpenSourceDbB() { return CountedOpen(gSourceB, SourceDbConnectionStringB(), true); }
bool ReleaseSourceDbB() { return Release(gSourceB, false); }

db::ConnectionPtr MainDbConn() { return gMain.conn; }
db::ConnectionPtr OldDbConn() { return gOld.conn; }
db::ConnectionPtr SharedDbConn() { return gShared.conn; }
db::ConnectionPtr TemplateDbConn() { return gTemplate.conn; }
db::ConnectionPtr SourceDbConnA() { return gSourceA.conn; }
db::ConnectionPtr SourceDbConnB() { return gSourceB.conn; }

SlotState GetSlotState(Slot slot) {
    const SlotData& d = Data(slot);
    return SlotState{d.conn != nullptr, d.isOpen, d.isHeld, d.openCount};
}

void ResetAllSlots() {
    for (SlotData* slot : {&gMain, &gOld, &gShared, &gTemplate, &gSourceA, &gSourceB}) {
        CloseSlot(*slot);
        slot->conn.reset();
        slot->openCount = 0;
    }
}

void SetConnectionFactory(ConnectionFactory factory) { Factory() = std::move(factory); }

}  // namespace mox
