#pragma once
// What the back ends need to know of an SQL text before handing it to their
// engine: which one table a SELECT reads, and whether the markers and the
// values agree. Quoted names, literals and comments are skipped. And how a
// name is written into one.

#include <QString>
#include <cstddef>

namespace mox::db {

// The table a SELECT reads when it reads exactly one ("SELECT ... FROM t
// [alias] [WHERE ...] [ORDER BY ...]"), else empty. `selectEnd` receives the
// offset just after the SELECT keyword; `plainList` whether the select list
// names only columns ("*", "a", "t.a", "t.*"), without expressions or aliases.
QString SingleTableOf(const QString& sql, int* selectEnd = nullptr, bool* plainList = nullptr);

// The number of '?' markers outside literals and quoted names.
int CountMarkers(const QString& sql);

// Throws DbError(kErrSql) when the number of '?' markers and values differ.
void CheckParamCount(int markers, size_t values);

// A table or column name as it stands in an SQL text: between two marks
// (double quotes, unless an engine names its own), a mark inside the name
// doubled, so that any name, one holding a quote included, reaches the engine
// whole.
QString QuoteIdentifier(const QString& name, const QString& mark = QStringLiteral("\""));

}  // namespace mox::db
