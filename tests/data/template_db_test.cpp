// The template database as the build leaves it in the program folder: every
// new main database is a copy of it, so the program's first start, the
// input screen and the chart screen depend on what it holds.

#include "platform/db/database.h"
#include "records/exam_vocabulary.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <array>
#include <filesystem>
#include <map>
#include <set>
#include <vector>

namespace mox::test {
namespace {

using db::Connection;
using db::ConnectionPtr;

constexpr int kIdBlock = 10'000'000;

const QStringList kStageLabels = {QString(), QStringLiteral("初診時"), QStringLiteral("基本治療終了時"),
                                  QStringLiteral("ＳＰＴ移行時"), QStringLiteral("最新ＳＰＴ時")};

class TemplateDb : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The build folder's program folder, for runs outside CTest.
        if (qEnvironmentVariableIsEmpty("MOX_PROGRAM_DIR")) qputenv("MOX_PROGRAM_DIR", MOX_BUILD_PROGRAM_DIR);
    }

    void SetUp() override {
        ASSERT_TRUE(QFile::exists(TemplateDbPath())) << TemplateDbPath().toStdString();
        path_ = box_.CopyTemplate();
        ASSERT_FALSE(path_.isEmpty());
        conn_ = Connection::Open(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path_);
    }

    std::vector<std::map<QString, db::Value>> Rows(const QString& sql) {
        std::vector<std::map<QString, db::Value>> rows;
        auto rs = conn_->OpenRecordset(sql);
        const QStringList names = rs->FieldNames();
        for (; !rs->IsEOF(); rs->MoveNext()) {
            std::map<QString, db::Value> row;
            for (const QString& n : names) row[n] = rs->Field(n);
            rows.push_back(row);
        }
        return rows;
    }

    Sandbox box_;
    QString path_;
    ConnectionPtr conn_;
};

// Fixed-width decoding of the value and status texts.
std::vector<int> DecodeFixedWidth(const QString& text, int width, bool* ok) {
    std::vector<int> out;
    *ok = text.size() % width == 0;
    for (int i = 0; i + width <= text.size(); i += width) {
        bool fieldOk = false;
        out.push_back(text.mid(i, width).trimmed().toInt(&fieldOk));
        *ok = *ok && fieldOk;
    }
    return out;
}

int QuadrantSlot(const QString& code, int tooth) {
    static const std::map<QString, std::array<int, 4>> slot = {
        {QStringLiteral("BM"), {2, 0, 5, 3}}, {QStringLiteral("BC"), {1, 1, 4, 4}},
        {QStringLiteral("BD"), {0, 2, 3, 5}}, {QStringLiteral("LM"), {5, 3, 2, 0}},
        {QStringLiteral("LC"), {4, 4, 1, 1}}, {QStringLiteral("LD"), {3, 5, 0, 2}}};
    return slot.at(code)[tooth / 8];
}

// Site slots that are furcation entrances of a tooth index.
std::set<int> FurcationSlots(int t) {
    const int unit = t < 8 ? 8 - t : t < 16 ? t - 7 : t < 24 ? 24 - t : t - 23;
    QStringList codes;
    if (t < 16 && unit >= 6)
        codes = {QStringLiteral("BC"), QStringLiteral("LM"), QStringLiteral("LD")};
    else if (t < 16 && (unit == 4 || unit == 5))
        codes = {QStringLiteral("BM"), QStringLiteral("BD")};
    else if (t >= 16 && unit >= 6)
        codes = {QStringLiteral("BC"), QStringLiteral("LC")};
    std::set<int> entrances;
    for (const QString& c : codes) entrances.insert(QuadrantSlot(c, t));
    return entrances;
}

