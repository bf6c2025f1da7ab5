#include "tools/sibling_import.h"

#include "core/connections.h"
#include "core/exam_lookups.h"
#include "core/image_table.h"
#include "core/program_log.h"
#include "core/sibling_db.h"
#include "platform/clock.h"
#include "records/exam_dates.h"
#include "records/exam_store.h"
#include "records/exam_vocabulary.h"
#include "records/new_exam_row.h"
#include "records/patient_record.h"
#include "records/shared_records.h"
#include "tools/era_date.h"
#include "upgrade/upgrade.h"

#include <QStringList>
#include <array>
#include <map>

namespace mox {

namespace {

const QString kCrLf2 = QStringLiteral("\r\n\r\n");

struct Layout {
    const char* table;
    QStringList columns;
};

const std::vector<Layout>& SiblingLayout() {
    static const std::vector<Layout> layout = {
        {"TPatient", {"ID", "KalteNumber", "Ruby", "Name", "BirthDay", "Sex"}},
        {"TExamData",
         {"PatientID", "ExamDate", "Row", "Examination", "SubExam", "Data1", "Data2", "Data3", "Data4", "Bui",
          "PocketFree", "StartTime", "EndTime", "IsPrinted"}},
        {"TExamStatus", {"PatientID", "ExamDate", "TreatMGID"}},
    };
    return layout;
}

// The columns the import reads of a sibling table, for its SELECT.
QString ColumnsOf(const char* table) {
    for (const Layout& l : SiblingLayout())
        if (qstrcmp(l.table, table) == 0) return l.columns.join(QStringLiteral(", "));
    return QStringLiteral("*");
}

// A table or column the import reads that the sibling's database lacks.
Failure Missing(const QString& table, const QString& column = {}) {
    Failure f;
    f.doing = Doing::CheckSibling;
    f.kind = FailureKind::Foreign;
    f.table = table;
    f.column = column;
    return f;
}

Failure LayoutProblemOn(db::Connection& conn) {
    for (const Layout& l : SiblingLayout()) {
        const QString table = QString::fromLatin1(l.table);
        if (!conn.TableExists(table)) return Missing(table);
        const QStringList present = conn.ColumnNames(table);
        for (const QString& c : l.columns)
            if (!present.contains(c, Qt::CaseInsensitive)) return Missing(table, c);
    }
    return {};
}

// A column value that can be taken as the type the target needs; a Null or
// a value that does not convert cannot, and leaves the target as it was.
std::optional<QString> Text(const db::Value& v) {
    if (v.IsNull()) return std::nullopt;
    return v.ToText();
}
std::optional<int64_t> Number(const db::Value& v) {
    try {
        return v.AsInt64();
    } catch (const db::DbError&) {
        return std::nullopt;
    }
}
std::optional<QDateTime> DateTime(const db::Value& v) {
    const QDateTime dt = v.ToDateTime();
    return dt.isValid() ? std::optional<QDateTime>(dt) : std::nullopt;
}

using SourceRow = std::map<QString, db::Value>;

SourceRow ReadRow(const db::Recordset& rs) {
    SourceRow row;
    for (const QString& name : rs.FieldNames()) row[name] = rs.Field(name);
    return row;
}

db::Value Column(const SourceRow& row, const char* name) {
    for (const auto& [key, value] : row)
        if (key.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return value;
    return {};
}

// The input screen's display row of an examination item.
int32_t DisplayRowOf(int64_t item) {
    switch (item) {
        case kPocketDepthItem:
            return 0;
        case kMobilityItem:
            return 1;
        case kFurcationItem:
            return 2;
        default:
            return 3;
    }
}

// The writes of one import, numbered for its hook.
struct StepCount {
    const ImportStepHook& hook;
    int taken = 0;
};

void Step(StepCount& step) {
    ++step.taken;
    if (step.hook) step.hook(step.taken);
}

void SaveClinicName(db::Connection& conn, StepCount& step) {
    const QString name = ClinicName(conn);
    if (name.isEmpty()) return;
    Step(step);
    conn.Execute(QStringLiteral("UPDATE TClinic SET Name=? WHERE ID=0"), {name});
}

// The shared patient record takes the case; an existing row gets only the
// columns the import sets, so that every other column stays exactly as it
// was (a Null date would come back from the record as the date 0).
void CopyPatientMaster(db::Connection& conn, const SourceRow& source, int32_t targetId, StepCount& step) {
    CPatient local;
    CPatient& patient = GlobalObjectsExist() && Globals().CurPatient ? *Globals().CurPatient : local;
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), {targetId});
    const bool isNew = rs->IsEOF();
    if (isNew) {
        patient.ClearBuffer();
        rs->AddNew();
    } else {
        patient.RecSetGet(*rs);
    }
    patient.ID = targetId;
    if (const auto v = Text(Column(source, "KalteNumber"))) patient.KalteNumber = *v;
    if (const auto v = Text(Column(source, "Ruby"))) patient.Ruby = *v;
    if (const auto v = Text(Column(source, "Name"))) patient.Name = *v;
    if (const auto v = DateTime(Column(source, "BirthDay")))
        patient.BirthDay = v->toString(QStringLiteral("yyyy/MM/dd"));
    if (const auto v = Number(Column(source, "Sex"))) patient.Sex = static_cast<int16_t>(*v);
    patient.UpDate = platform::CurrentClock().Now();
    if (isNew) {
        patient.RecSetPut(*rs);
    } else {
        rs->SetField(QStringLiteral("KalteNumber"), patient.KalteNumber);
        rs->SetField(QStringLiteral("Ruby"), patient.Ruby);
        rs->SetField(QStringLiteral("Name"), patient.Name);
        rs->SetField(QStringLiteral("BirthDay"), patient.BirthDay);
        rs->SetField(QStringLiteral("Sex"), patient.Sex);
        rs->SetField(QStringLiteral("UpDate"), patient.UpDate);
    }
    Step(step);
    rs->Update();
}

void CopyExamination(db::Connection& conn, const SourceExamDate& date, int32_t stage,
                     const std::vector<SourceRow>& rows, int32_t targetId, StepCount& step) {
    Step(step);
    DeleteExamOn(conn, targetId, date.day);

    const QString comment = GetComTypeComment(stage);
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE 1=0"));
    for (const SourceRow& row : rows) {
        const int64_t item = Number(Column(row, "SubExam")).value_or(0);
        if (item != kMobilityItem && item != kPocketDepthItem && item != kPlaqueItem && item != kFurcationItem)
            continue;
        const int64_t sourceRow = Number(Column(row, "Row")).value_or(0);
        if (sourceRow > kSuppurationRow) continue;
        const std::optional<QDateTime> examDate = DateTime(Column(row, "ExamDate"));

        const auto fill = [&](db::Recordset& added, int32_t) {
            added.SetField(QStringLiteral("PatientID"), targetId);
            added.SetField(QStringLiteral("ExamDate"), examDate.value_or(QDateTime(date.day, QTime(0, 0))));
            added.SetField(QStringLiteral("Row"),
                           sourceRow >= kBleedingRow ? static_cast<int32_t>(sourceRow) : DisplayRowOf(item));
            if (const auto v = Number(Column(row, "Examination"))) added.SetField(QStringLiteral("Examination"), *v);
            added.SetField(QStringLiteral("SubExam"), item);
            for (const char* name : {"Data1", "Data2", "Data3", "Data4", "Bui"})
                if (const auto v = Text(Column(row, name))) added.SetField(QLatin1String(name), *v);
            if (const auto v = Number(Column(row, "PocketFree"))) added.SetField(QStringLiteral("PocketFree"), *v);
            for (const char* name : {"StartTime", "EndTime"})
                if (const auto v = DateTime(Column(row, name))) added.SetField(QLatin1String(name), *v);
            added.SetField(QStringLiteral("ChargeID"), 1);
            if (const auto v = Number(Column(row, "IsPrinted"))) added.SetField(QStringLiteral("IsPrinted"), *v != 0);
            added.SetField(QStringLiteral("CommentID"), stage);
            added.SetField(QStringLiteral("Comment"), comment);
            added.SetField(QStringLiteral("UpDate"), platform::CurrentClock().Now());
        };
        AddExamRow(*rs, fill, {{}, {}, [&] { Step(step); }});
    }
    rs->Close();
}

// The import stopped at `stage` (Read or Write), on `day` when a date was at
// fault.
ImportOutcome Failed(const Failure& failure, FailureStep stage, const QDate& day = {}) {
    Failure f = failure.As(Doing::Import, stage);
    if (day.isValid()) f.place = ExamDateText(day);
    return {false, f};
}

Failure NoSibling(Doing doing) {
    Failure f;
    f.doing = doing;
    f.kind = FailureKind::NoConnection;
    return f;
}

}  // namespace

