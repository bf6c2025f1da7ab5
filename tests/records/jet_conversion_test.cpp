// Access files of the Windows release converted into this system's
// databases. The files are written by the fixture script with the template's
// tables, the sample cases, a clinic's cases and random examinations (Nulls,
// empty texts, Japanese texts, characters beyond U+FFFF in compressed and
// whole text, memo texts that look like numbers, doubles to the last bit,
// dates before 1970 and before 1899), the image table and a clinic's own
// table whose names need quoting; the converted file is compared table by
// table with the script's own account of what it wrote.

#include "records/jet_conversion.h"

#include "core/connections.h"
#include "core/image_table.h"
#include "core/next_number.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/db/file_kind.h"
#include "platform/db/jet_reader.h"
#include "platform/message_box.h"
#include "platform/staging_name.h"
#include "records/old_format.h"
#include "tests/support/kill_at.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <new>
#include <stdexcept>

namespace mox {
namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(19, 30, 0));
const QString kWindowsDir = QStringLiteral(MOX_WINDOWS_DB_DIR);

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

unsigned ModeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Every table by name: its columns with their declared types, then every
// row in the order it was written, each value as SQLite quotes it (so that
// 1 and '1', '' and NULL differ).
QString Dump(const QString& path) {
    auto conn = db::Connection::Open(db::DataSourcePart(path));
    const auto name = [](QString n) { return u'"' + n.replace(u'"', QStringLiteral("\"\"")) + u'"'; };
    QStringList lines;
    auto tables = conn->OpenRecordset(QStringLiteral(
        "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"));
    for (; !tables->IsEOF(); tables->MoveNext()) {
        const QString table = tables->Field(0).ToText();
        const QStringList names = conn->ColumnNames(table);
        const QStringList types = conn->ColumnTypes(table);
        QStringList columns, quoted;
        for (qsizetype i = 0; i < names.size(); ++i) {
            columns << names[i] + QLatin1Char(' ') + types.value(i);
            quoted << QStringLiteral("quote(%1)").arg(name(names[i]));
        }
        lines << QStringLiteral("table %1: %2").arg(table, columns.join(QStringLiteral(", ")));
        auto rows = conn->OpenRecordset(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                                            .arg(quoted.join(QStringLiteral("||'|'||")), name(table)));
        for (; !rows->IsEOF(); rows->MoveNext()) lines << rows->Field(0).ToText();
    }
    conn->Close();
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

class JetConversionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        ASSERT_FALSE(box_.CopyTemplate(QStringLiteral("VXMOX2_ORG.MDB")).isEmpty());
        main_ = box_.File(QStringLiteral("VXMOX2.MDB"));
        Settings& g = G();
        g.ProgramDir = box_.Path();
        g.SetMainDatabase(main_);
        clock_.SetNow(kNow);
        windows_ = Bytes(kWindowsDir + QStringLiteral("/windows.mdb"));
        reference_ = QString::fromUtf8(Bytes(QStringLiteral(MOX_WINDOWS_REFERENCE)));
        ASSERT_FALSE(windows_.isEmpty());
        ASSERT_FALSE(reference_.isEmpty());
    }
    void TearDown() override { ResetAllSlots(); }
    void PutMain(const QByteArray& bytes) {
        QFile::remove(main_);
        box_.WriteText(QStringLiteral("VXMOX2.MDB"), bytes);
    }
    // The log of the program folder aside: a refusal leaves its cause there.
    QStringList Files() const {
        QStringList names = QDir(box_.Path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        names.removeAll(QStringLiteral("Log_MOX.txt"));
        return names;
    }
    // The main file is the untouched Windows file, or the complete
    // conversion of it; never anything between.
    void ExpectWindowsFileOrItsConversion() {
        if (Bytes(main_) == windows_) return;
        EXPECT_EQ(Dump(main_), reference_);
    }

    test::Sandbox box_;
    platform::ScriptedMsgBoxes boxes_;
    platform::FakeClock clock_;
    QString main_;
    QByteArray windows_;
    QString reference_;
};

