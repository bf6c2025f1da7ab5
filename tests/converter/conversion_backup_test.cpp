// The copy of the main database a conversion starts from: made under a name
// no earlier copy has, and counted only when it is whole.

#include "converter/conversion_backup.h"
#include "converter/patient_copy.h"
#include "platform/atomic_file.h"
#include "tests/converter/converter_fixture.h"

#include <gtest/gtest.h>
#include <QDir>
#include <algorithm>

namespace mox::convert::test {
namespace {

class ConversionBackupTest : public ConverterTest {
protected:
    void SetUp() override {
        ConverterTest::SetUp();
        MakeMainDatabase();
        CopySources();
    }
    QStringList Backups() const {
        return QDir(box_.Path()).entryList({QStringLiteral("VXMOX2_*")}, QDir::Files | QDir::Hidden, QDir::Name);
    }
    QStringList Leftovers() const {
        return QDir(box_.Path()).entryList({QStringLiteral(".*.part-*")}, QDir::Files | QDir::Hidden);
    }
};

TEST_F(ConversionBackupTest, TwoConversionsInOneMinuteKeepBothCopies) {
    const QByteArray before = FileBytes(MainPath());
    const QString first = MakeConversionBackup();
    EXPECT_EQ(first, Path(QStringLiteral("VXMOX2_20240506_1020.mdb")));
    ASSERT_FALSE(ConvertPatients({{SourceDb::A, 1, 3}}).has_value());

    clock_.Advance(20'000);
    const QString second = MakeConversionBackup();
    EXPECT_EQ(second, Path(QStringLiteral("VXMOX2_20240506_1020_2.mdb")));
    EXPECT_TRUE(boxes_.Shown().empty());

    // The first copy is still the database before the first conversion,
    // the second the one before the second.
    EXPECT_EQ(FileBytes(first), before);
    EXPECT_EQ(FileBytes(second), FileBytes(MainPath()));
    EXPECT_NE(FileBytes(second), before);
    EXPECT_EQ(QFile::permissions(second) & 0x0077, 0);
}

// A folder the program may not write into (EACCES at the first step of the
// copy; the tests may run as root, whom permissions do not stop).
TEST_F(ConversionBackupTest, AFolderThatRefusesTheCopyStopsBeforeAnyWrite) {
    const QByteArray before = FileBytes(MainPath());
    {
        platform::FileStepFault refused(1, EACCES);
        EXPECT_TRUE(MakeConversionBackup().isEmpty());
    }
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_TRUE(
        boxes_.Shown()[0].prompt.startsWith(QStringLiteral("ファイルコピー(CopyFile)でエラーが発生しました。")));
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("アクセスが拒否されました。")));
    EXPECT_EQ(boxes_.Shown()[1].caption, QStringLiteral("コンバートエラー"));
    EXPECT_TRUE(boxes_.Shown()[1].prompt.contains(QStringLiteral("データベースは変更していません。")));
    EXPECT_TRUE(Backups().isEmpty());
    EXPECT_EQ(FileBytes(MainPath()), before);
}

TEST_F(ConversionBackupTest, AFailureAtAnyStepOfTheCopyLeavesNoCopyAndTheEarlierOnesAlone) {
    box_.WriteText(QStringLiteral("VXMOX2_20240506_1020.mdb"), "an earlier copy");
    platform::FileStepFault counter;
    ASSERT_FALSE(MakeConversionBackup().isEmpty());
    const int steps = counter.StepsTaken();
    ASSERT_GE(steps, 4);
    QFile::remove(Path(QStringLiteral("VXMOX2_20240506_1020_2.mdb")));

    // The folder sync comes after the rename and cannot undo it.
    for (int failAt = 1; failAt < steps; ++failAt) {
        boxes_.Clear();
        {
            platform::FileStepFault fault(failAt, EIO);
            EXPECT_TRUE(MakeConversionBackup().isEmpty()) << failAt;
        }
        EXPECT_EQ(boxes_.Shown().size(), 2u) << failAt;
        EXPECT_EQ(Backups(), QStringList{QStringLiteral("VXMOX2_20240506_1020.mdb")}) << failAt;
        EXPECT_TRUE(Leftovers().isEmpty()) << failAt;
        EXPECT_EQ(FileBytes(Path(QStringLiteral("VXMOX2_20240506_1020.mdb"))), QByteArray("an earlier copy"));
    }
}

// A copy that arrived cut short (a disk that lost the end of it) is caught
// by opening it, and removed.
TEST_F(ConversionBackupTest, ACopyThatIsNotWholeIsCaughtByOpeningIt) {
    int syncStep = 0;
    {
        platform::FileStepFault counter;
        ASSERT_FALSE(MakeConversionBackup().isEmpty());
        const auto& steps = counter.Steps();
        syncStep =
            static_cast<int>(std::find(steps.begin(), steps.end(), platform::FileStep::Sync) - steps.begin()) + 1;
    }
    QFile::remove(Path(QStringLiteral("VXMOX2_20240506_1020.mdb")));

    const QString folder = box_.Path();
    {
        platform::FileStepFault cut(syncStep, [&](platform::FileStep) {
            for (const QString& part :
                 QDir(folder).entryList({QStringLiteral(".*.part-*")}, QDir::Files | QDir::Hidden))
                QFile(folder + QLatin1Char('/') + part).resize(16 * 1024);
        });
        EXPECT_TRUE(MakeConversionBackup().isEmpty());
    }
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("コンバートエラー"));
    EXPECT_TRUE(Backups().isEmpty());
}

}  // namespace
}  // namespace mox::convert::test