QString SexLabel(const db::Value& sex) {
    if (sex.IsNull()) return {};
    static constexpr std::array<const char16_t*, 3> kLabels = {u"未設定", u"男", u"女"};
    const std::optional<int64_t> n = Number(sex);
    return n && *n >= 0 && *n <= 2 ? QString::fromUtf16(kLabels[*n]) : QString();
}

QString BirthdayLabelOf(const db::Value& birthDay) { return BirthdayLabel(birthDay.ToDateTime().date()); }

Failure SiblingLayoutProblem() {
    SharedDbUse use(SharedDbCancel::EndsProgram);
    if (!use) return NoSibling(Doing::CheckSibling);
    try {
        return LayoutProblemOn(*SharedDbConn());
    } catch (const db::DbError& e) {
        return e.GetFailure().As(Doing::CheckSibling);
    }
}

std::optional<SourcePatient> FindSourcePatient(const QString& chartNumber) {
    SharedDbUse use(SharedDbCancel::EndsProgram);
    if (!use) return std::nullopt;
    try {
        auto rs = SharedDbConn()->OpenRecordset(
            QStringLiteral("SELECT ID, KalteNumber, Name, Sex, BirthDay FROM TPatient WHERE KalteNumber=?"),
            {chartNumber});
        for (; !rs->IsEOF(); rs->MoveNext()) {
            const db::Value kalte = rs->Field(QStringLiteral("KalteNumber"));
            const std::optional<int64_t> id = Number(rs->Field(QStringLiteral("ID")));
            if (kalte.IsNull() || kalte.ToText() != chartNumber || !id) continue;
            return SourcePatient{static_cast<int32_t>(*id), rs->Field(QStringLiteral("Name")),
                                 rs->Field(QStringLiteral("Sex")), rs->Field(QStringLiteral("BirthDay"))};
        }
    } catch (const db::DbError&) {
        // A sibling file the import cannot read was reported once; typing
        // goes on without a box at every key.
    }
    return std::nullopt;
}

