#pragma once
// Every writer of examination rows (the input screen's save, the import from
// the sibling product, the old-format conversion, the converter, the sample
// refresh) adds a row the same way: the identifier comes from the counter
// inside the writer's transaction, so that a rolled-back write hands no
// identifier out, and a row never goes in without one.

#include "platform/db/database.h"

#include <cstdint>
#include <functional>

namespace mox {

// Where a writer that counts its steps (for its kill and failure tests)
// looks in while one row is added; each is optional.
struct NewExamRowSteps {
    std::function<void()> beforeIdentifier;
    std::function<void()> beforeAdd;
    std::function<void()> beforeUpdate;
};

// Adds a row to `rs` (TExamData, opened for adding) under the next
// identifier; `fill` sets the other columns. Fails with db::DbError, nothing
// added, when no identifier can be had. Returns the identifier.
int32_t AddExamRow(db::Recordset& rs, const std::function<void(db::Recordset&, int32_t id)>& fill,
                   const NewExamRowSteps& steps = {});

}  // namespace mox
