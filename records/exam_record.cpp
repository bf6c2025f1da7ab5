#include "records/exam_record.h"

#include "core/connections.h"
#include "core/exam_lookups.h"
#include "platform/clock.h"
#include "records/record_fields.h"

namespace mox {

namespace {

// A Null value column stands for its 48 sites without a value. Rows that a
// conversion or another program wrote may hold Nulls; read as empty text they
// would shift the later columns onto these sites, and read as 0 they would
// show examined sites of depth 0.
QString ValueColumn(const db::Recordset& rs, const QString& column) {
    static const QString kNoValues = QString::number(kNoSiteValue).repeated(kValueColumnWidth / kSiteValueWidth);
    const db::Value v = rs.Field(column);
    return v.IsNull() ? kNoValues : v.ToText();
}

}  // namespace

CExamData::CExamData() {
    ExamDate = StartTime = EndTime = UpDate = ZeroDate();
    data_.fill(kNoSiteValue);
    bui_.fill(0);
}

int16_t CExamData::bData(int16_t index) const { return index >= 0 && index < kSiteCount ? data_[index] : 0; }

void CExamData::SetbData(int16_t index, int16_t value) {
    if (index < 0 || index >= kSiteCount) return;
    if (value < 0 || value > 255) ThrowOverflow();
    data_[index] = static_cast<uint8_t>(value);
}

int16_t CExamData::nBui(int16_t index) const { return index >= 0 && index < 32 ? bui_[index] : 0; }

void CExamData::SetnBui(int16_t index, int16_t value) {
    if (index >= 0 && index < 32) bui_[index] = value;
}

void CExamData::ClearBuffer() {
    const QDateTime now = platform::CurrentClock().Now();
    ID = 0;
    PatientID = 0;
    ExamDate = now;
    Row = 0;
    Examination = 0;
    SubExam = 0;
    data_.fill(kNoSiteValue);
    bui_.fill(0);
    PocketFree = 0;
    StartTime = now;
    EndTime = now;
    ChargeID = 0;
    IsPrinted = false;
    UpDate = now;
    CommentID = 0;
    Comment.clear();
}

void CExamData::RecSetGet(const db::Recordset& rs) {
    ID = ReadLong(rs, QStringLiteral("ID"));
    PatientID = ReadLong(rs, QStringLiteral("PatientID"));
    ExamDate = ReadDate(rs, QStringLiteral("ExamDate"));
    Row = ReadLong(rs, QStringLiteral("Row"));
    Examination = ReadLong(rs, QStringLiteral("Examination"));
    SubExam = ReadLong(rs, QStringLiteral("SubExam"));
    const QString values = ValueColumn(rs, QStringLiteral("Data1")) + ValueColumn(rs, QStringLiteral("Data2")) +
                           ValueColumn(rs, QStringLiteral("Data3")) + ValueColumn(rs, QStringLiteral("Data4"));
    DecodeFixedWidth(values, kSiteValueWidth, std::span<uint8_t>(data_));
    // A Null Bui records no tooth state: every tooth reads as present and
    // permanent, as in a cleared record.
    DecodeFixedWidth(ReadText(rs, QStringLiteral("Bui")), kStatusWordWidth, std::span<int16_t>(bui_));
    PocketFree = ReadShort(rs, QStringLiteral("PocketFree"));
    StartTime = ReadDate(rs, QStringLiteral("StartTime"));
    EndTime = ReadDate(rs, QStringLiteral("EndTime"));
    ChargeID = ReadLong(rs, QStringLiteral("ChargeID"));
    IsPrinted = ReadBool(rs, QStringLiteral("IsPrinted"));
    UpDate = ReadDate(rs, QStringLiteral("UpDate"));
    CommentID = ReadShort(rs, QStringLiteral("CommentID"));
    Comment = ReadText(rs, QStringLiteral("Comment"));
}

QString CExamData::ValueText() const { return EncodeFixedWidth(std::span<const uint8_t>(data_), kSiteValueWidth); }

QString CExamData::StatusText() const { return EncodeFixedWidth(std::span<const int16_t>(bui_), kStatusWordWidth); }

void CExamData::RecSetPut(db::Recordset& rs) const {
    rs.SetField(QStringLiteral("ID"), ID);
    rs.SetField(QStringLiteral("PatientID"), PatientID);
    rs.SetField(QStringLiteral("ExamDate"), ExamDate);
    rs.SetField(QStringLiteral("Row"), Row);
    rs.SetField(QStringLiteral("Examination"), Examination);
    rs.SetField(QStringLiteral("SubExam"), SubExam);
    const QString values = ValueText();
    rs.SetField(QStringLiteral("Data1"), values.mid(0, kValueColumnWidth));
    rs.SetField(QStringLiteral("Data2"), values.mid(kValueColumnWidth, kValueColumnWidth));
    rs.SetField(QStringLiteral("Data3"), values.mid(2 * kValueColumnWidth, kValueColumnWidth));
    rs.SetField(QStringLiteral("Data4"), values.mid(3 * kValueColumnWidth, kValueColumnWidth));
    rs.SetField(QStringLiteral("Bui"), StatusText());
    rs.SetField(QStringLiteral("PocketFree"), PocketFree);
    rs.SetField(QStringLiteral("StartTime"), StartTime);
    rs.SetField(QStringLiteral("EndTime"), EndTime);
    rs.SetField(QStringLiteral("ChargeID"), ChargeID);
    rs.SetField(QStringLiteral("IsPrinted"), IsPrinted);
    rs.SetField(QStringLiteral("UpDate"), UpDate);
    rs.SetField(QStringLiteral("CommentID"), CommentID);
    rs.SetField(QStringLiteral("Comment"), Comment);
}

bool CExamData::SetLastBui(int32_t patientId, const QDate& examDate, ToothStatusWords& status) const {
    status.fill(0);
    const db::ConnectionPtr conn = MainDbConn();
    if (!conn) throw db::DbError(db::kErrClosed, QStringLiteral("接続が開かれていません。"));
    // Only row 0 of the latest earlier examination counts, whatever its item.
    // The date goes in as "yyyy-mm-dd", which sorts before every time of that
    // day, so a row of the same day is never taken for an earlier one.
    auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE PatientID=? AND ExamDate<? AND Row=0 "
                                                 "ORDER BY ExamDate DESC, ID DESC"),
                                  {patientId, examDate.toString(QStringLiteral("yyyy-MM-dd"))});
    bool found = false;
    if (!rs->IsEOF()) {
        DecodeFixedWidth(ReadText(*rs, QStringLiteral("Bui")), kStatusWordWidth, std::span<int16_t>(status));
        found = true;
    }
    rs->Close();
    return found;
}

int16_t CExamData::GetRestToothCount() const {
    int16_t count = 0;
    for (int16_t word : bui_)
        if (IsRestTooth(word)) ++count;
    return count;
}

void CExamData::GetRestToothStr(QString& upper, QString& lower) const {
    static const QString kPermanent = QStringLiteral("87654321123456788765432112345678");
    static const QString kDeciduous = QStringLiteral("876EDCBAABCDE678876EDCBAABCDE678");
    upper.clear();
    lower.clear();
    for (int i = 0; i < 32; ++i) {
        QChar c = u' ';
        if (IsRestTooth(bui_[i]))
            c = (static_cast<uint16_t>(bui_[i]) & kToothDeciduous) ? kDeciduous[i] : kPermanent[i];
        (i < 16 ? upper : lower) += c;
    }
}

}  // namespace mox
