#pragma once
// CSubExam: one row of TSubExam, the definition of an examination item
// (pocket depth, mobility, plaque, ...): its input mode, the tooth states it
// takes input on, its value buttons, colours and grey-level bands.

#include "platform/db/database.h"

#include <QString>
#include <array>
#include <cstdint>

namespace mox {

class CSubExam {
public:
    int32_t ID = 0;
    QString Name;
    int32_t Mode = 0;
    int16_t Status = 0;      // mask of tooth status bits that accept input
    bool CEJ = false;        // column CEJ is not 0
    int32_t PairExam = 0;    // column CEJ as a number
    int16_t DisplayRow = 0;  // 1..4

    // Tolerant: any index; reads outside the range give "" / 0, writes are ignored.
    QString BtnName(int16_t index) const;
    void SetBtnName(int16_t index, const QString& value);
    int16_t BtnVal(int16_t index) const;
    void SetBtnVal(int16_t index, int16_t value);

    // Strict: an index outside the range fails with an index error.
    int32_t ValueColor(int16_t index) const;  // 0..3, RGB as red + 256 green + 65536 blue
    void SetValueColor(int16_t index, int32_t value);
    int32_t GradationPart(int16_t index) const;  // 0..2, band thresholds
    void SetGradationPart(int16_t index, int32_t value);
    int32_t Brightness(int16_t index) const;  // 0..3, grey level of each band
    void SetBrightness(int16_t index, int32_t value);
    QString SubName(int16_t index) const;  // 0..2
    void SetSubName(int16_t index, const QString& value);

    void ClearBuffer();
    // Never fails: a column that is missing, Null or does not fit is skipped
    // and its member keeps what it held.
    void RecSetGet(const db::Recordset& rs);
    // Fails on the first column the row lacks.
    void RecSetPut(db::Recordset& rs) const;

    // Parts 0 and 1: ValueColor(part) OR the grey of the value's band;
    // parts 2 and 3: ValueColor(part) as it is. Other parts fail.
    int32_t GetColorByValue(int32_t value, int16_t part) const;

    // Column CEJ of item 2, read on the main connection that the caller
    // keeps open; 0 when there is no such row or it cannot be read.
    int32_t GetPairExam() const;

private:
    std::array<QString, 5> btnName_;
    std::array<int16_t, 10> btnVal_{};
    std::array<int32_t, 4> valueColor_{};
    std::array<int32_t, 4> brightness_{};
    std::array<int32_t, 3> gradationPart_{};
    std::array<QString, 3> subName_;
};

}  // namespace mox
