#include "tests/printing/sample_sheets.h"

#include "platform/db/database.h"
#include "platform/gui/colour.h"
#include "printing/chart_layout.h"
#include "printing/chart_values.h"
#include "printing/exam_data_block.h"
#include "printing/furcation_marks.h"
#include "printing/site_marks.h"
#include "printing/tooth_images.h"
#include "printing/tooth_label_rows.h"
#include "records/exam_item.h"
#include "records/exam_record.h"
#include "records/shared_records.h"
#include "screens/chart/chart_figures.h"
#include "screens/chart/chart_sheets.h"
#include "screens/chart/chart_slots.h"

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

void PrintSampleDataBlocks(platform::DrawTarget& target, const ExamSlots& exams) {
    int drawn = 0;
    for (int k = 0; k < 4; ++k) {
        if (exams[k].Loaded != -1) continue;
        if (target.Kind() == platform::TargetKind::Printer)
            PrintExamDataBlock(target, 12, 21.5f + 63 * k, exams[k]);
        else
            PrintExamDataBlock(target, 0, 64.0f * drawn, exams[k]);
        ++drawn;
    }
}

void PrintSampleChartBlock(platform::DrawTarget& target, const ExamSlots& exams, float x, float y, int half,
                           QImage& loadSurface, QImage& flipSurface) {
    const int first = 2 * half;
    const int second = first + 1;
    const ExamSlot& reference = exams[ReferenceSlot(exams, half)];

    ToothTexts mobility;
    for (int t = 0; t < 32; ++t) {
        auto text = [&](const ExamSlot& s) {
            return s.Loaded && s.Mobility[t] < kNoSiteValue ? QString::number(s.Mobility[t]) : QString();
        };
        const QString a = text(exams[first]);
        const QString b = text(exams[second]);
        mobility[t] = a.isEmpty() && b.isEmpty() ? QString() : a + QStringLiteral("→") + b;
    }

    const ChartLayout layout = SetupChartLayout(-1, x + 19, y + 17.5f, 1, 0, 13, 33, 64, 84, 144, 13, 7);
    PrintToothImages(target, layout, reference.ToothState, 3, 3, 3, 3, loadSurface, flipSurface);
    PrintChartGrid(target, layout, 1, 1, 1, 1);
    PrintChartValues(target, layout, exams[first], SlotColour(first), int16_t(first), 13);
    PrintChartValues(target, layout, exams[second], SlotColour(second), int16_t(second), 13);

    float rowTop = y + 13;
    PrintToothTextRow(target, x + 19, rowTop, 9, 4.5f, mobility, -1);
    rowTop += 4.5f;
    target.SetDrawWidth(1);
    target.Line(x + 19, rowTop, x + 163, rowTop + 20, 0, platform::LineBox::Box);
    rowTop += 20;
    PrintFurcationMarks(target, x + 19, rowTop, 9, 6, reference.Furcation, -1);
    rowTop += 6;
    target.Line(x + 19, rowTop, x + 163, rowTop + 20, 0, platform::LineBox::Box);
    rowTop += 20;
    PrintToothLabelRow(target, x + 19, rowTop, 9, 5);
    rowTop += 5;
    target.Line(x + 19, rowTop, x + 163, rowTop + 20, 0, platform::LineBox::Box);
    rowTop += 20;
    PrintFurcationMarks(target, x + 19, rowTop, 9, 6, reference.Furcation, 0);
    rowTop += 6;
    target.SetDrawWidth(1);
    target.Line(x + 19, rowTop, x + 163, rowTop + 20, 0, platform::LineBox::Box);
    rowTop += 20;
    PrintToothTextRow(target, x + 19, rowTop, 9, 4.5f, mobility, 0);

    for (int k : {first, second}) {
        if (!exams[k].Loaded) continue;
        PrintSiteMarks(target, x + 19, y + 30.5f, y + 50.5f, y + 81.5f, y + 101.5f, 9, exams[k].ToothState,
                       exams[k].BOP, exams[k].Suppuration, int16_t(k), SlotColour(k));
    }
}

}  // namespace mox::test
