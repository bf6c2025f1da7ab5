#include "records/exam_store.h"

#include "core/connections.h"
#include "core/text_format.h"
#include "records/exam_dates.h"
#include "records/exam_item.h"
#include "records/new_exam_row.h"
#include "records/patient_record.h"
#include "records/staff_record.h"

#include <set>
#include <utility>

namespace mox {

namespace {

const QString kRowsOfDay =
    QStringLiteral("SELECT * FROM TExamData WHERE PatientID=? AND ExamDate>=? AND ExamDate<? ORDER BY ExamDate, ID");

// The first row the query returns into `record`, or a cleared record.
template <typename Record>
void ReadOneOrClear(Record& record, const QString& sql, const std::vector<db::Value>& params) {
    auto rs = MainDbConn()->OpenRecordset(sql, params);
    if (rs->IsEOF())
        record.ClearBuffer();
    else
        record.RecSetGet(*rs);
    rs->Close();
}

// ReadOneOrClear of the row with the identifier, false when the database
// cannot be opened.
template <typename Record>
bool ReadOneOrClearIfOpen(Record& record, const QString& sql, int32_t id) {
    MainDbUse use;
    if (!use) return false;
    ReadOneOrClear(record, sql, {id});
    return true;
}

}  // namespace

void DeleteExamOn(db::Connection& conn, int32_t patientId, const QDate& day) {
    conn.Execute(QStringLiteral("DELETE FROM TExamData WHERE PatientID=? AND ExamDate>=? AND ExamDate<?"),
                 PatientDayValues(patientId, day));
}

std::vector<StageRow> ReadStages() {
    std::vector<StageRow> stages;
    MainDbUse use;
    if (!use) return stages;
    auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TComType ORDER BY ID"));
    for (; !rs->IsEOF(); rs->MoveNext()) {
        const int64_t id = rs->Field(QStringLiteral("ID")).ToInt64();
        if (id < 0 || id >= kStageNameCount) continue;
        stages.push_back({static_cast<int32_t>(id), NullToStr(rs->Field(QStringLiteral("Comment")))});
    }
    rs->Close();
    return stages;
}

bool ReadStaffRecord(CCharge& staff, int32_t id) {
    return ReadOneOrClearIfOpen(staff, QStringLiteral("SELECT * FROM TCharge WHERE ID=?"), id);
}

bool ReadExamItems(const std::array<std::unique_ptr<CSubExam>, 4>& items) {
    MainDbUse use;
    if (!use) return false;
    for (int row = 0; row < 4; ++row)
        ReadOneOrClear(*items[row], QStringLiteral("SELECT * FROM TSubExam WHERE DisplayRow=?"), {row + 1});
    return true;
}

bool ReadPatientRecord(CPatient& patient, int32_t id) {
    return ReadOneOrClearIfOpen(patient, QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), id);
}

std::vector<StoredExam> ListStoredExams(int32_t patientId) {
    std::vector<StoredExam> exams;
    MainDbUse use;
    if (!use) return exams;
    // The index by patient, date and stage holds each row's day and stage:
    // the list is read from it alone, each day and stage handed over once,
    // so that no row is read from the table itself, where a busy clinic's
    // patient has thousands of kilobyte rows among everyone else's. A stage
    // that is not set sorts first, as SQL sorts NULL.
    std::set<std::pair<QString, std::optional<int64_t>>> dayStages;
    auto rs = MainDbConn()->OpenRecordset(
        QStringLiteral("SELECT DISTINCT substr(ExamDate, 1, 10) AS ExamDay, CommentID FROM TExamData "
                       "WHERE PatientID=? AND ExamDate IS NOT NULL"),
        {patientId});
    for (; !rs->IsEOF(); rs->MoveNext()) {
        // By position, as selected: a name lookup per field would cost more
        // than the read.
        const db::Value stage = rs->Field(1);
        dayStages.emplace(rs->Field(0).ToText(),
                          stage.IsNull() ? std::nullopt : std::optional<int64_t>(stage.ToInt64()));
    }
    rs->Close();
    for (const auto& [dayText, stage] : dayStages) {
        const QDate day = StoredExamDay(dayText);
        // A row whose date cannot be read names no examination that a
        // choice could load again.
        if (!day.isValid()) continue;
        exams.push_back({day, static_cast<int32_t>(stage.value_or(0))});
    }
    return exams;
}

