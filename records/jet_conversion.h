#pragma once
// Databases of the Windows release are Access (Jet) files; every database of
// this system is an SQLite file. A clinic that brings its main database, a
// backup or another database file over gets it converted: a copy of the
// template is filled with every table of the Jet file, every row and every
// column as it was (the version row included, so that the start-up upgrade
// then brings the file up to date as it does any older file). TImage, which
// the template lacks, is made as the program makes it before its rows go in.
//
// The Jet file itself is only ever read. The new database is filled in a
// work file in one transaction and, where it takes the place of a file,
// put there by one atomic rename; the main database is first kept under a
// dated name (the old-format conversion's rule). A failure or a kill at any
// point leaves the Jet file in place or the complete converted file.

#include <QByteArrayView>
#include <QString>

namespace mox {

// True when the file begins as an Access database file does.
bool IsJetDatabaseFile(const QString& path);
// True when a file's first bytes are those of an Access database file.
bool IsJetFileStart(QByteArrayView head);

// Copies the template to `work` and fills it from the Jet file in one
// transaction. "" when done; otherwise why not, as Japanese sentences that
// name `jetPath`, and `work` is gone. A file without TPatient and TExamData
// is not a database of this system and is refused.
QString FillFromJetDatabase(const QString& jetPath, const QString& work);

// At start-up: a Jet main database is kept under a dated name and replaced
// by its conversion, and the user is told where the original was kept.
// False when it is a Jet file that could not be converted: the user was
// told why, and nothing changed.
bool ConvertJetMainDatabase();

// For the open command: the Jet file converted into a new SQLite file beside
// it. The new file's path, of which the user has been told; "" when the file
// could not be converted (the user was told why, nothing was written).
QString ConvertJetFileBeside(const QString& jetPath);

}  // namespace mox
