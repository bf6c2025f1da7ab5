// CImage and TImage: the table made or rebuilt in one transaction, the work
// table of an interrupted Windows rebuild, the retry rule, and the row
// operations with their bound values.

#include "tools/image_record.h"

#include "tests/tools/tools_test_support.h"

namespace mox::test {
namespace {

// TImage as the Windows program made it before Rotate9 existed.
QString OldLayoutDdl(const QString& table) {
    QString ddl = ImageTableDdl(table);
    ddl.replace(QStringLiteral(", Rotate9 LONG DEFAULT 0"), QString());
    return ddl;
}

class ImageRecordTest : public ::testing::Test, public ToolsEnvironment {
protected:
    ImageRecordTest() { db = OpenDb(mainDb); }
    ~ImageRecordTest() override { db->Close(); }
    void MakeOldTableWithRows(const QString& table = QStringLiteral("TImage")) {
        db->Execute(OldLayoutDdl(table));
        db->Execute(
            QStringLiteral("INSERT INTO %1 (ID, PatientID, ExamDate, SNo, ImgPath1, ImgPath2, ImgPath3, Rotate8) "
                           "VALUES (0, 0, '2020-01-01 10:00:00', 0, '歯科 医院', '山田', 'y@example.jp', 0), "
                           "(11, 3, '2021-05-06 00:00:00', 2, '/img/a.png', '', '', 90)")
                .arg(table));
    }
    // Through a connection of its own: one opened before the rebuild would
    // still see the old columns when it prepares "SELECT *".
    QStringList Rows(const QString& table) {
        QStringList rows;
        auto rs = OpenDb(mainDb)->OpenRecordset(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(table));
        for (; !rs->IsEOF(); rs->MoveNext()) {
            QStringList cells;
            for (const QString& c : rs->FieldNames())
                if (c != QStringLiteral("Rotate9")) cells << rs->Field(c).ToText();
            rows << cells.join(u'|');
        }
        return rows;
    }
    QString Schema() { return db->Scalar(QStringLiteral("SELECT group_concat(sql, ';') FROM sqlite_master")).ToText(); }

    db::ConnectionPtr db;
};

TEST_F(ImageRecordTest, MissingTableIsCreatedWithItsLayoutDefaultsAndKey) {
    ASSERT_FALSE(db->TableExists(QStringLiteral("TImage")));
    EXPECT_EQ(CImage().GetStatusTable(), -1);
    EXPECT_EQ(CImage().CheckTable(), 0);
    EXPECT_EQ(CImage().GetStatusTable(), 0);

    const QStringList columns = db->ColumnNames(QStringLiteral("TImage"));
    ASSERT_EQ(columns.size(), 41);
    EXPECT_EQ(columns.first(), QStringLiteral("ID"));
    EXPECT_EQ(columns.mid(4, 1), QStringList{QStringLiteral("ImgPath1")});
    EXPECT_EQ(columns.last(), QStringLiteral("UpDate"));
    const QStringList types = db->ColumnTypes(QStringLiteral("TImage"));
    EXPECT_EQ(types.mid(0, 4), (QStringList{"LONG", "LONG", "DATETIME", "LONG"}));
    EXPECT_EQ(types[4], QStringLiteral("TEXT(200)"));
    EXPECT_EQ(types[13], QStringLiteral("INTEGER"));
    EXPECT_EQ(types[31], QStringLiteral("LONG"));

    // A row with nothing but its ID takes the defaults; the key refuses a
    // second row of that ID and a row without one.
    db->Execute(QStringLiteral("INSERT INTO TImage (ID) VALUES (5)"));
    const QStringList defaults = QStringList{"5", "0", "", "0"} + QStringList(9, QString()) +
                                 QStringList(26, QStringLiteral("0")) + QStringList{QString()};
    EXPECT_EQ(Rows(QStringLiteral("TImage")), QStringList{defaults.join(u'|')});
    EXPECT_THROW(db->Execute(QStringLiteral("INSERT INTO TImage (ID) VALUES (5)")), db::DbError);
    EXPECT_THROW(db->Execute(QStringLiteral("INSERT INTO TImage (ID) VALUES (NULL)")), db::DbError);

    const QString schema = Schema();
    EXPECT_EQ(CImage().CheckTable(), 0);  // a current table is left alone
    EXPECT_EQ(Schema(), schema);
}

TEST_F(ImageRecordTest, OldLayoutIsRebuiltWithItsRowsAndNoWorkTableLeft) {
    MakeOldTableWithRows();
    const QStringList before = Rows(QStringLiteral("TImage"));
    EXPECT_EQ(CImage().GetStatusTable(), 1);
    EXPECT_EQ(CImage().CheckTable(), 0);
    EXPECT_EQ(CImage().GetStatusTable(), 0);
    EXPECT_EQ(Rows(QStringLiteral("TImage")), before);
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT Rotate9 FROM TImage WHERE ID=11")).ToInt32(), 0);
    EXPECT_FALSE(db->TableExists(QStringLiteral("TImageWork")));
    EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ImageRecordTest, FailureAtAnyRebuildStepLeavesTheTableAsItWas) {
    MakeOldTableWithRows();
    const QString schema = Schema();
    const QStringList before = Rows(QStringLiteral("TImage"));
    int steps = 0;
    ASSERT_EQ(CImage().CheckTable([&steps](int) { ++steps; }), 0);
    ASSERT_GE(steps, 8);  // the layout test and the seven steps

    db->Execute(QStringLiteral("DROP TABLE TImage"));
    MakeOldTableWithRows();
    for (int failing = 1; failing <= steps; ++failing) {
        SCOPED_TRACE(failing);
        boxes.Clear();
        boxes.Answer(platform::kCancel);
        const int16_t result = CImage().CheckTable([failing](int step) {
            if (step == failing) throw db::DbError(db::kErrSql, QStringLiteral("ディスクの空き容量が不足しています。"));
        });
        EXPECT_EQ(result, failing == 1 ? 0 : kImageWriteError);
        EXPECT_EQ(Schema(), schema);
        EXPECT_EQ(Rows(QStringLiteral("TImage")), before);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].caption, QStringLiteral("エラー"));
        EXPECT_EQ(boxes.Shown()[0].style, 53);
        EXPECT_TRUE(boxes.Shown()[0].prompt.endsWith(QStringLiteral("（TImage）")) ||
                    boxes.Shown()[0].prompt.endsWith(QStringLiteral("（TImageWork）")));
    }
    // Retry after a failure runs the rebuild again from its start.
    const ImageTableStepHook failOnce = [n = 0](int step) mutable {
        if (step == 5 && n++ == 0) throw db::DbError(db::kErrSql, QStringLiteral("一時的な失敗"));
    };
    boxes.Answer(platform::kRetry);
    EXPECT_EQ(CImage().CheckTable(failOnce), 0);
    EXPECT_EQ(Rows(QStringLiteral("TImage")), before);
    EXPECT_EQ(CImage().GetStatusTable(), 0);
}

