// Converting patients of the older release: the rows that come out, compared
// with a committed reference, the identifiers they get, and what a failure
// or a killed process at any statement leaves behind.

#include "converter/patient_copy.h"
#include "converter/source_databases.h"
#include "core/program_log.h"
#include "tests/converter/converter_fixture.h"
#include "tests/support/kill_at.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
#include <set>

namespace mox::convert::test {
namespace {

const QStringList kChangingColumns = {QStringLiteral("ID"), QStringLiteral("UpDate")};

// The mappings of the reference conversion: one patient into two slots, and
// one into the slot that already holds a patient.
const std::vector<PatientMapping> kReferenceMappings = {{SourceDb::A, 1, 3}, {SourceDb::A, 1, 5}, {SourceDb::B, 2, 7}};

class PatientCopyTest : public ConverterTest {
protected:
    void SetUp() override {
        ConverterTest::SetUp();
        MakeMainDatabase();
        CopySources();
    }

    db::ConnectionPtr Main() const { return db::Connection::Open(db::DataSourcePart(MainPath())); }

    QStringList SlotRows(const QList<int>& targets) const {
        auto conn = Main();
        QStringList lines;
        for (const int target : targets) {
            for (const QString& row :
                 DumpRows(*conn, QStringLiteral("SELECT * FROM TPatient WHERE ID=?"), {target}, kChangingColumns))
                lines << QStringLiteral("TPatient ") + row;
            for (const QString& row :
                 DumpRows(*conn, QStringLiteral("SELECT * FROM TExamData WHERE PatientID=? ORDER BY ID"), {target},
                          kChangingColumns))
                lines << QStringLiteral("TExamData ") + row;
        }
        return lines;
    }

    QStringList RowsOutside(const QList<int>& targets) const {
        QStringList marks;
        for (const int target : targets) marks << QString::number(target);
        const QString list = marks.join(QLatin1Char(','));
        auto conn = Main();
        return DumpRows(*conn, QStringLiteral("SELECT * FROM TPatient WHERE ID NOT IN (%1) ORDER BY ID").arg(list)) +
               DumpRows(*conn,
                        QStringLiteral("SELECT * FROM TExamData WHERE PatientID NOT IN (%1) ORDER BY ID").arg(list));
    }

    int64_t ExamCounter() const {
        return Main()->Scalar(QStringLiteral("SELECT ExamData FROM TNextAutoNumber WHERE ID=0")).AsInt64();
    }

