// Saving an examination: the date check's outcomes against the rows in the
// file, the stage made unique, the patient row, the check report, and a
// failing write that must leave the file as it was.

#include "records/patient_record.h"
#include "tests/screens/input/input_test_support.h"

namespace mox::test {
namespace {

constexpr int32_t kPatient = 5;
const QDate kDayA(2023, 4, 1);
const QDate kDayB(2023, 5, 1);
const QDate kFreeDay(2023, 6, 1);

class SaveBench : public EntryBench {
public:
    SaveBench() {
        for (int row : {0, 1, 2, 3, 9, 10}) {
            CExamData a = Row(1 + row, kPatient, kDayA, row, row < 4 ? std::array{2, 1, 13, 3}[row] : 2, 1);
            // Rows written by other programs may carry a time of day; they
            // still belong to their day's examination.
            a.ExamDate = QDateTime(kDayA, QTime(9, 30));
            a.SetbData(0, 4);
            AddRow(a);
            AddRow(Row(101 + row, kPatient, kDayB, row, row < 4 ? std::array{2, 1, 13, 3}[row] : 2, 2));
        }
    }
    void ChooseDate(const QDate& d) {
        form.fields.year = d.toString(QStringLiteral("yyyy"));
        form.fields.month = d.toString(QStringLiteral("MM"));
        form.fields.day = d.toString(QStringLiteral("dd"));
    }
    long RowsOn(const QDate& d) {
        return Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=? AND substr(ExamDate,1,10)=?"),
                     {kPatient, d.toString(QStringLiteral("yyyy-MM-dd"))});
    }
    long OldRowsOn(const QDate& d) {
        return Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=? AND substr(ExamDate,1,10)=? "
                                    "AND ID<1000"),
                     {kPatient, d.toString(QStringLiteral("yyyy-MM-dd"))});
    }
    long Counter() { return Count(QStringLiteral("SELECT ExamData FROM TNextAutoNumber WHERE ID=0")); }
    QString BoxText(const QString& caption) {
        for (const auto& b : boxes.Shown())
            if (b.caption == caption) return b.prompt;
        return {};
    }
};

struct Outcome {
    const char* what;
    bool loadedA;  // false: a new examination
    QDate newDate;
    std::vector<int> answers;
    int16_t kind;
    long rowsA, oldRowsA, rowsB, oldRowsB, rowsFree;
};

TEST(SaveDateCheck, EachOutcomeLeavesTheRowsItPromises) {
    using platform::kCancel;
    using platform::kNo;
    using platform::kYes;
    const Outcome outcomes[] = {
        {"new on a free day: add", false, kFreeDay, {}, 1, 6, 6, 6, 6, 6},
        {"new onto a stored day, overwrite", false, kDayB, {kYes}, 3, 6, 6, 6, 0, 0},
        {"new onto a stored day, back to the date", false, kDayB, {kNo}, 0, 6, 6, 6, 6, 0},
        {"loaded, same day: replace", true, kDayA, {}, 2, 6, 0, 6, 6, 0},
        {"loaded, moved to a free day", true, kFreeDay, {kYes}, 2, 0, 0, 6, 6, 6},
        {"loaded, moved onto a stored day, overwrite", true, kDayB, {kYes, kYes}, 4, 0, 0, 6, 0, 0},
        {"loaded, moved onto a stored day, back", true, kDayB, {kYes, kNo}, 0, 6, 6, 6, 6, 0},
        {"loaded, added on a free day", true, kFreeDay, {kNo}, 1, 6, 6, 6, 6, 6},
        {"loaded, added onto a stored day, overwrite", true, kDayB, {kNo, kYes}, 3, 6, 6, 6, 0, 0},
        {"loaded, added onto a stored day, back", true, kDayB, {kNo, kNo}, 0, 6, 6, 6, 6, 0},
        {"loaded, date change cancelled", true, kFreeDay, {kCancel}, 0, 6, 6, 6, 6, 0},
    };
    for (const Outcome& o : outcomes) {
        SCOPED_TRACE(o.what);
        SaveBench b;
        ASSERT_TRUE(b.Show(kPatient, o.loadedA ? std::optional<QDate>(kDayA) : std::nullopt));
        b.ChooseDate(o.newDate);
        b.Keys(QStringLiteral("5"));
        for (int a : o.answers) b.boxes.Answer(a);
        const long counter = b.Counter();
        const bool saved = b.entry.SaveExamData(kPatient, o.loadedA ? QStringLiteral("2023/04/01") : QString(), 1);
        EXPECT_EQ(saved, o.kind > 0);
        EXPECT_EQ(b.entry.SaveKind, o.kind);
        EXPECT_EQ(b.RowsOn(kDayA), o.rowsA);
        EXPECT_EQ(b.OldRowsOn(kDayA), o.oldRowsA);
        EXPECT_EQ(b.RowsOn(kDayB), o.rowsB);
        EXPECT_EQ(b.OldRowsOn(kDayB), o.oldRowsB);
        EXPECT_EQ(b.RowsOn(kFreeDay), o.rowsFree);
        EXPECT_EQ(b.Counter() - counter, saved ? 6 : 0);
        EXPECT_EQ(b.entry.DataChanged, !saved);
        EXPECT_FALSE(b.entry.AdvancePending);
        if (saved) {
            const long newRows =
                b.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=? AND "
                                       "substr(ExamDate,1,10)=? AND Examination=2 AND ChargeID=1 "
                                       "AND CommentID=1 AND Comment=? AND ID>=10000000"),
                        {kPatient, o.newDate.toString(QStringLiteral("yyyy-MM-dd")), QStringLiteral("初診時")});
            EXPECT_EQ(newRows, 6);
            EXPECT_FALSE(b.BoxText(QStringLiteral("正常終了")).isEmpty());
        } else {
            EXPECT_EQ(b.form.focused.back(), EntryField::Year);
            EXPECT_TRUE(b.BoxText(QStringLiteral("正常終了")).isEmpty());
        }
    }
}