TEST_F(JetConversionTest, WindowsMainDatabaseIsConvertedAtStartAndItsOriginalKept) {
    PutMain(windows_);
    ASSERT_EQ(db::FileKindAt(main_), db::FileKind::Jet);
    ::chmod(QFile::encodeName(main_).constData(), 0644);
    // A compaction copy of the file that was there before, which a killed
    // exit left: it goes with the file it was made from.
    box_.WriteText(QStringLiteral("VXCP.MDB"), "compacted");
    box_.WriteText(QStringLiteral("VXCP.MDB-journal"), "journal of the copy");
    std::vector<JetProgress> progress;
    const JetConversion c = ConvertJetMainDatabase([&](const JetProgress& p) { progress.push_back(p); });
    ASSERT_TRUE(c.Converted()) << FailureText(c.failure).toStdString() << c.failure.detail.toStdString();

    const QString kept = box_.File(QStringLiteral("VXMOX2_20261209_1930.mdb"));
    EXPECT_EQ(c.kept, kept);
    EXPECT_EQ(c.converted, main_);
    EXPECT_FALSE(c.toldLate);
    EXPECT_EQ(Bytes(kept), windows_);
    EXPECT_EQ(db::FileKindAt(main_), db::FileKind::Sqlite);
    EXPECT_EQ(Dump(main_), reference_);
    // Both hold patient data: the converted file keeps the Access file's mode
    // (0644) without any access for others, the kept copy is new.
    EXPECT_EQ(ModeOf(main_), 0640u);
    EXPECT_EQ(ModeOf(kept), 0600u);
    // The caller tells the user; the conversion says nothing itself.
    EXPECT_TRUE(boxes_.Shown().empty());
    ForgetJetConversionNote();
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("VXMOX2.MDB"), QStringLiteral("VXMOX2_20261209_1930.mdb"),
                                    QStringLiteral("VXMOX2_ORG.MDB")}));
    // The user sees it working: every row of the file counted, to the last.
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front().done, 0);
    EXPECT_EQ(progress.back().done, progress.back().total);
    EXPECT_EQ(progress.back().file, main_);
    {
        // TClinic is the template's alone.
        auto conn = db::Connection::Open(db::DataSourcePart(main_));
        qint64 rows = 0;
        auto tables = conn->OpenRecordset(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
        for (; !tables->IsEOF(); tables->MoveNext())
            if (tables->Field(0).ToText() != QStringLiteral("TClinic"))
                rows += conn->Scalar(QStringLiteral("SELECT count(*) FROM \"%1\"")
                                         .arg(tables->Field(0).ToText().replace(u'"', QStringLiteral("\"\""))))
                            .ToInt64();
        conn->Close();
        EXPECT_EQ(progress.back().total, rows);
    }

    // New identifiers start past every converted one, so the first save
    // cannot meet a row of the Windows file.
    for (const char* table : {"TPatient", "TExamData", "TCharge", "TSubExam"}) {
        SCOPED_TRACE(table);
        const QString t = QString::fromLatin1(table);
        auto conn = db::Connection::Open(db::DataSourcePart(main_));
        const qint64 largest = conn->Scalar(QStringLiteral("SELECT MAX(ID) FROM ") + t).ToInt64();
        conn->Close();
        EXPECT_GT(GetNextAutoNumber(t, false), largest);
    }
    ResetAllSlots();

    // The converted file is the system's own: the next start leaves it be.
    const QByteArray converted = Bytes(main_);
    EXPECT_EQ(ConvertJetMainDatabase().outcome, JetConversion::Outcome::NotJet);
    EXPECT_EQ(Bytes(main_), converted);
}

