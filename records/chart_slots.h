#pragma once
// The chart screen's four examination slots and what fills them: slot k
// holds the earliest examination of the k-th stage that the stage table
// admits to the chart screen (TComType rows with DR set, in ID order).
//
// The loaders read on a connection the caller holds (the window's main slot,
// or a test's own file) and bind every value. They never touch the shared
// patient record or the current selection.

#include "platform/db/database.h"
#include "records/exam_record.h"
#include "records/exam_slot.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace mox {

inline constexpr int kSlotCount = 4;
using ExamSlots = std::array<ExamSlot, kSlotCount>;

// A slot that holds nothing: not loaded, every status word 0, every value
// 128, no date and no stage name. The screen's slots start so, and every
// load starts each slot so: a zero-filled slot would read as furcation
// grade 0 and mobility 0 at every tooth.
ExamSlot EmptyExamSlot();
ExamSlots EmptyExamSlots();

struct ChartStage {
    int32_t id = 0;
    QString name;  // CommentDR, the stage's name on the chart screen
};
// The stages admitted to the chart screen, in ID order; all of them, even
// beyond the four that have a slot.
std::vector<ChartStage> ReadChartStages(db::Connection& conn);

// The earliest examination date of the patient at the stage; invalid when
// the stage has none.
QDateTime EarliestExamDate(db::Connection& conn, int32_t patientId, int32_t stageId);

// What a load could not read, one Japanese sentence per slot or step; the
// slots concerned are left empty.
struct SlotLoadResult {
    std::vector<ChartStage> stages;
    QStringList problems;
};

// Empties all four slots, then fills slot k from the k-th admitted stage:
// the rows of its earliest examination day, read in the order Row, ID so
// that the tooth states (taken from the last item row read) never depend on
// the engine. Bleeding and suppuration marks stand only at sites with a
// pocket depth. Stages beyond the fourth have no slot and are left out.
SlotLoadResult LoadExamSlotsFrom(db::Connection& conn, int32_t patientId, ExamSlots& exams, CExamData& work);

}  // namespace mox
