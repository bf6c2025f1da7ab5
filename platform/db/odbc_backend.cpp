// ODBC catalogs: the sibling product's SQL Server databases through FreeTDS,
// or any data source named by an explicit "Driver=" string. Rows are
// addressed by their primary key; a table without one is addressed by all
// its columns, and an edit goes through only when that finds exactly one row.

#include "platform/db/backend.h"
#include "platform/db/sql_text.h"

#include <QHash>

#include <algorithm>

#include <sql.h>
#include <sqlext.h>

namespace mox::db {

namespace {

bool Ok(SQLRETURN r) { return r == SQL_SUCCESS || r == SQL_SUCCESS_WITH_INFO; }

QString Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    QStringList parts;
    for (SQLSMALLINT i = 1; i < 10; ++i) {
        SQLCHAR state[8] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[1024] = {};
        SQLSMALLINT length = 0;
        if (!Ok(SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length))) break;
        parts << QStringLiteral("[%1] %2").arg(QString::fromLatin1(reinterpret_cast<char*>(state)),
                                               QString::fromUtf8(reinterpret_cast<char*>(message)));
    }
    parts.removeDuplicates();
    return parts.join(QLatin1Char('\n'));
}

// An ODBC connection-string value, braced when it holds a separator.
QString OdbcValue(const QString& v) {
    if (!v.contains(QLatin1Char(';')) && !v.contains(QLatin1Char('{')) && !v.contains(QLatin1Char('}')) &&
        v.trimmed() == v)
        return v;
    QString q = v;
    q.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + q + QLatin1Char('}');
}

// A failure the driver reported, its diagnostics (and the statement) for the log.
Failure DriverFailure(FailureStep step, FailureKind kind, long number, const QString& diagnostics) {
    Failure f;
    f.doing = Doing::ConnectServer;
    f.step = step;
    f.kind = kind;
    f.codeOf = CodeOf::Odbc;
    f.number = number;
    f.detail = diagnostics;
    return f;
}

DbError RowGone() {
    return DbError(
        kErrRowNotFound,
        QStringLiteral(
            "更新または削除する行を 1 行に特定できません。他の処理で変更または削除された可能性があります。"));
}

// Keys are [primary-key flag, name, value, name, value, ...].
Row MakeKey(bool primary, const QStringList& names, const Row& values) {
    Row key{Value(primary)};
    for (int i = 0; i < names.size(); ++i) {
        key.push_back(Value(names[i]));
        key.push_back(values[i]);
    }
    return key;
}

