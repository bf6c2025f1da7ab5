#include "records/jet_conversion.h"
#include "core/program_log.h"

#include "core/database_replacement.h"
#include "core/files.h"
#include "core/image_table.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "core/version.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/db/file_kind.h"
#include "platform/db/jet_reader.h"
#include "platform/db/sql_text.h"
#include "platform/db/sqlite_file.h"
#include "platform/owner_only.h"
#include "platform/regular_file.h"
#include "platform/staging_name.h"
#include "records/old_format.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <unordered_set>

namespace mox {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// Tables every database of this system has; the version row is read first,
// so that a version the start-up refuses is refused before anything else.
// The first two are this system's alone: a file with neither is another
// program's, a file with one of them and not every other lost a table to
// damage (a name or an entry of its catalogue).
const QStringList kNeededTables = {QStringLiteral("TVersion"), QStringLiteral("TNextAutoNumber"),
                                   QStringLiteral("TPatient"), QStringLiteral("TExamData")};
constexpr int kOwnTables = 2;
// The key of every table of this system.
const QString kKeyColumn = QStringLiteral("ID");
constexpr qint64 kProgressEvery = 1000;

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

void RemoveFile(const QString& path) { ::unlink(QFile::encodeName(path).constData()); }

// What the sink finds the file to be, refused inside the transaction it
// fills: thrown, it unwinds the transaction and stops the reader.
db::DbError Refusal(FailureKind kind, const QString& table, const QString& column, const QString& detail) {
    Failure f;
    f.doing = Doing::ConvertJet;
    f.kind = kind;
    f.table = table;
    f.column = column;
    f.detail = detail;
    return db::DbError(f);
}

JetConversion Refused(const QString& source, Failure why) {
    JetConversion c;
    c.outcome = JetConversion::Outcome::Refused;
    c.source = source;
    why.file = source;
    c.failure = why.doing == Doing::ConvertJet ? why : why.As(Doing::ConvertJet);
    return c;
}

// A file that could not be written in `folder`, its cause as far as the
// folder tells.
JetConversion WriteRefusal(const QString& source, const QString& folder, FailureKind kind, const QString& detail,
                           FailureStep step = FailureStep::Write) {
    Failure f;
    f.doing = Doing::ConvertJet;
    f.step = step;
    f.kind = kind;
    f.place = QDir::toNativeSeparators(folder);
    f.detail = detail;
    return Refused(source, f);
}

JetConversion WriteRefusal(const QString& source, const QString& folder, int err, const QString& detail,
                           FailureStep step = FailureStep::Write) {
    return WriteRefusal(source, folder, KindOfWriteIn(folder, err), detail, step);
}

// Whether the template's table can take the Jet table's values column by
// column: the same kind of value wherever both have the column. A table of
// an earlier release (a birthday as a date) keeps its own column types, so
// that the old-format check still knows it for what it is.
bool SameKinds(db::Connection& conn, const db::JetTable& table) {
    const QStringList existing = conn.ColumnNames(table.name);
    const QStringList existingTypes = conn.ColumnTypes(table.name);
    for (const db::JetColumn& c : table.columns)
        for (qsizetype at = 0; at < existing.size(); ++at)
            if (existing[at].compare(c.name, Qt::CaseInsensitive) == 0 &&
                AdoTypeOfDeclared(existingTypes.value(at)) != AdoTypeOfDeclared(c.type))
                return false;
    return true;
}

bool IsBinary(const QString& type) { return type == QLatin1String("LONGBINARY") || type == QLatin1String("BINARY"); }

// Puts each table of the Jet file into the work file as it arrives: a table
// of the template takes the Jet file's rows in place of its own, and a
// column the template lacks is added; a table the template lacks (a table
// of the clinic's own) or cannot take is made as the Jet file has it. Every
// column is declared in a type that keeps its values. Binary columns cannot
// be carried, so a file with one is refused rather than converted without it.
class ConversionSink final : public db::JetSink {
public:
    ConversionSink(db::Connection& conn, const QString& source, const JetProgressReport& progress,
                   const ConversionStepHook& step)
        : conn_(conn), progress_(progress), step_(step) {
        state_.file = source;
    }

