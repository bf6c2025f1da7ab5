#include "platform/db/database.h"

#include "platform/db/backend.h"
#include "platform/db/file_hold.h"
#include "platform/db/file_kind.h"
#include "platform/owner_only.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

namespace mox::db {

// ---------------------------------------------------------------- connection strings

ConnectionInfo ConnectionInfo::Parse(const QString& connectionString) {
    ConnectionInfo info;
    info.connectionString = connectionString;
    const QString& s = connectionString;
    int i = 0;
    const int n = s.size();
    while (i < n) {
        const int eq = s.indexOf(QLatin1Char('='), i);
        const int semi = s.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            i = semi < 0 ? n : semi + 1;  // a part without '=' is ignored
            continue;
        }
        const QString key = s.mid(i, eq - i).simplified().toLower();
        int j = eq + 1;
        while (j < n && s[j].isSpace()) ++j;
        QString value;
        const QChar open = j < n ? s[j] : QChar();
        if (open == QLatin1Char('"') || open == QLatin1Char('\'') || open == QLatin1Char('{')) {
            const QChar close = open == QLatin1Char('{') ? QLatin1Char('}') : open;
            ++j;
            while (j < n) {
                if (s[j] == close) {
                    if (j + 1 < n && s[j + 1] == close) {  // a doubled quote stands for itself
                        value += close;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += s[j++];
            }
            const int end = s.indexOf(QLatin1Char(';'), j);
            i = end < 0 ? n : end + 1;
        } else {
            const int end = s.indexOf(QLatin1Char(';'), j);
            value = s.mid(j, (end < 0 ? n : end) - j).trimmed();
            i = end < 0 ? n : end + 1;
        }
        if (key == QLatin1String("provider"))
            info.provider = value;
        else if (key == QLatin1String("data source") || key == QLatin1String("dbq") || key == QLatin1String("server"))
            info.dataSource = value;
        else if (key == QLatin1String("initial catalog") || key == QLatin1String("database"))
            info.catalog = value;
        else if (key == QLatin1String("user id") || key == QLatin1String("uid"))
            info.userId = value;
        else if (key == QLatin1String("password") || key == QLatin1String("pwd") ||
                 key == QLatin1String("jet oledb:database password"))
            info.password = value;
        else if (key == QLatin1String("driver"))
            info.driver = value;
    }
    return info;
}

QString DataSourcePart(const QString& location) {
    const bool plain = !location.contains(QLatin1Char(';')) && location.trimmed() == location &&
                       !location.startsWith(QLatin1Char('"')) && !location.startsWith(QLatin1Char('\'')) &&
                       !location.startsWith(QLatin1Char('{'));
    if (plain) return QStringLiteral("Data Source=") + location;
    QString quoted = location;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("Data Source=\"") + quoted + QLatin1Char('"');
}

bool ConnectionInfo::IsFile() const {
    if (!driver.isEmpty()) return false;
    return provider.isEmpty() || provider.contains(QLatin1String("Jet"), Qt::CaseInsensitive) ||
           provider.contains(QLatin1String("ACE.OLEDB"), Qt::CaseInsensitive);
}

// ---------------------------------------------------------------- Connection

namespace {

std::atomic<int> gBusyTimeout{5000};

// The file at `path` cannot be opened: the errno `err` says why, or else
// `kind`.
DbError CannotOpen(const QString& path, FailureKind kind, int err = 0) {
    Failure f = FromErrno(FailureStep::Open, err, path);
    if (err == 0) {
        f.step = FailureStep::Open;
        f.kind = kind;
        f.file = path;
    }
    f.doing = Doing::OpenDatabase;
    f.number = kErrCannotOpen;
    return DbError(f);
}

// The file at the path changed while it was being opened.
DbError FileReplaced(const QString& path) { return CannotOpen(path, FailureKind::Replaced); }

// Looks at the file before any engine touches it, so that a missing path is
// never created and a foreign file is never written to. The file is judged
// through the descriptor the connection then keeps (file_hold.h): a probe
// that opened and closed a descriptor of its own while another connection
// of this process held the file's lock would let a second program write into
// the middle of that transaction.
FileKind ProbeFile(const QString& path, FileHold* hold) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) throw CannotOpen(path, FailureKind::None, errno);
    if (S_ISDIR(st.st_mode)) throw CannotOpen(path, FailureKind::None, EISDIR);
    if (!S_ISREG(st.st_mode)) throw CannotOpen(path, FailureKind::None, EINVAL);
    // The right to read is asked of the caller's credentials every time; the
    // kept descriptor may have been opened under other ones.
    if (::access(QFile::encodeName(path).constData(), R_OK) != 0 && errno == EACCES)
        throw CannotOpen(path, FailureKind::None, EACCES);
    Expected<FileHold> taken = FileHold::Take(path);
    if (!taken) throw CannotOpen(path, FailureKind::None, taken.error().code);
    *hold = std::move(*taken);
    const FileKind kind = ReadFileKind(hold->get()).value_or(FileKind::Other);
    if (kind != FileKind::Other) return kind;
    throw CannotOpen(path, FailureKind::NotDatabase);
}

// Data sources written the Windows way ("folder\VXMOX2.MDB") still find the file.
QString ResolvePath(const QString& dataSource) {
    const QString path = dataSource.trimmed();
    if (path.contains(QLatin1Char('\\')) && !QFileInfo::exists(path)) {
        QString slashed = path;
        slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return slashed;
    }
    return path;
}

}  // namespace

