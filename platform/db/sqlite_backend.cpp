// SQLite files: every database file of the system (main database, template,
// compaction target, backups) is one. Rollback journal, never WAL, so that a
// backup is a plain copy of the one file.

#include "platform/atomic_file.h"
#include "platform/db/backend.h"
#include "platform/db/file_hold.h"
#include "platform/db/sql_text.h"
#include "platform/db/sqlite_file.h"
#include "platform/message_box.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace mox::db {

namespace {

[[noreturn]] void Fail(sqlite3* db, int rc, const QString& sql) {
    const QString said = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
    Failure f;
    f.doing = Doing::DatabaseWork;
    f.step = FailureStep::Statement;
    f.kind = KindOfSqlite(rc);
    f.codeOf = CodeOf::Sqlite;
    f.code = rc;
    f.number = f.kind == FailureKind::DiskFull                                        ? kErrDiskFull
               : f.kind == FailureKind::Damaged || f.kind == FailureKind::NotDatabase ? kErrDamaged
                                                                                      : kErrSql;
    f.detail = QStringLiteral("(%1)").arg(said);
    if (!sql.isEmpty()) f.detail += QStringLiteral("\n%1").arg(sql.simplified());
    throw DbError(f);
}

class Statement {
public:
    Statement(sqlite3* db, const QByteArray& sql, int offset = 0) : db_(db) {
        const char* start = sql.constData() + offset;
        const char* tail = nullptr;
        rc_ = sqlite3_prepare_v2(db, start, static_cast<int>(sql.size() - offset), &stmt_, &tail);
        tailOffset_ = tail ? static_cast<int>(tail - sql.constData()) : sql.size();
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int PrepareResult() const { return rc_; }
    sqlite3_stmt* get() const { return stmt_; }
    int TailOffset() const { return tailOffset_; }

    void Bind(int index, const Value& v) {
        int rc = SQLITE_OK;
        const auto& raw = v.Raw();
        if (const auto* i = std::get_if<int64_t>(&raw)) {
            rc = sqlite3_bind_int64(stmt_, index, *i);
        } else if (const auto* d = std::get_if<double>(&raw)) {
            rc = sqlite3_bind_double(stmt_, index, *d);
        } else if (const auto* s = std::get_if<QString>(&raw)) {
            const QByteArray utf8 = s->toUtf8();
            rc = sqlite3_bind_text(stmt_, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
        } else {
            rc = sqlite3_bind_null(stmt_, index);
        }
        if (rc != SQLITE_OK) Fail(db_, rc, QString());
    }

    Value Column(int i) const {
        switch (sqlite3_column_type(stmt_, i)) {
            case SQLITE_INTEGER:
                return Value(static_cast<long long>(sqlite3_column_int64(stmt_, i)));
            case SQLITE_FLOAT:
                return Value(sqlite3_column_double(stmt_, i));
            case SQLITE_NULL:
                return Value();
            default: {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
                return Value(QString::fromUtf8(text, sqlite3_column_bytes(stmt_, i)));
            }
        }
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    int rc_;
    int tailOffset_ = 0;
};

class SqliteBackend final : public Backend {
public:
    explicit SqliteBackend(sqlite3* db) : db_(db) {}
    ~SqliteBackend() override { Close(); }

    bool IsOpen() const override { return db_ != nullptr; }

    void Close() override {
        if (db_) {
            sqlite3_close_v2(db_);
            db_ = nullptr;
        }
    }

    long Execute(const QString& sql, const std::vector<Value>& params) override {
        const QByteArray utf8 = sql.toUtf8();
        size_t nextParam = 0;
        long changed = 0;
        int offset = 0;
        // A script of several statements takes the values in order.
        while (offset < utf8.size()) {
            Statement st(db_, utf8, offset);
            if (st.PrepareResult() != SQLITE_OK) Fail(db_, st.PrepareResult(), sql);
            offset = st.TailOffset();
            if (!st.get()) continue;  // only white space or a comment was left
            const size_t markers = sqlite3_bind_parameter_count(st.get());
            const bool last = utf8.mid(offset).trimmed().isEmpty();
            if (nextParam + markers > params.size() || (last && nextParam + markers != params.size()))
                CheckParamCount(static_cast<int>(nextParam + markers), params.size());
            for (size_t i = 1; i <= markers; ++i) st.Bind(static_cast<int>(i), params[nextParam++]);
            int rc;
            while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE) Fail(db_, rc, sql);
            changed = sqlite3_changes(db_);
        }
        if (nextParam != params.size()) CheckParamCount(static_cast<int>(nextParam), params.size());
        return changed;
    }

    std::unique_ptr<PreparedStatement> Prepare(const QString& sql) override {
        class Prepared final : public PreparedStatement {
        public:
            Prepared(sqlite3* db, const QString& sql) : db_(db), sql_(sql), utf8_(sql.toUtf8()), st_(db, utf8_) {
                if (st_.PrepareResult() != SQLITE_OK) Fail(db_, st_.PrepareResult(), sql_);
                if (!st_.get() || !utf8_.mid(st_.TailOffset()).trimmed().isEmpty())
                    throw DbError(kErrSql, QStringLiteral("SQL 文は一つだけ指定してください。"));
            }
            void Run(const std::vector<Value>& params) override {
                sqlite3_stmt* s = st_.get();
                sqlite3_reset(s);
                CheckParamCount(sqlite3_bind_parameter_count(s), params.size());
                for (size_t i = 0; i < params.size(); ++i) st_.Bind(static_cast<int>(i) + 1, params[i]);
                int rc;
                while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
                }
                if (rc != SQLITE_DONE) Fail(db_, rc, sql_);
            }

        private:
            sqlite3* db_;
            QString sql_;
            QByteArray utf8_;
            Statement st_;
        };
        return std::make_unique<Prepared>(db_, sql);
    }

    Rowset Select(const QString& sql, const std::vector<Value>& params, bool wantKeys) override {
        Rowset out;
        // A statement is compiled against the schema this connection last
        // read; when another connection has changed a table since, the
        // column names read before the first step would be the old ones.
        // Touching the schema table first makes the engine notice the change.
        if (sqlite3_get_autocommit(db_)) Run(QStringLiteral("SELECT 1 FROM sqlite_master LIMIT 0"));
        std::unique_ptr<Statement> st;
        int first = 0;  // index of the first result column the caller sees
        int selectEnd = 0;
        const QString table = wantKeys ? SingleTableOf(sql, &selectEnd) : QString();
        if (!table.isEmpty()) {
            const QString keyed = sql.left(selectEnd) + QStringLiteral(" _rowid_,") + sql.mid(selectEnd);
            auto candidate = std::make_unique<Statement>(db_, keyed.toUtf8());
            if (candidate->PrepareResult() == SQLITE_OK && candidate->get() &&
                ReadsOnly(candidate->get(), table, &out.baseColumns)) {
                st = std::move(candidate);
                first = 1;
                out.table = table;
            } else {
                out.baseColumns.clear();
            }
        }
        if (!st) {
            st = std::make_unique<Statement>(db_, sql.toUtf8());
            if (st->PrepareResult() != SQLITE_OK) Fail(db_, st->PrepareResult(), sql);
            if (!st->get()) throw DbError(kErrSql, QStringLiteral("SQL 文が空です。"));
        }
        sqlite3_stmt* s = st->get();
        CheckParamCount(sqlite3_bind_parameter_count(s), params.size());
        for (size_t i = 0; i < params.size(); ++i) st->Bind(static_cast<int>(i) + 1, params[i]);
        const int count = sqlite3_column_count(s);
        for (int i = first; i < count; ++i) out.columns << QString::fromUtf8(sqlite3_column_name(s, i));
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            Row row;
            row.reserve(count - first);
            for (int i = first; i < count; ++i) row.push_back(st->Column(i));
            out.rows.push_back(std::move(row));
            if (first) out.keys.push_back(Row{st->Column(0)});
        }
        if (rc != SQLITE_DONE) Fail(db_, rc, sql);
        return out;
    }

