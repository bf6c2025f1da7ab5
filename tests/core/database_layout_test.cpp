// The layout a file must have to serve as the database: what this version
// makes, what an earlier release or a Windows file brought over may add or
// keep, and what another program may have changed so that the program's
// reads or saves would fail or lose rows.

#include "core/database_layout.h"

#include "core/image_table.h"
#include "platform/db/database.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QFile>

namespace mox {
namespace {

struct Case {
    const char* what;
    QString sql;
    const char16_t* said;  // nullptr: the file serves
};

const QString kOldPatients = QStringLiteral(
    "DROP TABLE TPatient; CREATE TABLE TPatient (ID LONG PRIMARY KEY, KalteNumber TEXT(20), Ruby TEXT(50), "
    "Name TEXT(50), BirthDay DATETIME, Sex BIT, TEL TEXT(20), Post TEXT(10), Address1 TEXT(100), "
    "Address2 TEXT(100), NextExamDate DATETIME, LastExamDate DATETIME, Lock BYTE, AppName TEXT(50), "
    "\"UpDate\" DATETIME)");

// A table as the Windows conversion makes it: the Jet file's type names.
const QString kJetPatients = QStringLiteral(
    "DROP TABLE TPatient; CREATE TABLE TPatient (ID LONG, KalteNumber TEXT, Ruby TEXT, Name TEXT, "
    "BirthDay TEXT, Sex INTEGER, TEL TEXT, Post TEXT, Address1 TEXT, Address2 TEXT, NextExamDate DATETIME, "
    "LastExamDate DATETIME, Lock BYTE, AppName TEXT, \"UpDate\" DATETIME, Memo TEXT)");

TEST(DatabaseLayout, WhatThisVersionAndEarlierOnesMakeServesAndWhatBreaksItIsNamed) {
    test::Sandbox box;
    const QString path = box.File(QStringLiteral("VXMOX2.MDB"));
    const std::vector<Case> cases = {
        {"the template", {}, nullptr},
        {"the clinic's own table and column",
         QStringLiteral("CREATE TABLE Notes (ID LONG, Text TEXT); ALTER TABLE TPatient ADD COLUMN Memo TEXT"), nullptr},
        {"an earlier release's index, none of the template's",
         QStringLiteral("DROP INDEX TExamDataPatientDateOccasion; DROP INDEX TExamDataOccasion; "
                        "CREATE INDEX TExamDataPatientDate ON TExamData (PatientID, ExamDate)"),
         nullptr},
        {"an earlier release's patient table", kOldPatients, nullptr},
        {"a table of a Windows file", kJetPatients, nullptr},
        {"the image table as the program makes it", ImageTableDdl(kImageTable), nullptr},
        {"an older image table, which the program remakes",
         QStringLiteral("CREATE TABLE TImage (ID LONG, PatientID LONG, ExamDate DATETIME, ImgPath1 TEXT(200))"),
         nullptr},

        {"a table missing", QStringLiteral("DROP TABLE TSubExam"), u"表 TSubExam がありません"},
        {"a column missing", QStringLiteral("DROP INDEX TExamDataOccasion; ALTER TABLE TExamData DROP COLUMN Comment"),
         u"表 TExamData に列 Comment がありません"},
        {"a view in a table's place",
         QStringLiteral(
             "ALTER TABLE TPatient RENAME TO TPatientRows; CREATE VIEW TPatient AS SELECT * FROM TPatientRows"),
         u"TPatient が表ではなくビューです"},
        {"the image table a view", QStringLiteral("CREATE VIEW TImage AS SELECT ID FROM TPatient"),
         u"TImage が表ではなくビューです"},
        {"another kind of value",
         QStringLiteral("DROP TABLE TClinic; CREATE TABLE TClinic (ID LONG PRIMARY KEY, Name LONG)"),
         u"列 TClinic.Name の型が LONG です（本システムでは TEXT(200)）"},
        {"another kind of value in the image table", QStringLiteral("CREATE TABLE TImage (ID LONG, ImgPath1 DOUBLE)"),
         u"列 TImage.ImgPath1 の型が DOUBLE"},
        {"a value that may not be left out",
         QStringLiteral("DROP TABLE TClinic; CREATE TABLE TClinic (ID LONG PRIMARY KEY, Name TEXT(200) NOT NULL)"),
         u"列 TClinic.Name に値の省略を許さない制約があります"},
        {"a column the program does not fill that must be filled",
         QStringLiteral("DROP TABLE TClinic; CREATE TABLE TClinic (ID LONG PRIMARY KEY, Name TEXT(200), "
                        "Branch TEXT NOT NULL)"),
         u"表 TClinic の列 Branch には、本システムが書き込まない値が必要です"},
        {"a computed column",
         QStringLiteral("DROP TABLE TClinic; CREATE TABLE TClinic (ID LONG PRIMARY KEY, "
                        "Name TEXT(200) GENERATED ALWAYS AS ('x') VIRTUAL)"),
         u"列 TClinic.Name は値を書き込めない計算列です"},
        {"a table without row numbers",
         QStringLiteral("DROP TABLE TClinic; CREATE TABLE TClinic (ID LONG PRIMARY KEY, Name TEXT(200)) WITHOUT ROWID"),
         u"TClinic は通常の表ではありません"},
        {"a unique index", QStringLiteral("CREATE UNIQUE INDEX OneName ON TClinic (Name)"),
         u"本システムが作らない索引 OneName が表 TClinic にあります"},
        {"an index on part of a table", QStringLiteral("CREATE INDEX FirstRows ON TExamData (PatientID) WHERE Row = 0"),
         u"本システムが作らない索引 FirstRows"},
        {"an index on an expression", QStringLiteral("CREATE INDEX Lower ON TExamData (lower(Comment))"),
         u"本システムが作らない索引 Lower"},
        {"an index of the program's made otherwise",
         QStringLiteral(
             "DROP INDEX TExamDataOccasion; CREATE UNIQUE INDEX TExamDataOccasion ON TExamData (ID, Comment)"),
         u"索引 TExamDataOccasion が本システムのものと違います"},
        {"a trigger",
         QStringLiteral("CREATE TRIGGER Cleanup AFTER INSERT ON TExamData BEGIN "
                        "DELETE FROM TExamData WHERE PatientID <= 10; END"),
         u"本システムが作らないトリガー Cleanup があります"},
        {"a trigger on the clinic's own table",
         QStringLiteral("CREATE TABLE Notes (ID LONG); CREATE TRIGGER TPatient AFTER INSERT ON Notes BEGIN "
                        "DELETE FROM TPatient; END"),
         u"本システムが作らないトリガー TPatient があります"},
        {"a view", QStringLiteral("CREATE VIEW Patients AS SELECT * FROM TPatient"),
         u"本システムが作らないビュー Patients があります"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(test::TemplateDbPath(), path));
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        auto conn = db::Connection::Open(db::DataSourcePart(path));
        if (!c.sql.isEmpty()) conn->Execute(c.sql);
        const QString said = LayoutDifference(*conn);
        conn->Close();
        if (!c.said) {
            EXPECT_EQ(said, QString());
        } else {
            EXPECT_TRUE(said.contains(QString::fromUtf16(c.said))) << said.toStdString();
        }
    }
}

}  // namespace
}  // namespace mox
