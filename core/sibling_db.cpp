#include "core/sibling_db.h"

#include "core/connections.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "core/text_format.h"
#include "platform/clock.h"
#include "platform/db/database.h"

#include <array>

namespace mox {

namespace {

const QString kSocietyGroup = QStringLiteral("ミラド会");

const std::array<QString, 4>& CurrentStageNames() {
    static const std::array<QString, 4> names{QStringLiteral("初診時"), QStringLiteral("基本治療終了時"),
                                              QStringLiteral("ＳＰＴ移行時"), QStringLiteral("最新ＳＰＴ時")};
    return names;
}

// The Access file stamps changes in UpDate, the SQL Server catalogs in UpDateTime.
QString StampColumn() { return G().SharedDbKind == 1 ? QStringLiteral("\"UpDate\"") : QStringLiteral("UpDateTime"); }

// An examination's new stage for its old stage number under a naming style.
struct StageMove {
    int oldId;
    int newId;
    QString newName;
};

std::vector<StageMove> StageMoves(int16_t style) {
    const auto& names = CurrentStageNames();
    std::vector<StageMove> moves{{1, 1, names[0]}, {2, 2, names[1]}};
    switch (style) {
        case kStyleSpt:
        case kStyleSptTransition:
            moves.push_back({3, 3, names[2]});
            moves.push_back({4, 4, names[3]});
            moves.push_back({5, 0, QString()});
            moves.push_back({6, 0, QString()});
            break;
        case kStyleMaintenance:
            moves.push_back({3, 0, QString()});
            moves.push_back({4, 0, QString()});
            moves.push_back({5, 3, names[2]});
            moves.push_back({6, 4, names[3]});
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
        LogFailure(QStringLiteral("Vexaline の治療グループの読み込み"), e.Description());
        list.clear();
    }
    return list;
}

bool IsTreatGroupCurrent(const TreatMGList& list, int16_t& style) {
    const auto& names = CurrentStageNames();
    bool current = list.size() == names.size();
    for (size_t i = 0; current && i < list.size(); ++i) {
        const int32_t id = list[i].IDMG;
        if (id >= 1 && id <= 4 && list[i].MGName != names[id - 1]) current = false;
    }
    style = kStyleOther;
    if (current) return true;
    for (const TreatMGRec& rec : list) {
        if (rec.IDMG != 3) continue;
        if (rec.MGName == QStringLiteral("ＳＰＴ①"))
            style = kStyleSpt;
        else if (rec.MGName == QStringLiteral("メインテナンス①"))
            style = kStyleMaintenance;
        else if (rec.MGName == names[2])
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
        const auto& names = CurrentStageNames();
        for (int stage = 1; stage <= 4; ++stage) {
            conn.Execute(QStringLiteral("INSERT INTO TTreatMG (IDLG, IDMG, MGName, %1) VALUES (?, ?, ?, ?)").arg(stamp),
                         {groupId, stage, names[stage - 1], now});
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
        LogFailure(QStringLiteral("Vexaline の治療グループの書き換え"), e.Description());
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
