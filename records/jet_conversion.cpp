#include "records/jet_conversion.h"

#include "core/files.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "records/image_table.h"
#include "records/old_format.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kCrLf2 = QStringLiteral("\r\n\r\n");
const QString kDoneCaption = QStringLiteral("変換完了");
const QString kFailedCaption = QStringLiteral("変換エラー");

// A refusal of the file as it is, said to the user as it stands.
struct Refusal {
    QString message;
};

QString Quoted(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString TemplatePath() { return G().ProgramDir + QStringLiteral("/VXMOX2_ORG.MDB"); }

// The converted file and the kept original hold patient data.
void MakePrivate(const QString& path) { ::chmod(QFile::encodeName(path).constData(), 0600); }

QStringList JetTables(db::Connection& jet) {
    // The reader offers the Jet file's tables in the SQL dialect of the
    // system's own files, its catalogue included. Only the catalogue's own
    // names begin "sqlite_"; a clinic's table may well begin "SQLite".
    QStringList tables;
    auto rs = jet.OpenRecordset(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    for (; !rs->IsEOF(); rs->MoveNext()) tables << rs->Field(0).ToText();
    return tables;
}

// Whether the template's table can take the Jet table's values column by
// column: the same kind of value wherever both have the column. A table of
// an earlier release (a birthday as a date) keeps its own column types, so
// that the old-format check still knows it for what it is.
bool SameKinds(db::Connection& conn, const QString& table, const QStringList& columns, const QStringList& types) {
    const QStringList existing = conn.ColumnNames(table);
    const QStringList existingTypes = conn.ColumnTypes(table);
    for (qsizetype i = 0; i < columns.size(); ++i)
        for (qsizetype at = 0; at < existing.size(); ++at)
            if (existing[at].compare(columns[i], Qt::CaseInsensitive) == 0 &&
                AdoTypeOfDeclared(existingTypes.value(at)) != AdoTypeOfDeclared(types.value(i)))
                return false;
    return true;
}

// A table of the template takes the Jet file's rows in place of its own,
// and a column the template lacks is added with its Access type; a table
// the template lacks (a table of the clinic's own) or cannot take is made
// as the Jet file has it. Binary columns cannot be carried, so a
// file with one is refused rather than converted without it.
void CopyTable(db::Connection& jet, db::Connection& conn, const QString& table) {
    const QStringList columns = jet.ColumnNames(table);
    const QStringList types = jet.ColumnTypes(table);
    for (qsizetype i = 0; i < columns.size() && i < types.size(); ++i) {
        if (types[i] == QLatin1String("LONGBINARY") || types[i] == QLatin1String("BINARY"))
            throw Refusal{
                QStringLiteral("表 %1 の列 %2 はバイナリデータの列のため、変換できません。").arg(table, columns[i])};
    }
    QStringList quotedColumns, marks;
    for (const QString& c : columns) {
        quotedColumns << Quoted(c);
        marks << QStringLiteral("?");
    }
    if (conn.TableExists(table) && !SameKinds(conn, table, columns, types))
        conn.Execute(QStringLiteral("DROP TABLE ") + Quoted(table));
    if (conn.TableExists(table)) {
        const QStringList existing = conn.ColumnNames(table);
        conn.Execute(QStringLiteral("DELETE FROM ") + Quoted(table));
        for (qsizetype i = 0; i < columns.size(); ++i)
            if (!existing.contains(columns[i], Qt::CaseInsensitive))
                conn.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                 .arg(Quoted(table), Quoted(columns[i]), types.value(i)));
    } else {
        QStringList definitions;
        for (qsizetype i = 0; i < columns.size(); ++i)
            definitions << Quoted(columns[i]) + QLatin1Char(' ') + types.value(i);
        conn.Execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(Quoted(table), definitions.join(QStringLiteral(", "))));
    }
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(Quoted(table), quotedColumns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    auto rs = jet.OpenRecordset(QStringLiteral("SELECT * FROM ") + Quoted(table));
    std::vector<db::Value> row(static_cast<size_t>(columns.size()));
    for (; !rs->IsEOF(); rs->MoveNext()) {
        for (qsizetype i = 0; i < columns.size(); ++i) row[static_cast<size_t>(i)] = rs->Field(static_cast<int>(i));
        conn.Execute(insert, row);
    }
}

void Fill(const QString& jetPath, const QString& work) {
    const db::ConnectionPtr jet = db::Connection::Open(db::DataSourcePart(jetPath));
    for (const char* needed : {"TPatient", "TExamData", "TVersion"}) {
        if (!jet->TableExists(QString::fromLatin1(needed)))
            throw Refusal{QStringLiteral("本システムのデータベースではありません。(表 %1 がありません)")
                              .arg(QString::fromLatin1(needed))};
    }
    const db::ConnectionPtr conn = db::Connection::Open(db::DataSourcePart(work));
    {
        db::Transaction transaction(*conn);
        ConversionStepReached(ConversionStep::CopyTables);
        const QStringList tables = JetTables(*jet);
        // TImage is the program's own table, not the template's: its rows go
        // into the table as the program makes it, with the key on ID and the
        // defaults that a contact row added later takes.
        if (tables.contains(kImageTable, Qt::CaseInsensitive) && !conn->TableExists(kImageTable))
            conn->Execute(ImageTableDdl(kImageTable));
        for (const QString& table : tables) CopyTable(*jet, *conn, table);
        ConversionStepReached(ConversionStep::Commit);
        transaction.Commit();
    }
    conn->Close();
    jet->Close();
    if (!db::IsIntactDatabaseFile(work, {QStringLiteral("TPatient"), QStringLiteral("TExamData")}))
        throw Refusal{QStringLiteral("変換したデータベースを確認できませんでした。")};
}

QString CannotConvert(const QString& jetPath, const QString& why) {
    return QStringLiteral("Windows 版のデータベース（Access 形式）を変換できませんでした。") + kCrLf2 + jetPath +
           kCrLf2 + why;
}

}  // namespace