TEST_F(ImageRecordTest, WorkTableOfAnInterruptedRebuildGivesBackItsRows) {
    // Interrupted after the old table was dropped: only the work table holds
    // the rows.
    MakeOldTableWithRows(QStringLiteral("TImageWork"));
    const QStringList rows = Rows(QStringLiteral("TImageWork"));
    EXPECT_EQ(CImage().CheckTable(), 0);
    EXPECT_EQ(Rows(QStringLiteral("TImage")), rows);
    EXPECT_FALSE(db->TableExists(QStringLiteral("TImageWork")));

    // Interrupted after the new table was made: a row that reached it stays
    // as it is, the others come back.
    db->Execute(QStringLiteral("DROP TABLE TImage"));
    db->Execute(ImageTableDdl(QStringLiteral("TImage")));
    MakeOldTableWithRows(QStringLiteral("TImageWork"));
    db->Execute(QStringLiteral("INSERT INTO TImage (ID, ImgPath1) VALUES (0, '新しい連絡先')"));
    EXPECT_EQ(CImage().CheckTable(), 0);
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT ImgPath1 FROM TImage WHERE ID=0")).ToText(),
              QStringLiteral("新しい連絡先"));
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT Rotate8 FROM TImage WHERE ID=11")).ToInt32(), 90);
    EXPECT_FALSE(db->TableExists(QStringLiteral("TImageWork")));
}

TEST_F(ImageRecordTest, ColumnNameHoldingAQuoteIsCopiedWhole) {
    // A column that another tool added, named Memo "A", in the table and in
    // the work table of an interrupted rebuild, which alone holds row 11.
    const QString column = QStringLiteral("\"Memo \"\"A\"\"\"");
    for (const QString table : {QStringLiteral("TImage"), QStringLiteral("TImageWork")}) {
        db->Execute(ImageTableDdl(table));
        db->Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 TEXT").arg(table, column));
    }
    db->Execute(
        QStringLiteral("INSERT INTO TImageWork (ID, ImgPath1, %1) VALUES (11, '/img/a.png', '院内メモ')").arg(column));
    boxes.Answer(platform::kCancel);  // were the copy to fail
    EXPECT_EQ(CImage().CheckTable(), 0);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT %1 FROM TImage WHERE ID=11").arg(column)).ToText(),
              QStringLiteral("院内メモ"));
    EXPECT_FALSE(db->TableExists(QStringLiteral("TImageWork")));
}

