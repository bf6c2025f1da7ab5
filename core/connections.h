#pragma once
// The connection slots of the programs: the main program's four, and the
// converter's two source slots on the databases of the older release. Callers never open
// connections themselves: they open a slot, use its connection, and hand the
// slot back. A counted open shares one connection between nested users; a
// held open keeps the connection through every counted open and release
// inside it until an explicit close. A slot that drops its connection leaves
// it alive for any recordset that still holds it; a counted open takes up a
// dropped connection again while a transaction runs on it.

#include "platform/db/database.h"

#include <QString>
#include <functional>

namespace mox {

// Connection strings of the slots (Jet for files, SQL Server for kinds 2/3).
QString MainDbConnectionString();
QString TemplateDbConnectionString();
QString OldDbConnectionString();
QString SharedDbConnectionString();  // by G().SharedDbKind; "" when there is none
QString SourceDbConnectionStringA();
QString SourceDbConnectionStringB();

bool HoldMainDb();
bool OpenMainDb();
bool CloseMainDb();
bool ReleaseMainDb();

bool HoldOldDb();
bool CloseOldDb();

bool OpenSharedDb();
bool ReleaseSharedDb();
// The import's open of the sibling slot: counted as OpenSharedDb, but
// Cancel in the error box ends the program, as the main slot's does, so
// that an import never goes on without its source. False only when there
// is no sibling database.
bool OpenSharedDbOrEnd();

bool OpenTemplateDb();
bool ReleaseTemplateDb();

// The converter's sources: counted like the main slot; a cancelled open ends
// the program.
bool OpenSourceDbA();
bool ReleaseSourceDbA();
bool OpenSourceDbB();
bool ReleaseSourceDbB();

// The slots' connection objects (null when none was made or after a close).
db::ConnectionPtr MainDbConn();
db::ConnectionPtr OldDbConn();
db::ConnectionPtr SharedDbConn();
db::ConnectionPtr TemplateDbConn();
db::ConnectionPtr SourceDbConnA();
db::ConnectionPtr SourceDbConnB();

// A counted use of the main slot for one scope, handed back on every way out,
// errors included, so that no use leaves the connection open behind it.
class MainDbUse {
public:
    MainDbUse() : open_(OpenMainDb()) {}
    ~MainDbUse() {
        if (open_) ReleaseMainDb();
    }
    MainDbUse(const MainDbUse&) = delete;
    MainDbUse& operator=(const MainDbUse&) = delete;
    bool IsOpen() const { return open_ && MainDbConn() != nullptr; }
    explicit operator bool() const { return IsOpen(); }

private:
    bool open_;
};

// The main slot held for one user choice or one save. A choice that saves
// first (the unsaved-changes question) runs a save inside its own hold: the
// inner hold shares the outer one and leaves it open, so the choice goes on
// with the connection it started with.
class MainDbHold {
public:
    MainDbHold();
    ~MainDbHold();
    MainDbHold(const MainDbHold&) = delete;
    MainDbHold& operator=(const MainDbHold&) = delete;
    bool IsOpen() const { return open_ && MainDbConn() != nullptr; }
    explicit operator bool() const { return IsOpen(); }

private:
    bool own_ = false;
    bool open_ = false;
};

// The main slot held on another database file for one scope. The old-format
// conversion fills a new database beside the main file, and every counted
// use inside the hold (the next-number allocator's) must reach that file.
// The scope ends with the slot closed; the next open names MainDbSource
// again, which never changes.
class HeldMainDbOn {
public:
    explicit HeldMainDbOn(const QString& path);
    ~HeldMainDbOn() { CloseMainDb(); }
    HeldMainDbOn(const HeldMainDbOn&) = delete;
    HeldMainDbOn& operator=(const HeldMainDbOn&) = delete;
};

// State of a slot, for tests and diagnostics.
struct SlotState {
    bool hasConnection;
    int16_t isOpen;
    int16_t isHeld;
    int16_t openCount;
};
enum class Slot { Main, Old, Shared, Template, SourceA, SourceB };
SlotState GetSlotState(Slot slot);
// Closes every slot and forgets its connection (end of program, tests).
void ResetAllSlots();

// The factory used to make connections; tests replace it to count or fail opens.
using ConnectionFactory = std::function<db::ConnectionPtr(const QString& connectionString)>;
void SetConnectionFactory(ConnectionFactory factory);  // empty restores db::Connection::Open

// The box a failed database step shows: "[Error:" + number + "] ", a line
// break and the failure's words; stop icon, Retry and Cancel, caption
// "エラー". What the box leaves out goes to the log. Returns the answer
// (platform::kRetry or platform::kCancel).
int ShowDbErrorBox(const Failure& failure);

}  // namespace mox