    void Catalogue(const std::vector<db::JetTable>& tables) override {
        const auto has = [&](const QString& name) {
            return std::any_of(tables.begin(), tables.end(),
                               [&](const db::JetTable& t) { return t.name.compare(name, Qt::CaseInsensitive) == 0; });
        };
        const bool ours = std::any_of(kNeededTables.begin(), kNeededTables.begin() + kOwnTables, has);
        for (const QString& needed : kNeededTables)
            if (!has(needed))
                throw Refusal(ours ? FailureKind::Damaged : FailureKind::Foreign, needed, {},
                              QStringLiteral("the catalogue names no table %1").arg(needed));
        // This system's tables are the template's and the image table.
        auto own = conn_.OpenRecordset(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"));
        for (; !own->IsEOF(); own->MoveNext()) systemTables_.insert(own->Field(0).ToText().toLower());
        systemTables_.insert(kImageTable.toLower());
        for (const db::JetTable& t : tables) {
            for (const db::JetColumn& c : t.columns)
                if (IsBinary(c.type)) throw Refusal(FailureKind::BinaryColumn, t.name, c.name, {});
            state_.total += t.rows;
        }
        transaction_.emplace(conn_);
        if (step_) step_(ConversionStep::CopyTables);
        // TImage is the program's own table, not the template's: its rows go
        // into the table as the program makes it, with the key on ID and the
        // defaults that a contact row added later takes.
        for (const db::JetTable& t : tables)
            if (t.name.compare(kImageTable, Qt::CaseInsensitive) == 0 && !conn_.TableExists(kImageTable))
                conn_.Execute(ImageTableDdl(kImageTable));
        Report();
    }

    void BeginTable(const db::JetTable& table) override {
        if (conn_.TableExists(table.name) && !SameKinds(conn_, table))
            conn_.Execute(QStringLiteral("DROP TABLE ") + db::QuoteIdentifier(table.name));
        if (conn_.TableExists(table.name)) {
            const QStringList existing = conn_.ColumnNames(table.name);
            conn_.Execute(QStringLiteral("DELETE FROM ") + db::QuoteIdentifier(table.name));
            for (const db::JetColumn& c : table.columns)
                if (!existing.contains(c.name, Qt::CaseInsensitive))
                    conn_.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                      .arg(db::QuoteIdentifier(table.name), db::QuoteIdentifier(c.name),
                                           db::StorageTypeOfJetType(c.type)));
        } else {
            QStringList definitions;
            for (const db::JetColumn& c : table.columns)
                definitions << db::QuoteIdentifier(c.name) + QLatin1Char(' ') + db::StorageTypeOfJetType(c.type);
            conn_.Execute(QStringLiteral("CREATE TABLE %1 (%2)")
                              .arg(db::QuoteIdentifier(table.name), definitions.join(QStringLiteral(", "))));
        }
        QStringList columns, marks;
        for (const db::JetColumn& c : table.columns) {
            columns << db::QuoteIdentifier(c.name);
            marks << QStringLiteral("?");
        }
        insert_ = conn_.Prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                .arg(db::QuoteIdentifier(table.name), columns.join(QLatin1Char(',')), marks.join(QLatin1Char(','))));
        versionTable_ = table.name.compare(QStringLiteral("TVersion"), Qt::CaseInsensitive) == 0;
        table_ = table.name;
        key_ = -1;
        keys_.clear();
        if (systemTables_.contains(table.name.toLower())) {
            for (size_t at = 0; at < table.columns.size(); ++at)
                if (table.columns[at].name.compare(kKeyColumn, Qt::CaseInsensitive) == 0) key_ = static_cast<int>(at);
            if (key_ < 0) throw Refusal(FailureKind::Damaged, table.name, {}, table.name + QStringLiteral(": no ID"));
        }
    }

    void Row(const std::vector<db::Value>& values) override {
        // A row read with another row's bytes shows in the key first.
        if (key_ >= 0) {
            const db::Value& id = values[static_cast<size_t>(key_)];
            if (!id.IsInteger())
                throw Refusal(FailureKind::Damaged, table_, {}, table_ + QStringLiteral(": a row without its ID"));
            if (!keys_.insert(id.ToInt64()).second)
                throw Refusal(FailureKind::Damaged, table_, {},
                              table_ + QStringLiteral(": the ID %1 twice").arg(id.ToInt64()));
        }
        insert_->Run(values);
        if (++state_.done % kProgressEvery == 0) Report();
    }

    void EndTable() override {
        insert_.reset();
        if (versionTable_) {
            // The start-up's own rule, on the rows just copied.
            bool accepted = false;
            try {
                accepted = HasAcceptedDbVersion(conn_);
            } catch (const db::DbError& e) {
                throw Refusal(FailureKind::OldVersion, {}, {}, FailureLogText(e.GetFailure()));
            }
            if (!accepted) throw Refusal(FailureKind::OldVersion, {}, {}, {});
        }
        Report();
    }