void Connection::SetBusyTimeout(int milliseconds) { gBusyTimeout = milliseconds; }
int Connection::BusyTimeout() { return gBusyTimeout; }

Connection::Connection(ConnectionInfo info, std::unique_ptr<Backend> backend, FileHold hold)
    : info_(std::move(info)), hold_(std::make_unique<FileHold>(std::move(hold))), backend_(std::move(backend)) {}

Connection::~Connection() {
    try {
        Close();
    } catch (...) {
    }
}

std::shared_ptr<Connection> Connection::Open(const QString& connectionString) {
    ConnectionInfo info = ConnectionInfo::Parse(connectionString);
    if (!info.IsFile()) {
        auto backend = OpenOdbcBackend(info);
        return std::shared_ptr<Connection>(new Connection(std::move(info), std::move(backend), FileHold()));
    }
    if (info.dataSource.trimmed().isEmpty()) throw CannotOpen(QString(), FailureKind::NotFound);
    const QString path = ResolvePath(info.dataSource);
    // The engine opens the file by its name; when another program renamed a
    // file over that name meanwhile, the engine may have the newer file and
    // the probe the older one, and the lock would go unguarded.
    for (int attempt = 1;; ++attempt) {
        FileHold hold;
        const FileKind kind = ProbeFile(path, &hold);
        auto backend = kind == FileKind::Sqlite ? OpenSqliteBackend(path, false, BusyTimeout()) : OpenJetBackend(path);
        if (hold.IsAt(path))
            return std::shared_ptr<Connection>(new Connection(std::move(info), std::move(backend), std::move(hold)));
        backend->Close();
        if (attempt == 3) throw FileReplaced(path);
    }
}

std::shared_ptr<Connection> Connection::CreateFile(const QString& path) {
    ConnectionInfo info;
    info.dataSource = path;
    info.connectionString = DataSourcePart(path);
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CREAT | O_EXCL | O_CLOEXEC, platform::kOwnerOnlyMode);
    if (fd < 0) {
        const int err = errno;
        if (err != EEXIST) {
            Failure f = FromErrno(FailureStep::Open, err, path);
            f.doing = Doing::CreateDatabase;
            f.number = kErrCannotOpen;
            throw DbError(f);
        }
        FileHold hold;
        if (ProbeFile(path, &hold) != FileKind::Sqlite) throw CannotOpen(path, FailureKind::WrongFormat);
        auto backend = OpenSqliteBackend(path, false, BusyTimeout());
        if (!hold.IsAt(path)) throw FileReplaced(path);
        return std::shared_ptr<Connection>(new Connection(std::move(info), std::move(backend), std::move(hold)));
    }
    // The descriptor that made the file is the one its connections keep.
    FileHold hold = FileHold::Adopt(fd);
    try {
        auto backend = OpenSqliteBackend(path, true, BusyTimeout());
        if (!hold.IsAt(path)) throw FileReplaced(path);
        return std::shared_ptr<Connection>(new Connection(std::move(info), std::move(backend), std::move(hold)));
    } catch (...) {
        if (hold.IsAt(path)) ::unlink(native.constData());
        throw;
    }
}