TEST_F(TemplateDb, IsAPrivateFileInRollbackJournalMode) {
    namespace fs = std::filesystem;
    const fs::path file = TemplateDbPath().toStdString();
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // Bytes 18 and 19 of the header are 1 for a rollback journal, 2 for WAL:
    // a backup by file copy is only complete in the first case.
    QFile f(TemplateDbPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray header = f.read(100);
    ASSERT_EQ(header.size(), 100);
    EXPECT_TRUE(header.startsWith("SQLite format 3"));
    EXPECT_EQ(header[18], 1);
    EXPECT_EQ(header[19], 1);
    EXPECT_FALSE(QFile::exists(TemplateDbPath() + QStringLiteral("-wal")));
    EXPECT_FALSE(QFile::exists(TemplateDbPath() + QStringLiteral(".tmp")));
}

TEST_F(TemplateDb, HoldsEveryTableWithTheColumnsTheRecordsRead) {
    const std::map<QString, QStringList> tables = {
        {QStringLiteral("TVersion"), {"ID", "Major", "Minor", "Revision"}},
        {QStringLiteral("TComType"), {"ID", "Comment", "CommentDR", "CommentDH", "DR", "DH"}},
        {QStringLiteral("TSubExam"),
         {"ID",        "Name",      "Mode",        "Status",      "Btn0Name",    "Btn1Name",    "Btn2Name",
          "Btn3Name",  "Btn4Name",  "Btn0Val",     "Btn1Val",     "Btn2Val",     "Btn3Val",     "Btn4Val",
          "Btn5Val",   "Btn6Val",   "Btn7Val",     "Btn8Val",     "Btn9Val",     "ValColor0",   "ValColor1",
          "ValColor2", "ValColor3", "Brightness0", "Brightness1", "Brightness2", "Brightness3", "GradPart0",
          "GradPart1", "GradPart2", "SubName0",    "SubName1",    "SubName2",    "CEJ",         "DisplayRow"}},
        {QStringLiteral("TCharge"),
         {"ID", "Name", "VectorPattern", "PocketPattern", "PocketVector", "PlaquePattern", "PlaquePosition",
          "PocketPosition", "PocketPatternKihon", "PocketVectorKihon", "PocketPositionKihon", "UpDate"}},
        {QStringLiteral("TPatient"),
         {"ID", "KalteNumber", "Ruby", "Name", "BirthDay", "Sex", "TEL", "Post", "Address1", "Address2", "NextExamDate",
          "LastExamDate", "Lock", "AppName", "UpDate"}},
        {QStringLiteral("TExamData"),
         {"ID", "PatientID", "ExamDate", "Row", "Examination", "SubExam", "Data1", "Data2", "Data3", "Data4", "Bui",
          "PocketFree", "StartTime", "EndTime", "ChargeID", "IsPrinted", "UpDate", "CommentID", "Comment"}},
        {QStringLiteral("TNextAutoNumber"),
         {"ID", "Patient", "Attend", "Treat", "Comment", "SubExam", "MainExam", "Charge", "ExamData", "Plan", "Doctor",
          "Disease", "Treatment"}},
        {QStringLiteral("TClinic"), {"ID", "Name"}},
    };
    static const QRegularExpression accessType(
        QStringLiteral("^(LONG|INTEGER|BYTE|TEXT\\(\\d+\\)|MEMO|DATETIME|BIT|SINGLE|DOUBLE|CURRENCY)$"));

    for (const auto& [table, columns] : tables) {
        SCOPED_TRACE(table.toStdString());
        ASSERT_TRUE(conn_->TableExists(table));
        EXPECT_EQ(conn_->ColumnNames(table), columns);
        for (const QString& type : conn_->ColumnTypes(table))
            EXPECT_TRUE(accessType.match(type).hasMatch()) << type.toStdString();
    }
    // The image table is created by the program itself on first use.
    EXPECT_FALSE(conn_->TableExists(QStringLiteral("TImage")));
}

TEST_F(TemplateDb, PatientTableIsInTheCurrentFormat) {
    // Text birthdays and 16-bit sexes tell the current format from the
    // earlier release's date and yes/no columns.
    const QStringList names = conn_->ColumnNames(QStringLiteral("TPatient"));
    const QStringList types = conn_->ColumnTypes(QStringLiteral("TPatient"));
    EXPECT_TRUE(types.at(names.indexOf(QStringLiteral("BirthDay"))).startsWith(QStringLiteral("TEXT(")));
    EXPECT_EQ(types.at(names.indexOf(QStringLiteral("Sex"))), QStringLiteral("INTEGER"));
}

TEST_F(TemplateDb, VersionRowPassesTheStartUpCheckAsUpgraded) {
    const auto rows = Rows(QStringLiteral("SELECT * FROM TVersion WHERE ID=1"));
    ASSERT_EQ(rows.size(), 1u);
    const auto& r = rows[0];
    const int value = r.at("Major").ToInt32() * 10000 + r.at("Minor").ToInt32() * 1000 + r.at("Revision").ToInt32();
    EXPECT_EQ(value, 10001);
    EXPECT_EQ(Rows(QStringLiteral("SELECT * FROM TVersion")).size(), 1u);
}

TEST_F(TemplateDb, StagesAreTheFiveStandardOccasions) {
    const auto rows = Rows(QStringLiteral("SELECT * FROM TComType ORDER BY ID"));
    ASSERT_EQ(rows.size(), 5u);
    for (int id = 0; id < 5; ++id) {
        SCOPED_TRACE(id);
        const auto& r = rows[id];
        EXPECT_EQ(r.at("ID").ToInt32(), id);
        EXPECT_EQ(r.at("Comment").ToText(), kStageLabels[id]);
        EXPECT_EQ(r.at("CommentDR").ToText(), kStageLabels[id]);
        EXPECT_EQ(r.at("CommentDH").ToText(), kStageLabels[id]);
        EXPECT_FALSE(r.at("Comment").IsNull());
        EXPECT_TRUE(r.at("DR").ToBool());
        EXPECT_TRUE(r.at("DH").ToBool());
    }
    // The chart screen's query picks the four stages for its four slots.
    const auto chart = Rows(QStringLiteral("SELECT * FROM TComType WHERE ID>0 AND DR=TRUE ORDER BY ID"));
    ASSERT_EQ(chart.size(), 4u);
    EXPECT_EQ(chart[0].at("CommentDR").ToText(), kStageLabels[1]);
    EXPECT_EQ(chart[3].at("CommentDR").ToText(), kStageLabels[4]);
}

TEST_F(TemplateDb, ExaminationItemsFillTheFourDisplayRows) {
    struct Expected {
        int id;
        int mode;
    };
    const Expected byRow[4] = {{kPocketDepthItem, 3}, {kMobilityItem, 1}, {kFurcationItem, 6}, {kPlaqueItem, 4}};
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        const auto rows = Rows(QStringLiteral("SELECT * FROM TSubExam WHERE DisplayRow=%1").arg(row + 1));
        ASSERT_EQ(rows.size(), 1u);
        const auto& r = rows[0];
        EXPECT_EQ(r.at("ID").ToInt32(), byRow[row].id);
        EXPECT_EQ(r.at("Mode").ToInt32(), byRow[row].mode);
        EXPECT_FALSE(r.at("Name").ToText().isEmpty());
        // Missing teeth and pontics take no value in any item.
        const int status = r.at("Status").ToInt32();
        EXPECT_EQ(status & (kToothMissing | kToothPontic), 0);
        for (const char* text : {"Btn0Name", "Btn4Name", "SubName0", "SubName2"}) EXPECT_FALSE(r.at(text).IsNull());
        // Value colours: black values, red bleeding numbers, the light yellow
        // behind suppurating sites that the data sheet also uses.
        EXPECT_EQ(r.at("ValColor0").ToInt64(), 0);
        EXPECT_EQ(r.at("ValColor1").ToInt64(), 0x0000FF);
        EXPECT_EQ(r.at("ValColor2").ToInt64(), 0xC0FFFF);
        for (int k = 0; k < 4; ++k) {
            const auto level = r.at(QStringLiteral("Brightness%1").arg(k)).ToInt64();
            EXPECT_GE(level, 0);
            EXPECT_LE(level, 255);
        }
        EXPECT_LT(r.at("GradPart0").ToInt32(), r.at("GradPart1").ToInt32());
        EXPECT_LT(r.at("GradPart1").ToInt32(), r.at("GradPart2").ToInt32());
    }

    const auto pocket = Rows(QStringLiteral("SELECT * FROM TSubExam WHERE ID=2"))[0];
    // Bands 1-3, 4-5 and 6 mm and deeper (the upgrade would turn an old 7 into 6).
    EXPECT_EQ(pocket.at("GradPart0").ToInt32(), 1);
    EXPECT_EQ(pocket.at("GradPart1").ToInt32(), 4);
    EXPECT_EQ(pocket.at("GradPart2").ToInt32(), 6);
    EXPECT_NE(pocket.at("Status").ToInt32() & kToothImplant, 0);
    EXPECT_EQ(Rows(QStringLiteral("SELECT * FROM TSubExam WHERE ID=3"))[0].at("Status").ToInt32(), 0x1000);
    EXPECT_EQ(Rows(QStringLiteral("SELECT * FROM TSubExam")).size(), 4u);
}

