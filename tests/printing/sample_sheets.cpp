#include "tests/printing/sample_sheets.h"

#include "platform/db/database.h"
#include "printing/chart_figures.h"
#include "printing/chart_sheets.h"
#include "records/chart_slots.h"
#include "records/exam_item.h"
#include "records/exam_record.h"
#include "records/shared_records.h"

namespace mox::test {

ExamSlots LoadSampleSlots(const QString& databaseFile, int32_t patientId) {
    ExamSlots exams = EmptyExamSlots();
    auto conn = db::Connection::Open(QStringLiteral("Data Source=") + databaseFile);
    CExamData work;
    LoadExamSlotsFrom(*conn, patientId, exams, work);
    return exams;
}

void LoadSampleItems(const QString& databaseFile) {
    if (!GlobalObjectsExist()) CreateGlobalObjects();
    auto conn = db::Connection::Open(QStringLiteral("Data Source=") + databaseFile);
    for (int i = 0; i < 4; ++i) {
        auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TSubExam WHERE DisplayRow=?"), {i + 1});
        Globals().SubExamRows[i]->ClearBuffer();
        if (!rs->IsEOF()) Globals().SubExamRows[i]->RecSetGet(*rs);
    }
}

std::optional<DataSheetItem> SampleSheetItem() { return DataSheetItemOf(Globals().SubExamRows[0].get()); }

ChartBlockTexts SampleBlockTexts(const ExamSlots& exams, int half) {
    static const QString kStages[4] = {QStringLiteral("初診時"), QStringLiteral("基本治療終了時"),
                                       QStringLiteral("ＳＰＴ移行時"), QStringLiteral("最新ＳＰＴ時")};
    ChartBlockTexts texts;
    for (int j = 0; j < 2; ++j) {
        const int k = 2 * half + j;
        texts.stage[j] = kStages[k];
        texts.lineColour[j] = SlotColour(k);
        texts.figures[j] = SummaryFiguresOf(exams[k], 4, 6, 0);
    }
    texts.bandHeads = BandLegendCaptions(4, 6);
    texts.mobilityHead = half == 0 ? QStringLiteral("初→基") : QStringLiteral("S→最");
    for (int t = 0; t < 32; ++t) texts.mobility[t] = MobilityCaption(exams[2 * half], exams[2 * half + 1], t);
    return texts;
}

}  // namespace mox::test
