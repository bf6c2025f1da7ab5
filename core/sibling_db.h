#pragma once
// Preparation of the sibling product's shared database: the society's
// treatment group ("ミラド会") must hold exactly this system's four stages,
// numbered 1..4 with the current names, because the import takes an
// examination's stage number as its occasion. Examination stages recorded
// under an older stage list are moved onto the new numbers. The rebuild and
// the move run in one transaction: the sibling database is either fully
// prepared or left as it was. Nothing here stops the start-up.
//
// Both the preparation and the import reach the sibling database through
// one counted use of its slot (SharedDbUse).

#include <QString>
#include <cstdint>
#include <vector>

namespace mox {

// What Cancel in the sibling slot's connection box does: the preparation
// goes on without the sibling database; the import never goes on without
// its source, so there Cancel ends the program as the main slot's does.
enum class SharedDbCancel { GoesOn, EndsProgram };

// A counted use of the sibling slot for one scope, released on every way
// out, errors included.
class SharedDbUse {
public:
    explicit SharedDbUse(SharedDbCancel cancel = SharedDbCancel::GoesOn);
    ~SharedDbUse();
    SharedDbUse(const SharedDbUse&) = delete;
    SharedDbUse& operator=(const SharedDbUse&) = delete;
    explicit operator bool() const;

private:
    bool open_;
};

struct TreatMGRec {
    int32_t IDLG = 0;
    int32_t IDMG = 0;
    QString MGName;  // Null read as empty, blanks around removed
};
using TreatMGList = std::vector<TreatMGRec>;

// Naming style of an older stage list, from the name of its stage 3:
// 1 "ＳＰＴ①", 2 "メインテナンス①", 3 "ＳＰＴ移行時", 0 otherwise or current.
enum StageNameStyle : int16_t { kStyleOther = 0, kStyleSpt = 1, kStyleMaintenance = 2, kStyleSptTransition = 3 };

// Entry of the start-up upgrade; never throws.
void UpgradeTreatGroups();

// The stages of the society's group in IDMG order; empty when there is no
// sibling database, no such group, no stage, or the rows cannot be read.
TreatMGList FindSocietyTreatGroup();
// True when the list is current; otherwise `style` tells the older naming.
bool IsTreatGroupCurrent(const TreatMGList& list, int16_t& style);
// Rebuilds the group's stages and moves the examination stages; false, with
// everything rolled back, on any error.
bool SyncTreatGroups(int32_t groupId, int16_t style);

}  // namespace mox