TEST_F(TemplateDb, StaffMemberOneHasPatternsThatReachEverySite) {
    const auto rows = Rows(QStringLiteral("SELECT * FROM TCharge WHERE ID=1"));
    ASSERT_EQ(rows.size(), 1u);
    const auto& r = rows[0];
    for (const char* text : {"Name", "PocketVector", "PlaquePattern", "PlaquePosition", "PocketPosition",
                             "PocketVectorKihon", "PocketPositionKihon"})
        EXPECT_FALSE(r.at(text).IsNull()) << text;
    EXPECT_GE(r.at("VectorPattern").ToInt32(), 0);
    EXPECT_LE(r.at("VectorPattern").ToInt32(), 7);

    // Every site code switched on.
    bool ok = false;
    const auto positions = DecodeFixedWidth(r.at("PocketPosition").ToText(), 3, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(positions.size(), 6u);
    for (int p : positions) EXPECT_NE(p, 0);

    // A segment pattern: eight names, each row of each quadrant once, so
    // the site route visits all 192 sites.
    ASSERT_EQ(r.at("PocketPattern").ToInt32(), 0);
    const QString vector = r.at("PocketVector").ToText();
    ASSERT_EQ(vector.size(), 32);
    std::set<std::pair<int, int>> sites;
    for (int k = 0; k < 8; ++k) {
        const QString name = vector.mid(4 * k, 4);
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(QRegularExpression(QStringLiteral("^[UL][RL][BL][18]$")).match(name).hasMatch());
        const bool upper = name[0] == QLatin1Char('U');
        const bool right = name[1] == QLatin1Char('R');
        const bool buccal = name[2] == QLatin1Char('B');
        const int quadrant = (upper ? 0 : 2) + (right ? 0 : 1);
        // Upper teeth carry the buccal row in slots 0-2, lower teeth the lingual row.
        const int firstSlot = (buccal == upper) ? 0 : 3;
        for (int i = 0; i < 8; ++i)
            for (int s = 0; s < 3; ++s) sites.insert({quadrant * 8 + i, firstSlot + s});
    }
    EXPECT_EQ(sites.size(), 192u);

    // No plaque pattern (the tooth route), or a full one of eight names.
    const int plaqueLength = r.at("PlaquePattern").ToText().size();
    EXPECT_TRUE(plaqueLength <= 16 || plaqueLength == 32);

    // The basic examination: four groups of six site codes.
    ASSERT_EQ(r.at("PocketPatternKihon").ToInt32(), 1);
    const QString kihon = r.at("PocketVectorKihon").ToText();
    ASSERT_EQ(kihon.size(), 48);
    for (int g = 0; g < 4; ++g) {
        QSet<QString> codes;
        for (int j = 0; j < 6; ++j) codes.insert(kihon.mid(12 * g + 2 * j, 2));
        EXPECT_EQ(codes, (QSet<QString>{"BM", "BC", "BD", "LM", "LC", "LD"})) << g;
    }
}

TEST_F(TemplateDb, ClinicRowIsThereForTheImport) {
    const auto rows = Rows(QStringLiteral("SELECT * FROM TClinic WHERE ID=0"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0].at("Name").IsNull());
}

TEST_F(TemplateDb, CounterRowIsAheadOfEverySampleIdentifier) {
    const auto counters = Rows(QStringLiteral("SELECT * FROM TNextAutoNumber WHERE ID=0"));
    ASSERT_EQ(counters.size(), 1u);
    for (const auto& [column, value] : counters[0]) EXPECT_FALSE(value.IsNull()) << column.toStdString();
    const int64_t examCounter = counters[0].at("ExamData").ToInt64();
    EXPECT_EQ(Rows(QStringLiteral("SELECT * FROM TNextAutoNumber")).size(), 1u);

    std::set<int64_t> ids;
    for (const auto& r : Rows(QStringLiteral("SELECT ID FROM TExamData"))) {
        const int64_t id = r.at("ID").ToInt64();
        EXPECT_TRUE(ids.insert(id).second) << id;
        EXPECT_GE(id, kIdBlock);
        EXPECT_LT(id, kIdBlock + examCounter);
    }
    EXPECT_FALSE(ids.empty());
    // The counter is not wasteful either: it follows the highest sample.
    EXPECT_EQ(*ids.rbegin() + 1, kIdBlock + examCounter);
}

TEST_F(TemplateDb, SampleCasesAreCompleteExaminations) {
    const auto patients = Rows(QStringLiteral("SELECT * FROM TPatient ORDER BY ID"));
    ASSERT_EQ(patients.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const auto& p = patients[i];
        EXPECT_EQ(p.at("ID").ToInt32(), 98 + i);
        EXPECT_TRUE(QDate::fromString(p.at("BirthDay").ToText(), QStringLiteral("yyyy/MM/dd")).isValid());
        EXPECT_GE(p.at("Sex").ToInt32(), 1);
        EXPECT_LE(p.at("Sex").ToInt32(), 2);
        for (const char* text : {"KalteNumber", "Ruby", "Name", "TEL", "Post", "Address1", "Address2", "AppName"})
            EXPECT_FALSE(p.at(text).IsNull()) << text;
        EXPECT_TRUE(p.at("UpDate").ToDateTime().isValid());
    }

    const std::map<int, int> itemOfRow = {{0, kPocketDepthItem},
                                          {1, kMobilityItem},
                                          {2, kFurcationItem},
                                          {3, kPlaqueItem},
                                          {kBleedingRow, kPocketDepthItem},
                                          {kSuppurationRow, kPocketDepthItem}};
    std::map<std::pair<int, QDate>, std::vector<std::map<QString, db::Value>>> exams;
    for (const auto& r : Rows(QStringLiteral("SELECT * FROM TExamData ORDER BY ID")))
        exams[{r.at("PatientID").ToInt32(), r.at("ExamDate").ToDate()}].push_back(r);

    std::map<int, std::set<int>> stagesOf;
    for (const auto& [key, rows] : exams) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(key.first).arg(key.second.toString(Qt::ISODate)).toStdString());
        ASSERT_TRUE(key.second.isValid());
        ASSERT_EQ(rows.size(), 6u);
        std::set<int> seenRows;
        const int stage = rows[0].at("CommentID").ToInt32();
        EXPECT_GE(stage, 1);
        EXPECT_LE(stage, 4);
        EXPECT_TRUE(stagesOf[key.first].insert(stage).second) << "stage used twice";
        for (const auto& r : rows) {
            const int row = r.at("Row").ToInt32();
            seenRows.insert(row);
            ASSERT_TRUE(itemOfRow.count(row)) << row;
            EXPECT_EQ(r.at("SubExam").ToInt32(), itemOfRow.at(row));
            EXPECT_EQ(r.at("Examination").ToInt32(), 2);
            EXPECT_EQ(r.at("ChargeID").ToInt32(), 1);
            EXPECT_EQ(r.at("CommentID").ToInt32(), stage);
            // Labels already as the start-up upgrade writes them.
            EXPECT_EQ(r.at("Comment").ToText(), kStageLabels[stage]);
            EXPECT_EQ(r.at("Bui").ToText(), rows[0].at("Bui").ToText());
            for (const char* date : {"StartTime", "EndTime", "UpDate"})
                EXPECT_TRUE(r.at(date).ToDateTime().isValid()) << date;
            EXPECT_FALSE(r.at("PocketFree").IsNull());
            EXPECT_FALSE(r.at("IsPrinted").IsNull());
        }
        EXPECT_EQ(seenRows.size(), 6u);
    }
    EXPECT_GE(stagesOf[98].size(), 3u);
    EXPECT_GE(stagesOf[99].size(), 3u);
    EXPECT_TRUE(stagesOf[98].count(1) && stagesOf[99].count(1));
}