// The image table is made as the image record makes it, key and defaults
// included (so its layout test leaves it be): the contact row reads and
// writes back, and one added to a file without it takes ID 0 and the
// defaults.
TEST_F(JetConversionTest, ConvertedImageTableIsTheProgramsOwnAndKeepsTheContactRow) {
    PutMain(windows_);
    ASSERT_TRUE(ConvertJetMainDatabase().Converted());
    auto conn = db::Connection::Open(db::DataSourcePart(main_));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT sql FROM sqlite_master WHERE name='TImage'")).ToText(),
              ImageTableDdl(QStringLiteral("TImage")));

    const QString contact = QStringLiteral("SELECT * FROM TImage WHERE ID=?");
    {
        auto rs = conn->OpenRecordset(contact, {0});
        ASSERT_FALSE(rs->IsEOF());
        EXPECT_EQ(rs->Field(QStringLiteral("ImgPath1")).ToText(), QStringLiteral("さくら歯科クリニック"));
        rs->SetField(QStringLiteral("ImgPath2"), QStringLiteral("佐藤"));
        rs->Update();
    }
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT ImgPath2 FROM TImage WHERE ID=0")).ToText(), QStringLiteral("佐藤"));

    conn->Execute(QStringLiteral("DELETE FROM TImage WHERE ID=0"));
    {
        auto rs = conn->OpenRecordset(contact, {0});
        ASSERT_TRUE(rs->IsEOF());
        rs->AddNew();
        rs->SetField(QStringLiteral("ImgPath1"), QStringLiteral("さくら歯科クリニック"));
        rs->Update();
    }
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT quote(ImgPath9)||'|'||ReverseUD1||'|'||Rotate9 FROM TImage "
                                          "WHERE ID=0 AND ImgPath1=?"),
                           {QStringLiteral("さくら歯科クリニック")})
                  .ToText(),
              QStringLiteral("''|0|0"));
    EXPECT_THROW(conn->Execute(QStringLiteral("INSERT INTO TImage (ID) VALUES (11)")), db::DbError);
    conn->Close();
}

TEST_F(JetConversionTest, OpenedWindowsFileIsConvertedBesideItUnderANewName) {
    const QString chosen = box_.File(QStringLiteral("clinic.mdb"));
    box_.WriteText(QStringLiteral("clinic.mdb"), windows_);
    // A run killed while it converted this file left its work file and
    // journal; they go when the file is chosen again.
    const pid_t killed = ::fork();
    ASSERT_GE(killed, 0);
    if (killed == 0) {
        const QString work =
            QFileInfo(platform::StagedFilePath(box_.File(QStringLiteral("clinic_変換.mdb")))).fileName();
        box_.WriteText(work, "half");
        box_.WriteText(work + QStringLiteral("-journal"), "half");
        ::_exit(0);
    }
    ::waitpid(killed, nullptr, 0);
    ASSERT_EQ(Files().size(), 4);
    const QString first = ConvertJetFileBeside(chosen).converted;
    EXPECT_EQ(first, box_.File(QStringLiteral("clinic_変換.mdb")));
    EXPECT_EQ(Dump(first), reference_);
    EXPECT_EQ(ModeOf(first), 0600u);
    EXPECT_EQ(Bytes(chosen), windows_);
    EXPECT_TRUE(boxes_.Shown().empty());
    // An earlier conversion is never overwritten, nor a file that another
    // program gave the chosen name while the conversion ran.
    EXPECT_EQ(ConvertJetFileBeside(chosen).converted, box_.File(QStringLiteral("clinic_変換_2.mdb")));
    EXPECT_EQ(Dump(first), reference_);
    const QString meanwhile = box_.File(QStringLiteral("clinic_変換_3.mdb"));
    const JetConversion raced = ConvertJetFileBeside(chosen, [&](const JetProgress&) {
        if (!QFileInfo::exists(meanwhile)) box_.WriteText(QStringLiteral("clinic_変換_3.mdb"), "made meanwhile");
    });
    EXPECT_EQ(raced.converted, box_.File(QStringLiteral("clinic_変換_4.mdb")));
    EXPECT_EQ(Bytes(meanwhile), QByteArray("made meanwhile"));
    EXPECT_EQ(Dump(raced.converted), reference_);

    // Whatever the chosen file is called (here as the start-up's work file),
    // it is only read, and no work file is left beside it. The journal of a
    // write that another database's program left under the new name is set
    // aside, not rolled into the new file.
    const QString other = box_.CopyTemplate(QStringLiteral("other.mdb"));
    ASSERT_EQ(test::RunInChild([&] {
                  sqlite3* raw = nullptr;
                  sqlite3_open(QFile::encodeName(other).constData(), &raw);
                  sqlite3_exec(raw,
                               "PRAGMA cache_size=2; BEGIN; UPDATE TPatient SET Name='cut off'; CREATE TABLE F(x);"
                               "INSERT INTO F SELECT randomblob(4000) FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION "
                               "ALL SELECT i+1 FROM n WHERE i<200) SELECT i FROM n);",
                               nullptr, nullptr, nullptr);
                  test::KillThisProcess();
              }),
              test::ChildEnd::Killed);
    ASSERT_TRUE(QFile::rename(other + QStringLiteral("-journal"), box_.File(QStringLiteral("VXCV_変換.mdb-journal"))));
    ASSERT_TRUE(QFile::remove(other));
    box_.WriteText(QStringLiteral("VXCV.MDB"), windows_);
    EXPECT_EQ(Dump(ConvertJetFileBeside(box_.File(QStringLiteral("VXCV.MDB"))).converted), reference_);
    EXPECT_EQ(QDir(box_.Path()).entryList({QStringLiteral("VXCV_変換.mdb-journal_*")}, QDir::Files).size(), 1);
    ASSERT_TRUE(QFile::remove(box_.File(QDir(box_.Path()).entryList({QStringLiteral("VXCV_変換.mdb-journal_*")})[0])));
    EXPECT_EQ(Bytes(box_.File(QStringLiteral("VXCV.MDB"))), windows_);
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("VXCV.MDB"), QStringLiteral("VXCV_変換.mdb"),
                                    QStringLiteral("VXMOX2_ORG.MDB"), QStringLiteral("clinic.mdb"),
                                    QStringLiteral("clinic_変換.mdb"), QStringLiteral("clinic_変換_2.mdb"),
                                    QStringLiteral("clinic_変換_3.mdb"), QStringLiteral("clinic_変換_4.mdb")}));
}

