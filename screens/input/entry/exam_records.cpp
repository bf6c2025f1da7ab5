// The twelve examination records of the shown examination: loaded from the
// database and read back from the tooth buttons.

#include "core/connections.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "records/exam_item.h"
#include "records/exam_vocabulary.h"
#include "records/shared_records.h"
#include "screens/input/entry/exam_entry.h"

namespace mox {

namespace {

// The record slots of one examination: the four display rows, then the
// bleeding and suppuration marks of the pocket-depth item.
constexpr int kExamSlots[] = {0, 1, 2, 3, kBleedingRow, kSuppurationRow};

// Records of an examination without stored rows: the headers of its six
// rows and the tooth states it starts from.
void StartNewExamination(int32_t patientId, const QDate& date, const ToothStatusWords& status) {
    GlobalObjects& g = Globals();
    for (int i : kExamSlots) {
        CExamData& r = *g.ExamDataRows[i];
        r.PatientID = patientId;
        r.ExamDate = QDateTime(date, QTime(0, 0));
        r.Row = i;
        r.Examination = 2;
        r.SubExam = i < 4 ? g.SubExamRows[i]->ID : kPocketDepthItem;
        for (int16_t t = 0; t < kToothCount; ++t) r.SetnBui(t, status[t]);
        r.ChargeID = G().CurChargeId;
        r.CommentID = 0;
        r.Comment.clear();
    }
}

}  // namespace

bool ExamEntry::LoadExamRecords(int32_t patientId, const std::optional<QDate>& date) {
    GlobalObjects& g = Globals();
    for (auto& r : g.ExamDataRows) r->ClearBuffer();
    try {
        bool found = false;
        if (date) {
            ForEachExamRow(patientId, *date, [&](const db::Recordset& rs) {
                found = true;
                const int32_t row = rs.Field(QStringLiteral("Row")).ToInt32();
                const int16_t k = FindDisplayRow(rs.Field(QStringLiteral("SubExam")).ToInt32());
                if (k < 1 || k > kGridRows) return;
                const int slot = row == kBleedingRow || row == kSuppurationRow ? row : k - 1;
                g.ExamDataRows[slot]->RecSetGet(rs);
            });
        }
        if (!found) {
            // A new examination never takes the values of rows stored for
            // today: it starts empty, with the tooth states of the latest
            // examination before its day.
            const QDate day = date ? *date : platform::CurrentClock().Now().date();
            ToothStatusWords status{};
            MainDbUse use;
            if (use) g.ExamDataRows[0]->SetLastBui(patientId, day, status);
            StartNewExamination(patientId, day, status);
        }
    } catch (const db::DbError& e) {
        LogFailure(e.GetFailure());
        for (auto& r : g.ExamDataRows) r->ClearBuffer();
        ToothStatus.fill(0);
        platform::MsgBox(
            QStringLiteral("検査データを読み込めませんでした。") + QStringLiteral("\r\n\r\n") + e.Description(), 16,
            QStringLiteral("読込エラー"));
        return false;
    }
    for (int16_t t = 0; t < kToothCount; ++t) ToothStatus[t] = g.ExamDataRows[0]->nBui(t);
    return true;
}

void ExamEntry::CollectExamValues() {
    GlobalObjects& g = Globals();
    for (int row = 0; row < kGridRows; ++row) {
        CExamData& r = *g.ExamDataRows[row];
        for (int t = 0; t < kToothCount; ++t) {
            const int b = row * 32 + t;
            const auto& order = SiteOrder[t / 8];
            const int32_t mode = grid_.ExamMode(b);
            const int16_t tooth = static_cast<int16_t>(t);
            if (mode == kPlaqueMode) {
                const int32_t faces = grid_.PlaqueData(b);
                const int16_t notExamined = static_cast<int16_t>(tooth + kPlaqueNotExaminedOffset);
                if (faces == kNoButtonValue) {
                    r.SetbData(tooth, kNoSiteValue);
                    r.SetbData(notExamined, 15);
                } else {
                    r.SetbData(tooth, StoredValueOf(faces));
                    r.SetbData(notExamined, StoredValueOf(grid_.PlaqueUnTreat(b)));
                }
            } else if (IsPerSiteType(mode)) {
                for (int s = 0; s < 6; ++s) {
                    const int16_t index = static_cast<int16_t>(t * 6 + s);
                    r.SetbData(index, StoredValueOf(grid_.Data(b, 0, order[s])));
                    if (mode != kPocketDepthMode) continue;
                    g.ExamDataRows[kBleedingRow]->SetbData(index, StoredValueOf(grid_.Data(b, 1, order[s])));
                    g.ExamDataRows[kSuppurationRow]->SetbData(index, StoredValueOf(grid_.Data(b, 2, order[s])));
                }
            } else {
                r.SetbData(tooth, StoredValueOf(grid_.Data(b, 0, 0)));
            }
        }
    }
}

}  // namespace mox