bool IsJetDatabaseFile(const QString& path) {
    // A pipe or a device under the database's name is never waited on: the
    // start-up that follows refuses it.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return IsJetFileStart(file.read(20));
}

bool IsJetFileStart(QByteArrayView head) {
    if (head.size() < 20) return false;
    const QByteArrayView name = head.sliced(4, 15);
    return name == "Standard Jet DB" || name == "Standard ACE DB";
}

QString FillFromJetDatabase(const QString& jetPath, const QString& work) {
    // The work file is emptied first: never when it is the Jet file itself.
    if (IsSameFile(jetPath, work))
        return CannotConvert(jetPath, QStringLiteral("変換先の作業ファイルが変換元のファイルと同じです。"));
    QFile::remove(work);
    QString why;
    try {
        if (const int err = platform::CopyFileAtomically(TemplatePath(), work))
            throw Refusal{QStringLiteral("テンプレートのデータベースをコピーできませんでした。") + kCrLf +
                          FileErrorText(err)};
        MakePrivate(work);
        Fill(jetPath, work);
        return {};
    } catch (const Refusal& r) {
        why = r.message;
    } catch (const db::DbError& e) {
        why = e.Description();
    } catch (const std::exception& e) {
        why = QString::fromLocal8Bit(e.what());
    }
    QFile::remove(work);
    QFile::remove(work + QStringLiteral("-journal"));
    return CannotConvert(jetPath, why);
}

bool ConvertJetMainDatabase() {
    const Settings& g = G();
    const QString mainPath = g.AppPath + g.MainDbFile;
    if (!IsJetDatabaseFile(mainPath)) return true;

    // The original is what stands between the clinic and its records: the
    // conversion goes on only when its kept copy is there whole.
    const QString kept = OldFormatConversion::UniqueKeptPath(g.AppPath, platform::CurrentClock().Now());
    const int copyError = platform::CopyFileAtomically(mainPath, kept);
    if (copyError != 0 || !SameFileContent(mainPath, kept)) {
        QFile::remove(kept);
        platform::MsgBox(CannotConvert(mainPath, QStringLiteral("元のファイルの控えを作成できませんでした。") +
                                                     (copyError ? kCrLf + FileErrorText(copyError) : QString())) +
                             kCrLf2 + QStringLiteral("データベースは変更していません。"),
                         16, kFailedCaption);
        return false;
    }
    MakePrivate(kept);

    const QString work = OldFormatConversion::WorkDbPath(g.AppPath);
    QString failure = FillFromJetDatabase(kept, work);
    if (failure.isEmpty()) {
        if (const int err = platform::PlaceFileAtomically(work, mainPath)) {
            QFile::remove(work);
            failure = CannotConvert(mainPath, FileErrorText(err));
        }
    } else {
        failure.replace(kept, mainPath);
    }
    if (!failure.isEmpty()) {
        QFile::remove(kept);
        platform::MsgBox(failure + kCrLf2 + QStringLiteral("データベースは変更していません。"), 16, kFailedCaption);
        return false;
    }
    platform::MsgBox(QStringLiteral("Windows 版のデータベース（Access 形式）を本システムの形式に変換しました。") +
                         kCrLf2 + mainPath + kCrLf2 + QStringLiteral("変換前のファイルは次の名前で残してあります。") +
                         kCrLf + kept,
                     64, kDoneCaption);
    return true;
}

QString ConvertJetFileBeside(const QString& jetPath) {
    const QFileInfo info(jetPath);
    const QString folder = info.absolutePath();
    const QString target = OldFormatConversion::UniquePath(folder, info.completeBaseName() + QStringLiteral("_変換"));
    // Named after the new file, not the start-up's work file: any folder can
    // hold a file of that name (the chosen file among them), and the work
    // file is emptied before it is filled.
    const QString work = folder + QStringLiteral("/.") + QFileInfo(target).fileName() + QStringLiteral(".new");
    QString failure = FillFromJetDatabase(jetPath, work);
    if (failure.isEmpty()) {
        if (const int err = platform::PlaceFileAtomically(work, target)) {
            QFile::remove(work);
            failure = CannotConvert(jetPath, FileErrorText(err));
        }
    }
    if (!failure.isEmpty()) {
        platform::MsgBox(failure, 16, kFailedCaption);
        return {};
    }
    platform::MsgBox(QStringLiteral("選択されたファイルは Windows 版のデータベース（Access 形式）のため、") +
                         QStringLiteral("本システムの形式に変換した新しいファイルを作成して開きます。") + kCrLf2 +
                         QStringLiteral("選択されたファイル（変更していません）：") + kCrLf + jetPath + kCrLf2 +
                         QStringLiteral("変換したファイル：") + kCrLf + target,
                     64, kDoneCaption);
    return target;
}

}  // namespace mox