// A page of the file, as the fixture writer lays them out: 4 KiB each,
// a definition page starting 02 01, a data page 01 01 that names its
// table's definition page, the definition's counts where Access keeps them.
constexpr int kPage = 4096;

QByteArray Mutated(QByteArray bytes, const std::function<void(QByteArray&, int page)>& change) {
    for (int page = 0; page * kPage < bytes.size(); ++page) change(bytes, page);
    return bytes;
}

bool PageStarts(const QByteArray& bytes, int page, char a, char b) {
    return bytes.size() >= (page + 1) * kPage && bytes[page * kPage] == a && bytes[page * kPage + 1] == b;
}

int U16At(const QByteArray& b, int at) { return static_cast<uchar>(b[at]) | (static_cast<uchar>(b[at + 1]) << 8); }
void PutU16(QByteArray& b, int at, int v) {
    b[at] = char(v);
    b[at + 1] = char(v >> 8);
}
qint64 U32At(const QByteArray& b, int at) { return U16At(b, at) | (qint64(U16At(b, at + 2)) << 16); }

QByteArray Utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

// The definition page of the table with a column named `column`.
int DefinitionOf(const QByteArray& b, const QString& column) {
    for (int page = 3; page * kPage < b.size(); ++page)
        if (PageStarts(b, page, 2, 1) && b.mid(page * kPage, kPage).contains(Utf16(column))) return page;
    return -1;
}

// The first data page of the table defined on `definition`.
int FirstDataPageOf(const QByteArray& b, int definition) {
    for (int page = definition + 1; page * kPage < b.size(); ++page)
        if (PageStarts(b, page, 1, 1) && U32At(b, page * kPage + 4) == definition) return page;
    return -1;
}

// Where row `row` of `page` starts, and where it ends.
std::pair<int, int> RowOf(const QByteArray& b, int page, int row) {
    const int at = page * kPage;
    const int start = U16At(b, at + 14 + 2 * row) & 0x1fff;
    const int end = row == 0 ? kPage : (U16At(b, at + 12 + 2 * row) & 0x1fff);
    return {at + start, at + end};
}

