#include "records/old_format.h"

#include "core/backup_folder.h"
#include "core/connections.h"
#include "core/database_replacement.h"
#include "core/exam_stages.h"
#include "core/files.h"
#include "core/program_log.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/db/sqlite_file.h"
#include "platform/message_box.h"
#include "platform/staging_name.h"
#include "records/exam_record.h"
#include "records/new_exam_row.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <limits>
#include <stdexcept>

namespace mox {

namespace {

constexpr int kLastUserCase = 30;

const QString kCrLf = QStringLiteral("\r\n");

void Step(const ConversionStepHook& hook, ConversionStep step) {
    if (hook) hook(step);
}

QString FormatOldBirthDay(const db::Value& v, const QDateTime& now) {
    if (v.IsNull()) return now.toString(QStringLiteral("yyyy/MM/dd"));
    const QDateTime dt = v.ToDateTime();
    return dt.isValid() ? dt.toString(QStringLiteral("yyyy/MM/dd")) : v.ToText();
}

// The old yes/no column: True (stored as 1, or -1 as Access keeps it) is male.
int ConvertOldSex(const db::Value& v) {
    if (v.IsNull()) return 0;
    const int64_t n = v.ToInt64();
    return n == 1 || n == -1 ? 1 : 0;
}

void CopyPatients(db::Connection& oldConn, db::Connection& mainConn, const db::Value& now) {
    auto old = oldConn.OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID<=?"), {kLastUserCase});
    if (old->IsEOF()) return;
    auto rs = mainConn.OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE 0=1"));
    const QDateTime today = platform::CurrentClock().Now();
    for (; !old->IsEOF(); old->MoveNext()) {
        rs->AddNew();
        for (const char* column : {"ID", "KalteNumber", "Ruby", "Name"})
            rs->SetField(QString::fromLatin1(column), old->Field(QString::fromLatin1(column)));
        rs->SetField(QStringLiteral("BirthDay"), FormatOldBirthDay(old->Field(QStringLiteral("BirthDay")), today));
        rs->SetField(QStringLiteral("Sex"), ConvertOldSex(old->Field(QStringLiteral("Sex"))));
        for (const char* column :
             {"TEL", "Post", "Address1", "Address2", "NextExamDate", "LastExamDate", "Lock", "AppName"})
            rs->SetField(QString::fromLatin1(column), old->Field(QString::fromLatin1(column)));
        rs->SetField(QStringLiteral("UpDate"), now);
        rs->Update();
    }
}

// An old row without an occasion number cannot be given its name: the whole
// copy fails rather than guess one, and the old file stays in place.
int32_t OldCommentId(const db::Recordset& old) {
    const int64_t id = old.Field(QStringLiteral("CommentID")).AsInt64();
    if (id < std::numeric_limits<int32_t>::min() || id > std::numeric_limits<int32_t>::max())
        throw db::DbError(db::kErrOverflow, QStringLiteral("オーバーフローしました。"));
    return static_cast<int32_t>(id);
}

void CopyExams(db::Connection& oldConn, db::Connection& mainConn, const db::Value& now) {
    auto old = oldConn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE PatientID<=?"), {kLastUserCase});
    if (old->IsEOF()) return;
    auto rs = mainConn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE 0=1"));
    for (; !old->IsEOF(); old->MoveNext()) {
        AddExamRow(*rs, [&](db::Recordset& row, int32_t) {
            // A case keeps its number.
            row.SetField(QStringLiteral("PatientID"), old->Field(QStringLiteral("PatientID")));
            for (const char* column : kCopiedExamColumns)
                row.SetField(QString::fromLatin1(column), old->Field(QString::fromLatin1(column)));
            row.SetField(QStringLiteral("Comment"), OldFormatConversion::GetStageName(OldCommentId(*old)));
            row.SetField(QStringLiteral("UpDate"), now);
        });
    }
}

// The conversion stopped: a file step's failure is told, any other cause is
// in the log.
void ShowFailure(const Failure& failure, FailureStep stage = FailureStep::None) {
    platform::MsgBox(FailureText(failure.As(Doing::ConvertOldFormat, stage)), 16, QStringLiteral("変換エラー"));
}

// What the rule that reads the patient table's format found.
Failure FormatUnknown(FailureKind kind, long number, const QString& said) {
    Failure f;
    f.kind = kind;
    f.number = number;
    f.said = said;
    return f;
}

}  // namespace

QString OldFormatConversion::GetStageName(int32_t commentId) { return StandardStageName(commentId); }

QString OldFormatConversion::UniqueKeptPath(const QString& folder, const QDateTime& now) {
    return UniqueDatedPath(folder, QStringLiteral("VXMOX2"), now, QStringLiteral(".mdb"));
}

QString OldFormatConversion::EarlierKeptCopy(const QString& folder, const QString& mainPath) {
    static const QRegularExpression kept(QStringLiteral(R"(^VXMOX2_\d{8}_\d{4}(_\d+)?\.mdb$)"));
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files, QDir::Time))
        if (!entry.isSymLink() && kept.match(entry.fileName()).hasMatch())
            return SameFileContent(mainPath, entry.absoluteFilePath()) ? entry.absoluteFilePath() : QString();
    return {};
}

