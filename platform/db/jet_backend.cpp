// Jet files written by other programs (the sibling product's file, databases
// of the older release). mdbtools reads them; nothing writes Jet files
// reliably, so they are read-only. At open every user table is copied into a
// private in-memory SQLite database, where the callers' SELECT statements
// then run with the same dialect and bound values as on the system's own
// files.

#include "platform/db/backend.h"

#include <QFile>
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
            return length == 0 ? Value() : Value(s.toDouble());
        case MDB_OLE:
            return Value();  // pictures and other embedded objects are not carried
        default:
            return length == 0 ? Value() : Value(s);
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
        while (mdb_fetch_row(table)) {
            Row row;
            row.reserve(count);
            for (unsigned c = 0; c < count; ++c) {
                // mdbtools reports a Null as an empty value; a Boolean is never Null.
                if (lengths[c] == 0 && types[c] != MDB_BOOL)
                    row.push_back(Value());
                else
                    row.push_back(Convert(types[c], buffers[c].data(), lengths[c]));
            }
            mem_->Execute(insert, row);
        }
    }

    std::unique_ptr<Backend> mem_;
};

}  // namespace

std::unique_ptr<Backend> OpenJetBackend(const QString& path) { return std::make_unique<JetBackend>(path); }

}  // namespace mox::db
