#include "core/exam_lookups.h"

#include "core/connections.h"
#include "core/text_format.h"

namespace mox {

bool IsRestTooth(int16_t toothStatus) { return (static_cast<uint16_t>(toothStatus) & 0xE000u) == 0; }

QString GetComTypeComment(int32_t id) {
    if (!OpenMainDb()) return {};
    // The slot is handed back also when the query fails; the error then
    // goes on to the caller.
    struct Release {
        ~Release() { ReleaseMainDb(); }
    } release;
    db::ConnectionPtr conn = MainDbConn();
    auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TComType WHERE ID=?"), {db::Value(id)});
    QString comment;
    if (!rs->IsEOF()) {
        comment = TrimBlanks(NullToStr(rs->Field(QStringLiteral("Comment"))));
    }
    rs->Close();
    return comment;
}

}  // namespace mox