    void Commit() {
        if (step_) step_(ConversionStep::Commit);
        transaction_->Commit();
    }

private:
    void Report() {
        if (progress_) progress_(state_);
    }

    db::Connection& conn_;
    const JetProgressReport& progress_;
    const ConversionStepHook& step_;
    JetProgress state_;
    std::optional<db::Transaction> transaction_;
    std::unique_ptr<db::PreparedStatement> insert_;
    bool versionTable_ = false;
    QSet<QString> systemTables_;
    QString table_;
    int key_ = -1;
    std::unordered_set<qint64> keys_;
};

void Fill(const QString& jetPath, const QString& work, const QString& source, const JetProgressReport& progress,
          const db::JetReadOptions& reading, const ConversionStepHook& step) {
    const db::ConnectionPtr conn = db::Connection::Open(db::DataSourcePart(work));
    {
        ConversionSink sink(*conn, source, progress, step);
        const QString notes = db::ReadJetFile(jetPath, sink, kNeededTables, reading);
        if (!notes.isEmpty()) WriteLog(db::JetNotesLine(source, notes), 1);
        sink.Commit();
    }
    conn->Close();
}

// The conversion's note in the database folder: written before the
// converted file takes the main file's place, gone once the user was told.
QString NotePath(const QString& folder) { return folder + QStringLiteral("/VXCV.txt"); }

Failure WriteNote(const QString& folder, const QString& kept) {
    const QByteArray text = QFileInfo(kept).fileName().toUtf8() + "\r\n";
    return platform::WriteFileAtomically(NotePath(folder),
                                         [&text](platform::FileSink& sink) { return sink.Write(text); });
}

QString ReadNote(const QString& folder) {
    const Expected<int> opened = platform::OpenRegularFile(NotePath(folder));
    if (!opened) return {};
    const int fd = *opened;
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    const QString name = QString::fromUtf8(file.read(4096)).trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
    return folder + QLatin1Char('/') + name;
}

// The file the user chose (at start-up the main database, not the copy the
// conversion read), the cause as the user was told it, and what the engine
// or the file system said.
void Log(const JetConversion& c) {
    if (!c.Refused()) return;
    QString cause = FailureCause(c.failure);
    if (!c.failure.detail.isEmpty()) cause += QStringLiteral(" ") + c.failure.detail;
    LogFailure(QStringLiteral("Access 形式のデータベースの変換 %1").arg(c.source), cause);
}

// The conversion of the file at jetPath, which the user knows as shownAs
// (at start-up the conversion reads the main database's kept copy).
JetConversion FillNamed(const QString& jetPath, const QString& shownAs, const QString& work,
                        const JetProgressReport& progress, const db::JetReadOptions& reading,
                        const ConversionStepHook& step) {
    const QString folder = FolderOf(work);
    // The work file is emptied first: never when it is the Jet file itself.
    if (IsSameFile(jetPath, work)) {
        JetConversion c =
            WriteRefusal(shownAs, folder, FailureKind::Other, QStringLiteral("the work file is the Jet file"));
        Log(c);
        return c;
    }
    JetConversion c;
    if (Failure f = MakeFromTemplate(work)) {
        if (f.step == FailureStep::ReadTemplate) {
            f.place = QDir::toNativeSeparators(f.place);
            f.detail = ErrnoWords(f.code);
            c = Refused(shownAs, f);
        } else {
            c = WriteRefusal(shownAs, folder, f.code, FailureText(f));
        }
    } else {
        try {
            Fill(jetPath, work, shownAs, progress, reading, step);
            const Failure check =
                db::CheckIntactDatabaseFile(work, {QStringLiteral("TPatient"), QStringLiteral("TExamData")});
            if (!check) {
                c.outcome = JetConversion::Outcome::Converted;
                c.source = shownAs;
                c.converted = work;
                return c;
            }
            c = WriteRefusal(shownAs, folder, 0,
                             QStringLiteral("the converted file failed its check: ") + check.detail);
        } catch (const db::DbError& e) {
            // The sink's refusal, or the reader's, of the file; else a write
            // of the new file that failed, said while the work file is still
            // there, taking the space.
            const Failure& f = e.GetFailure();
            c = f.doing == Doing::ConvertJet || f.doing == Doing::ReadJet
                    ? Refused(shownAs, f)
                    : WriteRefusal(shownAs, folder, 0, FailureLogText(f));
        } catch (const std::exception& e) {
            c = WriteRefusal(shownAs, folder, 0, FromException(e).detail);
        }
    }
    RemoveWorkFile(work);
    Log(c);
    return c;
}

}  // namespace

