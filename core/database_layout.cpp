#include "core/database_layout.h"

#include "core/image_table.h"
#include "platform/db/sql_text.h"

#include <QFile>
#include <QRegularExpression>
#include <map>
#include <vector>

namespace mox {

namespace {

struct Column {
    QString name;
    QString type;
    bool notNull = false;
    bool hasDefault = false;
    bool generated = false;
};

struct Index {
    QString name;
    bool unique = false;
    bool partial = false;
    QStringList keys;  // column names; "" for an expression
};

struct Object {
    QString name;
    QString kind;  // "table", "view", "trigger"
    QString sql;
    std::vector<Column> columns;
    std::vector<Index> indexes;
    bool optional = false;  // made by the program when missing
};

// Every table, view and trigger, by name in lower case (names are matched
// as the engine matches them), in the order they were made.
struct Layout {
    std::vector<Object> objects;
    const Object* Find(const QString& name) const {
        for (const Object& o : objects)
            if (o.name.compare(name, Qt::CaseInsensitive) == 0) return &o;
        return nullptr;
    }
};

std::vector<Column> ColumnsOf(db::Connection& conn, const QString& table) {
    std::vector<Column> columns;
    auto rs = conn.OpenRecordset(
        QStringLiteral("SELECT name, type, \"notnull\", dflt_value, hidden FROM pragma_table_xinfo(?)"), {table});
    for (; !rs->IsEOF(); rs->MoveNext()) {
        Column c;
        c.name = rs->Field(0).ToText();
        c.type = rs->Field(1).ToText();
        c.notNull = rs->Field(2).ToInt64() != 0;
        c.hasDefault = !rs->Field(3).IsNull();
        // 2 and 3: a column the engine computes, which takes no value.
        c.generated = rs->Field(4).ToInt64() >= 2;
        columns.push_back(c);
    }
    return columns;
}

std::vector<Index> IndexesOf(db::Connection& conn, const QString& table) {
    std::vector<Index> indexes;
    auto list =
        conn.OpenRecordset(QStringLiteral("SELECT name, \"unique\", partial FROM pragma_index_list(?)"), {table});
    for (; !list->IsEOF(); list->MoveNext()) {
        Index index;
        index.name = list->Field(0).ToText();
        index.unique = list->Field(1).ToInt64() != 0;
        index.partial = list->Field(2).ToInt64() != 0;
        auto keys = conn.OpenRecordset(
            QStringLiteral("SELECT cid, name FROM pragma_index_xinfo(?) WHERE key = 1 ORDER BY seqno"), {index.name});
        for (; !keys->IsEOF(); keys->MoveNext())
            index.keys << (keys->Field(0).ToInt64() == -2 ? QString() : keys->Field(1).ToText());
        indexes.push_back(index);
    }
    return indexes;
}

Layout ReadLayout(db::Connection& conn) {
    Layout layout;
    auto rs = conn.OpenRecordset(
        QStringLiteral("SELECT type, name, sql FROM sqlite_master WHERE type IN ('table', 'view', 'trigger') "
                       "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"));
    for (; !rs->IsEOF(); rs->MoveNext()) {
        Object o;
        o.kind = rs->Field(0).ToText();
        o.name = rs->Field(1).ToText();
        o.sql = rs->Field(2).ToText();
        layout.objects.push_back(o);
    }
    rs->Close();
    for (Object& o : layout.objects) {
        if (o.kind != QLatin1String("table")) continue;
        o.columns = ColumnsOf(conn, o.name);
        o.indexes = IndexesOf(conn, o.name);
    }
    return layout;
}

// The template's tables from the schema it is built from, then the table
// the program makes itself.
Layout MakeReference() {
    QFile schema(QStringLiteral(":/core/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        throw db::DbError(db::kErrCannotOpen, QStringLiteral("データベースの定義を読み込めません。"));
    const db::ConnectionPtr conn = db::Connection::OpenInMemory();
    conn->Execute(QString::fromUtf8(schema.readAll()));
    const qsizetype templateTables = ReadLayout(*conn).objects.size();
    conn->Execute(ImageTableDdl(kImageTable));
    Layout reference = ReadLayout(*conn);
    conn->Close();
    for (qsizetype i = templateTables; i < qsizetype(reference.objects.size()); ++i)
        reference.objects[i].optional = true;
    return reference;
}

const Layout& Reference() {
    static const Layout reference = MakeReference();
    return reference;
}

const Column* FindColumn(const Object& table, const QString& name) {
    for (const Column& c : table.columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0) return &c;
    return nullptr;
}

// An ordinary table of rows with row numbers, as the program's recordsets
// address them: no virtual table, none WITHOUT ROWID.
bool IsOrdinaryTable(const Object& table) {
    static const QRegularExpression create(QStringLiteral(R"(^\s*CREATE\s+TABLE\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression withoutRowid(QStringLiteral(R"(\bWITHOUT\s+ROWID\b)"),
                                                 QRegularExpression::CaseInsensitiveOption);
    // The table's options follow its column list.
    const QString options = table.sql.mid(table.sql.lastIndexOf(QLatin1Char(')')));
    return create.match(table.sql).hasMatch() && !withoutRowid.match(options).hasMatch();
}

bool SameIndex(const Index& a, const Index& b) {
    if (a.unique != b.unique || a.partial != b.partial || a.keys.size() != b.keys.size()) return false;
    for (qsizetype i = 0; i < a.keys.size(); ++i)
        if (a.keys[i].compare(b.keys[i], Qt::CaseInsensitive) != 0) return false;
    return true;
}

// An index of the file's table that the program does not make may only
// speed reads up: one of plain columns, over every row, that lets any row in.
QString IndexDifference(const Object& expected, const Object& found) {
    for (const Index& index : found.indexes) {
        const Index* own = nullptr;
        for (const Index& e : expected.indexes)
            if (e.name.compare(index.name, Qt::CaseInsensitive) == 0 || (index.unique && SameIndex(e, index))) own = &e;
        if (own) {
            if (!SameIndex(*own, index)) return QStringLiteral("索引 %1 が本システムのものと違います").arg(index.name);
            continue;
        }
        if (index.unique || index.partial || index.keys.contains(QString()))
            return QStringLiteral("本システムが作らない索引 %1 が表 %2 にあります").arg(index.name, expected.name);
    }
    return {};
}

QString TableDifference(const Object& expected, const Object& found, bool compareTypes) {
    if (found.kind == QLatin1String("view")) return QStringLiteral("%1 が表ではなくビューです").arg(expected.name);
    if (!IsOrdinaryTable(found)) return QStringLiteral("%1 は通常の表ではありません").arg(expected.name);
    for (const Column& e : expected.columns) {
        const Column* c = FindColumn(found, e.name);
        // An older layout of a table the program makes itself is remade by it.
        if (!c && expected.optional) continue;
        if (!c) return QStringLiteral("表 %1 に列 %2 がありません").arg(expected.name, e.name);
        const QString column = expected.name + QLatin1Char('.') + e.name;
        if (c->generated) return QStringLiteral("列 %1 は値を書き込めない計算列です").arg(column);
        if (compareTypes && AdoTypeOfDeclared(c->type) != AdoTypeOfDeclared(e.type))
            return QStringLiteral("列 %1 の型が %2 です（本システムでは %3）")
                .arg(column, c->type.isEmpty() ? QStringLiteral("未指定") : c->type, e.type);
        if (c->notNull && !e.notNull) return QStringLiteral("列 %1 に値の省略を許さない制約があります").arg(column);
    }
    for (const Column& c : found.columns)
        if (!FindColumn(expected, c.name) && c.notNull && !c.hasDefault && !c.generated)
            return QStringLiteral("表 %1 の列 %2 には、本システムが書き込まない値が必要です")
                .arg(expected.name, c.name);
    return IndexDifference(expected, found);
}

}  // namespace

int AdoTypeOfDeclared(const QString& declaredType) {
    const QString t = declaredType.trimmed().toUpper();
    const QString base = t.left(t.indexOf(QLatin1Char('('))).trimmed();
    if (base == QLatin1String("LONG")) return 3;
    if (base == QLatin1String("INTEGER") || base == QLatin1String("SHORT")) return 2;
    if (base == QLatin1String("BYTE")) return 17;
    if (base == QLatin1String("TEXT")) return 202;
    if (base == QLatin1String("MEMO")) return 203;
    if (base == QLatin1String("DATETIME")) return 7;
    if (base == QLatin1String("BIT")) return 11;
    if (base == QLatin1String("SINGLE")) return 4;
    if (base == QLatin1String("DOUBLE")) return 5;
    if (base == QLatin1String("CURRENCY")) return 6;
    return 0;
}

PatientTableFormat PatientFormatOf(const QStringList& names, const QStringList& types) {
    int birthDay = -1, sex = -1;
    for (qsizetype i = 0; i < names.size() && i < types.size(); ++i) {
        if (names[i].compare(QLatin1String("BirthDay"), Qt::CaseInsensitive) == 0)
            birthDay = AdoTypeOfDeclared(types[i]);
        else if (names[i].compare(QLatin1String("Sex"), Qt::CaseInsensitive) == 0)
            sex = AdoTypeOfDeclared(types[i]);
    }
    if (birthDay < 0 || sex < 0) return PatientTableFormat::ColumnMissing;
    if (birthDay == 0 || sex == 0) return PatientTableFormat::TypeUnknown;
    // adVarWChar and adSmallInt.
    return birthDay == 202 && sex == 2 ? PatientTableFormat::Current : PatientTableFormat::EarlierRelease;
}

QString LayoutDifference(db::Connection& conn) {
    const Layout& reference = Reference();
    const Layout found = ReadLayout(conn);
    for (const Object& expected : reference.objects) {
        if (expected.kind != QLatin1String("table")) continue;
        const Object* table = found.Find(expected.name);
        if (!table) {
            if (expected.optional) continue;
            return QStringLiteral("表 %1 がありません").arg(expected.name);
        }
        // The start-up upgrade converts an earlier release's patients
        // whatever types their columns have.
        bool compareTypes = true;
        if (expected.name == QLatin1String("TPatient")) {
            QStringList names, types;
            for (const Column& c : table->columns) {
                names << c.name;
                types << c.type;
            }
            compareTypes = PatientFormatOf(names, types) != PatientTableFormat::EarlierRelease;
        }
        if (QString why = TableDifference(expected, *table, compareTypes); !why.isEmpty()) return why;
    }
    for (const Object& o : found.objects) {
        const Object* own = reference.Find(o.name);
        if (o.kind == QLatin1String("table") || (own && own->kind == o.kind)) continue;
        if (o.kind == QLatin1String("trigger"))
            return QStringLiteral("本システムが作らないトリガー %1 があります").arg(o.name);
        return QStringLiteral("本システムが作らないビュー %1 があります").arg(o.name);
    }
    return {};
}

}  // namespace mox