void ForEachExamRow(int32_t patientId, const QDate& day, const std::function<void(const db::Recordset&)>& each) {
    MainDbUse use;
    if (!use) return;
    auto rs = MainDbConn()->OpenRecordset(kRowsOfDay, PatientDayValues(patientId, day));
    for (; !rs->IsEOF(); rs->MoveNext()) each(*rs);
    rs->Close();
}

bool ExamExistsOn(int32_t patientId, const QDate& day) {
    MainDbUse use;
    if (!use) return false;
    return !MainDbConn()
                ->Scalar(QStringLiteral("SELECT ID FROM TExamData WHERE PatientID=? AND ExamDate>=? AND ExamDate<? "
                                        "LIMIT 1"),
                         PatientDayValues(patientId, day))
                .IsNull();
}

void SavePatientRow(int32_t patientId, const QString& kalteNumber, const QString& appName, const QDateTime& now) {
    MainDbUse use;
    if (!use) throw db::DbError(db::kErrClosed, QStringLiteral("データベースに接続できませんでした。"));
    const db::ConnectionPtr conn = MainDbConn();
    const long changed =
        conn->Execute(QStringLiteral("UPDATE TPatient SET KalteNumber=?, AppName=?, \"UpDate\"=? WHERE ID=?"),
                      {kalteNumber, appName, now, patientId});
    if (changed > 0) return;
    CPatient patient;
    patient.ClearBuffer();
    patient.ID = patientId;
    patient.KalteNumber = kalteNumber;
    patient.AppName = appName;
    patient.UpDate = now;
    auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), {patientId});
    rs->AddNew();
    patient.RecSetPut(*rs);
    rs->Update();
    rs->Close();
}

std::optional<QDate> LatestExamDateOfStage(int32_t patientId, int32_t stageId) {
    MainDbUse use;
    if (!use) return std::nullopt;
    const db::Value latest = MainDbConn()->Scalar(
        QStringLiteral("SELECT MAX(ExamDate) FROM TExamData WHERE PatientID=? AND CommentID=?"), {patientId, stageId});
    if (latest.IsNull()) return std::nullopt;
    const QDate day = latest.ToDate();
    if (!day.isValid()) return std::nullopt;
    return day;
}

bool DeleteExamination(int32_t patientId, const QDate& day) {
    MainDbUse use;
    if (!use) return false;
    const db::ConnectionPtr conn = MainDbConn();
    db::Transaction transaction(*conn);
    DeleteExamOn(*conn, patientId, day);
    transaction.Commit();
    return true;
}

bool DeletePatient(int32_t patientId) {
    MainDbUse use;
    if (!use) return false;
    const db::ConnectionPtr conn = MainDbConn();
    db::Transaction transaction(*conn);
    conn->Execute(QStringLiteral("DELETE FROM TExamData WHERE PatientID=?"), {patientId});
    conn->Execute(QStringLiteral("DELETE FROM TPatient WHERE ID=?"), {patientId});
    transaction.Commit();
    return true;
}

bool WriteExamination(const ExamWrite& write) {
    MainDbUse use;
    if (!use) return false;
    const db::ConnectionPtr conn = MainDbConn();
    db::Transaction transaction(*conn);

    // The rows that give way go first: the stage then moves only on rows
    // that stay, and a save of the examination shown does not rewrite the
    // rows it is about to delete.
    if (write.replacedDate) DeleteExamOn(*conn, write.patientId, *write.replacedDate);
    if (write.overwrittenDate) DeleteExamOn(*conn, write.patientId, *write.overwrittenDate);
    conn->Execute(QStringLiteral("UPDATE TExamData SET CommentID=?, Comment=? WHERE PatientID=? AND CommentID=?"),
                  {0, QStringLiteral(""), write.patientId, write.stageId});

    auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=?"), {-1});
    const QDateTime examDate(write.newDate, QTime(0, 0));
    for (const ExamWrite::Row& r : write.rows) {
        AddExamRow(*rs, [&](db::Recordset& row, int32_t id) {
            CExamData record = *r.record;
            record.ID = id;
            record.PatientID = write.patientId;
            record.ExamDate = examDate;
            record.Row = r.row;
            record.Examination = 2;
            record.SubExam = r.subExam;
            record.ChargeID = write.chargeId;
            record.CommentID = static_cast<int16_t>(write.stageId);
            record.Comment = write.stageName;
            record.RecSetPut(row);
        });
    }
    rs->Close();
    transaction.Commit();
    return true;
}

}  // namespace mox
