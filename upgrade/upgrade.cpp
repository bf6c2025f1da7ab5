#include "upgrade/upgrade.h"

#include "core/connections.h"
#include "core/sibling_db.h"
#include "core/text_format.h"
#include "upgrade/sample_refresh.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "records/exam_record.h"
#include "records/patient_record.h"
#include "records/record_fields.h"

#include <QDebug>
#include <limits>
#include <span>
#include <vector>

namespace mox {

namespace {

db::Value Now() { return db::Value(platform::CurrentClock().Now()); }

// A step whose rows are skipped one by one on error still writes them all in
// one transaction; a commit that fails leaves the database as it was.
template <typename Body>
void InOneTransaction(db::Connection& conn, Body body) {
    db::Transaction transaction(conn);
    body();
    transaction.Commit();
}

// A step on the main database whose failure must not stop the others.
template <typename Body>
void RunStepOnMainDb(Body body) {
    MainDbUse use;
    if (!use) return;
    try {
        const db::ConnectionPtr connPtr = MainDbConn();
        db::Connection& conn = *connPtr;
        InOneTransaction(conn, [&] { body(conn); });
    } catch (const db::DbError&) {
    }
}

// The plaque layout: tooth t's face bits at site t, its faces not examined at
// site t + 48 (15: none examined). Implants and pontics take no plaque value.
constexpr int kPlaqueNotExaminedOffset = 48;

bool FixPlaqueValues(CExamData& record) {
    bool changed = false;
    for (int16_t t = 0; t < 32; ++t) {
        const int16_t notExaminedSite = static_cast<int16_t>(t + kPlaqueNotExaminedOffset);
        if (record.bData(notExaminedSite) == kNoSiteValue) {
            record.SetbData(notExaminedSite, record.bData(t) != kNoSiteValue ? 0 : 15);
            changed = true;
        }
        const uint16_t word = static_cast<uint16_t>(record.nBui(t));
        if ((word & (kToothImplant | kToothPontic)) && record.bData(t) != kNoSiteValue) {
            record.SetbData(t, kNoSiteValue);
            record.SetbData(notExaminedSite, 15);
            changed = true;
        }
    }
    return changed;
}

// Plaque rows are looked at in pieces of this many rows, by their first two
// value columns and their status words only, so that a large table is never
// held in memory and a row that needs nothing is never read whole.
constexpr int kPlaqueRowsAtOnce = 1000;

// Whether FixPlaqueValues may change the row. It asks of a site only whether
// it holds 128, and a piece of the value text reads as 128 only when it is
// "128"; so Data1 and Data2 (sites 0..95: the plaque and not-examined parts)
// and Bui, read as the examination record reads them, decide. A row whose
// value columns are not 144 characters each (Null, cut short) may read
// otherwise in full and is taken; one whose pieces cannot be read is left by
// the full read as well.
bool PlaqueRowMayChange(const db::Recordset& rs, CExamData& record) {
    const QString values = ReadText(rs, QStringLiteral("Data1")) + ReadText(rs, QStringLiteral("Data2"));
    if (values.size() != 2 * kValueColumnWidth) return true;
    ToothStatusWords words;
    try {
        DecodeFixedWidth(ReadText(rs, QStringLiteral("Bui")), kStatusWordWidth, std::span<int16_t>(words));
    } catch (const db::DbError&) {
        return false;
    }
    for (int16_t i = 0; i < 2 * kValueColumnWidth / kSiteValueWidth; ++i) {
        const QChar* piece = values.constData() + i * kSiteValueWidth;
        const bool noValue = piece[0] == u'1' && piece[1] == u'2' && piece[2] == u'8';
        record.SetbData(i, noValue ? kNoSiteValue : 0);
    }
    for (int16_t t = 0; t < static_cast<int16_t>(words.size()); ++t) record.SetnBui(t, words[t]);
    return FixPlaqueValues(record);
}

// The row keys (SQLite's rowid) of the plaque rows that may need a change.
std::vector<int64_t> PlaqueRowsToFix(db::Connection& conn) {
    std::vector<int64_t> keys;
    CExamData record;
    for (int64_t after = std::numeric_limits<int64_t>::min();;) {
        auto rs = conn.OpenRecordset(QStringLiteral("SELECT _rowid_ AS RowKey, Data1, Data2, Bui FROM TExamData "
                                                    "WHERE SubExam=? AND _rowid_>? ORDER BY _rowid_ LIMIT ?"),
                                     {3, static_cast<long long>(after), kPlaqueRowsAtOnce});
        if (rs->IsEOF()) return keys;
        for (; !rs->IsEOF(); rs->MoveNext()) {
            after = rs->Field(QStringLiteral("RowKey")).ToInt64();
            if (PlaqueRowMayChange(*rs, record)) keys.push_back(after);
        }
    }
}

// A row the examination record cannot read fails here and is left alone.
void FixPlaqueRow(db::Recordset& rs) {
    CExamData record;
    record.RecSetGet(rs);
    if (!FixPlaqueValues(record)) return;
    record.RecSetPut(rs);
    rs.Update();
}

void StampVersion(db::Connection& conn) {
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TVersion WHERE ID=?"), {1});
    if (rs->IsEOF()) return;
    rs->SetField(QStringLiteral("Major"), 1);
    rs->SetField(QStringLiteral("Minor"), 0);
    rs->SetField(QStringLiteral("Revision"), 1);
    rs->Update();
}

void AddComTypeRow(db::Recordset& rs, int id, const QString& label) {
    rs.AddNew();
    rs.SetField(QStringLiteral("ID"), id);
    rs.SetField(QStringLiteral("Comment"), label);
    rs.SetField(QStringLiteral("CommentDR"), label);
    rs.SetField(QStringLiteral("CommentDH"), label);
    rs.SetField(QStringLiteral("DR"), true);
    rs.SetField(QStringLiteral("DH"), true);
    rs.Update();
}

void RebuildComTypeTableWhereStale(db::Connection& conn) {
    const auto& labels = StandardComTypeLabels();
    auto row0 = conn.OpenRecordset(QStringLiteral("SELECT * FROM TComType WHERE ID=?"), {0});
    if (row0->IsEOF()) AddComTypeRow(*row0, 0, QString());
    row0.reset();

    auto row4 = conn.OpenRecordset(QStringLiteral("SELECT * FROM TComType WHERE ID=?"), {4});
    if (row4->IsEOF()) return;
    auto differs = [&](const char* column) {
        const db::Value v = row4->Field(QString::fromLatin1(column));
        return !v.IsNull() && v.ToText() != labels[4];
    };
    const bool rebuild = differs("CommentDR") || differs("CommentDH");
    row4.reset();
    if (!rebuild) return;

    // Deleting and adding in one go: a failure in between must not leave the
    // screens without their occasion list.
    InOneTransaction(conn, [&] {
        auto all = conn.OpenRecordset(QStringLiteral("SELECT * FROM TComType"));
        while (!all->IsEOF()) {
            all->Delete();
            all->MoveNext();
        }
        for (int id = 0; id < static_cast<int>(labels.size()); ++id) AddComTypeRow(*all, id, labels[id]);
    });
}

}  // namespace

const std::array<QString, 5>& StandardComTypeLabels() {
    static const std::array<QString, 5> labels{QString(), QStringLiteral("初診時"), QStringLiteral("基本治療終了時"),
                                               QStringLiteral("ＳＰＴ移行時"), QStringLiteral("最新ＳＰＴ時")};
    return labels;
}

void FixSubExamTable() {
    RunStepOnMainDb([](db::Connection& conn) {
        try {
            auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TSubExam WHERE ID=?"), {2});
            if (!rs->IsEOF() && !rs->Field(QStringLiteral("GradPart2")).IsNull() &&
                rs->Field(QStringLiteral("GradPart2")).ToInt64() == 7) {
                rs->SetField(QStringLiteral("GradPart2"), 6);
                rs->Update();
            }
        } catch (const db::DbError&) {
        }
        try {
            auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TSubExam WHERE ID=?"), {3});
            // A Null mask does not differ from the standard one: it is left.
            const db::Value status = rs->IsEOF() ? db::Value() : rs->Field(QStringLiteral("Status"));
            if (!status.IsNull() && status.ToInt64() != 4096) {
                rs->SetField(QStringLiteral("Status"), 4096);
                rs->Update();
            }
        } catch (const db::DbError&) {
        }
    });
}

void FixComTypeTable() {
    MainDbUse use;
    if (!use) return;
    try {
        RebuildComTypeTableWhereStale(*MainDbConn());
    } catch (const db::DbError& e) {
        // This error ends the program with a box: the user reads in Japanese
        // which table failed; the statement and the engine's own words go to
        // the log for whoever looks into it.
        qWarning().noquote()
            << QStringLiteral("Upgrade of TComType failed: error %1: %2").arg(e.Number()).arg(e.Description());
        throw db::DbError(e.Number(), QStringLiteral("検査時期のテーブル（TComType）を読み書きできませんでした。"));
    }
}

void MigrateExamComments() {
    const auto& labels = StandardComTypeLabels();
    RunStepOnMainDb([&](db::Connection& conn) {
        // Only rows whose label may differ are read: a large table is not
        // loaded at every start. A CommentID stored as anything but an
        // integer (a fraction, a text with blanks) is taken too, and every
        // row taken goes through the comparison below.
        // The inner query reads only the index of the two columns.
        auto rs = conn.OpenRecordset(
            QStringLiteral("SELECT * FROM TExamData WHERE _rowid_ IN (SELECT _rowid_ FROM TExamData "
                           "WHERE typeof(CommentID) NOT IN ('integer', 'null') "
                           "OR (CommentID BETWEEN 0 AND 4 AND trim(IFNULL(Comment, '')) <> "
                           "CASE CommentID WHEN 0 THEN ? WHEN 1 THEN ? WHEN 2 THEN ? WHEN 3 THEN ? ELSE ? END))"),
            {labels[0], labels[1], labels[2], labels[3], labels[4]});
        for (; !rs->IsEOF(); rs->MoveNext()) {
            try {
                const db::Value id = rs->Field(QStringLiteral("CommentID"));
                if (id.IsNull()) continue;
                const int64_t commentId = id.AsInt64();
                if (commentId < 0 || commentId >= static_cast<int64_t>(labels.size())) continue;
                const QString& label = labels[commentId];
                if (TrimBlanks(rs->Field(QStringLiteral("Comment")).ToText()) == label) continue;
                rs->SetField(QStringLiteral("Comment"), label);
                rs->SetField(QStringLiteral("UpDate"), Now());
                rs->Update();
            } catch (const db::DbError&) {
                rs->CancelUpdate();
            }
        }
    });
}

void UpgradeExamData() {
    RunStepOnMainDb([](db::Connection& conn) {
        try {
            for (const int64_t key : PlaqueRowsToFix(conn)) {
                auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE _rowid_=?"),
                                             {static_cast<long long>(key)});
                try {
                    if (!rs->IsEOF()) FixPlaqueRow(*rs);
                } catch (const db::DbError&) {
                    rs->CancelUpdate();
                }
            }
        } catch (const db::DbError&) {
        }
        try {
            StampVersion(conn);
        } catch (const db::DbError&) {
        }
    });
}

void IndexExamRows() {
    MainDbUse use;
    if (!use) return;
    try {
        db::Connection& conn = *MainDbConn();
        conn.Execute(
            QStringLiteral("CREATE INDEX IF NOT EXISTS TExamDataPatientDate ON TExamData (PatientID, ExamDate)"));
        conn.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS TExamDataOccasion ON TExamData (CommentID, Comment)"));
    } catch (const db::DbError&) {
    }
}

void UpgradeDatabaseContent() {
    CPatient().CheckTable();
    IndexExamRows();
    RefreshSamplePatients();
    FixSubExamTable();
    FixComTypeTable();
    MigrateExamComments();
    UpgradeExamData();
    UpgradeTreatGroups();
}

}  // namespace mox
