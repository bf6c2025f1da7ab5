#include "records/patient_record.h"

#include "core/text_format.h"
#include "platform/clock.h"
#include "records/old_format.h"
#include "records/record_fields.h"

namespace mox {

CPatient::CPatient() : NextExamDate(ZeroDate()), LastExamDate(ZeroDate()), UpDate(ZeroDate()) {}

void CPatient::ClearBuffer() {
    const QDateTime now = platform::CurrentClock().Now();
    ID = 0;
    KalteNumber.clear();
    Ruby.clear();
    Name.clear();
    BirthDay.clear();
    Sex = 0;
    TEL.clear();
    Post.clear();
    Address1.clear();
    Address2.clear();
    NextExamDate = now;
    LastExamDate = now;
    Lock = 0;
    AppName.clear();
    UpDate = now;
}

void CPatient::RecSetGet(const db::Recordset& rs) {
    ID = ReadLong(rs, QStringLiteral("ID"));
    KalteNumber = ReadText(rs, QStringLiteral("KalteNumber"));
    Ruby = ReadText(rs, QStringLiteral("Ruby"));
    Name = ReadText(rs, QStringLiteral("Name"));
    BirthDay = ReadText(rs, QStringLiteral("BirthDay"));
    Sex = ReadShort(rs, QStringLiteral("Sex"));
    TEL = ReadText(rs, QStringLiteral("TEL"));
    Post = ReadText(rs, QStringLiteral("Post"));
    Address1 = ReadText(rs, QStringLiteral("Address1"));
    Address2 = ReadText(rs, QStringLiteral("Address2"));
    NextExamDate = ReadDate(rs, QStringLiteral("NextExamDate"));
    LastExamDate = ReadDate(rs, QStringLiteral("LastExamDate"));
    Lock = ReadByte(rs, QStringLiteral("Lock"));
    AppName = ReadText(rs, QStringLiteral("AppName"));
    UpDate = ReadDate(rs, QStringLiteral("UpDate"));
}

void CPatient::RecSetPut(db::Recordset& rs) const {
    rs.SetField(QStringLiteral("ID"), ID);
    rs.SetField(QStringLiteral("KalteNumber"), KalteNumber);
    rs.SetField(QStringLiteral("Ruby"), Ruby);
    rs.SetField(QStringLiteral("Name"), Name);
    rs.SetField(QStringLiteral("BirthDay"), BirthDay);
    rs.SetField(QStringLiteral("Sex"), Sex);
    rs.SetField(QStringLiteral("TEL"), TEL);
    rs.SetField(QStringLiteral("Post"), Post);
    rs.SetField(QStringLiteral("Address1"), Address1);
    rs.SetField(QStringLiteral("Address2"), Address2);
    rs.SetField(QStringLiteral("NextExamDate"), NextExamDate);
    rs.SetField(QStringLiteral("LastExamDate"), LastExamDate);
    rs.SetField(QStringLiteral("Lock"), static_cast<int>(Lock));
    rs.SetField(QStringLiteral("AppName"), AppName);
    rs.SetField(QStringLiteral("UpDate"), UpDate);
}

bool CPatient::CheckTable() { return OldFormatConversion().CheckTable(); }

const std::array<int32_t, 32>& PatientNumbers() {
    static const std::array<int32_t, 32> numbers = [] {
        std::array<int32_t, 32> n{};
        for (int i = 0; i < 30; ++i) n[i] = i + 1;
        n[30] = 98;
        n[31] = 99;
        return n;
    }();
    return numbers;
}

qint64 PatientNumberOf(const QString& text) { return DigitsValue(text, 1, 9); }

}  // namespace mox
