#include "records/staff_record.h"

#include "platform/clock.h"
#include "records/record_fields.h"

namespace mox {

namespace {
constexpr int kPositionWidth = 3;
constexpr int kKihonVectorLength = 48;

// The columns that decide the input routes must hold a value: read as empty,
// a Null would leave a route with no site, and input would silently stop.
const db::Value& Required(const db::Value& value, const QString& column) {
    if (value.IsNull())
        throw db::DbError(
            db::kErrInvalidUse,
            QStringLiteral("担当者の設定（TCharge）の項目「%1」が空のため、担当者を読み込めません。").arg(column));
    return value;
}

QString RequiredText(const db::Recordset& rs, const QString& column) {
    return Required(rs.Field(column), column).ToText();
}

int32_t RequiredLong(const db::Recordset& rs, const QString& column) {
    Required(rs.Field(column), column);
    return ReadLong(rs, column);
}

int16_t RequiredShort(const db::Recordset& rs, const QString& column) {
    Required(rs.Field(column), column);
    return ReadShort(rs, column);
}

}  // namespace

CCharge::CCharge() : UpDate(ZeroDate()) {}

uint8_t CCharge::PocketPosition(int16_t index) const { return index >= 0 && index < 6 ? pocketPosition_[index] : 0; }

void CCharge::SetPocketPosition(int16_t index, uint8_t value) {
    if (index >= 0 && index < 6) pocketPosition_[index] = value;
}

uint8_t CCharge::PocketPositionKihon(int16_t index) const {
    return index >= 0 && index < 6 ? pocketPositionKihon_[index] : 0;
}

void CCharge::SetPocketPositionKihon(int16_t index, uint8_t value) {
    if (index >= 0 && index < 6) pocketPositionKihon_[index] = value;
}

void CCharge::ClearBuffer() {
    ID = 0;
    Name.clear();
    VectorPattern = 0;
    PocketPattern = 0;
    PocketVector.clear();
    PlaquePattern.clear();
    pocketPosition_.fill(0);
    PocketPatternKihon = 0;
    PocketVectorKihon.clear();
    pocketPositionKihon_.fill(0);
    UpDate = platform::CurrentClock().Now();
}

void CCharge::RecSetGet(const db::Recordset& rs) {
    ID = ReadLong(rs, QStringLiteral("ID"));
    Name = RequiredText(rs, QStringLiteral("Name"));
    VectorPattern = RequiredLong(rs, QStringLiteral("VectorPattern"));
    PocketPattern = RequiredShort(rs, QStringLiteral("PocketPattern"));
    PocketVector = RequiredText(rs, QStringLiteral("PocketVector"));
    PlaquePattern = RequiredText(rs, QStringLiteral("PlaquePattern"));
    PlaquePosition = ReadText(rs, QStringLiteral("PlaquePosition"));
    if (PlaquePosition.isEmpty()) PlaquePosition = QStringLiteral("33");
    DecodeFixedWidth(RequiredText(rs, QStringLiteral("PocketPosition")), kPositionWidth,
                     std::span<uint8_t>(pocketPosition_));
    PocketPatternKihon = RequiredShort(rs, QStringLiteral("PocketPatternKihon"));
    PocketVectorKihon = RequiredText(rs, QStringLiteral("PocketVectorKihon"));
    if (PocketPatternKihon == 1 && PocketVectorKihon.size() < kKihonVectorLength)
        PocketVectorKihon = PocketVectorKihon.leftJustified(kKihonVectorLength, u' ');
    DecodeFixedWidth(RequiredText(rs, QStringLiteral("PocketPositionKihon")), kPositionWidth,
                     std::span<uint8_t>(pocketPositionKihon_));
    UpDate = ReadDate(rs, QStringLiteral("UpDate"));
}

}  // namespace mox