TEST_F(TemplateDb, SampleValuesDecodeWithinTheirItemsRanges) {
    std::map<std::pair<int, QString>, std::map<int, std::vector<int>>> exams;  // (patient, date) -> row -> values
    std::map<std::pair<int, QString>, std::vector<int>> statusOf;
    int seenMissing = 0, seenImplant = 0, seenPontic = 0;

    for (const auto& r : Rows(QStringLiteral("SELECT * FROM TExamData"))) {
        const auto key = std::make_pair(r.at("PatientID").ToInt32(), r.at("ExamDate").ToText());
        SCOPED_TRACE(QStringLiteral("row ID %1").arg(r.at("ID").ToInt64()).toStdString());
        QString text;
        for (const char* column : {"Data1", "Data2", "Data3", "Data4"}) {
            ASSERT_EQ(r.at(column).ToText().size(), 144) << column;
            text += r.at(column).ToText();
        }
        bool ok = false;
        const auto values = DecodeFixedWidth(text, 3, &ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(values.size(), 192u);
        for (int v : values) {
            EXPECT_GE(v, 0);
            EXPECT_LE(v, 255);
        }
        ASSERT_EQ(r.at("Bui").ToText().size(), 192);
        const auto words = DecodeFixedWidth(r.at("Bui").ToText(), 6, &ok);
        ASSERT_TRUE(ok);
        ASSERT_EQ(words.size(), 32u);
        for (int w : words) {
            EXPECT_GE(w, -32768);
            EXPECT_LE(w, 32767);
            EXPECT_EQ(
                w & 0xFFFF & ~(kToothMissing | kToothPontic | kToothImplant | kToothFourthState | kToothDeciduous), 0)
                << w;
        }
        exams[key][r.at("Row").ToInt32()] = values;
        statusOf[key] = words;
    }

    for (const auto& [key, rows] : exams) {
        SCOPED_TRACE(QStringLiteral("%1 %2").arg(key.first).arg(key.second).toStdString());
        const auto& st = statusOf.at(key);
        const auto& pocket = rows.at(0);
        const auto& mobility = rows.at(1);
        const auto& furcation = rows.at(2);
        const auto& plaque = rows.at(3);
        for (int t = 0; t < 32; ++t) {
            const int w = st[t] & 0xFFFF;
            const bool absent = w & (kToothMissing | kToothPontic);
            const bool implant = (w & kToothImplant) && !absent;
            const bool natural = !(w & (kToothMissing | kToothPontic | kToothImplant));
            seenMissing += (w & kToothMissing) != 0;
            seenImplant += implant;
            seenPontic += (w & kToothPontic) != 0;
            for (int s = 0; s < 6; ++s) {
                const int i = t * 6 + s;
                const int d = pocket[i];
                if (absent) {
                    EXPECT_EQ(d, kNoSiteValue) << i;
                } else {
                    EXPECT_TRUE(d >= 1 && d <= 16) << i << ": " << d;
                }
                // Marks stand only where a depth was measured.
                for (int markRow : {9, 10}) {
                    const int m = rows.at(markRow)[i];
                    if (d == kNoSiteValue) {
                        EXPECT_EQ(m, kNoSiteValue) << markRow << " " << i;
                    } else {
                        EXPECT_TRUE(m == 0 || m == 1) << markRow << " " << i;
                    }
                }
                const int f = furcation[i];
                if (natural && FurcationSlots(t).count(s)) {
                    EXPECT_TRUE(f >= 0 && f <= 3) << i;
                } else {
                    EXPECT_EQ(f, kNoSiteValue) << i;
                }
            }
            if (absent) {
                EXPECT_EQ(mobility[t], kNoSiteValue) << t;
            } else {
                EXPECT_TRUE(mobility[t] >= 0 && mobility[t] <= 3) << t;
            }
            // Plaque faces of present teeth, the not-examined faces beside
            // them, as the start-up upgrade would leave them.
            if (natural) {
                EXPECT_TRUE(plaque[t] >= 0 && plaque[t] <= 15) << t;
                EXPECT_TRUE(plaque[t + 48] >= 0 && plaque[t + 48] <= 15) << t;
            } else {
                EXPECT_EQ(plaque[t], kNoSiteValue) << t;
                EXPECT_EQ(plaque[t + 48], 15) << t;
            }
        }
        for (int i = 32; i < 192; ++i) EXPECT_EQ(mobility[i], kNoSiteValue) << i;
        for (int i = 32; i < 192; ++i) {
            if (i < 48 || i >= 80) {
                EXPECT_EQ(plaque[i], kNoSiteValue) << i;
            }
        }
    }
    EXPECT_GT(seenMissing, 0);
    EXPECT_GT(seenImplant, 0);
    EXPECT_GT(seenPontic, 0);
}

TEST_F(TemplateDb, SampleFirstVisitsQualifyAsCaseReports) {
    // The samples show what an application case looks like: at the first
    // visit 30 % or more of the sites 4 mm deep and three or more of 6 mm,
    // and the supportive phase long enough.
    for (int patient : {98, 99}) {
        SCOPED_TRACE(patient);
        const auto rows =
            Rows(QStringLiteral("SELECT * FROM TExamData WHERE PatientID=%1 AND Row=0 AND SubExam=2 AND CommentID=1")
                     .arg(patient));
        ASSERT_EQ(rows.size(), 1u);
        bool ok = false;
        const auto values = DecodeFixedWidth(rows[0].at("Data1").ToText() + rows[0].at("Data2").ToText() +
                                                 rows[0].at("Data3").ToText() + rows[0].at("Data4").ToText(),
                                             3, &ok);
        const auto words = DecodeFixedWidth(rows[0].at("Bui").ToText(), 6, &ok);
        int measured = 0, four = 0, six = 0;
        for (int t = 0; t < 32; ++t) {
            if (words[t] & (kToothMissing | kToothPontic | kToothImplant)) continue;
            for (int s = 0; s < 6; ++s) {
                const int d = values[t * 6 + s];
                if (d == kNoSiteValue) continue;
                ++measured;
                four += d >= 4;
                six += d >= 6;
            }
        }
        ASSERT_GT(measured, 0);
        EXPECT_GE(four * 100.0 / measured, 30.0);
        EXPECT_GE(six, 3);

        const auto move =
            Rows(QStringLiteral("SELECT ExamDate FROM TExamData WHERE PatientID=%1 AND CommentID=3").arg(patient));
        const auto latest =
            Rows(QStringLiteral("SELECT ExamDate FROM TExamData WHERE PatientID=%1 AND CommentID=4").arg(patient));
        if (!move.empty() && !latest.empty()) {
            EXPECT_GE(latest[0].at("ExamDate").ToDate(), move[0].at("ExamDate").ToDate().addMonths(6));
        }
    }
}

}  // namespace
}  // namespace mox::test