    // The statements of the reference conversion, counted on a copy so that
    // the database under test stays as it is.
    std::vector<CopyStep> ReferenceSteps() {
        std::vector<CopyStep> steps;
        const QString scratch = Path(QStringLiteral("scratch.MDB"));
        EXPECT_TRUE(QFile::copy(MainPath(), scratch));
        G().SetMainDatabase(scratch);
        EXPECT_FALSE(
            ConvertPatients(kReferenceMappings, [&steps](CopyStep step) { steps.push_back(step); }).has_value());
        G().SetMainDatabase(MainPath());
        ResetAllSlots();
        return steps;
    }
};

QStringList ReadGolden(const QString& name) {
    QFile f(GoldenDir() + QLatin1Char('/') + name);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void ExpectSameRows(const QStringList& rows, const QStringList& expected) {
    EXPECT_EQ(rows.size(), expected.size());
    for (qsizetype i = 0; i < std::min(rows.size(), expected.size()); ++i)
        EXPECT_EQ(rows[i].toStdString(), expected[i].toStdString()) << "row " << i;
}

// MOX_UPDATE_GOLDEN=1 writes the reference anew; the result must then be
// read through before it is committed.
void CompareWithGolden(const QStringList& rows, const QString& name) {
    if (qEnvironmentVariable("MOX_UPDATE_GOLDEN") == QLatin1String("1")) {
        QFile f(GoldenDir() + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((rows.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    }
    const QStringList golden = ReadGolden(name);
    ASSERT_FALSE(golden.isEmpty()) << "no reference " << name.toStdString();
    ExpectSameRows(rows, golden);
}

TEST_F(PatientCopyTest, ConvertedRowsMatchTheReferenceAndTakeNewIdentifiersFromTheCounter) {
    const QStringList othersBefore = RowsOutside({3, 5, 7});
    const int64_t counterBefore = ExamCounter();
    const QByteArray sourceA = FileBytes(Path(QStringLiteral("vexaMOX.MDB")));
    const QByteArray sourceB = FileBytes(Path(QStringLiteral("vexaMOXDH.MDB")));
    std::set<int64_t> oldIds;
    for (const QString& id : DumpRows(*Main(), QStringLiteral("SELECT ID FROM TExamData")))
        oldIds.insert(id.toLongLong());

    ASSERT_FALSE(ConvertPatients(kReferenceMappings).has_value());
    EXPECT_TRUE(boxes_.Shown().empty());

    CompareWithGolden(SlotRows({3, 5, 7}), QStringLiteral("converted_slots.txt"));

    // New identifiers, one per row, in the order the rows were written, from
    // the counter, which has moved past them.
    const QStringList ids =
        DumpRows(*Main(), QStringLiteral("SELECT ID FROM TExamData WHERE PatientID IN (3, 5, 7) ORDER BY ID"));
    ASSERT_EQ(ids.size(), 9 + 9 + 6);
    for (qsizetype i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(ids[i].toLongLong(), 10'000'000 + counterBefore + i);
        EXPECT_EQ(oldIds.count(ids[i].toLongLong()), 0u);
    }
    EXPECT_EQ(ExamCounter(), counterBefore + ids.size());

    // Nothing else changed, and the sources were only read.
    EXPECT_EQ(RowsOutside({3, 5, 7}), othersBefore);
    EXPECT_EQ(FileBytes(Path(QStringLiteral("vexaMOX.MDB"))), sourceA);
    EXPECT_EQ(FileBytes(Path(QStringLiteral("vexaMOXDH.MDB"))), sourceB);
    EXPECT_EQ(IntegrityCheck(MainPath()), QStringLiteral("ok"));
}

// The older release wrote Jet files: the same rows, read through the Jet
// reader, convert to the same result. The reader cannot tell an empty text
// from a Null (mdbtools gives both as an empty value): empty texts arrive as
// Null.
TEST_F(PatientCopyTest, JetFilesOfTheOlderReleaseConvertToTheSameRows) {
    for (const char* name : {"vexaMOX.MDB", "vexaMOXDH.MDB"}) {
        ASSERT_TRUE(QFile::remove(Path(QLatin1String(name))));
        ASSERT_TRUE(
            QFile::copy(OldReleaseDir() + QStringLiteral("/jet/") + QLatin1String(name), Path(QLatin1String(name))));
    }
    const QByteArray jet = FileBytes(Path(QStringLiteral("vexaMOX.MDB")));
    ASSERT_EQ(jet.mid(4, 15), QByteArray("Standard Jet DB"));
    EXPECT_EQ(ReadSourcePatients(SourceDb::B), (SourceFlags{1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 0}));

    // The Jet reader loads a whole file at each open: each source is opened
    // once, though A-1 goes into two slots.
    QStringList opened;
    SetConnectionFactory([&opened](const QString& connection) {
        opened << QFileInfo(db::ConnectionInfo::Parse(connection).dataSource).fileName();
        return db::Connection::Open(connection);
    });
    const bool failed = ConvertPatients(kReferenceMappings).has_value();
    SetConnectionFactory({});
    ASSERT_FALSE(failed);
    EXPECT_EQ(opened.count(QStringLiteral("vexaMOX.MDB")), 1);
    EXPECT_EQ(opened.count(QStringLiteral("vexaMOXDH.MDB")), 1);
    EXPECT_TRUE(boxes_.Shown().empty());
    const QStringList expected = ReadGolden(QStringLiteral("converted_slots.txt"));
    ASSERT_FALSE(expected.isEmpty());
    ExpectSameRows(SlotRows({3, 5, 7}), expected);
    EXPECT_EQ(FileBytes(Path(QStringLiteral("vexaMOX.MDB"))), jet);
}

TEST_F(PatientCopyTest, NullsMissingColumnsAndPatientsWithoutRowsOfOneKindConvert) {
    // A-4 holds Nulls in its texts, dates, birthday and sex; A-3's
    // examination has no stage and no staff member; A-7 has no examination;
    // B has no patient 9 but holds its examination rows.
    CopyPatientA(4, 10);
    CopyPatientA(3, 11);
    CopyPatientA(7, 12);
    CopyPatientB(9, 13);
    EXPECT_TRUE(boxes_.Shown().empty());
    auto conn = Main();

    EXPECT_EQ(
        DumpRows(*conn, QStringLiteral("SELECT * FROM TPatient WHERE ID=10"), {}, kChangingColumns),
        QStringList{QStringLiteral(
            R"("A0004"|NULL|"高橋 美咲"|"2024/05/06"|0|NULL|NULL|NULL|NULL|NULL|"2019-04-01 00:00:00"|0|"申請04")")});
    EXPECT_EQ(DumpRows(*conn, QStringLiteral("SELECT CommentID, Comment, ChargeID FROM TExamData WHERE PatientID=11")),
              QStringList(3, QStringLiteral(R"(NULL|""|NULL)")));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TPatient WHERE ID=12")).ToInt32(), 1);
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=12")).ToInt32(), 0);
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TPatient WHERE ID=13")).ToInt32(), 0);
    EXPECT_EQ(DumpRows(*conn, QStringLiteral("SELECT Row, PocketFree, IsPrinted, Comment FROM TExamData "
                                             "WHERE PatientID=13 ORDER BY ID")),
              (QStringList{QStringLiteral(R"(0|NULL|NULL|"初診時")"), QStringLiteral(R"(1|NULL|NULL|"初診時")"),
                           QStringLiteral(R"(9|NULL|NULL|"初診時")")}));

    // A patient mapped again replaces its earlier copy, rows and all.
    CopyPatientA(1, 12);
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID=12")).ToText(),
              QStringLiteral("山田 太郎"));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=12")).ToInt32(), 9);
}

// A failing statement anywhere, the counter's included, takes the whole
// conversion back: earlier mappings, the emptied slots and the counter.
TEST_F(PatientCopyTest, AFailureAtAnyStatementLeavesTheDatabaseAsItWas) {
    const std::vector<CopyStep> steps = ReferenceSteps();
    ASSERT_GT(steps.size(), 30u);
    const QStringList before = DumpDatabase(MainPath());
    for (size_t failAt = 1; failAt <= steps.size(); ++failAt) {
        size_t taken = 0;
        const std::optional<ConversionFailure> failure = ConvertPatients(kReferenceMappings, [&](CopyStep) {
            if (++taken == failAt) throw db::DbError(db::kErrSql, QStringLiteral("書き込みに失敗しました。"));
        });
        ASSERT_TRUE(failure.has_value()) << failAt;
        EXPECT_EQ(FailureText(failure->failure), QStringLiteral("書き込みに失敗しました。"));
        EXPECT_EQ(DumpDatabase(MainPath()), before) << "failing step " << failAt;
        EXPECT_EQ(IntegrityCheck(MainPath()), QStringLiteral("ok"));
        EXPECT_FALSE(GetSlotState(Slot::Main).hasConnection);
    }

    // The failure names the mapping that was being carried out.
    size_t taken = 0;
    const std::optional<ConversionFailure> failure = ConvertPatients(kReferenceMappings, [&](CopyStep step) {
        if (step == CopyStep::DeleteExams && ++taken == 3) throw db::DbError(db::kErrSql, QStringLiteral("x"));
    });
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(MappingText(failure->mapping), QStringLiteral("B-2 → 7"));
}

// The process ends at a statement (a power cut, a kill): the next opening
// of the database finds it as it was before the conversion.
TEST_F(PatientCopyTest, AProcessKilledAtAnyStatementLeavesTheDatabaseAsItWas) {
    const std::vector<CopyStep> steps = ReferenceSteps();
    const QStringList before = DumpDatabase(MainPath());
    ResetAllSlots();
    for (size_t killAt = 1; killAt <= steps.size(); killAt += 3) {
        ASSERT_EQ(mox::test::RunInChild(
                      [killAt] { ConvertPatients(kReferenceMappings, mox::test::KillAtStepNumber<CopyStep>(killAt)); }),
                  mox::test::ChildEnd::Killed)
            << "step " << killAt;
        EXPECT_EQ(DumpDatabase(MainPath()), before) << "killed at step " << killAt;
        EXPECT_EQ(IntegrityCheck(MainPath()), QStringLiteral("ok"));
    }
}

// A source that cannot give its rows stops the conversion before any slot
// is emptied.
TEST_F(PatientCopyTest, ASourceWithoutThePatientTablesIsNamedAndNothingIsWritten) {
    QFile::remove(Path(QStringLiteral("vexaMOX.MDB")));
    {
        auto other = db::Connection::CreateFile(Path(QStringLiteral("vexaMOX.MDB")));
        other->Execute(QStringLiteral("CREATE TABLE TPatient (ID LONG, Name TEXT(50))"));
        other->Execute(QStringLiteral("INSERT INTO TPatient VALUES (1, '山田')"));
    }
    const QStringList before = DumpDatabase(MainPath());

    const SourceFlags flags = ReadSourcePatients(SourceDb::A);
    EXPECT_EQ(flags, SourceFlags{});
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("vexaMOX.MDB")));
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("TExamData")));

