#include "tests/support/engine_file_fault.h"

#include "platform/db/database.h"

#include <sqlite3.h>

#include <atomic>
#include <cstddef>

namespace mox::test {

namespace {

sqlite3_vfs* real = nullptr;
sqlite3_vfs shim;
std::atomic<int64_t> pageToFail{0};
std::atomic<bool> diskFull{false};
std::atomic<int> faults{0};

struct ShimFile {
    sqlite3_file base;
    sqlite3_file* file;  // the real layer's, right behind this struct
    bool database;
    bool journal;
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->file; }

int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }

int Read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
    const auto* s = reinterpret_cast<ShimFile*>(f);
    // The engine reads a page whole, at a multiple of its size.
    if (s->database && amount >= 512 && offset % amount == 0) {
        int64_t page = offset / amount + 1;
        if (page == pageToFail.load() && pageToFail.compare_exchange_strong(page, 0)) {
            ++faults;
            return SQLITE_IOERR_READ;
        }
    }
    return s->file->pMethods->xRead(s->file, data, amount, offset);
}

int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    const auto* s = reinterpret_cast<ShimFile*>(f);
    if (s->journal && diskFull.load()) {
        ++faults;
        return SQLITE_FULL;
    }
    return s->file->pMethods->xWrite(s->file, data, amount, offset);
}

int Truncate(sqlite3_file* f, sqlite3_int64 size) { return Real(f)->pMethods->xTruncate(Real(f), size); }
int Sync(sqlite3_file* f, int flags) { return Real(f)->pMethods->xSync(Real(f), flags); }
int FileSize(sqlite3_file* f, sqlite3_int64* size) { return Real(f)->pMethods->xFileSize(Real(f), size); }
int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) { return Real(f)->pMethods->xCheckReservedLock(Real(f), out); }
int FileControl(sqlite3_file* f, int op, void* arg) { return Real(f)->pMethods->xFileControl(Real(f), op, arg); }
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) { return Real(f)->pMethods->xDeviceCharacteristics(Real(f)); }
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) { return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag); }
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
    return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
    return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

const sqlite3_io_methods kMethods = {3,
                                     Close,
                                     Read,
                                     Write,
                                     Truncate,
                                     Sync,
                                     FileSize,
                                     Lock,
                                     Unlock,
                                     CheckReservedLock,
                                     FileControl,
                                     SectorSize,
                                     DeviceCharacteristics,
                                     ShmMap,
                                     ShmLock,
                                     ShmBarrier,
                                     ShmUnmap,
                                     Fetch,
                                     Unfetch};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* s = reinterpret_cast<ShimFile*>(f);
    s->file = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(f) + sizeof(ShimFile));
    s->database = (flags & SQLITE_OPEN_MAIN_DB) != 0;
    s->journal = (flags & SQLITE_OPEN_MAIN_JOURNAL) != 0;
    s->base.pMethods = nullptr;
    const int rc = real->xOpen(real, name, s->file, flags, outFlags);
    // The engine closes a file only when its methods are set.
    if (rc == SQLITE_OK && s->file->pMethods) s->base.pMethods = &kMethods;
    return rc;
}

}  // namespace

EngineFileFault::EngineFileFault() {
    real = sqlite3_vfs_find(nullptr);
    shim = *real;
    shim.zName = "mox_test_fault";
    shim.szOsFile = static_cast<int>(sizeof(ShimFile)) + real->szOsFile;
    shim.xOpen = Open;
    pageToFail = 0;
    diskFull = false;
    faults = 0;
    sqlite3_vfs_register(&shim, 1);
}

EngineFileFault::~EngineFileFault() {
    // A connection opened meanwhile keeps this layer: it passes on from now.
    pageToFail = 0;
    diskFull = false;
    sqlite3_vfs_unregister(&shim);
    sqlite3_vfs_register(real, 1);
}

void EngineFileFault::FailNextReadOfPage(int64_t page) { pageToFail = page; }

void EngineFileFault::SetDiskFull(bool full) { diskFull = full; }

int EngineFileFault::FaultsGiven() const { return faults; }

int64_t RootPageOf(const QString& path, const QString& table) {
    auto conn = db::Connection::Open(db::DataSourcePart(path));
    const int64_t page =
        conn->Scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE type='table' AND name=?"), {table})
            .ToInt64();
    conn->Close();
    return page;
}

}  // namespace mox::test