    void Begin(int level) override {
        Run(level == 1 ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("SAVEPOINT mox_%1").arg(level));
    }

    void Commit(int level) override {
        Run(level == 1 ? QStringLiteral("COMMIT") : QStringLiteral("RELEASE mox_%1").arg(level));
    }

    void Rollback(int level) override {
        // SQLite may already have rolled back on its own (disk full, I/O error).
        if (sqlite3_get_autocommit(db_)) return;
        if (level == 1) {
            Run(QStringLiteral("ROLLBACK"));
        } else {
            Run(QStringLiteral("ROLLBACK TO mox_%1").arg(level));
            Run(QStringLiteral("RELEASE mox_%1").arg(level));
        }
    }

    bool TableExists(const QString& table) override {
        const Rowset r = Select(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type IN ('table','view') "
                                               "AND name = ? COLLATE NOCASE"),
                                {table}, false);
        return !r.rows.empty() && r.rows[0][0].ToInt64() > 0;
    }

    QStringList ColumnNames(const QString& table) override { return TableInfo(table, 0); }

    QStringList ColumnTypes(const QString& table) override { return TableInfo(table, 1); }

    Row InsertRow(const QString& table, const QStringList& columns, const Row& values) override {
        QString sql = QStringLiteral("INSERT INTO %1").arg(QuoteIdentifier(table));
        if (columns.isEmpty()) {
            sql += QStringLiteral(" DEFAULT VALUES");
        } else {
            QStringList names, marks;
            for (const QString& c : columns) {
                names << QuoteIdentifier(c);
                marks << QStringLiteral("?");
            }
            sql += QStringLiteral(" (%1) VALUES (%2)").arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        }
        Execute(sql, values);
        return Row{Value(static_cast<long long>(sqlite3_last_insert_rowid(db_)))};
    }

