// Access files of the Windows release converted into this system's
// databases. The files are written by the fixture script with the template's
// tables, the sample cases, a clinic's cases and random examinations (Nulls,
// empty texts, Japanese texts, dates before 1970 and before 1899), the image
// table and a clinic's own table whose names need quoting; the converted
// file is compared table by table with the script's own account of what it
// wrote.

#include "records/jet_conversion.h"

#include "core/connections.h"
#include "core/next_number.h"
#include "core/settings.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/db/database.h"
#include "platform/message_box.h"
#include "records/image_table.h"
#include "records/old_format.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <stdexcept>

namespace mox {
namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(19, 30, 0));
const QString kWindowsDir = QStringLiteral(MOX_WINDOWS_DB_DIR);

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
        g.AppPath = g.ProgramDir = box_.Path();
        g.MainDbFile = QStringLiteral("/VXMOX2.MDB");
        g.MainDbSource = db::DataSourcePart(main_);
        clock_.SetNow(kNow);
        windows_ = Bytes(kWindowsDir + QStringLiteral("/windows.mdb"));
        reference_ = QString::fromUtf8(Bytes(QStringLiteral(MOX_WINDOWS_REFERENCE)));
        ASSERT_FALSE(windows_.isEmpty());
        ASSERT_FALSE(reference_.isEmpty());
    }
    void TearDown() override {
        SetConversionStepHook(nullptr);
        ResetAllSlots();
    }
    void PutMain(const QByteArray& bytes) {
        QFile::remove(main_);
        box_.WriteText(QStringLiteral("VXMOX2.MDB"), bytes);
    }
    QStringList Files() const { return QDir(box_.Path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
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
    ASSERT_TRUE(IsJetDatabaseFile(main_));
    EXPECT_TRUE(ConvertJetMainDatabase());

    const QString kept = box_.File(QStringLiteral("VXMOX2_20261209_1930.mdb"));
    EXPECT_EQ(Bytes(kept), windows_);
    EXPECT_FALSE(IsJetDatabaseFile(main_));
    EXPECT_EQ(Dump(main_), reference_);
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("VXMOX2.MDB"), QStringLiteral("VXMOX2_20261209_1930.mdb"),
                                    QStringLiteral("VXMOX2_ORG.MDB")}));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("変換完了"));
    EXPECT_EQ(boxes_.Shown()[0].style, 64);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(kept));

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
    boxes_.Clear();
    const QByteArray converted = Bytes(main_);
    EXPECT_TRUE(ConvertJetMainDatabase());
    EXPECT_EQ(Bytes(main_), converted);
    EXPECT_TRUE(boxes_.Shown().empty());
}

// The image table is made as the image record makes it, key and defaults
// included (so its layout test leaves it be): the contact row reads and
// writes back, and one added to a file without it takes ID 0 and the
// defaults.
TEST_F(JetConversionTest, ConvertedImageTableIsTheProgramsOwnAndKeepsTheContactRow) {
    PutMain(windows_);
    ASSERT_TRUE(ConvertJetMainDatabase());
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
    const QString first = ConvertJetFileBeside(chosen);
    EXPECT_EQ(first, box_.File(QStringLiteral("clinic_変換.mdb")));
    EXPECT_EQ(Dump(first), reference_);
    EXPECT_EQ(Bytes(chosen), windows_);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(first));
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(chosen));
    // An earlier conversion is never overwritten.
    EXPECT_EQ(ConvertJetFileBeside(chosen), box_.File(QStringLiteral("clinic_変換_2.mdb")));
    EXPECT_EQ(Dump(first), reference_);

    // Whatever the chosen file is called (here as the start-up's work file),
    // it is only read, and no work file is left beside it.
    box_.WriteText(QStringLiteral("VXCV.MDB"), windows_);
    EXPECT_EQ(Dump(ConvertJetFileBeside(box_.File(QStringLiteral("VXCV.MDB")))), reference_);
    EXPECT_EQ(Bytes(box_.File(QStringLiteral("VXCV.MDB"))), windows_);
    EXPECT_EQ(Files(), (QStringList{QStringLiteral("VXCV.MDB"), QStringLiteral("VXCV_変換.mdb"),
                                    QStringLiteral("VXMOX2_ORG.MDB"), QStringLiteral("clinic.mdb"),
                                    QStringLiteral("clinic_変換.mdb"), QStringLiteral("clinic_変換_2.mdb")}));
}