    const std::optional<ConversionFailure> failure =
        ConvertPatients({{SourceDb::B, 1, 2}, {SourceDb::A, 1, 7}, {SourceDb::B, 2, 8}});
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(MappingText(failure->mapping), QStringLiteral("A-1 → 7"));
    EXPECT_TRUE(FailureText(failure->failure).contains(QStringLiteral("TExamData")));
    EXPECT_EQ(DumpDatabase(MainPath()), before);
}

TEST_F(PatientCopyTest, SourcesAreFoundWhateverTheCaseOfTheirCopiedNames) {
    QDir folder(box_.Path());
    ASSERT_TRUE(folder.rename(QStringLiteral("vexaMOX.MDB"), QStringLiteral("VEXAMOX.mdb")));
    ASSERT_TRUE(folder.rename(QStringLiteral("vexaMOXDH.MDB"), QStringLiteral("vexamoxdh.mdb")));
    EXPECT_EQ(ReadSourcePatients(SourceDb::A), (SourceFlags{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}));
    EXPECT_EQ(ReadSourcePatients(SourceDb::B), (SourceFlags{1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 0}));
    EXPECT_TRUE(boxes_.Shown().empty());
    ASSERT_FALSE(ConvertPatients({{SourceDb::B, 2, 9}}).has_value());
    EXPECT_EQ(Main()->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID=9")).ToText(),
              QStringLiteral("吉田 翔太"));

    // Without the files the columns hold nobody, and nothing is asked.
    QFile::remove(Path(QStringLiteral("VEXAMOX.mdb")));
    EXPECT_EQ(ReadSourcePatients(SourceDb::A), SourceFlags{});
    EXPECT_TRUE(boxes_.Shown().empty());

    // A second spelling leaves a guess: neither is read, and both are named.
    ASSERT_TRUE(QFile::copy(Path(QStringLiteral("vexamoxdh.mdb")), Path(QStringLiteral("VEXAMOXDH.MDB"))));
    EXPECT_EQ(ReadSourcePatients(SourceDb::B), SourceFlags{});
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.endsWith(QStringLiteral("\r\n\r\nVEXAMOXDH.MDB\r\nvexamoxdh.mdb")))
        << boxes_.Shown()[0].prompt.toStdString();
}

