#include "records/new_exam_row.h"

#include "core/next_number.h"

namespace mox {

int32_t AddExamRow(db::Recordset& rs, const std::function<void(db::Recordset&, int32_t id)>& fill,
                   const NewExamRowSteps& steps) {
    if (steps.beforeIdentifier) steps.beforeIdentifier();
    const int32_t id = GetNextAutoNumber(QStringLiteral("TExamData"));
    if (id == 0) throw db::DbError(db::kErrCannotOpen, QStringLiteral("新しい検査番号を取得できませんでした。"));
    if (steps.beforeAdd) steps.beforeAdd();
    rs.AddNew();
    rs.SetField(QStringLiteral("ID"), id);
    fill(rs, id);
    if (steps.beforeUpdate) steps.beforeUpdate();
    rs.Update();
    return id;
}

}  // namespace mox
