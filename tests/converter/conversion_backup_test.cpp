// The copy of the main database a conversion starts from: made under a name
// no earlier copy has, and counted only when it is whole.

#include "converter/conversion_backup.h"
#include "platform/atomic_file.h"
#include "tests/converter/converter_fixture.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFileInfo>
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
        return QDir(box_.Path()).entryList({QStringLiteral(".*.part.*")}, QDir::Files | QDir::Hidden);
    }
};

TEST_F(ConversionBackupTest, AFailureAtAnyStepOfTheCopyLeavesNoCopyAndTheEarlierOnesAlone) {
    box_.WriteText(QStringLiteral("VXMOX2_20240506_1020.mdb"), "an earlier copy");
    // A database that others may read gives a copy that only its owner may.
    ASSERT_TRUE(QFile::setPermissions(Path(QStringLiteral("VXMOX2.MDB")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    platform::FileStepFault counter;
    const QString made = MakeConversionBackup();
    ASSERT_FALSE(made.isEmpty());
    EXPECT_EQ(QFileInfo(made).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
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
        EXPECT_EQ(boxes_.Shown().size(), 1u) << failAt;
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
                 QDir(folder).entryList({QStringLiteral(".*.part.*")}, QDir::Files | QDir::Hidden))
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