// Debian ships no program that writes Jet files; its Access sample is a
// database of another program, which the converter must refuse by name.
TEST_F(PatientCopyTest, AJetFileOfAnotherProgramIsReadAndRefusedByName) {
    const QString sample = mox::test::SampleJetFile();
    if (sample.isEmpty()) MOX_COMPONENT_MISSING("sample Jet file (package fp-units-db)");
    ASSERT_TRUE(mox::test::Gunzip(sample, Path(QStringLiteral("vexaMOXDH.MDB"))));
    const QByteArray jet = FileBytes(Path(QStringLiteral("vexaMOXDH.MDB")));
    ASSERT_EQ(jet.mid(4, 15), QByteArray("Standard Jet DB"));

    EXPECT_EQ(ReadSourcePatients(SourceDb::B), SourceFlags{});
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("vexaMOXDH.MDB")));
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("TPatient")));
    EXPECT_EQ(FileBytes(Path(QStringLiteral("vexaMOXDH.MDB"))), jet);
    // An Access 97 file is read as Shift-JIS, as the older release writes
    // it; the log says so where the file names another code page.
    EXPECT_TRUE(QString::fromUtf8(FileBytes(LogPath())).contains(QStringLiteral("code page 1252")));
}

}  // namespace
}  // namespace mox::convert::test
