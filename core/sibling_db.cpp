#include "core/sibling_db.h"

#include "core/connections.h"
#include "core/exam_stages.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "core/text_format.h"
#include "platform/clock.h"
#include "platform/db/database.h"

namespace mox {

namespace {

const QString kSocietyGroup = QStringLiteral("ミラド会");

// The Access file stamps changes in UpDate, the SQL Server catalogs in UpDateTime.
QString StampColumn() { return G().SharedDbKind == 1 ? QStringLiteral("\"UpDate\"") : QStringLiteral("UpDateTime"); }

// An examination's new stage for its old stage number under a naming style.
struct StageMove {
    int oldId;
    int newId;
    QString newName;
};

std::vector<StageMove> StageMoves(int16_t style) {
    const auto to = [](int oldId, int newId) { return StageMove{oldId, newId, StandardStageName(newId)}; };
    std::vector<StageMove> moves{to(1, kFirstVisitStage), to(2, kEndOfInitialTherapyStage)};
    switch (style) {
        case kStyleSpt:
        case kStyleSptTransition:
            moves.push_back(to(3, kMoveToSptStage));
            moves.push_back(to(4, kLatestSptStage));
            moves.push_back(to(5, 0));
            moves.push_back(to(6, 0));
            break;
        case kStyleMaintenance:
            moves.push_back(to(3, 0));
            moves.push_back(to(4, 0));
            moves.push_back(to(5, kMoveToSptStage));
            moves.push_back(to(6, kLatestSptStage));
            break;
        default:
            break;
    }
    return moves;
}

}  // namespace

TreatMGList FindSocietyTreatGroup() {
    TreatMGList list;
    SharedDbUse use;
    if (!use) return list;
    try {
        const db::ConnectionPtr connPtr = SharedDbConn();
        db::Connection& conn = *connPtr;
        int32_t groupId = -1;
        {
            auto group = conn.OpenRecordset(QStringLiteral("SELECT * FROM TTreatLG WHERE LGName=?"), {kSocietyGroup});
            if (!group->IsEOF()) groupId = group->Field(QStringLiteral("IDLG")).ToInt32();
        }
        auto stages =
            conn.OpenRecordset(QStringLiteral("SELECT * FROM TTreatMG WHERE IDLG=? ORDER BY IDMG"), {groupId});
        for (; !stages->IsEOF(); stages->MoveNext()) {
            list.push_back({groupId, stages->Field(QStringLiteral("IDMG")).ToInt32(),
                            TrimBlanks(stages->Field(QStringLiteral("MGName")).ToText())});
        }
    } catch (const db::DbError& e) {
        // The preparation ends without a word; why goes to the log.
        LogFailure(QStringLiteral("Vexaline の治療グループの読み込み"), FailureLogText(e.GetFailure()));
        list.clear();
    }
    return list;
}

bool IsTreatGroupCurrent(const TreatMGList& list, int16_t& style) {
    bool current = list.size() == static_cast<size_t>(kLatestSptStage);
    for (size_t i = 0; current && i < list.size(); ++i) {
        const QString name = StandardStageName(list[i].IDMG);
        if (!name.isEmpty() && list[i].MGName != name) current = false;
    }
    style = kStyleOther;
    if (current) return true;
    for (const TreatMGRec& rec : list) {
        if (rec.IDMG != 3) continue;
        if (rec.MGName == QStringLiteral("ＳＰＴ①"))
            style = kStyleSpt;
        else if (rec.MGName == QStringLiteral("メインテナンス①"))
            style = kStyleMaintenance;
        else if (rec.MGName == StandardStageName(kMoveToSptStage))
            style = kStyleSptTransition;
    }
    return false;
}

bool SyncTreatGroups(int32_t groupId, int16_t style) {
    SharedDbUse use;
    if (!use) return false;
    try {
        const db::ConnectionPtr connPtr = SharedDbConn();
        db::Connection& conn = *connPtr;
        const QString stamp = StampColumn();
        const db::Value now(platform::CurrentClock().Now());
        db::Transaction transaction(conn);
        conn.Execute(QStringLiteral("DELETE FROM TTreatMG WHERE IDLG=?"), {groupId});
        for (int stage = kFirstVisitStage; stage <= kLatestSptStage; ++stage) {
            conn.Execute(QStringLiteral("INSERT INTO TTreatMG (IDLG, IDMG, MGName, %1) VALUES (?, ?, ?, ?)").arg(stamp),
                         {groupId, stage, StandardStageName(stage), now});
        }
        // Ascending old numbers: a stage moved down is never moved twice.
        for (const StageMove& move : StageMoves(style)) {
            conn.Execute(
                QStringLiteral("UPDATE TExamStatus SET TreatMGID=?, TreatMG=? WHERE TreatLGID=? AND TreatMGID=?"),
                {move.newId, move.newName, groupId, move.oldId});
        }
        conn.Execute(QStringLiteral("UPDATE TExamStatus SET %1=? WHERE TreatLGID=?").arg(stamp), {now, groupId});
        transaction.Commit();
        return true;
    } catch (const db::DbError& e) {
        LogFailure(QStringLiteral("Vexaline の治療グループの書き換え"), FailureLogText(e.GetFailure()));
        return false;
    }
}

SharedDbUse::SharedDbUse(SharedDbCancel cancel)
    : open_(cancel == SharedDbCancel::EndsProgram ? OpenSharedDbOrEnd() : OpenSharedDb()) {}

SharedDbUse::~SharedDbUse() {
    if (open_) ReleaseSharedDb();
}

SharedDbUse::operator bool() const { return open_ && SharedDbConn() != nullptr; }

void UpgradeTreatGroups() {
    if (G().SharedDbKind == 0) return;
    const TreatMGList list = FindSocietyTreatGroup();
    if (list.empty()) return;
    int16_t style = kStyleOther;
    if (IsTreatGroupCurrent(list, style)) return;
    SyncTreatGroups(list.front().IDLG, style);
}

}  // namespace mox
