#include "records/chart_slots.h"

#include "core/program_log.h"
#include "core/text_format.h"
#include "records/exam_vocabulary.h"
#include "records/record_fields.h"

namespace mox {

namespace {

const QString kStageQuery = QStringLiteral("SELECT * FROM TComType WHERE ID>0 AND DR<>0 ORDER BY ID");

void CopySites(const CExamData& row, std::array<uint8_t, kSiteCount>& into) {
    for (int s = 0; s < kSiteCount; ++s) into[s] = static_cast<uint8_t>(row.bData(int16_t(s)));
}

// One stored row into the slot, by what the row is.
void TakeRow(const CExamData& row, ExamSlot& slot) {
    if (row.Row == kBleedingRow) {
        CopySites(row, slot.BOP);
        return;
    }
    if (row.Row == kSuppurationRow) {
        CopySites(row, slot.Suppuration);
        return;
    }
    for (int t = 0; t < 32; ++t) slot.ToothState[t] = row.nBui(int16_t(t));
    switch (row.SubExam) {
        case kMobilityItem:
            for (int t = 0; t < 32; ++t) slot.Mobility[t] = static_cast<uint8_t>(row.bData(int16_t(t)));
            break;
        case kPocketDepthItem:
            CopySites(row, slot.PD);
            break;
        case kPlaqueItem:
            for (int t = 0; t < 32; ++t) {
                slot.PlaqueFaces[t] = static_cast<uint8_t>(row.bData(int16_t(t)));
                slot.PlaqueUnexamined[t] = static_cast<uint8_t>(row.bData(int16_t(t + kPlaqueNotExaminedOffset)));
            }
            break;
        case kFurcationItem:
            CopySites(row, slot.Furcation);
            break;
        default:
            break;
    }
}

// Fills one slot from the stage's earliest examination day; the slot stays
// empty when the stage has none. A row that cannot be read passes its error
// on, and the caller empties the slot again.
void LoadSlot(db::Connection& conn, int32_t patientId, const ChartStage& stage, ExamSlot& slot, CExamData& work) {
    auto rows = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE PatientID=? AND CommentID=? AND "
                                                  "ExamDate IS NOT NULL ORDER BY substr(ExamDate, 1, 10), Row, ID"),
                                   {patientId, stage.id});
    if (rows->IsEOF()) return;
    const QDateTime first = ReadDate(*rows, QStringLiteral("ExamDate"));
    // An examination is one calendar day, as the input screen saves and
    // lists it: rows of a later day of the same stage are not shown.
    for (; !rows->IsEOF(); rows->MoveNext()) {
        if (ReadDate(*rows, QStringLiteral("ExamDate")).date() != first.date()) continue;
        work.ClearBuffer();
        work.RecSetGet(*rows);
        TakeRow(work, slot);
    }
    rows->Close();
    for (int s = 0; s < kSiteCount; ++s) {
        if (slot.PD[s] != kNoSiteValue) continue;
        slot.BOP[s] = kNoSiteValue;
        slot.Suppuration[s] = kNoSiteValue;
    }
    slot.ExamDate = first;
    slot.KindName = stage.name;
    slot.Loaded = -1;
}

}  // namespace

ExamSlot EmptyExamSlot() {
    ExamSlot slot;
    slot.Clear();
    return slot;
}

ExamSlots EmptyExamSlots() {
    ExamSlots exams;
    exams.fill(EmptyExamSlot());
    return exams;
}

std::vector<ChartStage> ReadChartStages(db::Connection& conn) {
    std::vector<ChartStage> stages;
    auto rs = conn.OpenRecordset(kStageQuery);
    for (; !rs->IsEOF(); rs->MoveNext())
        stages.push_back({ReadLong(*rs, QStringLiteral("ID")), NullToStr(rs->Field(QStringLiteral("CommentDR")))});
    rs->Close();
    return stages;
}

QDateTime EarliestExamDate(db::Connection& conn, int32_t patientId, int32_t stageId) {
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT ExamDate FROM TExamData WHERE PatientID=? AND CommentID=? "
                                                "AND ExamDate IS NOT NULL GROUP BY ExamDate ORDER BY ExamDate"),
                                 {patientId, stageId});
    QDateTime date;
    if (!rs->IsEOF()) date = ReadDate(*rs, QStringLiteral("ExamDate"));
    rs->Close();
    return date;
}

SlotLoadResult LoadExamSlotsFrom(db::Connection& conn, int32_t patientId, ExamSlots& exams, CExamData& work) {
    SlotLoadResult result;
    exams = EmptyExamSlots();
    try {
        result.stages = ReadChartStages(conn);
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        result.problems << QStringLiteral("治療ステージを読み込めませんでした。（") + FailureText(e.GetFailure()) +
                               QStringLiteral("）");
        return result;
    }
    for (size_t k = 0; k < result.stages.size() && k < exams.size(); ++k) {
        try {
            LoadSlot(conn, patientId, result.stages[k], exams[k], work);
        } catch (const db::DbError& e) {
            LogFailure(e.GetFailure());
            exams[k] = EmptyExamSlot();
            result.problems << QStringLiteral("「") + result.stages[k].name +
                                   QStringLiteral("」の検査データを読み込めませんでした。（") +
                                   FailureText(e.GetFailure()) + QStringLiteral("）");
        }
    }
    return result;
}

}  // namespace mox
