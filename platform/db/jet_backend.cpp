// Jet files written by other programs (the sibling product's file, databases
// of the older release). mdbtools reads them; nothing writes Jet files
// reliably, so they are read-only. At open every user table is copied into a
// private in-memory SQLite database, where the callers' SELECT statements
// then run with the same dialect and bound values as on the system's own
// files.

#include "platform/db/backend.h"

#include <QFile>
#include <cmath>
#include <cstdlib>

// clang-format off
#include <glib.h>
#include <mdbtools.h>
// clang-format on

namespace mox::db {

namespace {

DbError ReadOnlyError() {
    return DbError(kErrReadOnly,
                   QStringLiteral("Jet 形式のデータベースファイルは読み取り専用です。書き込みはできません。"));
}

QString Quote(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// The Access names of the column types, as DDL and ColumnTypes show them.
QString TypeName(int type) {
    switch (type) {
        case MDB_BOOL:
            return QStringLiteral("BIT");
        case MDB_BYTE:
            return QStringLiteral("BYTE");
        case MDB_INT:
            return QStringLiteral("SHORT");
        case MDB_LONGINT:
            return QStringLiteral("LONG");
        case MDB_MONEY:
            return QStringLiteral("CURRENCY");
        case MDB_FLOAT:
            return QStringLiteral("SINGLE");
        case MDB_DOUBLE:
            return QStringLiteral("DOUBLE");
        case MDB_DATETIME:
            return QStringLiteral("DATETIME");
        case MDB_BINARY:
            return QStringLiteral("BINARY");
        case MDB_TEXT:
            return QStringLiteral("TEXT");
        case MDB_OLE:
            return QStringLiteral("LONGBINARY");
        case MDB_MEMO:
            return QStringLiteral("MEMO");
        case MDB_REPID:
            return QStringLiteral("GUID");
        case MDB_NUMERIC:
            return QStringLiteral("DECIMAL");
        default:
            return QStringLiteral("TEXT");
    }
}

// Access keeps a moment as days since 1899-12-30; before that day the whole
// part counts back while the fraction still runs forward through the day.
Value DateValue(double days) {
    double whole = 0;
    const double fraction = std::fabs(std::modf(days, &whole));
    qint64 day = static_cast<qint64>(whole);
    qint64 seconds = std::llround(fraction * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++day;
    }
    // As written, whatever the zone's offsets and summer time were then.
    return Value(QDateTime(QDate(1899, 12, 30).addDays(day), QTime(0, 0).addSecs(static_cast<int>(seconds)), Qt::UTC));
}

Value Convert(int type, const char* text, int length) {
    const QString s = QString::fromUtf8(text, length);
    switch (type) {
        case MDB_BOOL:
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            return Value(static_cast<long long>(s.toLongLong()));
        case MDB_MONEY:
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_NUMERIC:
            return Value(s.toDouble());
        default:
            return Value(s);
    }
}

class JetBackend final : public Backend {
public:
    explicit JetBackend(const QString& path) : mem_(OpenSqliteMemory()) {
        // Files of the older release are Japanese: Jet 3 text is Shift-JIS.
        if (!std::getenv("MDB_JET3_CHARSET")) setenv("MDB_JET3_CHARSET", "CP932", 0);
        const QByteArray native = QFile::encodeName(path);
        MdbHandle* mdb = mdb_open(native.constData(), MDB_NOFLAGS);
        if (!mdb)
            throw DbError(kErrCannotOpen, QStringLiteral("データベースファイル '%1' を開けません。\n"
                                                         "Jet 形式のファイルとして読み込めません。")
                                              .arg(path));
        try {
            Load(mdb, path);
        } catch (...) {
            mdb_close(mdb);
            throw;
        }
        mdb_close(mdb);
    }

    bool IsOpen() const override { return mem_->IsOpen(); }
    void Close() override { mem_->Close(); }
    bool IsReadOnly() const override { return true; }

    long Execute(const QString& sql, const std::vector<Value>& params) override {
        if (sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)) {
            mem_->Select(sql, params, false);
            return 0;
        }
        throw ReadOnlyError();
    }

    Rowset Select(const QString& sql, const std::vector<Value>& params, bool) override {
        return mem_->Select(sql, params, false);
    }

    void Begin(int level) override { mem_->Begin(level); }
    void Commit(int level) override { mem_->Commit(level); }
    void Rollback(int level) override { mem_->Rollback(level); }

    bool TableExists(const QString& table) override { return mem_->TableExists(table); }
    QStringList ColumnNames(const QString& table) override { return mem_->ColumnNames(table); }
    QStringList ColumnTypes(const QString& table) override { return mem_->ColumnTypes(table); }

    Row InsertRow(const QString&, const QStringList&, const Row&) override { throw ReadOnlyError(); }
    void UpdateRow(const QString&, Row*, const QStringList&, const Row&) override { throw ReadOnlyError(); }
    void DeleteRow(const QString&, const Row&) override { throw ReadOnlyError(); }
    Row FetchRow(const QString&, Row*, const QStringList&) override { return Row(); }

private:
    static constexpr size_t kBindSize = 65536;

    void Load(MdbHandle* mdb, const QString& path) {
        mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
        mdb_set_bind_size(mdb, kBindSize);
        if (!mdb_read_catalog(mdb, MDB_TABLE))
            throw DbError(kErrCannotOpen, QStringLiteral("データベースファイル '%1' を開けません。\n"
                                                         "Jet 形式のファイルが壊れているため読み込めません。")
                                              .arg(path));
        mem_->Begin(1);
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
            LoadTable(entry);
        }
        mem_->Commit(1);
    }