std::shared_ptr<Connection> Connection::OpenInMemory() {
    ConnectionInfo info;
    info.dataSource = QStringLiteral(":memory:");
    return std::shared_ptr<Connection>(new Connection(std::move(info), OpenSqliteMemory(), FileHold()));
}

QString Connection::Notes() const { return backend_ ? backend_->Notes() : QString(); }

bool Connection::IsOpen() const { return backend_ && backend_->IsOpen(); }

void Connection::EnsureOpen() const {
    if (!IsOpen()) throw DbError(kErrClosed, QStringLiteral("オブジェクトが閉じている場合は、操作は許可されません。"));
}

void Connection::Close() {
    if (IsOpen()) {
        if (transLevel_ > 0) {
            transLevel_ = 0;
            try {
                backend_->Rollback(1);
            } catch (...) {
            }
        }
        backend_->Close();
    }
    // Only after the engine has let go of its lock.
    hold_->Release();
}

long Connection::Execute(const QString& sql, const std::vector<Value>& params) {
    EnsureOpen();
    return backend_->Execute(sql, params);
}

std::unique_ptr<PreparedStatement> Connection::Prepare(const QString& sql) {
    EnsureOpen();
    return backend_->Prepare(sql);
}

std::unique_ptr<PreparedStatement> Backend::Prepare(const QString& sql) {
    class Compiled final : public PreparedStatement {
    public:
        Compiled(Backend& backend, const QString& sql) : backend_(backend), sql_(sql) {}
        void Run(const std::vector<Value>& params) override { backend_.Execute(sql_, params); }

    private:
        Backend& backend_;
        QString sql_;
    };
    return std::make_unique<Compiled>(*this, sql);
}

Value Connection::Scalar(const QString& sql, const std::vector<Value>& params) {
    EnsureOpen();
    const Rowset r = backend_->Select(sql, params, false);
    if (r.rows.empty() || r.rows[0].empty()) return Value();
    return r.rows[0][0];
}

void Connection::BeginTrans() {
    EnsureOpen();
    backend_->Begin(transLevel_ + 1);
    ++transLevel_;
}

void Connection::CommitTrans() {
    EnsureOpen();
    if (transLevel_ == 0)
        throw DbError(kErrNoTransaction,
                      QStringLiteral("BeginTrans を実行せずに、コミットまたはロールバックしようとしました。"));
    backend_->Commit(transLevel_);
    --transLevel_;
}

void Connection::RollbackTrans() {
    EnsureOpen();
    if (transLevel_ == 0)
        throw DbError(kErrNoTransaction,
                      QStringLiteral("BeginTrans を実行せずに、コミットまたはロールバックしようとしました。"));
    const int level = transLevel_--;
    backend_->Rollback(level);
}

bool Connection::InTransaction() const { return transLevel_ > 0; }

bool Connection::TableExists(const QString& table) {
    EnsureOpen();
    return backend_->TableExists(table);
}

QStringList Connection::ColumnNames(const QString& table) {
    EnsureOpen();
    return backend_->ColumnNames(table);
}

QStringList Connection::ColumnTypes(const QString& table) {
    EnsureOpen();
    // Back ends report declared types as the database spells them.
    QStringList types = backend_->ColumnTypes(table);
    for (QString& t : types) t = t.toUpper();
    return types;
}

// ---------------------------------------------------------------- Transaction

Transaction::Transaction(Connection& conn) : conn_(&conn) { conn.BeginTrans(); }

Transaction::~Transaction() {
    if (!conn_) return;
    try {
        if (conn_->IsOpen() && conn_->InTransaction()) conn_->RollbackTrans();
    } catch (...) {
    }
}

Transaction::Transaction(Transaction&& other) noexcept : conn_(other.conn_) { other.conn_ = nullptr; }

void Transaction::Commit() {
    if (!conn_) throw DbError(kErrNoTransaction, QStringLiteral("トランザクションは既に終了しています。"));
    conn_->CommitTrans();
    conn_ = nullptr;
}

// ---------------------------------------------------------------- Recordset

struct Recordset::State {
    ConnectionPtr conn;
    Rowset data;
    std::vector<bool> deleted;
    long live = 0;
    int pos = 0;  // -1 before the first row, rows.size() after the last
    enum class Edit { None, Change, Add } edit = Edit::None;
    std::map<int, Value> buffer;  // column index -> value written since the edit began
    QHash<QString, int> index;    // lower-case name -> first column of that name
    bool open = true;

