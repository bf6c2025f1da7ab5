#include "records/exam_checks.h"

#include "core/connections.h"
#include "core/dates.h"
#include "core/exam_lookups.h"
#include "core/settings.h"
#include "core/text_format.h"
#include "records/exam_record.h"
#include "records/exam_vocabulary.h"
#include "records/record_fields.h"

#include <array>

namespace mox {

bool CheckInitialCase(QString& share, QString& deepSites) {
    share = QStringLiteral("0");
    deepSites = QStringLiteral("0");
    std::array<uint8_t, kSiteCount> depths;
    depths.fill(kNoSiteValue);
    {
        MainDbUse use;
        if (use.IsOpen()) {
            // A patient may have more than one first-visit examination; the
            // check is about the earliest. "+ExamDate" keeps the engine from
            // walking the index by patient and date, which would pass every
            // row of the patient once the first visit was moved to a later
            // day: the few first-visit rows come from the index by patient
            // and occasion and are sorted.
            auto rs = MainDbConn()->OpenRecordset(
                QStringLiteral("SELECT * FROM TExamData WHERE PatientID=? AND Row=0 AND SubExam=? "
                               "AND CommentID=? ORDER BY +ExamDate, ID LIMIT 1"),
                {G().CurPatientId, kPocketDepthItem, kFirstVisitStage});
            if (!rs->IsEOF()) {
                CExamData record;
                record.RecSetGet(*rs);
                for (int16_t t = 0; t < 32; ++t) {
                    if (!IsRestTooth(record.nBui(t))) continue;
                    for (int s = 0; s < 6; ++s) {
                        const int16_t i = static_cast<int16_t>(t * 6 + s);
                        depths[i] = static_cast<uint8_t>(record.bData(i));
                    }
                }
            }
            rs->Close();
        }
    }

    int measured = 0, fourOrDeeper = 0, sixOrDeeper = 0;
    for (uint8_t d : depths) {
        if (d == kNoSiteValue) continue;
        ++measured;
        if (d >= 4) ++fourOrDeeper;
        if (d >= 6) ++sixOrDeeper;
    }
    if (measured > 0) {
        share = FormatOneDecimal(static_cast<double>(fourOrDeeper) / measured * 100.0);
        deepSites = QString::number(sixOrDeeper);
    }
    // The threshold is judged on the figure as printed (29.96 shows as 30.0).
    return !(share.toDouble() >= 30.0 && sixOrDeeper >= 3);
}

namespace {

// ExamDate of the first row of the patient's examinations of one occasion,
// earliest or latest first; an invalid date-time when there is none.
QDateTime OccasionDate(int32_t patientId, int commentId, bool latest) {
    const db::ConnectionPtr conn = MainDbConn();
    // The index by patient and occasion answers "none" at once; the date
    // order then comes from the index by patient, date and stage, which
    // stops at the first entry of the occasion without a row read. Without
    // the first question a patient who never had the occasion would have
    // every entry of that index passed.
    if (conn->Scalar(QStringLiteral("SELECT 1 FROM TExamData WHERE PatientID=? AND CommentID=? LIMIT 1"),
                     {patientId, commentId})
            .IsNull())
        return {};
    auto rs =
        conn->OpenRecordset(QStringLiteral("SELECT ExamDate FROM TExamData WHERE PatientID=? AND CommentID=? "
                                           "AND ExamDate IS NOT NULL ORDER BY ExamDate ") +
                                (latest ? QStringLiteral("DESC") : QStringLiteral("ASC")) + QStringLiteral(" LIMIT 1"),
                            {patientId, commentId});
    QDateTime date;
    if (!rs->IsEOF()) date = ReadDate(*rs, QStringLiteral("ExamDate"));
    rs->Close();
    return date;
}

}  // namespace

bool IsSptPeriodShort() { return IsSptPeriodShort(G().CurPatientId); }

bool IsSptPeriodShort(int32_t patientId) {
    MainDbUse use;
    if (!use.IsOpen()) return false;
    // The period runs from the earliest move to supportive therapy to the
    // latest supportive-therapy visit.
    const QDateTime moveDate = OccasionDate(patientId, kMoveToSptStage, false);
    const QDateTime latestDate = OccasionDate(patientId, kLatestSptStage, true);
    if (!moveDate.isValid() || !latestDate.isValid()) return false;
    return IsWithinMonths(moveDate, latestDate, 6);
}

}  // namespace mox
