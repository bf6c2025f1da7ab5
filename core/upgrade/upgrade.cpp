#include "core/upgrade/upgrade.h"

#include "core/connections.h"
#include "core/sibling_db.h"
#include "core/text_format.h"
#include "core/upgrade/sample_refresh.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "records/exam_record.h"
#include "records/patient_record.h"

#include <QDebug>

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
        auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData"));
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
            auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE SubExam=?"), {3});
            for (; !rs->IsEOF(); rs->MoveNext()) {
                try {
                    FixPlaqueRow(*rs);
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

void UpgradeDatabaseContent() {
    CPatient().CheckTable();
    RefreshSamplePatients();
    FixSubExamTable();
    FixComTypeTable();
    MigrateExamComments();
    UpgradeExamData();
    UpgradeTreatGroups();
}

}  // namespace mox