int32_t ReadTreatMGID(int32_t patientId, const QDate& day) {
    SharedDbUse use(SharedDbCancel::EndsProgram);
    if (!use) return 0;
    const db::Value stage = SharedDbConn()->Scalar(
        QStringLiteral("SELECT TreatMGID FROM TExamStatus WHERE PatientID=? AND ExamDate>=? AND ExamDate<?"),
        PatientDayValues(patientId, day));
    return static_cast<int32_t>(Number(stage).value_or(0));
}

std::vector<SourceExamDate> ListSourceExamDates(int32_t sourceId) {
    std::vector<SourceExamDate> dates;
    SharedDbUse use(SharedDbCancel::EndsProgram);
    if (!use) return dates;
    try {
        auto rs = SharedDbConn()->OpenRecordset(
            QStringLiteral("SELECT ExamDate FROM TExamData WHERE PatientID=? GROUP BY ExamDate ORDER BY ExamDate"),
            {sourceId});
        for (; !rs->IsEOF(); rs->MoveNext()) {
            const db::Value stored = rs->Field(QStringLiteral("ExamDate"));
            const QDate day = stored.ToDateTime().date();
            if (!day.isValid() || (!dates.empty() && dates.back().day == day)) continue;
            SourceExamDate date{stored, day, ReadTreatMGID(sourceId, day), QString()};
            date.text = ExamDateText(day) + QStringLiteral("  ") + GetComTypeComment(date.stage);
            dates.push_back(std::move(date));
        }
    } catch (const db::DbError& e) {
        // The list shows no dates, as for a patient without any; why goes to the log.
        LogFailure(QStringLiteral("インポート元の検査日一覧"), FailureLogText(e.GetFailure()));
        dates.clear();
    }
    return dates;
}

