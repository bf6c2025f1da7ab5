// The input store's deletions on the main database: an examination is every
// row of its calendar day, a patient every row of theirs; nobody else's rows
// and none of the patient's pictures go with them.

#include "records/exam_store.h"

#include "core/connections.h"
#include "core/image_table.h"
#include "core/settings.h"
#include "records/exam_record.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <vector>

namespace mox {
namespace {

constexpr int32_t kPatient = 7;
const QDate kDay(2023, 4, 1);

class ExamStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllSlots();
        const QString file = sandbox_.CopyTemplate();
        ASSERT_FALSE(file.isEmpty()) << "template database missing";
        G().SetMainDatabase(file);
        conn_ = db::Connection::Open(QStringLiteral("Data Source=") + file);
    }
    void TearDown() override { ResetAllSlots(); }

    void AddRow(int32_t id, int32_t patient, const QDateTime& when, int16_t stage) {
        CExamData r;
        r.ClearBuffer();
        r.ID = id;
        r.PatientID = patient;
        r.ExamDate = when;
        r.SubExam = 2;
        r.Examination = 2;
        r.CommentID = stage;
        auto rs = conn_->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=-1"));
        rs->AddNew();
        r.RecSetPut(*rs);
        rs->Update();
    }
    std::vector<int64_t> Ids(const QString& sql) {
        std::vector<int64_t> ids;
        for (auto rs = conn_->OpenRecordset(sql); !rs->IsEOF(); rs->MoveNext()) ids.push_back(rs->Field(0).ToInt64());
        return ids;
    }

    test::Sandbox sandbox_;
    db::ConnectionPtr conn_;
};

TEST_F(ExamStoreTest, DeletionsTakeTheWholeDayOrPatientAndLeaveThePicturesAndOtherPatients) {
    AddRow(1, kPatient, QDateTime(kDay, QTime(0, 0)), 1);
    AddRow(2, kPatient, QDateTime(kDay, QTime(23, 59, 59)), 3);
    AddRow(3, kPatient, QDateTime(kDay.addDays(1), QTime(0, 0)), 1);
    AddRow(4, kPatient + 1, QDateTime(kDay, QTime(9, 30)), 1);
    conn_->Execute(QStringLiteral("INSERT INTO TPatient (ID, Name) VALUES (?, ?)"),
                   {kPatient, QStringLiteral("削除 花子")});
    conn_->Execute(ImageTableDdl(kImageTable));
    conn_->Execute(QStringLiteral("INSERT INTO TImage (ID, PatientID, ExamDate, ImgPath1) VALUES (?, ?, ?, ?)"),
                   {5, kPatient, QDateTime(kDay, QTime(0, 0)), QStringLiteral("口腔内1.jpg")});
    const QString examRows = QStringLiteral("SELECT ID FROM TExamData WHERE PatientID IN (7, 8) ORDER BY ID");

    ASSERT_TRUE(DeleteExamination(kPatient, kDay));
    EXPECT_EQ(Ids(examRows), (std::vector<int64_t>{3, 4})) << "both stages of the day, whatever their time";

    ASSERT_TRUE(DeletePatient(kPatient));
    EXPECT_EQ(Ids(examRows), std::vector<int64_t>{4});
    EXPECT_TRUE(Ids(QStringLiteral("SELECT ID FROM TPatient WHERE ID=7")).empty());
    EXPECT_EQ(Ids(QStringLiteral("SELECT ID FROM TImage")), std::vector<int64_t>{5}) << "the patient's pictures stay";
}

}  // namespace
}  // namespace mox
