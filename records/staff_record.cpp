#include "records/staff_record.h"

#include "platform/clock.h"
#include "records/record_fields.h"

namespace mox {

namespace {
constexpr int kPositionWidth = 3;
constexpr int kKihonVectorLength = 48;
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
    Name = ReadText(rs, QStringLiteral("Name"));
    VectorPattern = ReadLong(rs, QStringLiteral("VectorPattern"));
    PocketPattern = ReadShort(rs, QStringLiteral("PocketPattern"));
    PocketVector = ReadText(rs, QStringLiteral("PocketVector"));
    PlaquePattern = ReadText(rs, QStringLiteral("PlaquePattern"));
    PlaquePosition = ReadText(rs, QStringLiteral("PlaquePosition"));
    if (PlaquePosition.isEmpty()) PlaquePosition = QStringLiteral("33");
    DecodeFixedWidth(ReadText(rs, QStringLiteral("PocketPosition")), kPositionWidth,
                     std::span<uint8_t>(pocketPosition_));
    PocketPatternKihon = ReadShort(rs, QStringLiteral("PocketPatternKihon"));
    PocketVectorKihon = ReadText(rs, QStringLiteral("PocketVectorKihon"));
    if (PocketPatternKihon == 1 && PocketVectorKihon.size() < kKihonVectorLength)
        PocketVectorKihon = PocketVectorKihon.leftJustified(kKihonVectorLength, u' ');
    DecodeFixedWidth(ReadText(rs, QStringLiteral("PocketPositionKihon")), kPositionWidth,
                     std::span<uint8_t>(pocketPositionKihon_));
    UpDate = ReadDate(rs, QStringLiteral("UpDate"));
}

}  // namespace mox