    int Size() const { return static_cast<int>(data.rows.size()); }
    bool OnRow() const { return pos >= 0 && pos < Size(); }
};

namespace {

DbError NoCurrentRow() {
    return DbError(
        kErrNoCurrentRow,
        QStringLiteral("BOF と EOF のいずれかが True になっているか、または現在のレコードが削除されています。"
                       "要求された操作には、現在のレコードが必要です。"));
}

DbError ItemNotFound(const QString& name) {
    return DbError(
        kErrItemNotFound,
        QStringLiteral("要求された名前、または序数に対応する項目がコレクションで見つかりません。(%1)").arg(name));
}

}  // namespace

std::unique_ptr<Recordset> Connection::OpenRecordset(const QString& sql, const std::vector<Value>& params) {
    EnsureOpen();
    auto state = std::make_unique<Recordset::State>();
    state->data = backend_->Select(sql, params, !backend_->IsReadOnly());
    state->conn = shared_from_this();
    state->deleted.assign(state->data.rows.size(), false);
    state->live = static_cast<long>(state->data.rows.size());
    for (int i = 0; i < state->data.columns.size(); ++i) {
        const QString key = state->data.columns[i].toLower();
        if (!state->index.contains(key)) state->index.insert(key, i);
    }
    return std::make_unique<Recordset>(std::move(state));
}

Recordset::Recordset(std::unique_ptr<State> state) : s_(std::move(state)) {}

Recordset::~Recordset() = default;

static void EnsureRsOpen(const Recordset::State& s) {
    if (!s.open) throw DbError(kErrClosed, QStringLiteral("オブジェクトが閉じている場合は、操作は許可されません。"));
}

bool Recordset::IsEOF() const {
    EnsureRsOpen(*s_);
    return s_->pos >= s_->Size() || (s_->pos < 0 && s_->live == 0);
}

bool Recordset::IsBOF() const {
    EnsureRsOpen(*s_);
    return s_->pos < 0 || (s_->pos >= s_->Size() && s_->live == 0);
}

// Moving away from an edited row stores it first, as ADO does; an added row
// that was never written to is dropped.
static void FinishEdit(Recordset& rs, Recordset::State& s) {
    if (s.edit == Recordset::State::Edit::None) return;
    if (s.buffer.empty())
        rs.CancelUpdate();
    else
        rs.Update();
}

void Recordset::MoveFirst() {
    EnsureRsOpen(*s_);
    FinishEdit(*this, *s_);
    int p = 0;
    while (p < s_->Size() && s_->deleted[p]) ++p;
    s_->pos = p;
}

void Recordset::MoveLast() {
    EnsureRsOpen(*s_);
    FinishEdit(*this, *s_);
    int p = s_->Size() - 1;
    while (p >= 0 && s_->deleted[p]) --p;
    s_->pos = p < 0 ? s_->Size() : p;
}

void Recordset::MoveNext() {
    EnsureRsOpen(*s_);
    // A row being added is stored first: it then is the current row, also
    // when the recordset stood at its end.
    FinishEdit(*this, *s_);
    if (IsEOF()) throw NoCurrentRow();
    int p = s_->pos + 1;
    while (p < s_->Size() && s_->deleted[p]) ++p;
    s_->pos = p;
}

void Recordset::MovePrevious() {
    EnsureRsOpen(*s_);
    FinishEdit(*this, *s_);
    if (IsBOF()) throw NoCurrentRow();
    int p = std::min(s_->pos, s_->Size()) - 1;
    while (p >= 0 && s_->deleted[p]) --p;
    s_->pos = p;
}

long Recordset::RecordCount() const {
    EnsureRsOpen(*s_);
    return s_->live;
}

bool Recordset::HasField(const QString& name) const { return s_->index.contains(name.toLower()); }

QStringList Recordset::FieldNames() const { return s_->data.columns; }

Value Recordset::Field(const QString& name) const {
    EnsureRsOpen(*s_);
    const auto it = s_->index.constFind(name.toLower());
    if (it == s_->index.constEnd()) throw ItemNotFound(name);
    return Field(it.value());
}

