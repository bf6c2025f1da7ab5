#pragma once
// CCharge: one row of TCharge, a staff member with the order in which that
// person enters values. The record only stores and decodes the patterns;
// the input cursor (CToothPosition::MakeMove) gives them their meaning.

#include "platform/db/database.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

namespace mox {

class CCharge {
public:
    CCharge();

    int32_t ID = 0;
    QString Name;
    int32_t VectorPattern = 0;  // route mode 0..7
    int16_t PocketPattern = 0;  // 0: segment names, else site codes
    QString PocketVector;
    int16_t PocketPatternKihon = 0;
    QString PocketVectorKihon;
    QDateTime UpDate;
    QString PlaquePattern;
    QString PlaquePosition;

    // One value per site code "BM", "BC", "BD", "LM", "LC", "LD"; an index
    // outside 0..5 reads 0 and is ignored on write.
    uint8_t PocketPosition(int16_t index) const;
    void SetPocketPosition(int16_t index, uint8_t value);
    uint8_t PocketPositionKihon(int16_t index) const;
    void SetPocketPositionKihon(int16_t index, uint8_t value);

    // PlaquePosition keeps its value.
    void ClearBuffer();
    // Fails (invalid use of Null, a message naming the staff setting and the
    // column) when the name or a pattern or position column is Null; a Null
    // PlaquePosition reads as "33".
    void RecSetGet(const db::Recordset& rs);

private:
    std::array<uint8_t, 6> pocketPosition_{};
    std::array<uint8_t, 6> pocketPositionKihon_{};
};

}  // namespace mox
