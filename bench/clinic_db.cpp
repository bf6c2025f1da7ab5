#include "bench/clinic_db.h"

#include "platform/db/database.h"
#include "records/exam_record.h"
#include "records/exam_vocabulary.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

namespace mox::bench {

namespace {

struct ExamRow {
    int row;
    int subExam;
};
constexpr ExamRow kExamRows[] = {{0, 2}, {1, 1}, {2, 13}, {3, 3}, {9, 2}, {10, 2}};
constexpr int kImplantTooth = 21;  // lower right first molar
constexpr int kMissingTooth = 0;   // upper right third molar

CExamData CurrentRow(int id, int index, int patient, int examination, const ExamRow& kind) {
    CExamData r;
    r.ClearBuffer();
    r.ID = id;
    r.PatientID = patient;
    r.ExamDate = QDateTime(QDate(2015, 1, 5).addDays(examination), QTime(0, 0));
    r.Row = kind.row;
    r.Examination = 2;
    r.SubExam = kind.subExam;
    r.ChargeID = 1;
    r.CommentID = static_cast<int16_t>(1 + examination % 4);
    r.Comment = StandardStageName(r.CommentID);
    r.SetnBui(kMissingTooth, static_cast<int16_t>(kToothMissing));
    r.SetnBui(kImplantTooth, static_cast<int16_t>(kToothImplant));
    for (int16_t t = 0; t < 32; ++t) {
        const bool natural = t != kMissingTooth && t != kImplantTooth;
        const int16_t seed = static_cast<int16_t>((index * 7 + t * 13) % 11);
        if (kind.subExam == 3) {
            // Plaque faces, and the faces not examined: none where no natural
            // tooth stands, as the upgrade leaves them.
            r.SetbData(t, natural ? seed % 16 : kNoSiteValue);
            r.SetbData(static_cast<int16_t>(t + kPlaqueNotExaminedOffset), natural ? 0 : 15);
            continue;
        }
        if (t == kMissingTooth) continue;
        if (kind.subExam == 2) {  // pocket depths, or the bleeding and suppuration marks
            for (int16_t s = 0; s < 6; ++s)
                r.SetbData(static_cast<int16_t>(t * 6 + s), kind.row == 0 ? 1 + (seed + s) % 7 : (seed + s) % 5 == 0);
        } else {  // mobility, furcation: one value per tooth
            r.SetbData(t, seed % 3);
        }
    }
    return r;
}

}  // namespace

void AddExaminationRows(const QString& file, int rows) {
    auto conn = db::Connection::Open(db::DataSourcePart(file));
    db::Transaction transaction(*conn);
    const QString insert = QStringLiteral(
        "INSERT INTO TExamData (ID, PatientID, ExamDate, Row, Examination, SubExam, Data1, Data2, Data3, Data4, "
        "Bui, PocketFree, StartTime, EndTime, ChargeID, IsPrinted, \"UpDate\", CommentID, Comment) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    const int firstId =
        10'000'000 + conn->Scalar(QStringLiteral("SELECT ExamData FROM TNextAutoNumber WHERE ID=0")).ToInt32();
    for (int i = 0; i < rows; ++i) {
        const int examination = i / 6;
        const CExamData r = CurrentRow(firstId + i, i, 1 + examination % 30, examination, kExamRows[i % 6]);
        const QString values = r.ValueText();
        conn->Execute(insert,
                      {r.ID, r.PatientID, r.ExamDate, r.Row, r.Examination, r.SubExam, values.mid(0, 144),
                       values.mid(144, 144), values.mid(288, 144), values.mid(432, 144), r.StatusText(), r.PocketFree,
                       r.StartTime, r.EndTime, r.ChargeID, r.IsPrinted, r.UpDate, r.CommentID, r.Comment});
    }
    conn->Execute(QStringLiteral("UPDATE TNextAutoNumber SET ExamData=ExamData+? WHERE ID=0"), {rows});
    transaction.Commit();
    conn->Close();
}

bool MakeClinicDb(const QString& templateFile, const QString& file, int rows) {
    const QString part = file + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(templateFile, part)) return false;
    QFile::setPermissions(part, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    AddExaminationRows(part, rows);
    QFile::remove(file);
    return QFile::rename(part, file);
}

}  // namespace mox::bench