TEST_F(ImageRecordTest, BusyDatabaseIsRetriedSilentlyOtherErrorsAskAtOnce) {
    const int busyTimeout = db::Connection::BusyTimeout();
    db::Connection::SetBusyTimeout(10);
    ASSERT_EQ(CImage().CheckTable(), 0);
    CImage row;
    row.ID = 1;
    auto other = OpenDb(mainDb);
    {
        db::Transaction lock(*other);  // another program writing
        boxes.Answer(platform::kCancel);
        EXPECT_EQ(row.Insert(), kImageWriteError);
    }
    db::Connection::SetBusyTimeout(busyTimeout);
    EXPECT_EQ(clock.TotalWaited(), 10 * 1000);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(boxes.Shown()[0].prompt.endsWith(QStringLiteral("\r\n\r\nレコード追加エラー（TImage）")));

    // A key that is taken is no busy database: asked at once, no wait.
    ASSERT_EQ(row.Insert(), 0);
    boxes.Clear();
    boxes.Answer(platform::kCancel);
    EXPECT_EQ(row.Insert(), kImageWriteError);
    EXPECT_EQ(clock.TotalWaited(), 10 * 1000);
    EXPECT_EQ(boxes.Shown().size(), 1u);
    other->Close();
}

TEST_F(ImageRecordTest, RowsAreWrittenReadListedAndDeletedByBoundValues) {
    ASSERT_EQ(CImage().CheckTable(), 0);
    CImage image;
    EXPECT_EQ(image.ImgPath(9), QString());
    EXPECT_EQ(image.Rotate(-1), 0);
    image.SetImgPath(9, QStringLiteral("x"));
    image.SetRotate(-1, 90);
    image.ID = 21;
    image.PatientID = 4;
    image.ExamDate = QDateTime(QDate(2024, 5, 20), QTime(0, 0));
    image.SNo = 1;
    image.SetImgPath(0, QStringLiteral("/写真/o'brien \"1\".png"));
    image.SetReverseUD(8, 1);
    image.SetRotate(8, 270);
    ASSERT_EQ(image.Insert(), 0);
    image.ID = 22;
    image.SNo = 2;
    ASSERT_EQ(image.Insert(), 0);
    image.ID = 23;
    image.SNo = 1;
    image.ExamDate = QDateTime(QDate(2024, 7, 1), QTime(0, 0));
    ASSERT_EQ(image.Insert(), 0);

    CImage read;
    ASSERT_EQ(read.Read(21), 0);
    EXPECT_EQ(read.ImgPath(0), QStringLiteral("/写真/o'brien \"1\".png"));
    EXPECT_EQ(read.ReverseUD(8), 1);
    EXPECT_EQ(read.Rotate(8), 270);
    EXPECT_EQ(read.UpDate, clock.Now());
    read.SetImgPath(1, QStringLiteral("二枚目"));
    EXPECT_EQ(read.Update(), 0);
    EXPECT_EQ(CImage().Update(99), kImageWriteError);
    ASSERT_EQ(read.Read(21), 0);
    EXPECT_EQ(read.ImgPath(1), QStringLiteral("二枚目"));
    EXPECT_EQ(read.Read(99), kImageReadError);
    EXPECT_EQ(read.ImgPath(1), QString());
    EXPECT_EQ(read.ID, 0);

    EXPECT_EQ(CImage().ReadSNo(4, QDateTime(QDate(2024, 5, 20), QTime(0, 0))), 2);
    EXPECT_EQ(CImage().ReadSNo(4, QDateTime(QDate(2024, 5, 21), QTime(0, 0))), 0);

    // The current examination date gets its entry among the rows.
    std::vector<ImageListEntry> list;
    G().CurExamDate = QDate(2024, 6, 1);
    ASSERT_EQ(CImage().ReadToBox(4, list, false), 0);
    EXPECT_EQ(list, (std::vector<ImageListEntry>{
                        {"2024/05/20-1", 21}, {"2024/05/20-2", 22}, {"2024/06/01-1", -1}, {"2024/07/01-1", 23}}));
    G().CurExamDate = QDate(2024, 5, 20);
    ASSERT_EQ(CImage().ReadToBox(4, list, true), 0);
    EXPECT_EQ(list, (std::vector<ImageListEntry>{
                        {"2024/05/20-1", 21}, {"2024/05/20-2", 22}, {"2024/05/20-3", -1}, {"2024/07/01-1", 23}}));
    ASSERT_EQ(CImage().ReadToBox(4, list, false), 0);
    EXPECT_EQ(list.size(), 3u);
    G().CurExamDate = QDate(2025, 1, 1);
    ASSERT_EQ(CImage().ReadToBox(9, list, true), 0);
    EXPECT_EQ(list, (std::vector<ImageListEntry>{{"2025/01/01-1", -1}}));

    EXPECT_EQ(CImage().Delete(22), 0);
    EXPECT_EQ(CImage().Read(22), kImageReadError);
    EXPECT_TRUE(CImage().DeletePatientData(4));
    EXPECT_EQ(db->Scalar(QStringLiteral("SELECT COUNT(*) FROM TImage")).ToInt32(), 0);
}

}  // namespace
}  // namespace mox::test
