// Jet files written by other programs (the sibling product's file, databases
// of the older release). Nothing writes Jet files reliably, so they are
// read-only. At open every user table is read (in a child process, see
// jet_reader.h) into a private in-memory SQLite database, where the callers'
// SELECT statements then run with the same dialect and bound values as on
// the system's own files.

#include "platform/db/backend.h"
#include "platform/db/jet_reader.h"
#include "platform/db/sql_text.h"

#include <QHash>

namespace mox::db {

namespace {

DbError ReadOnlyError() {
    return DbError(kErrReadOnly,
                   QStringLiteral("Jet 形式のデータベースファイルは読み取り専用です。書き込みはできません。"));
}

// Each table is made as the Jet file has it, in types that keep its values,
// and filled through one compiled statement.
class MemorySink final : public JetSink {
public:
    MemorySink(Backend& mem, QHash<QString, QStringList>& types) : mem_(mem), types_(types) {}

    void Catalogue(const std::vector<JetTable>&) override {}
    void BeginTable(const JetTable& table) override {
        QStringList defs, marks, types;
        for (const JetColumn& c : table.columns) {
            defs << QuoteIdentifier(c.name) + QLatin1Char(' ') + StorageTypeOfJetType(c.type);
            marks << QStringLiteral("?");
            types << c.type;
        }
        types_.insert(table.name.toLower(), types);
        mem_.Execute(
            QStringLiteral("CREATE TABLE %1 (%2)").arg(QuoteIdentifier(table.name), defs.join(QLatin1Char(','))), {});
        insert_ = mem_.Prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                   .arg(QuoteIdentifier(table.name), marks.join(QLatin1Char(','))));
    }
    void Row(const std::vector<Value>& values) override { insert_->Run(values); }
    void EndTable() override { insert_.reset(); }

private:
    Backend& mem_;
    QHash<QString, QStringList>& types_;
    std::unique_ptr<PreparedStatement> insert_;
};

class JetBackend final : public Backend {
public:
    explicit JetBackend(const QString& path) : mem_(OpenSqliteMemory()) {
        MemorySink sink(*mem_, types_);
        mem_->Begin(1);
        const QString notes = ReadJetFile(path, sink);
        if (!notes.isEmpty()) notes_ = JetNotesLine(path, notes);
        mem_->Commit(1);
    }

    bool IsOpen() const override { return mem_->IsOpen(); }
    void Close() override { mem_->Close(); }
    bool IsReadOnly() const override { return true; }
    QString Notes() const override { return notes_; }

    long Execute(const QString& sql, const std::vector<Value>& params) override {
        if (sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive)) {
            mem_->Select(sql, params, false);
            return 0;
        }
        throw ReadOnlyError();
    }
    std::unique_ptr<PreparedStatement> Prepare(const QString&) override { throw ReadOnlyError(); }

    Rowset Select(const QString& sql, const std::vector<Value>& params, bool) override {
        return mem_->Select(sql, params, false);
    }

    void Begin(int level) override { mem_->Begin(level); }
    void Commit(int level) override { mem_->Commit(level); }
    void Rollback(int level) override { mem_->Rollback(level); }

    bool TableExists(const QString& table) override { return mem_->TableExists(table); }
    QStringList ColumnNames(const QString& table) override { return mem_->ColumnNames(table); }
    // The Access names of the column types, as the file declares them.
    QStringList ColumnTypes(const QString& table) override {
        const auto it = types_.constFind(table.toLower());
        return it != types_.constEnd() ? *it : mem_->ColumnTypes(table);
    }

    Row InsertRow(const QString&, const QStringList&, const Row&) override { throw ReadOnlyError(); }
    void UpdateRow(const QString&, Row*, const QStringList&, const Row&) override { throw ReadOnlyError(); }
    void DeleteRow(const QString&, const Row&) override { throw ReadOnlyError(); }
    Row FetchRow(const QString&, Row*, const QStringList&) override { return Row(); }

private:
    std::unique_ptr<Backend> mem_;
    QHash<QString, QStringList> types_;
    QString notes_;
};

}  // namespace

std::unique_ptr<Backend> OpenJetBackend(const QString& path) { return std::make_unique<JetBackend>(path); }

}  // namespace mox::db