int16_t OldFormatConversion::IsOldFormatTable() {
    const Settings& g = G();
    if (!CheckFile(g.MainDb().Path())) return kNoMainDatabase;
    if (!OpenMainDb()) return kFormatUnreadable;
    int16_t result = kFormatUnreadable;
    Failure unread;
    try {
        const db::ConnectionPtr connPtr = MainDbConn();
        db::Connection& conn = *connPtr;
        switch (PatientFormatOf(conn.ColumnNames(QStringLiteral("TPatient")),
                                conn.ColumnTypes(QStringLiteral("TPatient")))) {
            case PatientTableFormat::ColumnMissing:
                unread = FormatUnknown(
                    FailureKind::Foreign, db::kErrItemNotFound,
                    QStringLiteral("患者テーブル(TPatient)に生年月日(BirthDay)または性別(Sex)の列がありません。"));
                break;
            case PatientTableFormat::TypeUnknown:
                unread = FormatUnknown(FailureKind::Other, db::kErrTypeMismatch,
                                       QStringLiteral("患者テーブル(TPatient)の列の型を判別できません。"));
                break;
            case PatientTableFormat::Current:
                result = kFormatCurrent;
                break;
            case PatientTableFormat::EarlierRelease:
                result = kFormatOld;
                break;
        }
    } catch (const db::DbError& e) {
        unread = e.GetFailure();
    }
    ReleaseMainDb();
    if (result == kFormatUnreadable) {
        const Failure shown = unread.As(Doing::CheckOldFormat);
        LogFailure(shown);
        platform::MsgBox(FailureText(shown), 48, QStringLiteral("形式確認エラー"));
    }
    return result;
}

int16_t OldFormatConversion::ConvertOldDatabase(const QString& oldPath, const QString& newPath) {
    G().OldDbSource = db::DataSourcePart(oldPath);
    if (!HoldOldDb()) return -1;
    try {
        // The rows and the identifiers the allocator draws for them come
        // from the same new file.
        const HeldMainDbOn held(newPath);
        const db::ConnectionPtr oldConnPtr = OldDbConn();
        db::Connection& oldConn = *oldConnPtr;
        const db::ConnectionPtr mainConnPtr = MainDbConn();
        db::Connection& mainConn = *mainConnPtr;
        const db::Value now(platform::CurrentClock().Now());
        db::Transaction transaction(mainConn);
        Step(step_, ConversionStep::CopyPatients);
        CopyPatients(oldConn, mainConn, now);
        Step(step_, ConversionStep::CopyExams);
        CopyExams(oldConn, mainConn, now);
        Step(step_, ConversionStep::Commit);
        transaction.Commit();
    } catch (const std::exception& e) {
        // The user is told the conversion failed; the cause is for the log.
        LogFailure(QStringLiteral("旧形式のデータベースの変換 %1").arg(oldPath), QString::fromLocal8Bit(e.what()));
        return -1;
    }
    CloseOldDb();
    return 0;
}

bool OldFormatConversion::CheckTable() {
    Settings& g = G();
    if (IsOldFormatTable() != kFormatOld) return false;

    MainDbPath = g.MainDb().Path();
    KeptDbPath = EarlierKeptCopy(g.AppPath(), MainDbPath);
    TemplateDbPath = mox::TemplateDbPath();
    const QString workPath = platform::StagedFilePath(MainDbPath);

    // The kept copy is what stands between the user and a lost database:
    // the conversion goes on only when it is there whole.
    if (KeptDbPath.isEmpty()) {
        KeptDbPath = UniqueKeptPath(g.AppPath(), platform::CurrentClock().Now());
        if (Failure f = KeepDatabaseFile(MainDbPath, KeptDbPath, KeepBy::Copy)) {
            f.file = MainDbPath;
            ShowFailure(f, FailureStep::KeepOriginal);
            return false;
        }
    }

    int16_t result = -1;
    Failure fileError;
    try {
        if (!(fileError = MakeFromTemplate(workPath))) {
            result = ConvertOldDatabase(KeptDbPath, workPath);
            CloseOldDb();
            if (result == 0) {
                if (const Failure check = db::CheckIntactDatabaseFile(workPath, {})) {
                    LogFailure(QStringLiteral("旧形式のデータベースの変換 %1").arg(workPath), check.detail);
                    result = -1;
                }
            }
            if (result == 0 && (fileError = PutInPlace(workPath, MainDbPath))) result = -1;
        }
    } catch (const std::exception& e) {
        LogFailure(QStringLiteral("旧形式のデータベースの変換 %1").arg(workPath), QString::fromLocal8Bit(e.what()));
        result = -1;
    }

    if (result == 0) {
        platform::MsgBox(QStringLiteral("旧形式のデータベースを最新形式に変換しました。"), 64,
                         QStringLiteral("変換完了"));
        return false;
    }
    CloseMainDb();
    CloseOldDb();
    platform::Wait(1000);
    // The main file was never replaced: it still is the old database.
    RemoveWorkFile(workPath);
    // A cause other than a file step's is in the log.
    if (!fileError) fileError.kind = FailureKind::Other;
    ShowFailure(fileError);
    return false;
}

}  // namespace mox
