#include "upgrade/sample_refresh.h"

#include "core/connections.h"
#include "core/files.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "records/exam_record.h"
#include "records/new_exam_row.h"
#include "records/patient_record.h"

#include <optional>
#include <vector>

namespace mox {

namespace {

constexpr int kSampleCases[] = {98, 99};

struct TemplatePatient {
    db::Value kalteNumber, ruby, birthDay, sex;
};

// A sample examination row: the copied columns, and its stage label, which
// the template's own row gives as it stands.
struct TemplateExam {
    std::vector<db::Value> values;  // by kCopiedExamColumns
    db::Value comment;
};

struct TemplateCase {
    int id = 0;
    std::optional<TemplatePatient> patient;  // none when the template lacks the case
    std::vector<TemplateExam> exams;
};

QString FormatBirthDay(const db::Value& v) {
    if (v.IsNull()) return {};
    const QDateTime dt = v.ToDateTime();
    return dt.isValid() ? dt.toString(QStringLiteral("yyyy/MM/dd")) : v.ToText();
}

TemplateCase ReadTemplateCase(db::Connection& conn, int id) {
    TemplateCase c;
    c.id = id;
    auto patient = conn.OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), {id});
    if (!patient->IsEOF()) {
        c.patient =
            TemplatePatient{patient->Field(QStringLiteral("KalteNumber")), patient->Field(QStringLiteral("Ruby")),
                            patient->Field(QStringLiteral("BirthDay")), patient->Field(QStringLiteral("Sex"))};
    }
    auto exams = conn.OpenRecordset(
        QStringLiteral("SELECT * FROM TExamData WHERE PatientID=? ORDER BY ExamDate, Examination, SubExam, Row"), {id});
    for (; !exams->IsEOF(); exams->MoveNext()) {
        TemplateExam exam;
        for (const char* column : kCopiedExamColumns) exam.values.push_back(exams->Field(QString::fromLatin1(column)));
        exam.comment = exams->Field(QStringLiteral("Comment"));
        c.exams.push_back(std::move(exam));
    }
    return c;
}

// The template's chart number, reading, birthday and sex go onto the case;
// the clinic's own columns of an existing row stay. A new row gets the
// patient record's defaults.
void CopySamplePatient(db::Connection& conn, const TemplateCase& source, const QDateTime& now) {
    if (!source.patient) return;
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), {source.id});
    CPatient patient;
    if (rs->IsEOF()) {
        patient.ClearBuffer();
        rs->AddNew();
    } else {
        patient.RecSetGet(*rs);
    }
    patient.ID = source.id;
    patient.KalteNumber = source.patient->kalteNumber.ToText();
    patient.Ruby = source.patient->ruby.ToText();
    patient.BirthDay = FormatBirthDay(source.patient->birthDay);
    patient.Sex = source.patient->sex.ToInt16();
    patient.UpDate = now;
    patient.RecSetPut(*rs);
    rs->Update();
}

void CopySampleExamData(db::Connection& conn, const TemplateCase& source, const QDateTime& now) {
    conn.Execute(QStringLiteral("DELETE FROM TExamData WHERE PatientID=?"), {source.id});
    if (source.exams.empty()) return;
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE 0=1"));
    for (const TemplateExam& exam : source.exams) {
        AddExamRow(*rs, [&](db::Recordset& added, int32_t) {
            added.SetField(QStringLiteral("PatientID"), source.id);
            for (size_t i = 0; i < exam.values.size(); ++i)
                added.SetField(QString::fromLatin1(kCopiedExamColumns[i]), exam.values[i]);
            added.SetField(QStringLiteral("Comment"), exam.comment);
            added.SetField(QStringLiteral("UpDate"), now);
        });
    }
}

bool ReadTemplateCases(std::vector<TemplateCase>& cases) {
    if (!OpenTemplateDb()) return false;
    bool ok = true;
    try {
        for (int id : kSampleCases) cases.push_back(ReadTemplateCase(*TemplateDbConn(), id));
    } catch (const db::DbError& e) {
        // The refresh is silent; it is tried again at the next start.
        LogFailure(QStringLiteral("サンプル患者の更新 (テンプレートの読み込み)"), FailureLogText(e.GetFailure()));
        ok = false;
    }
    ReleaseTemplateDb();
    return ok;
}

// A counted use of the main slot: whatever a caller opened or held stays
// open. The allocator's own open and release for each new identifier take
// up this transaction's connection again (connections.h).
bool ReplaceSamples(const std::vector<TemplateCase>& cases) {
    MainDbUse use;
    if (!use) return false;
    try {
        const db::ConnectionPtr connPtr = MainDbConn();
        db::Connection& conn = *connPtr;
        db::Transaction transaction(conn);
        const QDateTime now = platform::CurrentClock().Now();
        for (const TemplateCase& c : cases) {
            CopySamplePatient(conn, c, now);
            CopySampleExamData(conn, c, now);
        }
        transaction.Commit();
    } catch (const db::DbError& e) {
        LogFailure(QStringLiteral("サンプル患者の更新 (書き込み)"), FailureLogText(e.GetFailure()));
        return false;
    }
    return true;
}

}  // namespace

void RefreshSamplePatients() {
    const QString marker = G().ProgramDir + QStringLiteral("/UpdateSample.txt");
    if (CheckDir(marker, 0).isEmpty()) return;
    std::vector<TemplateCase> cases;
    if (!ReadTemplateCases(cases)) return;
    if (!ReplaceSamples(cases)) return;
    DeleteFile(marker);
}

}  // namespace mox