bool LoadTargetPatient(int32_t caseId) {
    if (!GlobalObjectsExist() || !Globals().CurPatient) return false;
    CPatient& patient = *Globals().CurPatient;
    MainDbUse use;
    if (!use) return false;
    try {
        auto rs = MainDbConn()->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), {caseId});
        if (rs->IsEOF())
            patient.ClearBuffer();
        else
            patient.RecSetGet(*rs);
        return true;
    } catch (const db::DbError& e) {
        LogFailure(QStringLiteral("インポート先の患者データ"), FailureLogText(e.GetFailure()));
        patient.ClearBuffer();
        return false;
    }
}

std::vector<TargetExamDate> ListTargetExamDates(int32_t caseId) {
    std::vector<TargetExamDate> lines;
    try {
        for (const StoredExam& exam : ListStoredExams(caseId)) {
            const auto commentId = static_cast<int16_t>(exam.stageId);
            lines.push_back(
                {exam.date, commentId, ExamDateText(exam.date) + QStringLiteral("  ") + GetComTypeComment(commentId)});
        }
    } catch (const db::DbError& e) {
        // The list shows no dates, as the import screen always has for an
        // unreadable list; why it is empty goes to the log.
        LogFailure(QStringLiteral("インポート先の検査日一覧"), FailureLogText(e.GetFailure()));
        lines.clear();
    }
    return lines;
}

QString ClinicName(db::Connection& conn) {
    if (!conn.TableExists(kImageTable)) return {};
    return conn.Scalar(QStringLiteral("SELECT ImgPath1 FROM TImage WHERE ID=?"), {0}).ToText();
}

ImportOutcome ImportExaminations(int32_t sourceId, int32_t targetId, const std::vector<SourceExamDate>& dates,
                                 const ImportStepHook& step) {
    // Everything is read before anything is written.
    std::optional<SourceRow> patient;
    std::vector<std::pair<int32_t, std::vector<SourceRow>>> examinations;
    QDate at;
    try {
        SharedDbUse use(SharedDbCancel::EndsProgram);
        if (!use) return {false, NoSibling(Doing::Import)};
        db::Connection& sibling = *SharedDbConn();
        if (const Failure problem = LayoutProblemOn(sibling)) return {false, problem.As(Doing::Import)};
        auto rs = sibling.OpenRecordset(QStringLiteral("SELECT %1 FROM TPatient WHERE ID=?").arg(ColumnsOf("TPatient")),
                                        {sourceId});
        if (!rs->IsEOF()) patient = ReadRow(*rs);
        for (const SourceExamDate& date : dates) {
            at = date.day;
            std::vector<SourceRow> rows;
            auto exam = sibling.OpenRecordset(
                QStringLiteral("SELECT %1 FROM TExamData WHERE PatientID=? AND ExamDate>=? AND ExamDate<?")
                    .arg(ColumnsOf("TExamData")),
                PatientDayValues(sourceId, date.day));
            for (; !exam->IsEOF(); exam->MoveNext()) rows.push_back(ReadRow(*exam));
            examinations.emplace_back(ReadTreatMGID(sourceId, date.day), std::move(rows));
        }
    } catch (const db::DbError& e) {
        return Failed(e.GetFailure(), FailureStep::Read, at);
    }

    at = QDate();
    try {
        MainDbHold hold;
        if (!hold) return Failed(NoSibling(Doing::None), FailureStep::Write);
        db::Connection& conn = *MainDbConn();
        StepCount steps{step};
        {
            db::Transaction transaction(conn);
            SaveClinicName(conn, steps);
            if (patient) CopyPatientMaster(conn, *patient, targetId, steps);
            for (size_t i = 0; i < dates.size(); ++i) {
                at = dates[i].day;
                CopyExamination(conn, dates[i], examinations[i].first, examinations[i].second, targetId, steps);
            }
            at = QDate();
            transaction.Commit();
        }
        UpgradeExamData();
    } catch (const std::exception& e) {
        return Failed(db::FailureOf(e), FailureStep::Write, at);
    }
    return {true, {}};
}

}  // namespace mox