    void UpdateRow(const QString& table, Row* key, const QStringList& columns, const Row& values) override {
        if (columns.isEmpty()) return;
        QStringList sets;
        for (const QString& c : columns) sets << QuoteIdentifier(c) + QStringLiteral("=?");
        // The rowid comes back because an edit of an INTEGER PRIMARY KEY moves it.
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE _rowid_=? RETURNING _rowid_")
                                .arg(QuoteIdentifier(table), sets.join(QLatin1Char(',')));
        std::vector<Value> params = values;
        params.push_back(key->at(0));
        const Rowset r = Select(sql, params, false);
        if (r.rows.size() != 1) throw RowGone();
        *key = Row{r.rows[0][0]};
    }

    void DeleteRow(const QString& table, const Row& key) override {
        if (Execute(QStringLiteral("DELETE FROM %1 WHERE _rowid_=?").arg(QuoteIdentifier(table)), {key.at(0)}) != 1)
            throw RowGone();
    }

    Row FetchRow(const QString& table, Row* key, const QStringList& columns) override {
        QStringList names;
        for (const QString& c : columns) names << QuoteIdentifier(c);
        const Rowset r = Select(QStringLiteral("SELECT %1 FROM %2 WHERE _rowid_=?")
                                    .arg(names.join(QLatin1Char(',')), QuoteIdentifier(table)),
                                {key->at(0)}, false);
        return r.rows.empty() ? Row() : r.rows[0];
    }

private:
    static DbError RowGone() {
        return DbError(
            kErrRowNotFound,
            QStringLiteral("更新または削除する行が見つかりません。他の処理で変更または削除された可能性があります。"));
    }

    // True when every result column after the rowid is a plain column of `table`.
    static bool ReadsOnly(sqlite3_stmt* s, const QString& table, QStringList* baseColumns) {
        const int count = sqlite3_column_count(s);
        for (int i = 1; i < count; ++i) {
            const char* t = sqlite3_column_table_name(s, i);
            const char* c = sqlite3_column_origin_name(s, i);
            if (!t || !c || QString::fromUtf8(t).compare(table, Qt::CaseInsensitive) != 0) return false;
            *baseColumns << QString::fromUtf8(c);
        }
        return true;
    }

    void Run(const QString& sql) {
        char* err = nullptr;
        const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
        sqlite3_free(err);
        if (rc != SQLITE_OK) Fail(db_, rc, sql);
    }

    QStringList TableInfo(const QString& table, int column) {
        const Rowset r = Select(QStringLiteral("SELECT name, type FROM pragma_table_info(?)"), {table}, false);
        QStringList out;
        for (const Row& row : r.rows) out << row[column].ToText();
        return out;
    }

    sqlite3* db_;
};

