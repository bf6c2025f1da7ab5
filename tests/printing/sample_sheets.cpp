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

namespace mox::test {

ExamSlots LoadSampleSlots(const QString& databaseFile, int32_t patientId) {
    ExamSlots exams{};
    auto conn = db::Connection::Open(QStringLiteral("Data Source=") + databaseFile);
    auto stages = conn->OpenRecordset(QStringLiteral("SELECT * FROM TComType WHERE ID>0 AND DR<>0 ORDER BY ID"));
    CExamData row;
    for (int k = 0; k < 4 && !stages->IsEOF(); ++k, stages->MoveNext()) {
        ExamSlot& slot = exams[k];
        slot.Clear();
        auto rows = conn->OpenRecordset(
            QStringLiteral("SELECT * FROM TExamData WHERE PatientID=? AND CommentID=? ORDER BY ExamDate"),
            {patientId, stages->Field(QStringLiteral("ID"))});
        if (rows->IsEOF()) continue;
        slot.Loaded = -1;
        slot.ExamDate = rows->Field(QStringLiteral("ExamDate")).ToDateTime();
        slot.KindName = stages->Field(QStringLiteral("CommentDR")).ToText();
        for (; !rows->IsEOF(); rows->MoveNext()) {
            if (rows->Field(QStringLiteral("ExamDate")).ToDateTime() != slot.ExamDate) continue;
            row.ClearBuffer();
            row.RecSetGet(*rows);
            auto copySites = [&](std::array<uint8_t, kSiteCount>& into) {
                for (int s = 0; s < kSiteCount; ++s) into[s] = static_cast<uint8_t>(row.bData(s));
            };
            if (row.Row == 9) {
                copySites(slot.BOP);
            } else if (row.Row == 10) {
                copySites(slot.Suppuration);
            } else {
                for (int t = 0; t < 32; ++t) slot.ToothState[t] = row.nBui(t);
                switch (row.SubExam) {
                    case 1:
                        for (int t = 0; t < 32; ++t) slot.Mobility[t] = static_cast<uint8_t>(row.bData(t));
                        break;
                    case 2:
                        copySites(slot.PD);
                        break;
                    case 3:
                        for (int t = 0; t < 32; ++t) {
                            slot.PlaqueFaces[t] = static_cast<uint8_t>(row.bData(t));
                            slot.PlaqueUnexamined[t] = static_cast<uint8_t>(row.bData(t + 48));
                        }
                        break;
                    case 13:
                        copySites(slot.Furcation);
                        break;
                    default:
                        break;
                }
            }
        }
        for (int s = 0; s < kSiteCount; ++s) {
            if (slot.PD[s] != kNoSiteValue) continue;
            slot.BOP[s] = kNoSiteValue;
            slot.Suppuration[s] = kNoSiteValue;
        }
    }
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

uint32_t SlotColour(int slot) {
    static const uint32_t kColours[4] = {platform::VbRgb(255, 0, 0), platform::VbRgb(0, 128, 0),
                                         platform::VbRgb(0, 0, 255), platform::VbRgb(255, 0, 255)};
    return kColours[slot & 3];
}

void PrintSampleChartBlock(platform::DrawTarget& target, const ExamSlots& exams, float x, float y, int half,
                           QImage& loadSurface, QImage& flipSurface) {
    const int first = 2 * half;
    const int second = first + 1;
    const int preferred = half == 0 ? first : second;
    const int other = half == 0 ? second : first;
    const ExamSlot& reference = exams[preferred].Loaded ? exams[preferred]
                                : exams[other].Loaded   ? exams[other]
                                                        : exams[preferred];

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