TEST_F(JetConversionTest, ForeignDamagedOrUnreadableFilesAreRefusedAndNothingChanges) {
    const QByteArray foreign = Bytes(kWindowsDir + QStringLiteral("/foreign.mdb"));
    // Damage of a file as the Windows release leaves it.
    const QByteArray whole = Bytes(kWindowsDir + QStringLiteral("/compacted.mdb"));
    ASSERT_FALSE(whole.isEmpty());
    const qsizetype pages = whole.size() / kPage;
    // A data page of TExamData's, about the middle of the file.
    int middle = static_cast<int>(pages / 2);
    while (!PageStarts(whole, middle, 1, 1)) ++middle;
    QByteArray zeroed = whole;
    zeroed.replace(middle * kPage, kPage, QByteArray(kPage, '\0'));
    const int charges = DefinitionOf(whole, QStringLiteral("VectorPattern"));
    const int patients = DefinitionOf(whole, QStringLiteral("KalteNumber"));
    const int exams = DefinitionOf(whole, QStringLiteral("PocketFree"));
    ASSERT_GT(charges, 0);
    ASSERT_GT(patients, 0);
    ASSERT_GT(exams, 0);
    const auto changed = [&whole](const std::function<void(QByteArray&)>& change) {
        QByteArray b = whole;
        change(b);
        return b;
    };
    const struct {
        const char* what;
        QByteArray bytes;
        FailureKind why;
        const char* said;
    } cases[] = {
        {"foreign", foreign, FailureKind::Foreign,
         "本システムのデータベースではありません（表 TVersion がありません）。"},
        {"cut short", whole.left(3 * kPage), FailureKind::Damaged, "壊れている"},
        {"header only", whole.left(40), FailureKind::Damaged, "壊れている"},
        // An interrupted copy from a USB stick: the catalogue is whole.
        {"90 %", whole.left(pages * 9 / 10 * kPage), FailureKind::Damaged, "壊れている"},
        {"60 %", whole.left(pages * 6 / 10 * kPage), FailureKind::Damaged, "壊れている"},
        {"a data page zeroed", zeroed, FailureKind::Damaged, "壊れている"},
        // Counts and pointers that lead outside their page are damage.
        {"column counts beyond the page",
         Mutated(whole,
                 [](QByteArray& b, int page) {
                     if (page != 2 && PageStarts(b, page, 2, 1))
                         b[page * kPage + 45] = b[page * kPage + 46] = char(0xFF);
                 }),
         FailureKind::Damaged, "壊れている"},
        {"the catalogue's usage map pointer",
         Mutated(whole,
                 [](QByteArray& b, int page) { b[2 * kPage + 55] = page == 0 ? char(0x7F) : b[2 * kPage + 55]; }),
         FailureKind::Damaged, "壊れている"},
        // Damage that keeps every row count is still damage: never a file
        // converted with Nulls or nameless columns, nor refused as another kind.
        {"a column of TCharge at the place of another", changed([&](QByteArray& b) {
             const int at = charges * kPage;
             for (int i = 0; i < U16At(b, at + 45); ++i) {
                 const int entry = at + 63 + 12 * static_cast<int>(U32At(b, at + 51)) + 25 * i;
                 if (!(b[entry + 15] & 0x01)) {
                     PutU16(b, entry + 7, U16At(b, at + 43));
                     break;
                 }
             }
         }),
         FailureKind::Damaged, "壊れている"},
        {"one column less in TCharge's definition",
         changed([&](QByteArray& b) { PutU16(b, charges * kPage + 45, U16At(b, charges * kPage + 45) - 1); }),
         FailureKind::Damaged, "壊れている"},
        {"one index more in TCharge's definition",
         changed([&](QByteArray& b) { PutU16(b, charges * kPage + 47, U16At(b, charges * kPage + 47) + 1); }),
         FailureKind::Damaged, "壊れている"},
        {"an examination's place on its page", changed([&](QByteArray& b) {
             const int at = FirstDataPageOf(b, exams) * kPage + 14 + 2 * 1;
             PutU16(b, at, U16At(b, at) + 32);
         }),
         FailureKind::Damaged, "壊れている"},
        {"a patient without his ID", changed([&](QByteArray& b) {
             const int end = RowOf(b, FirstDataPageOf(b, patients), 0).second;
             b[end - 2] = char(b[end - 2] & ~0x01);  // the null mask's first bit
         }),
         FailureKind::Damaged, "壊れている"},
        {"an examination's ID twice", changed([&](QByteArray& b) {
             const int page = FirstDataPageOf(b, exams);
             b.replace(RowOf(b, page, 1).first + 2, 4, b.mid(RowOf(b, page, 0).first + 2, 4));
         }),
         FailureKind::Damaged, "壊れている"},
        // A row that counts one variable column less than it holds: the
        // last of its texts came out as Null.
        {"an examination's variable columns one short", changed([&](QByteArray& b) {
             const auto [start, end] = RowOf(b, FirstDataPageOf(b, exams), 3);
             const int at = end - (U16At(b, start) + 7) / 8 - 2;
             PutU16(b, at, U16At(b, at) - 1);
         }),
         FailureKind::Damaged, "壊れている"},
        // A catalogue entry of this system's table damaged: this system's
        // file all the same.
        {"TPatient's name in the catalogue", changed([](QByteArray& b) {
             const qsizetype at = b.indexOf(Utf16(QStringLiteral("TPatient")), 3 * kPage);
             b[at + 2] = 'Q';
         }),
         FailureKind::Damaged, "壊れている"},
        // A property block whose reading would never end is damage too.
        {"a property block read for ever", Bytes(kWindowsDir + QStringLiteral("/runaway_properties.mdb")),
         FailureKind::Damaged, "壊れている"},
        // A file whole but for its row count: the clinic is told what to do.
        {"the examinations' row count one short", changed([&](QByteArray& b) {
             const int at = exams * kPage + 16;
             PutU16(b, at, U16At(b, at) - 1);
         }),
         FailureKind::StaleCount, "Windows 版を一度起動して通常どおり終了"},
        {"version 0.0.5", Bytes(kWindowsDir + QStringLiteral("/version_0_0_5.mdb")), FailureKind::OldVersion,
         "データベースのバージョンが一致しません。"},
        {"no version row", Bytes(kWindowsDir + QStringLiteral("/no_version.mdb")), FailureKind::OldVersion,
         "データベースのバージョンが一致しません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.bytes.isEmpty());
        PutMain(c.bytes);
        const QStringList before = Files();
        const JetConversion atStart = ConvertJetMainDatabase();
        ASSERT_TRUE(atStart.Refused());
        EXPECT_EQ(atStart.failure.kind, c.why) << atStart.failure.detail.toStdString();
        EXPECT_EQ(Bytes(main_), c.bytes);
        EXPECT_EQ(Files(), before);
        const QString said = FailureText(atStart.failure);
        EXPECT_TRUE(said.contains(main_)) << said.toStdString();
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.said))) << said.toStdString();
        // The support desk reads the file the user has and the cause in words,
        // not the copy the conversion read nor a number.
        const QStringList logged = QString::fromUtf8(Bytes(box_.File(QStringLiteral("Log_MOX.txt"))))
                                       .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_FALSE(logged.isEmpty());
        EXPECT_TRUE(
            logged.last().contains(QStringLiteral("Access 形式のデータベースの変換 ") + main_ + QStringLiteral("：")))
            << logged.last().toStdString();
        EXPECT_TRUE(logged.last().contains(QString::fromUtf8(c.said))) << logged.last().toStdString();
        EXPECT_FALSE(logged.last().contains(QLatin1Char('\r')));
        // Damaged files of this system are never called another program's.
        EXPECT_EQ(said.contains(QStringLiteral("本システムのデータベースではありません")),
                  c.why == FailureKind::Foreign);
        if (c.why == FailureKind::StaleCount) {
            EXPECT_TRUE(said.contains(QStringLiteral("表 TExamData"))) << said.toStdString();
            EXPECT_TRUE(atStart.failure.detail.contains(QStringLiteral("342 rows read, 341 defined")))
                << atStart.failure.detail.toStdString();
        }

        const JetConversion opened = ConvertJetFileBeside(main_);
        EXPECT_EQ(opened.failure.kind, c.why);
        EXPECT_TRUE(FailureText(opened.failure).contains(main_));
        EXPECT_EQ(Files(), before);
    }
    EXPECT_TRUE(boxes_.Shown().empty());
}