class OdbcBackend final : public Backend {
public:
    explicit OdbcBackend(const QString& connectionString) {
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        SQLSetConnectAttr(dbc_, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(15), 0);
        const QByteArray cs = connectionString.toUtf8();
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        const SQLRETURN r = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)cs.constData(), SQL_NTS, out, sizeof out,
                                             &outLength, SQL_DRIVER_NOPROMPT);
        if (!Ok(r)) {
            const QString diag = Diagnostics(SQL_HANDLE_DBC, dbc_);
            FreeHandles();
            throw DbError(DriverFailure(FailureStep::Open, FailureKind::NoConnection, kErrCannotOpen, diag));
        }
        connected_ = true;
        SQLCHAR text[256] = {};
        SQLSMALLINT length = 0;
        if (Ok(SQLGetInfo(dbc_, SQL_DBMS_NAME, text, sizeof text, &length)))
            dbms_ = QString::fromUtf8(reinterpret_cast<char*>(text));
        text[0] = 0;
        if (Ok(SQLGetInfo(dbc_, SQL_IDENTIFIER_QUOTE_CHAR, text, sizeof text, &length)))
            quote_ = QString::fromUtf8(reinterpret_cast<char*>(text)).trimmed();
    }

    ~OdbcBackend() override { Close(); }

    bool IsOpen() const override { return connected_; }

    void Close() override {
        if (connected_) {
            SQLDisconnect(dbc_);
            connected_ = false;
        }
        FreeHandles();
    }

    long Execute(const QString& sql, const std::vector<Value>& params) override {
        long changed = 0;
        Run(sql, params, nullptr, &changed);
        return changed;
    }

    Rowset Select(const QString& sql, const std::vector<Value>& params, bool wantKeys) override {
        Rowset out;
        Run(sql, params, &out, nullptr);
        if (!wantKeys) return out;
        bool plain = false;
        const QString table = SingleTableOf(sql, nullptr, &plain);
        if (table.isEmpty() || !plain) return out;
        const QStringList pk = PrimaryKey(table);
        QList<int> keyColumns;
        for (const QString& k : pk) {
            const int at = IndexOf(out.columns, k);
            if (at < 0) {
                keyColumns.clear();
                break;
            }
            keyColumns << at;
        }
        const bool primary = !keyColumns.isEmpty();
        out.table = table;
        out.baseColumns = out.columns;
        for (const Row& row : out.rows) {
            if (primary) {
                Row values;
                for (int at : keyColumns) values.push_back(row[at]);
                out.keys.push_back(MakeKey(true, pk, values));
            } else {
                out.keys.push_back(MakeKey(false, out.columns, row));
            }
        }
        return out;
    }

    void Begin(int level) override {
        if (level == 1) {
            Check(SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0),
                  SQL_HANDLE_DBC, dbc_, QString());
        } else {
            Execute(IsSqlServer() ? QStringLiteral("SAVE TRANSACTION mox_%1").arg(level)
                                  : QStringLiteral("SAVEPOINT mox_%1").arg(level),
                    {});
        }
    }

    void Commit(int level) override {
        if (level == 1)
            EndTransaction(SQL_COMMIT);
        else if (!IsSqlServer())
            Execute(QStringLiteral("RELEASE mox_%1").arg(level), {});
    }

    void Rollback(int level) override {
        if (level == 1) {
            EndTransaction(SQL_ROLLBACK);
        } else if (IsSqlServer()) {
            Execute(QStringLiteral("ROLLBACK TRANSACTION mox_%1").arg(level), {});
        } else {
            Execute(QStringLiteral("ROLLBACK TO mox_%1").arg(level), {});
            Execute(QStringLiteral("RELEASE mox_%1").arg(level), {});
        }
    }

    bool TableExists(const QString& table) override {
        for (const Row& r : Catalog(table, false))
            if (r[2].ToText().compare(table, Qt::CaseInsensitive) == 0) return true;
        return false;
    }

    QStringList ColumnNames(const QString& table) override { return Columns(table, 3); }

    QStringList ColumnTypes(const QString& table) override { return Columns(table, 5); }

    Row InsertRow(const QString& table, const QStringList& columns, const Row& values) override {
        QStringList names, marks;
        for (const QString& c : columns) {
            names << Quote(c);
            marks << QStringLiteral("?");
        }
        const QString sql = columns.isEmpty()
                                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Quote(table))
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(Quote(table), names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        Execute(sql, values);

        const QStringList pk = PrimaryKey(table);
        if (pk.isEmpty()) return MakeKey(false, columns, values);
        Row keyValues;
        for (const QString& k : pk) {
            const int at = IndexOf(columns, k);
            if (at >= 0) {
                keyValues.push_back(values[at]);
            } else if (pk.size() == 1) {  // a number the database drew
                keyValues.push_back(Scalar(IsSqlServer() ? QStringLiteral("SELECT @@IDENTITY")
                                                         : QStringLiteral("SELECT last_insert_rowid()")));
            } else {
                return MakeKey(false, columns, values);
            }
        }
        return MakeKey(true, pk, keyValues);
    }

    void UpdateRow(const QString& table, Row* key, const QStringList& columns, const Row& values) override {
        if (columns.isEmpty()) return;
        std::vector<Value> where;
        const QString condition = Where(*key, &where);
        EnsureSingle(table, *key, condition, where);
        QStringList sets;
        for (const QString& c : columns) sets << Quote(c) + QStringLiteral("=?");
        std::vector<Value> params = values;
        params.insert(params.end(), where.begin(), where.end());
        if (Execute(
                QStringLiteral("UPDATE %1 SET %2 WHERE %3").arg(Quote(table), sets.join(QLatin1Char(',')), condition),
                params) != 1)
            throw RowGone();
        for (size_t i = 1; i + 1 < key->size(); i += 2) {
            const int at = IndexOf(columns, (*key)[i].ToText());
            if (at >= 0) (*key)[i + 1] = values[at];
        }
    }

    void DeleteRow(const QString& table, const Row& key) override {
        std::vector<Value> where;
        const QString condition = Where(key, &where);
        EnsureSingle(table, key, condition, where);
        if (Execute(QStringLiteral("DELETE FROM %1 WHERE %2").arg(Quote(table), condition), where) != 1)
            throw RowGone();
    }

    Row FetchRow(const QString& table, Row* key, const QStringList& columns) override {
        std::vector<Value> where;
        const QString condition = Where(*key, &where);
        QStringList names;
        for (const QString& c : columns) names << Quote(c);
        Rowset r;
        Run(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(names.join(QLatin1Char(',')), Quote(table), condition),
            where, &r, nullptr);
        if (r.rows.size() != 1) return Row();
        if (!key->at(0).ToBool()) *key = MakeKey(false, columns, r.rows[0]);
        return r.rows[0];
    }