TEST(SaveDateCheck, QuestionsNameBothDates) {
    SaveBench b;
    ASSERT_TRUE(b.Show(kPatient, kDayA));
    b.ChooseDate(kDayB);
    b.boxes.Answer(platform::kYes);
    b.boxes.Answer(platform::kNo);
    b.entry.SaveExamData(kPatient, QStringLiteral("2023/04/01"), 1);
    EXPECT_EQ(
        b.BoxText(QStringLiteral("確認")),
        QStringLiteral("2023/04/01の検査データの検査日を2023/05/01に変更しますか？\r\n\r\nはい　　　：変更する\r\n"
                       "いいえ　　：この検査日（2023/05/01）を追加する\r\nキャンセル：検査日入力に戻る"));
    EXPECT_EQ(b.BoxText(QStringLiteral("上書確認")),
              QStringLiteral("指定された検査日のデータが存在します。上書きしますか？\r\n\r\nはい　：上書きする\r\n"
                             "いいえ：検査日入力に戻る"));
}

TEST(SaveRows, TheSavedStageIsTakenFromThePatientsOtherExaminationsOnly) {
    SaveBench b;
    b.AddRow(InputScreenEnvironment::Row(500, kPatient + 1, kDayB, 0, 2, 2));
    ASSERT_TRUE(b.Show(kPatient, std::nullopt, 2));
    b.ChooseDate(kFreeDay);
    ASSERT_TRUE(b.entry.SaveExamData(kPatient, QString(), 2));
    EXPECT_EQ(b.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=? AND CommentID=2"), {kPatient}),
              6)
        << "only the saved examination carries the stage";
    EXPECT_EQ(b.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=? AND substr(ExamDate,1,10)=? "
                                     "AND CommentID=0 AND Comment=''"),
                      {kPatient, QStringLiteral("2023-05-01")}),
              6);
    EXPECT_EQ(b.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE ID=500 AND CommentID=2")), 1)
        << "another patient's examination keeps its stage";
}