    void LoadTable(MdbCatalogEntry* entry) {
        MdbTableDef* table = mdb_read_table(entry);
        if (!table)
            throw DbError(kErrCannotOpen, QStringLiteral("Jet 形式のファイルの表 '%1' を読み込めません。")
                                              .arg(QString::fromUtf8(entry->object_name)));
        struct Guard {
            MdbTableDef* t;
            ~Guard() { mdb_free_tabledef(t); }
        } guard{table};
        mdb_read_columns(table);
        mdb_rewind_table(table);

        const QString name = QString::fromUtf8(entry->object_name);
        const unsigned count = table->num_cols;
        std::vector<std::vector<char>> buffers(count, std::vector<char>(kBindSize + 1));
        std::vector<int> lengths(count);
        std::vector<int> types(count);
        QStringList defs, marks;
        for (unsigned c = 0; c < count; ++c) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
            types[c] = col->col_type;
            defs << Quote(QString::fromUtf8(col->name)) + QLatin1Char(' ') + TypeName(col->col_type);
            marks << QStringLiteral("?");
            mdb_bind_column(table, static_cast<int>(c) + 1, buffers[c].data(), &lengths[c]);
        }
        mem_->Execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(Quote(name), defs.join(QLatin1Char(','))), {});
        const QString insert =
            QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(Quote(name), marks.join(QLatin1Char(',')));
        MdbHandle* mdb = entry->mdb;
        std::vector<MdbField> cracked(count), fields(count);
        std::vector<unsigned char> isNull(count);
        while (mdb_fetch_row(table)) {
            CrackFetchedRow(table, name, cracked, fields, isNull);
            Row row;
            row.reserve(count);
            for (unsigned c = 0; c < count; ++c) {
                if (types[c] == MDB_BOOL)
                    row.push_back(Convert(types[c], buffers[c].data(), lengths[c]));  // the mask is its value
                else if (isNull[c] || types[c] == MDB_OLE || types[c] == MDB_BINARY)
                    row.push_back(Value());  // binary values do not cross the database layer
                else if (types[c] == MDB_DATETIME)
                    row.push_back(DateValue(mdb_get_double(mdb->pg_buf, fields[c].start)));
                else
                    row.push_back(Convert(types[c], buffers[c].data(), lengths[c]));
            }
            mem_->Execute(insert, row);
        }
    }

    // The bound values cannot tell a Null from an empty text: both arrive as
    // "". The row's null mask can, so the row just fetched is taken apart
    // once more where it lies on the current page. Every column gets a
    // field, named by its column number; one added to the table after the
    // row was written is Null. `cracked` is the table's scratch, one field
    // a column, kept from row to row.
    static void CrackFetchedRow(MdbTableDef* table, const QString& name, std::vector<MdbField>& cracked,
                                std::vector<MdbField>& fields, std::vector<unsigned char>& isNull) {
        MdbHandle* mdb = table->entry->mdb;
        int start = 0;
        size_t size = 0;
        int got = -1;
        if (table->cur_row > 0 && mdb_find_row(mdb, static_cast<int>(table->cur_row) - 1, &start, &size) == 0)
            got = mdb_crack_row(table, start & 0x1fff, size, cracked.data());
        if (got < 0)
            throw DbError(kErrCannotOpen,
                          QStringLiteral("Jet 形式のファイルの表 '%1' の行を読み込めません。").arg(name));
        std::fill(isNull.begin(), isNull.end(), 1);
        for (size_t i = 0; i < cracked.size(); ++i) {
            const int column = cracked[i].colnum;
            if (column < 0 || column >= static_cast<int>(isNull.size())) continue;
            isNull[column] = cracked[i].is_null;
            fields[column] = cracked[i];
        }
    }

    std::unique_ptr<Backend> mem_;
};

}  // namespace

std::unique_ptr<Backend> OpenJetBackend(const QString& path) { return std::make_unique<JetBackend>(path); }

}  // namespace mox::db