TEST_F(JetConversionTest, ForeignDamagedOrUnreadableFilesAreRefusedAndNothingChanges) {
    const QByteArray foreign = Bytes(kWindowsDir + QStringLiteral("/foreign.mdb"));
    const struct {
        const char* what;
        QByteArray bytes;
        const char* why;
    } cases[] = {
        {"foreign", foreign, "本システムのデータベースではありません。(表 TPatient がありません)"},
        {"cut short", windows_.left(3 * 4096), ""},
        {"header only", windows_.left(40), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        boxes_.Clear();
        PutMain(c.bytes);
        const QStringList before = Files();
        EXPECT_FALSE(ConvertJetMainDatabase());
        EXPECT_EQ(Bytes(main_), c.bytes);
        EXPECT_EQ(Files(), before);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("変換エラー"));
        EXPECT_EQ(boxes_.Shown()[0].style, 16);
        EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(main_)) << boxes_.Shown()[0].prompt.toStdString();
        EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QString::fromUtf8(c.why)));

        boxes_.Clear();
        EXPECT_TRUE(ConvertJetFileBeside(main_).isEmpty());
        EXPECT_EQ(Files(), before);
        ASSERT_EQ(boxes_.Shown().size(), 1u);
        EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(main_));
    }
}

// Failing or killed at a step of the copy between the databases, or at the
// k-th step of the file writes (kept copy, template copy, placing): the
// main file is the Windows file or its whole conversion, and the next start
// converts what is left to convert.
TEST_F(JetConversionTest, FailureOrKillAtAnyStepLeavesTheWindowsFileOrItsConversion) {
    const auto again = [&] {
        EXPECT_TRUE(ConvertJetMainDatabase());
        EXPECT_EQ(Dump(main_), reference_);
    };
    for (ConversionStep failing : {ConversionStep::CopyTables, ConversionStep::Commit}) {
        SCOPED_TRACE(static_cast<int>(failing));
        PutMain(windows_);
        SetConversionStepHook([failing](ConversionStep step) {
            if (step == failing) throw std::runtime_error("入出力エラー");
        });
        EXPECT_FALSE(ConvertJetMainDatabase());
        EXPECT_EQ(Bytes(main_), windows_);
        SetConversionStepHook(nullptr);
        again();
    }
    int failures = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        PutMain(windows_);
        int taken = 0;
        {
            platform::FileStepFault fault(k, EIO);
            ConvertJetMainDatabase();
            taken = static_cast<int>(fault.StepsTaken());
        }
        ExpectWindowsFileOrItsConversion();
        failures += Bytes(main_) == windows_ ? 1 : 0;
        if (Bytes(main_) == windows_) again();
        if (taken < k) break;
    }
    EXPECT_GE(failures, 6);

    const auto killedAt = [&](const std::function<void()>& conversion) -> bool {
        PutMain(windows_);
        const pid_t child = ::fork();
        if (child < 0) {
            ADD_FAILURE() << "fork";
            return false;
        }
        if (child == 0) {
            conversion();
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ExpectWindowsFileOrItsConversion();
        again();
        return WIFSIGNALED(status);
    };
    for (ConversionStep killAt : {ConversionStep::CopyTables, ConversionStep::Commit}) {
        SCOPED_TRACE(static_cast<int>(killAt));
        EXPECT_TRUE(killedAt([killAt] {
            SetConversionStepHook([killAt](ConversionStep step) {
                if (step == killAt) ::raise(SIGKILL);
            });
            ConvertJetMainDatabase();
        }));
    }
    int kills = 0;
    for (int k = 1;; ++k) {
        SCOPED_TRACE(k);
        const bool killed = killedAt([k] {
            platform::FileStepFault fault(k, [](platform::FileStep) { ::raise(SIGKILL); });
            ConvertJetMainDatabase();
        });
        if (!killed) break;
        ++kills;
    }
    EXPECT_GE(kills, 6);
    // Every kept copy is the Windows file, whole.
    for (const QString& name : Files()) {
        if (name.startsWith(QStringLiteral("VXMOX2_2"))) {
            EXPECT_EQ(Bytes(box_.File(name)), windows_) << name.toStdString();
        }
    }
}

}  // namespace
}  // namespace mox