TEST(SaveRows, AWriteThatFailsPartWayLeavesTheFileAndTheCounterAsTheyWere) {
    SaveBench b;
    b.Db()->Execute(QStringLiteral(
        "CREATE TRIGGER abort_fourth BEFORE INSERT ON TExamData WHEN (SELECT COUNT(*) FROM TExamData WHERE "
        "PatientID=NEW.PatientID AND ExamDate=NEW.ExamDate) >= 3 BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    ASSERT_TRUE(b.Show(kPatient, kDayA));
    b.Keys(QStringLiteral("7"));
    const long counter = b.Counter();
    EXPECT_FALSE(b.entry.SaveExamData(kPatient, QStringLiteral("2023/04/01"), 1));
    EXPECT_EQ(b.OldRowsOn(kDayA), 6) << "the earlier examination is still there";
    EXPECT_EQ(b.RowsOn(kDayA), 6);
    EXPECT_EQ(b.Counter(), counter) << "no identifier was handed out";
    EXPECT_EQ(b.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=? AND CommentID=1"), {kPatient}),
              6);
    EXPECT_TRUE(b.BoxText(QStringLiteral("正常終了")).isEmpty());
    EXPECT_TRUE(b.BoxText(QStringLiteral("チェック")).isEmpty());
    EXPECT_TRUE(
        b.BoxText(QStringLiteral("保存エラー")).contains(QStringLiteral("データの書き込みが制約に違反しています")));
    EXPECT_TRUE(b.entry.DataChanged) << "the values are still unsaved";
    EXPECT_EQ(b.Value(0, 0, 0), 7);
}

TEST(SaveRows, ThePatientRowChangesOnlyItsNumbersAndTheConfirmationNamesTheFolderInUse) {
    SaveBench b;
    // Another window has loaded a different patient into the shared record.
    Globals().CurPatient->ClearBuffer();
    Globals().CurPatient->Name = QStringLiteral("別の患者");
    ASSERT_TRUE(b.Show(98, std::nullopt));
    b.ChooseDate(kFreeDay);
    b.form.fields.kalteNumber = QStringLiteral("00123");
    b.form.fields.appName = QStringLiteral("申請-1");
    // The database in use in a folder other than the program's.
    const QString folder = b.box.File(QStringLiteral("clinic data"));
    ASSERT_TRUE(QFile::link(b.box.Path(), folder));
    G().SetMainDatabase(folder + QStringLiteral("/VXMOX2.MDB"));
    const QDateTime now = b.clock.Now();
    ASSERT_TRUE(b.entry.SaveExamData(98, QString(), 1));
    auto rs = b.Db()->OpenRecordset(QStringLiteral("SELECT * FROM TPatient WHERE ID=98"));
    CPatient p;
    p.RecSetGet(*rs);
    EXPECT_EQ(p.Name, QStringLiteral("見本 太郎"));
    EXPECT_EQ(p.BirthDay, QStringLiteral("1961/05/12"));
    EXPECT_EQ(p.KalteNumber, QStringLiteral("00123"));
    EXPECT_EQ(p.AppName, QStringLiteral("申請-1"));
    EXPECT_EQ(p.UpDate.toSecsSinceEpoch(), now.toSecsSinceEpoch());
    EXPECT_EQ(b.BoxText(QStringLiteral("正常終了")),
              QStringLiteral("正常に保存されました。　　\r\n\r\n基準フォルダ： ") + folder +
                  QStringLiteral("\r\n\r\n使用ファイル： VXMOX2.MDB"));

    // A patient without a row gets one of its own.
    ASSERT_TRUE(b.Show(7, std::nullopt));
    b.ChooseDate(kFreeDay);
    ASSERT_TRUE(b.entry.SaveExamData(7, QString(), 1));
    EXPECT_EQ(b.Count(QStringLiteral("SELECT COUNT(*) FROM TPatient WHERE ID=7 AND KalteNumber='00123' AND Name=''")),
              1);
}

TEST(SaveReport, UnexaminedPlacesAreCountedByToothStateAndFurcationKind) {
    SaveBench b;
    CExamData earlier = InputScreenEnvironment::Row(900, 9, QDate(2020, 1, 1), 0, 2);
    earlier.SetnBui(0, int16_t(kToothMissing));
    earlier.SetnBui(1, int16_t(kToothImplant));
    b.AddRow(earlier);
    ASSERT_TRUE(b.Show(9, std::nullopt));
    b.ChooseDate(kFreeDay);
    ASSERT_TRUE(b.entry.SaveExamData(9, QString(), 1));
    // Pocket depths: 30 natural teeth; mobility: 31 teeth (the implant too);
    // furcation: the entrances of the natural molars and upper premolars;
    // plaque: four faces of each natural tooth. The saved first visit has no
    // measured site, so it reaches neither threshold.
    EXPECT_EQ(b.BoxText(QStringLiteral("チェック")),
              QStringLiteral("■以下の検査で未検査があります。\r\nＰＰＤ：180ヶ所\r\n動揺度：31ヶ所\r\n"
                             "根分岐部病変：32ヶ所\r\nＰＣＲ：120ヶ所\r\n\r\n■初診時の症例は以下の通りです。\r\n"
                             "歯周ポケット４mm以上の部位が 0％\r\n６mm以上の歯周ポケットが 0ヶ所\r\n"));
}

TEST(SaveReport, AFullySevereExaminationWithFineStagesShowsOnlyTheConfirmation) {
    SaveBench b;
    ASSERT_TRUE(b.Show(9, std::nullopt));
    b.ChooseDate(kFreeDay);
    for (int t = 0; t < 32; ++t) {
        for (int s = 0; s < 6; ++s) {
            b.grid.SetData(t, 0, s, 6);
            b.grid.SetData(64 + t, 0, s, 1);
        }
        b.grid.SetData(32 + t, 0, 0, 1);
        b.grid.SetPlaqueUnTreat(96 + t, 0);
        b.grid.SetPlaqueData(96 + t, 0);
    }
    b.boxes.Clear();
    ASSERT_TRUE(b.entry.SaveExamData(9, QString(), 1));
    EXPECT_EQ(b.Captions(), std::vector<QString>{"正常終了"});

    // The stage-period line.
    EXPECT_EQ(SaveCheckReportText({}, false, {}, {}, true),
              QStringLiteral("\r\n■治療ステージの期間に問題がある場合があります｡"));
    EXPECT_EQ(SaveCheckReportText({0, 2, 0, 0}, false, {}, {}, false),
              QStringLiteral("■以下の検査で未検査があります。\r\n動揺度：2ヶ所\r\n"));
}

}  // namespace
}  // namespace mox::test