// The file at `path` could not be opened (or its content read to be
// copied): the engine's code `rc` says why, in words the user can act on
// where there are any (in use, no database or damaged, a full disk).
DbError OpenFailure(sqlite3* db, const QString& path, int rc, const QString& detail,
                    FailureStep step = FailureStep::Open) {
    Failure f;
    f.doing = Doing::OpenDatabase;
    f.step = step;
    f.kind = KindOfSqlite(rc);
    f.codeOf = CodeOf::Sqlite;
    f.code = rc;
    if (db) f.systemError = sqlite3_system_errno(db);
    f.number = f.kind == FailureKind::DiskFull ? kErrDiskFull : kErrCannotOpen;
    f.file = path;
    f.detail = detail;
    return DbError(f);
}

// The same for a cause met on the file itself.
DbError OpenFailure(const QString& path, Failure f, FailureStep step = FailureStep::Open) {
    f.doing = Doing::OpenDatabase;
    f.step = step;
    f.number = kErrCannotOpen;
    f.file = path;
    return DbError(f);
}

// Byte 18 of the header: 2 while the file keeps its changes in a
// write-ahead log.
bool KeepsWriteAheadLog(int fd) {
    unsigned char version = 0;
    return ::pread(fd, &version, 1, 18) == 1 && version == 2;
}

}  // namespace

void SetForeignLogAside(const QString& path, int fd) {
    const QString log = path + QStringLiteral("-wal");
    struct stat st {};
    if (::lstat(QFile::encodeName(log).constData(), &st) != 0) return;
    // The engine's own check of a log's frames against its header decides
    // for a file that keeps one.
    if (KeepsWriteAheadLog(fd)) return;
    const QByteArray shm = QFile::encodeName(path + QStringLiteral("-shm"));
    if (S_ISREG(st.st_mode) && !HoldsChanges(log) && ::unlink(QFile::encodeName(log).constData()) == 0) {
        ::unlink(shm.constData());
        return;
    }
    const Expected<QString> aside = platform::SetAside(log);
    if (!aside && aside.error().code != ENOENT) {
        Failure f = aside.error();
        f.place = QFileInfo(log).fileName();
        throw OpenFailure(path, f, FailureStep::SetAside);
    }
    ::unlink(shm.constData());
    if (!aside) return;
    const QString crlf = QStringLiteral("\r\n");
    platform::MsgBox(QStringLiteral("データベース(%1)と同じ名前の作業ファイル(%2)がありましたが、")
                             .arg(path, QFileInfo(log).fileName()) +
                         crlf + QStringLiteral("このデータベースのものではありません。") + crlf +
                         QStringLiteral("このまま開くとデータベースが壊れるため、") + crlf +
                         QStringLiteral("作業ファイルの名前を次のように変えて残しました。") + crlf + crlf + *aside +
                         crlf + crlf + QStringLiteral("データベースはそのまま使えます。"),
                     48, QStringLiteral("データベース"));
}

std::unique_ptr<Backend> OpenSqliteBackend(const QString& path, bool create, int busyTimeoutMs) {
    {
        const Expected<FileHold> hold = FileHold::Take(path);
        if (hold) SetForeignLogAside(path, hold->get());
    }
    sqlite3* db = nullptr;
    const QByteArray native = QFile::encodeName(path);
    // Never SQLITE_OPEN_CREATE: a missing file is an error, not a new database.
    int rc = sqlite3_open_v2(native.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        const DbError failure = OpenFailure(db, path, rc, detail);
        sqlite3_close_v2(db);
        throw failure;
    }
    auto backend = std::make_unique<SqliteBackend>(db);
    sqlite3_busy_timeout(db, busyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);

    // Reading the schema proves the file is a database before anything is
    // written to it; a foreign or damaged file fails here untouched.
    char* err = nullptr;
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err);
    const QString detail = QString::fromUtf8(err ? err : sqlite3_errstr(rc));
    sqlite3_free(err);
    if (rc != SQLITE_OK) throw OpenFailure(db, path, rc, detail);
    const char* setup =
        create ? "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA cache_size=-16384; PRAGMA user_version=0;"
               : "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; PRAGMA cache_size=-16384;";
    rc = sqlite3_exec(db, setup, nullptr, nullptr, &err);
    const QString setupDetail = QString::fromUtf8(err ? err : sqlite3_errstr(rc));
    sqlite3_free(err);
    // A write-protected file still opens for reading; its journal mode stays as it is.
    if (rc != SQLITE_OK && (rc & 0xff) != SQLITE_READONLY) throw OpenFailure(db, path, rc, setupDetail);
    return backend;
}

