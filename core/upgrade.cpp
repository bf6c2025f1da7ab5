#include "core/upgrade.h"

#include "core/connections.h"
#include "core/sample_refresh.h"
#include "core/sibling_db.h"
#include "platform/clock.h"
#include "platform/db/database.h"

#include <optional>

namespace mox {

namespace {

std::function<void()> oldFormatCheck;

// One counted use of the main slot for the length of a step.
class MainSlotUse {
public:
    MainSlotUse() : open_(OpenMainDb()) {}
    ~MainSlotUse() {
        if (open_) ReleaseMainDb();
    }
    MainSlotUse(const MainSlotUse&) = delete;
    MainSlotUse& operator=(const MainSlotUse&) = delete;
    explicit operator bool() const { return open_ && MainDbConn(); }

private:
    bool open_;
};

db::Value Now() { return db::Value(platform::CurrentClock().Now()); }

// VB's Trim: blanks only, a full-width space is part of the text.
QString TrimBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin] == QLatin1Char(' ')) ++begin;
    while (end > begin && text[end - 1] == QLatin1Char(' ')) --end;
    return text.mid(begin, end - begin);
}

// A step whose rows are skipped one by one on error still writes them all in
// one transaction; a commit that fails leaves the database as it was.
template <typename Body>
void InOneTransaction(db::Connection& conn, Body body) {
    db::Transaction transaction(conn);
    body();
    transaction.Commit();
}

// The site values and status words of a TExamData row, read the way the
// examination record reads them: Data1..Data4 joined, three characters a
// value, six a status word; pieces that are not there read 0. False when a
// piece is no number or out of range, so that the row is left alone.
constexpr int kSites = 192;
constexpr int kTeeth = 32;
constexpr int kNoValue = 128;
constexpr int kPlaqueNotExaminedOffset = 48;

bool DecodePieces(const QString& text, int width, long min, long max, int count, std::vector<int>& out) {
    out.assign(count, 0);
    for (int i = 0; i * width < text.size(); ++i) {
        if (i >= count) return false;
        const QString piece = text.mid(i * width, width).trimmed();
        bool ok = false;
        const long v = piece.toLong(&ok);
        if (!ok || v < min || v > max) return false;
        out[i] = static_cast<int>(v);
    }
    return true;
}

QString EncodeValues(const std::vector<int>& values, int from, int count) {
    QString text;
    text.reserve(count * 3);
    for (int i = from; i < from + count; ++i) text += QString::number(values[i]).rightJustified(3, QLatin1Char(' '));
    return text;
}

// The plaque layout: tooth t's face bits at site t, its faces not examined at
// site t + 48 (15: none examined). Implants and pontics take no plaque value.
bool FixPlaqueValues(std::vector<int>& values, const std::vector<int>& status) {
    bool changed = false;
    for (int t = 0; t < kTeeth; ++t) {
        int& plaque = values[t];
        int& notExamined = values[t + kPlaqueNotExaminedOffset];
        if (notExamined == kNoValue) {
            notExamined = plaque != kNoValue ? 0 : 15;
            changed = true;
        }
        const int word = status[t];
        if ((word & 0x2000 || word & 0x4000) && plaque != kNoValue) {
            plaque = kNoValue;
            notExamined = 15;
            changed = true;
        }
    }
    return changed;
}

void FixPlaqueRow(db::Recordset& rs) {
    const QString text = rs.Field(QStringLiteral("Data1")).ToText() + rs.Field(QStringLiteral("Data2")).ToText() +
                         rs.Field(QStringLiteral("Data3")).ToText() + rs.Field(QStringLiteral("Data4")).ToText();
    std::vector<int> values, status;
    if (!DecodePieces(text, 3, 0, 255, kSites, values)) return;
    if (!DecodePieces(rs.Field(QStringLiteral("Bui")).ToText(), 6, -32768, 32767, kTeeth, status)) return;
    if (!FixPlaqueValues(values, status)) return;
    // The changed sites all lie in the first two quadrant columns.
    rs.SetField(QStringLiteral("Data1"), EncodeValues(values, 0, 48));
    rs.SetField(QStringLiteral("Data2"), EncodeValues(values, 48, 48));
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

}  // namespace

const std::array<QString, 5>& StandardComTypeLabels() {
    static const std::array<QString, 5> labels{QString(), QStringLiteral("初診時"), QStringLiteral("基本治療終了時"),
                                               QStringLiteral("ＳＰＴ移行時"), QStringLiteral("最新ＳＰＴ時")};
    return labels;
}

void SetOldFormatCheck(std::function<void()> check) { oldFormatCheck = std::move(check); }

void FixSubExamTable() {
    MainSlotUse use;
    if (!use) return;
    try {
        const db::ConnectionPtr connPtr = MainDbConn();
        db::Connection& conn = *connPtr;
        InOneTransaction(conn, [&] {
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
                const db::Value status = rs->IsEOF() ? db::Value() : rs->Field(QStringLiteral("Status"));
                if (!rs->IsEOF() && (status.IsNull() || status.ToInt64() != 4096)) {
                    rs->SetField(QStringLiteral("Status"), 4096);
                    rs->Update();
                }
            } catch (const db::DbError&) {
            }
        });
    } catch (const db::DbError&) {
    }
}

void FixComTypeTable() {
    MainSlotUse use;
    if (!use) return;
    const db::ConnectionPtr connPtr = MainDbConn();
        db::Connection& conn = *connPtr;
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

void MigrateExamComments() {
    MainSlotUse use;
    if (!use) return;
    const auto& labels = StandardComTypeLabels();
    try {
        const db::ConnectionPtr connPtr = MainDbConn();
        db::Connection& conn = *connPtr;
        auto rs = conn.OpenRecordset(QStringLiteral("SELECT * FROM TExamData"));
        InOneTransaction(conn, [&] {
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
    } catch (const db::DbError&) {
    }
}

void UpgradeExamData() {
    MainSlotUse use;
    if (!use) return;
    try {
        const db::ConnectionPtr connPtr = MainDbConn();
        db::Connection& conn = *connPtr;
        InOneTransaction(conn, [&] {
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
    } catch (const db::DbError&) {
    }
}

void UpgradeDatabaseContent() {
    if (oldFormatCheck) oldFormatCheck();
    RefreshSamplePatients();
    FixSubExamTable();
    FixComTypeTable();
    MigrateExamComments();
    UpgradeExamData();
    UpgradeTreatGroups();
}

}  // namespace mox
