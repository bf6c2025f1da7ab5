#pragma once
// A failing file layer under the database engine, the way a memory stick or
// a full disk fails it: while one lives it is the engine's default file
// layer (VFS) and passes every call to the real one, except the faults it is
// told to give. Only connections opened while it lives go through it.

#include <QString>
#include <cstdint>

namespace mox::test {

class EngineFileFault {
public:
    EngineFileFault();
    ~EngineFileFault();
    EngineFileFault(const EngineFileFault&) = delete;
    EngineFileFault& operator=(const EngineFileFault&) = delete;

    // The next read of page `page` (from 1) of a database file fails once
    // with an I/O error (SQLITE_IOERR_READ), as a transient EIO does; the
    // reads after it succeed.
    void FailNextReadOfPage(int64_t page);
    // While set, every write of a rollback journal fails as on a full disk
    // (SQLITE_FULL).
    void SetDiskFull(bool full);
    // How many faults were given so far.
    int FaultsGiven() const;
};

// The page that holds the root of `table` in the database at `path`.
int64_t RootPageOf(const QString& path, const QString& table);

}  // namespace mox::test
