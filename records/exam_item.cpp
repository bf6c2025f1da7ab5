#include "records/exam_item.h"

#include "core/connections.h"
#include "records/record_fields.h"

#include <functional>

namespace mox {

namespace {

template <typename Array>
auto& CheckedAt(Array& array, int16_t index) {
    if (index < 0 || static_cast<size_t>(index) >= array.size()) ThrowSubscript();
    return array[index];
}

// A skipped assignment leaves the member as it was.
void Try(const std::function<void()>& assign) {
    try {
        assign();
    } catch (const std::exception&) {
    }
}

}  // namespace

QString CSubExam::BtnName(int16_t index) const { return index >= 0 && index < 5 ? btnName_[index] : QString(); }

void CSubExam::SetBtnName(int16_t index, const QString& value) {
    if (index >= 0 && index < 5) btnName_[index] = value;
}

int16_t CSubExam::BtnVal(int16_t index) const { return index >= 0 && index < 10 ? btnVal_[index] : 0; }

void CSubExam::SetBtnVal(int16_t index, int16_t value) {
    if (index >= 0 && index < 10) btnVal_[index] = value;
}

int32_t CSubExam::ValueColor(int16_t index) const { return CheckedAt(valueColor_, index); }
void CSubExam::SetValueColor(int16_t index, int32_t value) { CheckedAt(valueColor_, index) = value; }
int32_t CSubExam::GradationPart(int16_t index) const { return CheckedAt(gradationPart_, index); }
void CSubExam::SetGradationPart(int16_t index, int32_t value) { CheckedAt(gradationPart_, index) = value; }
int32_t CSubExam::Brightness(int16_t index) const { return CheckedAt(brightness_, index); }
void CSubExam::SetBrightness(int16_t index, int32_t value) { CheckedAt(brightness_, index) = value; }
QString CSubExam::SubName(int16_t index) const { return CheckedAt(subName_, index); }
void CSubExam::SetSubName(int16_t index, const QString& value) { CheckedAt(subName_, index) = value; }

void CSubExam::ClearBuffer() {
    ID = 0;
    Name.clear();
    Mode = 0;
    Status = 0;
    btnName_.fill(QString());
    btnVal_.fill(0);
    valueColor_.fill(0);
    brightness_.fill(0);
    gradationPart_.fill(0);
    subName_.fill(QString());
    CEJ = false;
    PairExam = 0;
    DisplayRow = 0;
}

void CSubExam::RecSetGet(const db::Recordset& rs) {
    // A Null fits no member, text or number: like any other unreadable column
    // it is skipped and the member keeps what it held.
    auto present = [&rs](const QString& column) {
        if (rs.Field(column).IsNull()) throw db::DbError(db::kErrInvalidUse, column);
        return column;
    };
    auto number = [&](const QString& column) { return ReadLong(rs, present(column)); };
    auto shortNumber = [&](const QString& column) { return ReadShort(rs, present(column)); };
    auto text = [&](const QString& column) { return ReadText(rs, present(column)); };
    Try([&] { ID = number(QStringLiteral("ID")); });
    Try([&] { Name = text(QStringLiteral("Name")); });
    Try([&] { Mode = number(QStringLiteral("Mode")); });
    Try([&] { Status = shortNumber(QStringLiteral("Status")); });
    for (int i = 0; i < 5; ++i) Try([&] { btnName_[i] = text(QStringLiteral("Btn%1Name").arg(i)); });
    for (int i = 0; i < 10; ++i) Try([&] { btnVal_[i] = shortNumber(QStringLiteral("Btn%1Val").arg(i)); });
    for (int i = 0; i < 4; ++i) {
        Try([&] { valueColor_[i] = number(QStringLiteral("ValColor%1").arg(i)); });
        Try([&] { brightness_[i] = number(QStringLiteral("Brightness%1").arg(i)); });
    }
    for (int i = 0; i < 3; ++i) {
        Try([&] { gradationPart_[i] = number(QStringLiteral("GradPart%1").arg(i)); });
        Try([&] { subName_[i] = text(QStringLiteral("SubName%1").arg(i)); });
    }
    Try([&] { CEJ = number(QStringLiteral("CEJ")) != 0; });
    Try([&] { PairExam = number(QStringLiteral("CEJ")); });
    Try([&] { DisplayRow = shortNumber(QStringLiteral("DisplayRow")); });
}

void CSubExam::RecSetPut(db::Recordset& rs) const {
    auto put = [&rs](const QString& column, const db::Value& value) {
        if (!rs.HasField(column))
            throw db::DbError(db::kErrItemNotFound, QStringLiteral("項目 '%1' が見つかりません。").arg(column));
        rs.SetField(column, value);
    };
    put(QStringLiteral("ID"), ID);
    put(QStringLiteral("Name"), Name);
    put(QStringLiteral("Mode"), Mode);
    put(QStringLiteral("Status"), Status);
    for (int i = 0; i < 5; ++i) put(QStringLiteral("Btn%1Name").arg(i), btnName_[i]);
    for (int i = 0; i < 10; ++i) put(QStringLiteral("Btn%1Val").arg(i), btnVal_[i]);
    for (int i = 0; i < 4; ++i) {
        put(QStringLiteral("ValColor%1").arg(i), valueColor_[i]);
        put(QStringLiteral("Brightness%1").arg(i), brightness_[i]);
    }
    for (int i = 0; i < 3; ++i) {
        put(QStringLiteral("GradPart%1").arg(i), gradationPart_[i]);
        put(QStringLiteral("SubName%1").arg(i), subName_[i]);
    }
    put(QStringLiteral("CEJ"), PairExam);
    put(QStringLiteral("DisplayRow"), DisplayRow);
}

int32_t CSubExam::GetColorByValue(int32_t value, int16_t part) const {
    int32_t colour = ValueColor(part);
    if (part == 0 || part == 1) {
        int band = 0;
        if (value >= gradationPart_[2])
            band = 3;
        else if (value >= gradationPart_[1])
            band = 2;
        else if (value >= gradationPart_[0])
            band = 1;
        const int32_t grey = brightness_[band];
        if (grey < -32768 || grey > 32767) ThrowOverflow();
        // RGB() takes a component above 255 as 255 and refuses a negative one.
        if (grey < 0) throw db::DbError(5, QStringLiteral("プロシージャの呼び出し、または引数が不正です。"));
        const int32_t level = grey > 255 ? 255 : grey;
        colour |= level + 256 * level + 65536 * level;
    }
    return colour;
}

int32_t CSubExam::GetPairExam() const {
    int32_t result = 0;
    try {
        const db::ConnectionPtr conn = MainDbConn();
        if (!conn) return 0;
        auto rs = conn->OpenRecordset(QStringLiteral("SELECT CEJ FROM TSubExam WHERE ID=?"), {2});
        if (!rs->IsEOF()) result = ReadLong(*rs, QStringLiteral("CEJ"));
        rs->Close();
    } catch (const std::exception&) {
    }
    return result;
}

}  // namespace mox