namespace {

// What a failed write of the copy says.
DbError CopyFailure(const Failure& written) {
    Failure f = written;
    f.doing = Doing::CopyDatabase;
    f.number = f.kind == FailureKind::DiskFull ? kErrDiskFull : kErrSql;
    return DbError(f);
}

}  // namespace

void CopySqliteFile(const QString& source, const QString& target, int busyTimeoutMs) {
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
    // Shared with every connection of this process on the file, and let go
    // after the engine's own (file_hold.h).
    const Expected<FileHold> bytes = FileHold::Take(source);
    sqlite3* src = nullptr;
    sqlite3* dst = nullptr;
    auto fail = [&](sqlite3* db, int rc, const QString& path) {
        const QString detail = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        // A journal the engine cannot roll back in a write-protected file.
        const DbError failure = OpenFailure(
            db, path, rc, detail, (rc & 0xff) == SQLITE_READONLY ? FailureStep::CopySource : FailureStep::Open);
        sqlite3_close_v2(src);
        sqlite3_close_v2(dst);
        QFile::remove(target);
        QFile::remove(target + QStringLiteral("-journal"));
        return failure;
    };
    if (!bytes) throw OpenFailure(source, bytes.error());
    SetForeignLogAside(source, bytes->get());
    // Read-write where allowed: rolling back a hot journal needs it. A file
    // on write-protected media is still read when it has nothing to undo.
    int rc = sqlite3_open_v2(from.constData(), &src, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(src);
        src = nullptr;
        rc = sqlite3_open_v2(from.constData(), &src, SQLITE_OPEN_READONLY, nullptr);
    }
    if (rc != SQLITE_OK) throw fail(src, rc, source);
    sqlite3_busy_timeout(src, busyTimeoutMs);
    // The first read of a transaction rolls back what a killed writer left
    // in a journal, and its shared lock keeps every writer out until the
    // copy is made.
    rc = sqlite3_exec(src, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw fail(src, sqlite3_extended_errcode(src), source);
    // The bytes copied must be those of the file under the engine's lock.
    if (!bytes->IsAt(source)) {
        sqlite3_close_v2(src);
        Failure replaced;
        replaced.kind = FailureKind::Replaced;
        throw OpenFailure(source, replaced, FailureStep::CopySource);
    }

    if (!KeepsWriteAheadLog(bytes->get())) {
        // The main file now holds the whole database, byte for byte as the
        // engine reads it: a plain copy, verified as it is made, is that
        // content at the speed of the disk.
        const Failure copied = platform::CopyDescriptorAtomically(bytes->get(), target);
        sqlite3_close_v2(src);
        src = nullptr;
        if (copied) throw CopyFailure(copied);
        return;
    }

    // Rows committed into a write-ahead log are not in the main file: the
    // engine copies the pages it reads.
    rc = sqlite3_open_v2(to.constData(), &dst, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) throw fail(dst, rc, target);
    sqlite3_backup* backup = sqlite3_backup_init(dst, "main", src, "main");
    if (!backup) throw fail(dst, sqlite3_errcode(dst), target);
    rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        // The copy into a new private file hardly fails; the source is the
        // likely cause (damaged, locked, or a journal it cannot undo).
        throw fail(dst, rc, source);
    }
    char* err = nullptr;
    rc = sqlite3_exec(dst, "PRAGMA journal_mode=DELETE", nullptr, nullptr, &err);
    sqlite3_free(err);
    if (rc != SQLITE_OK) throw fail(dst, rc, target);
    sqlite3_close_v2(src);
    rc = sqlite3_close_v2(dst);
    src = dst = nullptr;
    if (rc != SQLITE_OK) throw fail(nullptr, rc, target);
}

std::unique_ptr<Backend> OpenSqliteMemory() {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        Failure f;
        f.doing = Doing::MemoryDatabase;
        f.kind = KindOfSqlite(rc);
        f.codeOf = CodeOf::Sqlite;
        f.code = rc;
        f.number = kErrCannotOpen;
        f.detail = QString::fromUtf8(sqlite3_errstr(rc));
        throw DbError(f);
    }
    sqlite3_extended_result_codes(db, 1);
    return std::make_unique<SqliteBackend>(db);
}

}  // namespace mox::db
