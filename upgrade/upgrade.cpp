#include "upgrade/upgrade.h"

#include "core/connections.h"
#include "core/sibling_db.h"
#include "core/text_format.h"
#include "upgrade/sample_refresh.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "records/exam_record.h"
#include "records/patient_record.h"

#include <QDebug>
#include <QStringList>
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

// The stored text of a plaque row that FixPlaqueValues may change: a
// not-examined part that still holds 128, or a value on a tooth whose status
// word marks an implant or a pontic. A row whose text is not the usual digits
// and blanks in columns of the usual width (Null, cut short, a full-width
// blank) is taken too, and the full read then decides. The condition is also
// the filter of the partial index TExamDataPlaqueToFix, so that a start reads
// that index, empty on a current database, and never the examination table;
// rows that the conversion or the import copy in the old form enter it as
// they are written. The template declares the index with this same text.
const QString& PlaqueRowsToFixCondition() {
    static const QString condition = [] {
        const int notExaminedChars = 32 * kSiteValueWidth;  // sites 48..79: the head of Data2
        QStringList terms{QStringLiteral("typeof(Data1) <> 'text' OR typeof(Data2) <> 'text'"),
                          QStringLiteral("length(Data1) <> %1 OR length(Data2) <> %1").arg(kValueColumnWidth),
                          QStringLiteral("Data1 GLOB '*[^ 0-9]*' OR Data2 GLOB '*[^ 0-9]*' OR Bui GLOB '*[^ 0-9+-]*'"),
                          QStringLiteral("instr(substr(Data2, 1, %1), '128') > 0").arg(notExaminedChars)};
        for (int t = 0; t < 32; ++t)
            terms << QStringLiteral("CAST(substr(Bui, %1, %2) AS INTEGER) & %3 <> 0 AND substr(Data1, %4, %5) <> '128'")
                         .arg(t * kStatusWordWidth + 1)
                         .arg(kStatusWordWidth)
                         .arg(kToothImplant | kToothPontic)
                         .arg(t * kSiteValueWidth + 1)
                         .arg(kSiteValueWidth);
        return QStringLiteral("SubExam = %1 AND (\n    ").arg(kPlaqueItem) + terms.join(QStringLiteral("\n    OR ")) +
               QStringLiteral(")");
    }();
    return condition;
}

// The row keys (SQLite's rowid) of the plaque rows that may need a change.
std::vector<int64_t> PlaqueRowsToFix(db::Connection& conn) {
    std::vector<int64_t> keys;
    auto rs = conn.OpenRecordset(QStringLiteral("SELECT _rowid_ AS RowKey FROM TExamData WHERE ") +
                                 PlaqueRowsToFixCondition() + QStringLiteral(" ORDER BY _rowid_"));
    for (; !rs->IsEOF(); rs->MoveNext()) keys.push_back(rs->Field(QStringLiteral("RowKey")).ToInt64());
    return keys;
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
        // Only rows whose label may differ are read, as ranges of the index
        // of the two columns: a large table is not loaded, nor its index
        // walked, at every start. Taken are a CommentID other than a whole
        // number 0..4 (a fraction, a number out of range, or a text, which
        // sorts above every number), and under each whole number the labels
        // sorting before and after its own, and Null where its own is not
        // empty. Every row taken goes through the comparison below, which
        // also forgives the blanks around a label.
        QStringList ranges{QStringLiteral("CommentID < 0"), QStringLiteral("CommentID > %1").arg(labels.size() - 1)};
        std::vector<db::Value> params;
        for (int id = 0; id < static_cast<int>(labels.size()); ++id) {
            if (id > 0) ranges << QStringLiteral("CommentID > %1 AND CommentID < %2").arg(id - 1).arg(id);
            ranges << QStringLiteral("CommentID = %1 AND Comment < ?").arg(id)
                   << QStringLiteral("CommentID = %1 AND Comment > ?").arg(id);
            params.insert(params.end(), {labels[id], labels[id]});
            if (!labels[id].isEmpty()) ranges << QStringLiteral("CommentID = %1 AND Comment IS NULL").arg(id);
        }
        auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE _rowid_ IN (SELECT _rowid_ FROM "
                                                    "TExamData WHERE ") +
                                         ranges.join(QStringLiteral(" OR ")) + QStringLiteral(")"),
                                     params);
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
        {
            // The index by patient and date of earlier releases is replaced
            // by one that also holds the stage; in one step, so that a file
            // is never left with neither.
            db::Transaction transaction(conn);
            conn.Execute(
                QStringLiteral("CREATE INDEX IF NOT EXISTS TExamDataPatientDateOccasion ON TExamData "
                               "(PatientID, ExamDate, CommentID)"));
            conn.Execute(QStringLiteral("DROP INDEX IF EXISTS TExamDataPatientDate"));
            transaction.Commit();
        }
        conn.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS TExamDataOccasion ON TExamData (CommentID, Comment)"));
        conn.Execute(
            QStringLiteral("CREATE INDEX IF NOT EXISTS TExamDataPatientOccasion ON TExamData (PatientID, CommentID)"));
        conn.Execute(QStringLiteral("CREATE INDEX IF NOT EXISTS TExamDataPlaqueToFix ON TExamData (SubExam) WHERE ") +
                     PlaqueRowsToFixCondition());
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
