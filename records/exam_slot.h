#pragma once
// ExamSlot: one examination column of the chart and data-sheet screen, as the
// screen loads it and the chart and data-sheet drawing reads it. The screen
// owns four (one per treatment stage); the drawing only reads them.
//
// It lives with the records, not with the drawing, because it is plain data
// filled from examination rows: the screen's loader, the drawing and their
// tests all use it, and none of them needs a window for it.

#include "records/exam_record.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>

namespace mox {

// 128 in any byte means no value. A new slot is zero-filled throughout, as
// the screen's slots are when it opens; Clear() is the empty slot that
// loading starts from.
struct ExamSlot {
    int16_t Loaded = 0;  // -1 holds an examination, 0 empty
    ToothStatusWords ToothState{};
    std::array<uint8_t, kSiteCount> PD{};           // pocket depth, mm
    std::array<uint8_t, 32> Mobility{};             // by tooth index
    std::array<uint8_t, kSiteCount> Furcation{};    // grade 1..3 per site
    std::array<uint8_t, 32> PlaqueFaces{};          // face bits 1, 2, 4, 8
    std::array<uint8_t, 32> PlaqueUnexamined{};     // faces not examined, same bits
    std::array<uint8_t, kSiteCount> BOP{};          // 1 bleeding
    std::array<uint8_t, kSiteCount> Suppuration{};  // 1 suppuration
    QDateTime ExamDate;
    QString KindName;  // the stage's name

    // Not loaded, every status word 0, every value 128; ExamDate and
    // KindName keep what they held (nothing reads them while Loaded is 0).
    void Clear();
};

}  // namespace mox