Value Recordset::Field(int index) const {
    EnsureRsOpen(*s_);
    if (index < 0 || index >= s_->data.columns.size()) throw ItemNotFound(QString::number(index));
    const auto edited = s_->buffer.find(index);
    if (s_->edit == State::Edit::Add) return edited == s_->buffer.end() ? Value() : edited->second;
    if (!s_->OnRow() || s_->deleted[s_->pos]) throw NoCurrentRow();
    if (edited != s_->buffer.end()) return edited->second;
    return s_->data.rows[s_->pos][index];
}

static void EnsureUpdatable(const Recordset& rs, const Recordset::State& s) {
    EnsureRsOpen(s);
    if (!rs.IsUpdatable()) {
        if (s.conn && s.conn->IsOpen() && s.conn->Impl().IsReadOnly())
            throw DbError(kErrReadOnly,
                          QStringLiteral("このデータベースファイルは読み取り専用で開かれているため、書き込めません。"));
        throw DbError(
            kErrReadOnly,
            QStringLiteral("このレコードセットは更新できません。1 つのテーブルだけを読む SELECT 文で開いてください。"));
    }
    if (!s.conn->IsOpen())
        throw DbError(kErrClosed, QStringLiteral("接続が閉じられているため、データベースに書き込めません。"));
}

void Recordset::SetField(const QString& name, const Value& v) {
    EnsureUpdatable(*this, *s_);
    const auto it = s_->index.constFind(name.toLower());
    if (it == s_->index.constEnd()) throw ItemNotFound(name);
    if (s_->edit == State::Edit::None) {
        if (!s_->OnRow() || s_->deleted[s_->pos]) throw NoCurrentRow();
        s_->edit = State::Edit::Change;
    }
    s_->buffer[it.value()] = v;
}

void Recordset::AddNew() {
    EnsureUpdatable(*this, *s_);
    FinishEdit(*this, *s_);
    s_->edit = State::Edit::Add;
    s_->buffer.clear();
}

void Recordset::Update() {
    EnsureRsOpen(*s_);
    if (s_->edit == State::Edit::None) return;
    EnsureUpdatable(*this, *s_);
    Backend& db = s_->conn->Impl();
    const Rowset& d = s_->data;
    QStringList columns;
    Row values;
    for (const auto& [col, value] : s_->buffer) {
        columns << d.baseColumns[col];
        values.push_back(value);
    }
    if (s_->edit == State::Edit::Add) {
        Row key = db.InsertRow(d.table, columns, values);
        Row row = db.FetchRow(d.table, &key, d.baseColumns);
        if (row.empty()) {  // not visible again (e.g. a view); keep what was written
            row.assign(d.columns.size(), Value());
            for (const auto& [col, value] : s_->buffer) row[col] = value;
        }
        s_->data.rows.push_back(std::move(row));
        s_->data.keys.push_back(std::move(key));
        s_->deleted.push_back(false);
        ++s_->live;
        s_->pos = s_->Size() - 1;
    } else {
        Row& key = s_->data.keys[s_->pos];
        db.UpdateRow(d.table, &key, columns, values);
        Row row = db.FetchRow(d.table, &key, d.baseColumns);
        if (row.empty()) {
            row = s_->data.rows[s_->pos];
            for (const auto& [col, value] : s_->buffer) row[col] = value;
        }
        s_->data.rows[s_->pos] = std::move(row);
    }
    s_->buffer.clear();
    s_->edit = State::Edit::None;
}

void Recordset::CancelUpdate() {
    EnsureRsOpen(*s_);
    s_->buffer.clear();
    s_->edit = State::Edit::None;
}

void Recordset::Delete() {
    EnsureUpdatable(*this, *s_);
    if (s_->edit == State::Edit::Add) {
        CancelUpdate();
        return;
    }
    if (!s_->OnRow() || s_->deleted[s_->pos]) throw NoCurrentRow();
    s_->conn->Impl().DeleteRow(s_->data.table, s_->data.keys[s_->pos]);
    s_->buffer.clear();
    s_->edit = State::Edit::None;
    s_->deleted[s_->pos] = true;
    --s_->live;
}

void Recordset::Close() {
    s_->open = false;
    s_->buffer.clear();
    s_->edit = State::Edit::None;
    s_->conn.reset();
}

bool Recordset::IsUpdatable() const {
    return s_->open && !s_->data.table.isEmpty() && s_->conn && !s_->conn->Impl().IsReadOnly();
}

}  // namespace mox::db
