#pragma once
// The treatment stages of an examination and their standard labels. The
// sibling preparation below the records writes the same four names into the
// sibling product's stage list, so they live here; the records' vocabulary
// names them for everything above.

#include <QString>
#include <cstdint>

namespace mox {

// Treatment stages (TComType.ID, TExamData.CommentID, the sibling's
// TTreatMG.IDMG); 0 is none.
inline constexpr int32_t kFirstVisitStage = 1;
inline constexpr int32_t kEndOfInitialTherapyStage = 2;
inline constexpr int32_t kMoveToSptStage = 3;
inline constexpr int32_t kLatestSptStage = 4;

// The standard label of a stage ("初診時" .. "最新ＳＰＴ時"); the empty text
// for 0 and for any number that is no stage.
inline QString StandardStageName(int64_t stageId) {
    static constexpr const char16_t* kNames[] = {u"初診時", u"基本治療終了時", u"ＳＰＴ移行時", u"最新ＳＰＴ時"};
    return stageId >= kFirstVisitStage && stageId <= kLatestSptStage ? QString::fromUtf16(kNames[stageId - 1])
                                                                     : QString();
}

}  // namespace mox
