#include "tests/support/damaged_db.h"

#include "platform/db/database.h"

#include <QFile>
#include <QtEndian>
#include <random>

namespace mox::test {

namespace {

constexpr int kPatients = 20;
constexpr int kExaminations = 1500;

db::ConnectionPtr Open(const QString& path) { return db::Connection::Open(db::DataSourcePart(path)); }

// A leaf page of the table or index `name` from the middle of its pages
// (the engine's own page list), and the page size; 0 when there is none.
struct Page {
    qint64 number = 0;
    qint64 size = 0;
};
Page MiddleLeaf(const QString& path, const QString& name) {
    auto conn = Open(path);
    Page page;
    page.size = conn->Scalar(QStringLiteral("PRAGMA page_size")).ToInt64();
    auto rs = conn->OpenRecordset(
        QStringLiteral("SELECT pageno FROM dbstat WHERE name=? AND pagetype='leaf' AND ncell>=6 ORDER BY pageno"),
        {name});
    std::vector<qint64> leaves;
    for (; !rs->IsEOF(); rs->MoveNext()) leaves.push_back(rs->Field(0).ToInt64());
    rs->Close();
    conn->Close();
    if (!leaves.empty()) page.number = leaves[leaves.size() / 2];
    return page;
}

// Rewrites `length` bytes at `offset` of the file with what `change` makes of them.
template <typename Change>
bool Rewrite(const QString& path, qint64 offset, qint64 length, Change&& change) {
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(offset)) return false;
    QByteArray bytes = f.read(length);
    if (bytes.size() != length) return false;
    change(bytes);
    return f.seek(offset) && f.write(bytes) == length;
}

bool Garble(const QString& path, const Page& page) {
    if (page.number == 0) return false;
    return Rewrite(path, (page.number - 1) * page.size, page.size, [](QByteArray& bytes) {
        std::mt19937 noise(7);
        for (char& c : bytes) c = static_cast<char>(noise());
    });
}

bool Zero(const QString& path, const Page& page) {
    if (page.number == 0) return false;
    return Rewrite(path, (page.number - 1) * page.size, page.size, [](QByteArray& bytes) { bytes.fill('\0'); });
}

}  // namespace

const std::vector<DamageKind>& DamageKinds() {
    static const std::vector<DamageKind> kinds = {
        {Damage::ExamLeafGarbled, "examination leaf garbled"},
        {Damage::ExamLeafZeroed, "examination leaf zeroed"},
        {Damage::ExamRowsHidden, "cell count lowered, 5 rows hidden"},
        {Damage::IndexLeafGarbled, "index leaf garbled"},
        {Damage::IndexLeafZeroed, "index leaf zeroed"},
        {Damage::IndexDateChanged, "an index entry's date changed"},
        {Damage::PageCountLowered, "header page count lowered"},
        {Damage::CutShort, "file 1,000 bytes short"},
        {Damage::PatientLeafGarbled, "patient leaf garbled"},
    };
    return kinds;
}

void AddExaminations(const QString& path) {
    auto conn = Open(path);
    db::Transaction filling(*conn);
    for (int p = 1; p <= kPatients; ++p)
        conn->Execute(
            QStringLiteral(
                "INSERT OR IGNORE INTO TPatient (ID, KalteNumber, Name, BirthDay, Sex) VALUES (?, ?, ?, ?, ?)"),
            {p, QString::number(1000 + p), QStringLiteral("患者 %1").arg(p), QStringLiteral("1960/01/01"), p % 2});
    const QString values = QStringLiteral("  3").repeated(48);
    const QString bui = QStringLiteral("     0").repeated(32);
    for (int i = 0; i < kExaminations; ++i) {
        const QString date = QStringLiteral("2024-%1-%2 00:00:00")
                                 .arg(1 + i / 28 % 12, 2, 10, QLatin1Char('0'))
                                 .arg(1 + i % 28, 2, 10, QLatin1Char('0'));
        conn->Execute(
            QStringLiteral("INSERT INTO TExamData (ID, PatientID, ExamDate, Row, Examination, SubExam, Data1, "
                           "Data2, Data3, Data4, Bui, CommentID, Comment) VALUES (?, ?, ?, ?, 2, ?, ?, ?, ?, ?, "
                           "?, 1, ?)"),
            {20000000 + i, 1 + i % kPatients, date, i % 4, 1 + i % 4, values, values, values, values, bui,
             QStringLiteral("初診時")});
    }
    filling.Commit();
    conn->Close();
}

bool MakeDamaged(const QString& path, Damage damage) {
    switch (damage) {
        case Damage::ExamLeafGarbled:
            return Garble(path, MiddleLeaf(path, QStringLiteral("TExamData")));
        case Damage::ExamLeafZeroed:
            return Zero(path, MiddleLeaf(path, QStringLiteral("TExamData")));
        case Damage::ExamRowsHidden: {
            const Page page = MiddleLeaf(path, QStringLiteral("TExamData"));
            if (page.number == 0) return false;
            // The cell count of a leaf page's header (bytes 3..4).
            return Rewrite(path, (page.number - 1) * page.size + 3, 2, [](QByteArray& bytes) {
                qToBigEndian<quint16>(qFromBigEndian<quint16>(bytes.constData()) - 5, bytes.data());
            });
        }
        case Damage::IndexLeafGarbled:
            return Garble(path, MiddleLeaf(path, QStringLiteral("TExamDataPatientDateOccasion")));
        case Damage::IndexLeafZeroed:
            return Zero(path, MiddleLeaf(path, QStringLiteral("TExamDataPatientDateOccasion")));
        case Damage::IndexDateChanged: {
            const Page page = MiddleLeaf(path, QStringLiteral("TExamDataPatientDateOccasion"));
            if (page.number == 0) return false;
            bool changed = false;
            const bool written = Rewrite(path, (page.number - 1) * page.size, page.size, [&](QByteArray& bytes) {
                // The tens of the day of the first date in the page: 2024-05-1x becomes 2024-05-2x.
                const qsizetype at = bytes.indexOf("2024-");
                if (at < 0 || at + 8 >= bytes.size()) return;
                bytes[at + 8] = bytes[at + 8] == '2' ? '1' : '2';
                changed = true;
            });
            return written && changed;
        }
        case Damage::PageCountLowered:
            // The database size in pages (header bytes 28..31), which the
            // engine trusts while the change counter matches.
            return Rewrite(path, 28, 4, [](QByteArray& bytes) {
                qToBigEndian<quint32>(qFromBigEndian<quint32>(bytes.constData()) - 3, bytes.data());
            });
        case Damage::CutShort: {
            QFile f(path);
            return f.resize(f.size() - 1000);
        }
        case Damage::PatientLeafGarbled: {
            auto conn = Open(path);
            Page page;
            page.size = conn->Scalar(QStringLiteral("PRAGMA page_size")).ToInt64();
            page.number =
                conn->Scalar(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name='TPatient'")).ToInt64();
            conn->Close();
            return Garble(path, page);
        }
    }
    return false;
}

}  // namespace mox::test
