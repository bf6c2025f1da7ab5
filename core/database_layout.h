#pragma once
// What a file must be to serve as this system's database. The layout this
// version makes is the template's (built at run time from the very schema
// the template file is built from) and that of the table the program makes
// itself (core/image_table.h). Before a file takes the place of the database
// or becomes it, its layout is compared with that one: every table and
// column the program uses must be there, as an ordinary table, with its
// kind of value; no trigger or view the program does not make; no index the
// program does not make that could refuse a row it writes (a unique one, or
// one on an expression or part of a table); no column that must be filled
// and that the program does not fill. A file may hold more (a clinic's own
// tables and columns, brought over from Windows), may lack an index (the
// start-up upgrade makes it), and its patient table may have the layout of
// an earlier release, which the start-up upgrade converts.

#include "platform/db/database.h"

#include <QString>
#include <QStringList>

namespace mox {

// The ADO type number of a column by its declared type (LONG 3, INTEGER or
// SHORT 2, BYTE 17, TEXT(n) 202, MEMO 203, DATETIME 7, BIT 11, SINGLE 4,
// DOUBLE 5, CURRENCY 6); 0 for a type that is none of them.
int AdoTypeOfDeclared(const QString& declaredType);

// The format of TPatient by its columns' names and declared types: an
// earlier release kept the date of birth as a date and the sex as a yes/no
// value; this one keeps both as text and a small integer.
enum class PatientTableFormat { Current, EarlierRelease, ColumnMissing, TypeUnknown };
PatientTableFormat PatientFormatOf(const QStringList& names, const QStringList& types);

// "" when the layout of the database on `conn` may serve as above;
// otherwise what differs first, as a Japanese phrase naming the table,
// column, index, trigger or view. Throws db::DbError when the layout cannot
// be read.
QString LayoutDifference(db::Connection& conn);

}  // namespace mox