// The reader is stopped when it says nothing for the silence limit (a file
// on a medium that no longer answers): the file is said not to have been
// read in time, not to be damaged, and the program's events ran meanwhile.
// One that crashes is heard of at once.
TEST_F(JetConversionTest, AReaderThatHangsOrCrashesIsStoppedAndTheFileRefused) {
    PutMain(windows_);
    const QString work = box_.File(QStringLiteral("work.MDB"));
    const auto reader = [&](const char* name, const char* script) {
        box_.WriteText(QString::fromLatin1(name), QByteArray("#!/bin/sh\n") + script + "\n");
        ::chmod(QFile::encodeName(box_.File(QString::fromLatin1(name))).constData(), 0700);
        db::JetReadOptions options;
        options.readerProgram = box_.File(QString::fromLatin1(name));
        return options;
    };
    db::JetReadOptions silent = reader("silent", "exec sleep 600");
    silent.silenceLimitMs = 200;
    bool eventsRan = false;
    QTimer::singleShot(0, [&eventsRan] { eventsRan = true; });
    const JetConversion hung = FillFromJetDatabase(main_, work, {}, silent);
    EXPECT_EQ(hung.failure.kind, FailureKind::TooSlow) << hung.failure.detail.toStdString();
    EXPECT_TRUE(FailureText(hung.failure).contains(QStringLiteral("時間内に読み込めませんでした")));
    EXPECT_FALSE(FailureText(hung.failure).contains(QStringLiteral("壊れている")));
    EXPECT_TRUE(eventsRan);

    const JetConversion crashed = FillFromJetDatabase(main_, work, {}, reader("crashing", "kill -SEGV $$"));
    EXPECT_EQ(crashed.failure.kind, FailureKind::Damaged);
    EXPECT_TRUE(crashed.failure.detail.contains(QStringLiteral("signal 11"))) << crashed.failure.detail.toStdString();

    EXPECT_EQ(Bytes(main_), windows_);
    EXPECT_FALSE(QFileInfo::exists(work));
    EXPECT_TRUE(boxes_.Shown().empty());
}