private:
    class Statement {
    public:
        explicit Statement(SQLHDBC dbc) { SQLAllocHandle(SQL_HANDLE_STMT, dbc, &h); }
        ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, h); }
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
        SQLHSTMT h = SQL_NULL_HSTMT;
    };

    bool IsSqlServer() const { return dbms_.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive); }

    static int IndexOf(const QStringList& list, const QString& name) {
        for (int i = 0; i < list.size(); ++i)
            if (list[i].compare(name, Qt::CaseInsensitive) == 0) return i;
        return -1;
    }

    // A driver that names no quote character takes names bare.
    QString Quote(const QString& name) const { return quote_.isEmpty() ? name : QuoteIdentifier(name, quote_); }

    QString Where(const Row& key, std::vector<Value>* params) const {
        QStringList parts;
        for (size_t i = 1; i + 1 < key.size(); i += 2) {
            if (key[i + 1].IsNull()) {
                parts << Quote(key[i].ToText()) + QStringLiteral(" IS NULL");
            } else {
                parts << Quote(key[i].ToText()) + QStringLiteral("=?");
                params->push_back(key[i + 1]);
            }
        }
        return parts.isEmpty() ? QStringLiteral("1=0") : parts.join(QStringLiteral(" AND "));
    }

    // Without a primary key, the columns may name several equal rows.
    void EnsureSingle(const QString& table, const Row& key, const QString& condition, const std::vector<Value>& where) {
        if (key.at(0).ToBool()) return;
        if (Scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(Quote(table), condition), where).ToInt64() !=
            1)
            throw RowGone();
    }

    Value Scalar(const QString& sql, const std::vector<Value>& params = {}) {
        Rowset r;
        Run(sql, params, &r, nullptr);
        return r.rows.empty() || r.rows[0].empty() ? Value() : r.rows[0][0];
    }

    void Check(SQLRETURN r, SQLSMALLINT type, SQLHANDLE h, const QString& sql) {
        if (Ok(r)) return;
        QString detail = Diagnostics(type, h);
        if (!sql.isEmpty()) detail += QLatin1Char('\n') + sql.simplified();
        throw DbError(DriverFailure(FailureStep::Statement, FailureKind::Other, kErrSql, detail));
    }

    void EndTransaction(SQLSMALLINT how) {
        const SQLRETURN r = SQLEndTran(SQL_HANDLE_DBC, dbc_, how);
        const QString diag = Ok(r) ? QString() : Diagnostics(SQL_HANDLE_DBC, dbc_);
        SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
        if (!Ok(r)) throw DbError(DriverFailure(FailureStep::EndTransaction, FailureKind::Other, kErrSql, diag));
    }

    void Run(const QString& sql, const std::vector<Value>& params, Rowset* out, long* changed) {
        if (!connected_)
            throw DbError(kErrClosed, QStringLiteral("オブジェクトが閉じている場合は、操作は許可されません。"));
        CheckParamCount(CountMarkers(sql), params.size());
        Statement st(dbc_);
        // Bound buffers must stay where they are until the statement ran.
        std::vector<QByteArray> texts(params.size());
        std::vector<int64_t> ints(params.size());
        std::vector<double> doubles(params.size());
        std::vector<SQLLEN> lengths(params.size());
        for (size_t i = 0; i < params.size(); ++i) {
            const auto& raw = params[i].Raw();
            const SQLUSMALLINT n = static_cast<SQLUSMALLINT>(i + 1);
            SQLRETURN r;
            if (const auto* v = std::get_if<int64_t>(&raw)) {
                ints[i] = *v;
                lengths[i] = 0;
                r = SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &ints[i], 0,
                                     &lengths[i]);
            } else if (const auto* d = std::get_if<double>(&raw)) {
                doubles[i] = *d;
                lengths[i] = 0;
                r = SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &doubles[i], 0,
                                     &lengths[i]);
            } else if (const auto* s = std::get_if<QString>(&raw)) {
                texts[i] = s->toUtf8();
                lengths[i] = texts[i].size();
                const SQLULEN size = std::max<SQLULEN>(1, texts[i].size());
                r = SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_CHAR, size > 4000 ? SQL_LONGVARCHAR : SQL_VARCHAR,
                                     size, 0, texts[i].data(), texts[i].size(), &lengths[i]);
            } else {
                lengths[i] = SQL_NULL_DATA;
                r = SQLBindParameter(st.h, n, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0, &lengths[i]);
            }
            Check(r, SQL_HANDLE_STMT, st.h, sql);
        }
        const QByteArray text = sql.toUtf8();
        const SQLRETURN r = SQLExecDirect(st.h, (SQLCHAR*)text.constData(), SQL_NTS);
        if (r != SQL_NO_DATA) Check(r, SQL_HANDLE_STMT, st.h, sql);
        if (changed) {
            SQLLEN count = 0;
            *changed = (r == SQL_NO_DATA || !Ok(SQLRowCount(st.h, &count)) || count < 0) ? 0 : static_cast<long>(count);
        }
        if (out && r != SQL_NO_DATA) ReadRows(st.h, sql, out);
    }

    void ReadRows(SQLHSTMT h, const QString& sql, Rowset* out) {
        SQLSMALLINT count = 0;
        Check(SQLNumResultCols(h, &count), SQL_HANDLE_STMT, h, sql);
        std::vector<SQLSMALLINT> types(count);
        std::vector<SQLSMALLINT> scales(count);
        for (SQLSMALLINT c = 0; c < count; ++c) {
            SQLCHAR name[256] = {};
            SQLSMALLINT nameLength = 0, nullable = 0;
            SQLULEN size = 0;
            Check(SQLDescribeCol(h, c + 1, name, sizeof name, &nameLength, &types[c], &size, &scales[c], &nullable),
                  SQL_HANDLE_STMT, h, sql);
            out->columns << QString::fromUtf8(reinterpret_cast<char*>(name));
        }
        SQLRETURN r;
        while ((r = SQLFetch(h)) != SQL_NO_DATA) {
            Check(r, SQL_HANDLE_STMT, h, sql);
            Row row;
            row.reserve(count);
            for (SQLSMALLINT c = 0; c < count; ++c) row.push_back(ReadColumn(h, c + 1, types[c], scales[c], sql));
            out->rows.push_back(std::move(row));
        }
    }

    Value ReadColumn(SQLHSTMT h, SQLUSMALLINT c, SQLSMALLINT type, SQLSMALLINT scale, const QString& sql) {
        SQLLEN indicator = 0;
        switch (type) {
            case SQL_BIT:
            case SQL_TINYINT:
            case SQL_SMALLINT:
            case SQL_INTEGER:
            case SQL_BIGINT: {
                int64_t v = 0;
                Check(SQLGetData(h, c, SQL_C_SBIGINT, &v, 0, &indicator), SQL_HANDLE_STMT, h, sql);
                return indicator == SQL_NULL_DATA ? Value() : Value(static_cast<long long>(v));
            }
            case SQL_NUMERIC:
            case SQL_DECIMAL:
                if (scale == 0) {
                    int64_t v = 0;
                    Check(SQLGetData(h, c, SQL_C_SBIGINT, &v, 0, &indicator), SQL_HANDLE_STMT, h, sql);
                    return indicator == SQL_NULL_DATA ? Value() : Value(static_cast<long long>(v));
                }
                [[fallthrough]];
            case SQL_REAL:
            case SQL_FLOAT:
            case SQL_DOUBLE: {
                double v = 0;
                Check(SQLGetData(h, c, SQL_C_DOUBLE, &v, 0, &indicator), SQL_HANDLE_STMT, h, sql);
                return indicator == SQL_NULL_DATA ? Value() : Value(v);
            }
            default:
                break;
        }
        QByteArray bytes;
        char buffer[4096];
        for (;;) {
            const SQLRETURN r = SQLGetData(h, c, SQL_C_CHAR, buffer, sizeof buffer, &indicator);
            if (r == SQL_NO_DATA) break;
            Check(r, SQL_HANDLE_STMT, h, sql);
            if (indicator == SQL_NULL_DATA) return Value();
            if (r == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator >= SQLLEN(sizeof buffer))) {
                bytes.append(buffer, sizeof buffer - 1);  // truncated: the rest follows
                continue;
            }
            bytes.append(buffer, static_cast<int>(indicator));
            break;
        }
        return Value(QString::fromUtf8(bytes));
    }

    // SQLTables / SQLColumns rows for one table name.
    std::vector<Row> Catalog(const QString& table, bool columns) {
        if (!connected_)
            throw DbError(kErrClosed, QStringLiteral("オブジェクトが閉じている場合は、操作は許可されません。"));
        Statement st(dbc_);
        const QByteArray name = table.toUtf8();
        SQLRETURN r;
        if (columns) {
            r = SQLColumns(st.h, nullptr, 0, nullptr, 0, (SQLCHAR*)name.constData(), SQL_NTS, nullptr, 0);
        } else {
            static const char kKinds[] = "TABLE,VIEW";
            r = SQLTables(st.h, nullptr, 0, nullptr, 0, (SQLCHAR*)name.constData(), SQL_NTS, (SQLCHAR*)kKinds, SQL_NTS);
        }
        Check(r, SQL_HANDLE_STMT, st.h, QString());
        Rowset rs;
        ReadRows(st.h, QString(), &rs);
        return std::move(rs.rows);
    }

    QStringList Columns(const QString& table, int field) {
        QStringList out;
        for (const Row& r : Catalog(table, true))
            if (r.size() > size_t(field) && r[2].ToText().compare(table, Qt::CaseInsensitive) == 0)
                out << r[field].ToText();
        return out;
    }

    QStringList PrimaryKey(const QString& table) {
        const QString cacheKey = table.toLower();
        const auto cached = primaryKeys_.constFind(cacheKey);
        if (cached != primaryKeys_.constEnd()) return cached.value();
        Statement st(dbc_);
        const QByteArray name = table.toUtf8();
        QStringList pk;
        if (Ok(SQLPrimaryKeys(st.h, nullptr, 0, nullptr, 0, (SQLCHAR*)name.constData(), SQL_NTS))) {
            Rowset rs;
            try {
                ReadRows(st.h, QString(), &rs);
            } catch (const DbError&) {
                rs.rows.clear();
            }
            std::vector<std::pair<int64_t, QString>> ordered;
            for (const Row& r : rs.rows)
                if (r.size() >= 5) ordered.emplace_back(r[4].ToInt64(), r[3].ToText());
            std::sort(ordered.begin(), ordered.end());
            for (const auto& [seq, column] : ordered) pk << column;
        }
        primaryKeys_.insert(cacheKey, pk);
        return pk;
    }

    void FreeHandles() {
        if (dbc_ != SQL_NULL_HDBC) {
            SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
            dbc_ = SQL_NULL_HDBC;
        }
        if (env_ != SQL_NULL_HENV) {
            SQLFreeHandle(SQL_HANDLE_ENV, env_);
            env_ = SQL_NULL_HENV;
        }
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
    QString dbms_;
    QString quote_;
    QHash<QString, QStringList> primaryKeys_;
};

}  // namespace

std::unique_ptr<Backend> OpenOdbcBackend(const ConnectionInfo& info) {
    QString odbc;
    if (!info.driver.isEmpty()) {
        odbc = info.connectionString;
    } else if (info.provider.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive) ||
               info.provider.startsWith(QLatin1String("SQLNCLI"), Qt::CaseInsensitive) ||
               info.provider.startsWith(QLatin1String("MSOLEDBSQL"), Qt::CaseInsensitive)) {
        // FreeTDS reads "host\instance" in Server itself and asks the
        // server's browser service for the instance's port.
        odbc = QStringLiteral("Driver={FreeTDS};Server=%1;Database=%2;UID=%3;PWD=%4;ClientCharset=UTF-8;")
                   .arg(OdbcValue(info.dataSource.trimmed()), OdbcValue(info.catalog), OdbcValue(info.userId),
                        OdbcValue(info.password));
    } else {
        throw DbError(kErrCannotOpen,
                      QStringLiteral("このデータベースの種類には接続できません。(Provider=%1)").arg(info.provider));
    }
    return std::make_unique<OdbcBackend>(odbc);
}

}  // namespace mox::db