JetConversion FillFromJetDatabase(const QString& jetPath, const QString& work, const JetProgressReport& progress,
                                  const db::JetReadOptions& reading) {
    return FillNamed(jetPath, jetPath, work, progress, reading, {});
}

JetConversion ConvertJetMainDatabase(const JetProgressReport& progress, const ConversionStepHook& step) {
    const Settings& g = G();
    const QString mainPath = g.MainDb().Path();
    const QString work = platform::StagedFilePath(mainPath);

    if (db::FileKindAt(mainPath) != db::FileKind::Jet) {
        JetConversion c;
        // A run killed after its converted file took the main file's place
        // and before it could say so: this start says it.
        const QString kept = ReadNote(g.AppPath());
        if (!kept.isEmpty() && QFileInfo::exists(mainPath) && QFileInfo::exists(kept)) {
            c.outcome = JetConversion::Outcome::Converted;
            c.source = c.converted = mainPath;
            c.kept = kept;
            c.toldLate = true;
            if (const Failure f = platform::RemoveOthersAccess(mainPath))
                c.warning = QStringLiteral("変換したファイルを他のユーザーが読み取れない設定にできませんでした。") +
                            kCrLf + FailureText(f);
        } else {
            ForgetJetConversionNote();
        }
        return c;
    }

    // The original is what stands between the clinic and its records: the
    // conversion goes on only when its kept copy is there whole. A start
    // that was stopped before the end kept it already.
    QString kept = OldFormatConversion::EarlierKeptCopy(g.AppPath(), mainPath);
    const bool keptBefore = !kept.isEmpty();
    if (!keptBefore) {
        kept = OldFormatConversion::UniqueKeptPath(g.AppPath(), platform::CurrentClock().Now());
        if (const Failure f = KeepDatabaseFile(mainPath, kept, KeepBy::Copy)) {
            JetConversion c = WriteRefusal(mainPath, g.AppPath(), f.code, FailureText(f), FailureStep::KeepOriginal);
            Log(c);
            return c;
        }
    }

    JetConversion c = FillNamed(kept, mainPath, work, progress, {}, step);
    // A refusal leaves the folder as it was.
    const auto refuse = [&](JetConversion r, bool logged = false) {
        RemoveWorkFile(work);
        ForgetJetConversionNote();
        if (!keptBefore) RemoveFile(kept);
        if (!logged) Log(r);
        return r;
    };
    if (c.Refused()) return refuse(c, true);
    if (const Failure f = WriteNote(g.AppPath(), kept))
        return refuse(WriteRefusal(mainPath, g.AppPath(), f.code, QStringLiteral("the conversion's note")));
    if (const Failure f = PutInPlace(work, mainPath))
        return refuse(WriteRefusal(mainPath, g.AppPath(), f.code, FailureText(f)));
    c.converted = mainPath;
    c.kept = kept;
    return c;
}

void ForgetJetConversionNote() { RemoveFile(NotePath(G().AppPath())); }

JetConversion ConvertJetFileBeside(const QString& jetPath, const JetProgressReport& progress) {
    const QFileInfo info(jetPath);
    const QString folder = info.absolutePath();
    // Work files a killed run of this installation left here.
    RemoveStaleStagingFiles(folder);
    const QString stem = folder + QStringLiteral("/") + info.completeBaseName() + QStringLiteral("_変換");
    QString target = UniquePath(stem, QStringLiteral(".mdb"));
    const QString work = platform::StagedFilePath(target);
    JetConversion c = FillFromJetDatabase(jetPath, work, progress);
    if (c.Refused()) return c;
    // A new file: nothing of the folder's is replaced, a file given the
    // chosen name while the conversion ran included.
    // A journal or log another program left under the new name would be
    // rolled into the new file at its first open: it is set aside first.
    Failure placed;
    while (!(placed = db::MakeWayForDatabase(target)) &&
           (placed = platform::PlaceNewFileAtomically(work, target)).code == EEXIST)
        target = UniquePath(stem, QStringLiteral(".mdb"));
    if (const int err = placed.code) {
        RemoveWorkFile(work);
        JetConversion r = WriteRefusal(jetPath, folder, err, FailureText(placed));
        Log(r);
        return r;
    }
    c.converted = target;
    return c;
}

}  // namespace mox