// A folder that refuses new files, or a full disk, is named; engine text
// never reaches the sentence.
TEST_F(JetConversionTest, AFolderThatTakesNoFileIsNamed) {
    const QString chosen = box_.File(QStringLiteral("clinic.mdb"));
    box_.WriteText(QStringLiteral("clinic.mdb"), windows_);
    for (const int error : {EACCES, ENOSPC}) {
        SCOPED_TRACE(error);
        platform::FileStepFault fault(1, error);
        const JetConversion c = ConvertJetFileBeside(chosen);
        ASSERT_TRUE(c.Refused());
        EXPECT_EQ(c.failure.kind, error == EACCES ? FailureKind::ReadOnly : FailureKind::DiskFull);
        const QString said = FailureText(c.failure);
        EXPECT_TRUE(said.contains(QDir::toNativeSeparators(box_.Path()))) << said.toStdString();
        EXPECT_TRUE(said.contains(QStringLiteral("変換したファイル")));
        EXPECT_FALSE(said.contains(QStringLiteral("テンプレート")));
        EXPECT_EQ(Files(), (QStringList{QStringLiteral("VXMOX2_ORG.MDB"), QStringLiteral("clinic.mdb")}));
    }
}

// Failing or killed at a step of the copy between the databases, or at the
// k-th step of the file writes (kept copy, template copy, placing): the
// main file is the Windows file or its whole conversion, and the next start
// converts what is left to convert, or tells of the conversion that a
// killed run made and could not tell. However often it starts again, one
// kept copy holds the original, and no work file stays.
TEST_F(JetConversionTest, FailureOrKillAtAnyStepLeavesTheWindowsFileOrItsConversion) {
    const auto again = [&](bool convertedBefore) {
        const JetConversion c = ConvertJetMainDatabase();
        EXPECT_TRUE(c.Converted()) << FailureText(c.failure).toStdString();
        EXPECT_EQ(c.toldLate, convertedBefore);
        EXPECT_EQ(Bytes(c.kept), windows_);
        ForgetJetConversionNote();
        EXPECT_EQ(Dump(main_), reference_);
        EXPECT_EQ(ModeOf(main_), 0640u);
    };
    for (ConversionStep failing : {ConversionStep::CopyTables, ConversionStep::Commit}) {
        SCOPED_TRACE(static_cast<int>(failing));
        PutMain(windows_);
        const JetConversion failed = ConvertJetMainDatabase({}, [failing](ConversionStep step) {
            if (step == failing) throw std::runtime_error("入出力エラー");
        });
        EXPECT_TRUE(failed.Refused());
        EXPECT_FALSE(FailureText(failed.failure).contains(QStringLiteral("入出力エラー")));
        EXPECT_EQ(Bytes(main_), windows_);
        again(false);
    }
    int failures = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        PutMain(windows_);
        int taken = 0;
        bool converted = false;
        {
            platform::FileStepFault fault(k, EIO);
            converted = ConvertJetMainDatabase().Converted();
            taken = static_cast<int>(fault.StepsTaken());
        }
        ExpectWindowsFileOrItsConversion();
        failures += Bytes(main_) == windows_ ? 1 : 0;
        if (Bytes(main_) == windows_) again(false);
        if (converted) ForgetJetConversionNote();
        if (taken < k) break;
    }
    EXPECT_GE(failures, 6);

    const auto killedAt = [&](const std::function<void()>& conversion) -> bool {
        PutMain(windows_);
        const bool killed = test::RunInChild(conversion) == test::ChildEnd::Killed;
        ExpectWindowsFileOrItsConversion();
        again(Bytes(main_) != windows_);
        return killed;
    };
    for (ConversionStep killAt : {ConversionStep::CopyTables, ConversionStep::Commit}) {
        SCOPED_TRACE(static_cast<int>(killAt));
        EXPECT_TRUE(killedAt([killAt] { ConvertJetMainDatabase({}, test::KillAt(killAt)); }));
    }
    int kills = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        const bool killed = killedAt([k] {
            test::KillAtFileStep fault(k);
            ConvertJetMainDatabase();
        });
        if (!killed) break;
        ++kills;
    }
    EXPECT_GE(kills, 6);
    QStringList keptCopies;
    for (const QString& name : Files())
        if (name.startsWith(QStringLiteral("VXMOX2_2"))) keptCopies << name;
    EXPECT_EQ(keptCopies, QStringList{QStringLiteral("VXMOX2_20261209_1930.mdb")});
    EXPECT_FALSE(Files().contains(QStringLiteral("VXCV.MDB")));
    EXPECT_FALSE(Files().contains(QStringLiteral("VXCV.MDB-journal")));
}

// A killed run's work file with a hot journal of its own transaction (here
// one that dropped a table) is never rolled into the next conversion.
TEST_F(JetConversionTest, AStaleWorkFileAndItsJournalAreNotRolledIntoTheNextConversion) {
    const QString work = box_.File(QStringLiteral("VXCV.MDB"));
    ASSERT_TRUE(QFile::copy(box_.File(QStringLiteral("VXMOX2_ORG.MDB")), work));
    {
        auto conn = db::Connection::Open(db::DataSourcePart(work));
        conn->Execute(QStringLiteral("CREATE TABLE Stale (Note TEXT)"));
        db::Transaction t(*conn);
        for (int i = 0; i < 2000; ++i)
            conn->Execute(QStringLiteral("INSERT INTO Stale VALUES (?)"), {QString(500, u'x')});
        t.Commit();
        conn->Close();
    }
    ASSERT_EQ(test::RunInChild([&] {
                  auto conn = db::Connection::Open(db::DataSourcePart(work));
                  conn->Execute(QStringLiteral("PRAGMA cache_size=4"));
                  conn->BeginTrans();
                  conn->Execute(QStringLiteral("UPDATE Stale SET Note = 'y'"));
                  conn->Execute(QStringLiteral("DROP TABLE Stale"));
                  test::KillThisProcess();
              }),
              test::ChildEnd::Killed);
    ASSERT_TRUE(QFileInfo::exists(work + QStringLiteral("-journal")));

    PutMain(windows_);
    const JetConversion c = ConvertJetMainDatabase();
    ASSERT_TRUE(c.Converted()) << c.failure.detail.toStdString();
    EXPECT_EQ(Dump(main_), reference_);
}

}  // namespace
}  // namespace mox
