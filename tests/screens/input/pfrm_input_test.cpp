// The input screen's window: what loading it sets up, the patient and
// examination lists with their guards, and the keys it takes before its
// controls.

#include "tests/screens/input/input_window.h"

#include <QApplication>

namespace mox::test {
namespace {

using platform::kNo;
using platform::kYes;

constexpr int kPatient = 4;
const QDate kDay1(2023, 4, 1);
const QDate kDay2(2023, 9, 1);

// Two stored examinations of kPatient; the first has 4 mm at every site of
// tooth 18 (button site 2 is record slot 0).
void StoreTwoExaminations(InputScreenEnvironment& env) {
    for (int row : {0, 1, 2, 3, 9, 10}) {
        const int item = row < 4 ? std::array{2, 1, 13, 3}[row] : 2;
        CExamData a = InputScreenEnvironment::Row(100 + row, kPatient, kDay1, row, item, 1);
        if (row == 0)
            for (int16_t s = 0; s < 6; ++s) a.SetbData(s, 4);
        env.AddRow(a);
        CExamData b = InputScreenEnvironment::Row(200 + row, kPatient, kDay2, row, item, 2);
        if (row == 0) b.SetbData(0, 9);
        env.AddRow(b);
    }
}

TEST(InputWindowLoad, TheWindowComesUpWithItsListsTextsAndLooks) {
    InputWindow w;
    PFrmInput& f = *w.form;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("MOX-Chart"));
    EXPECT_EQ(f.LblHead->text(),
              QStringLiteral("ミラド協会 専門医・認定医・認定歯科衛生士用 歯周検査ソフト　MOX-Chart　Ver.") +
                  QStringLiteral("%1.%2.%3").arg(MOX_VERSION_MAJOR).arg(MOX_VERSION_MINOR).arg(MOX_VERSION_REVISION));
    EXPECT_EQ(f.LblPath->text(), QStringLiteral("使用中ファイル ： ") + w.box.Path() + QStringLiteral("/VXMOX2.MDB"));
    EXPECT_EQ(f.LblPath->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(f.LblPath->font().pointSize(), 9);
    EXPECT_EQ(G().DbBaseName(), QStringLiteral("VXMOX2"));

    ASSERT_EQ(f.CmbOutNo->count(), 32);
    for (int i = 0; i < 32; ++i) {
        const int n = i < 30 ? i + 1 : (i == 30 ? 98 : 99);
        EXPECT_EQ(f.CmbOutNo->itemText(i), QString::number(n));
        EXPECT_EQ(f.CmbOutNo->itemData(i).toInt(), n);
    }
    EXPECT_GE(f.CmbOutNo->maxVisibleItems(), 32) << "the drop-down shows every number";
    ASSERT_EQ(f.CmbStage->count(), 5);
    EXPECT_EQ(f.CmbStage->itemText(1), QStringLiteral("初診時"));
    EXPECT_EQ(f.CmbStage->itemData(4).toInt(), 4);
    EXPECT_EQ(f.CmbOutNo->currentIndex(), -1) << "no patient until one is chosen";

    EXPECT_TRUE(w.Captions().empty()) << "no box while loading";

    // Tab goes through the entry boxes in their order.
    w.ChoosePatient(1);
    w.TypeDate("2024", "01", "15");
    f.TxtY->setFocus();
    for (QWidget* next : std::vector<QWidget*>{f.TxtM, f.TxtD, f.TxtInNo, f.TxtApplyNo, f.TxtAppName}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }

    // The 128 tooth buttons and the colour buttons come from their modules.
    for (int i = 0; i < 128; ++i) ASSERT_TRUE(f.Grid().Th(i).IsCreated());
    EXPECT_EQ(f.Button(QStringLiteral("CmdVal"), 16)->Get(prismet::kDispCaption).toString(), QStringLiteral("16 以上"));
    EXPECT_EQ(f.Button(QStringLiteral("CmdNot"))->Get(prismet::kDispCaption).toString(),
              QStringLiteral("  検査   データ クリア"));
    EXPECT_EQ(f.Button(QStringLiteral("CmdBloodMode"))->Get(prismet::kDispCaption).toString(),
              QStringLiteral(" 出血　一括"));
    EXPECT_EQ(f.Button(QStringLiteral("CmdMT"))->Get(prismet::kDispBackColor).toUInt(), 0xFF8080u);
    EXPECT_EQ(f.Button(QStringLiteral("CmdImplant"))->Get(prismet::kDispBackColor).toUInt(), 0x80FFFFu);
    EXPECT_EQ(f.Button(QStringLiteral("CmdPontic"))->Get(prismet::kDispBackColor).toUInt(), 0xC0C0FFu);
    EXPECT_TRUE(
        f.ButtonWindow(QStringLiteral("CmdPL"), 3)->toolTip().endsWith(QStringLiteral("全歯を「なし」にします。")));
    EXPECT_TRUE(f.TxtApplyNo->toolTip().startsWith(QStringLiteral("申請書に印刷する症例番号")));
    EXPECT_TRUE(w.Captions().empty()) << "no box while tabbing through filled fields";

    // A database other than the program folder's shows in red and larger.
    const QString other = w.box.File(QStringLiteral("other"));
    QDir().mkpath(other);
    G().SetMainDatabase(other + QStringLiteral("/VXMOX2.MDB"));
    f.ShowDatabasePath();
    EXPECT_EQ(f.LblPath->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(f.LblPath->font().pointSize(), 11);
}

TEST(InputWindowLoad, TheFileQuestionComesOnceAndItsNoOpensAnotherFile) {
    InputScreenEnvironment env;
    G().ShowPathInfo = 1;
    auto make = [&] {
        auto form = std::make_unique<PFrmInput>([] {});
        form->Form_Load();
        return form;
    };
    env.boxes.Answer(kNo);
    auto first = make();
    ASSERT_EQ(env.boxes.Shown().size(), 1u);
    EXPECT_EQ(env.boxes.Shown()[0].caption, QStringLiteral("使用ファイル確認"));
    EXPECT_EQ(env.boxes.Shown()[0].style, 68);
    EXPECT_EQ(env.boxes.Shown()[0].prompt,
              QStringLiteral(
                  "使用ファイルは、以下の内容でよろしいでしょうか？\r\n変更する場合は「いいえ」をクリックしてください。"
                  "\r\n\r\n基準フォルダ： ") +
                  env.box.Path() + QStringLiteral("\r\n\r\n使用ファイル： VXMOX2.MDB"));
    ASSERT_EQ(env.fileRequests.size(), 1u) << "No opens the file dialog of the open entry";
    EXPECT_EQ(env.fileRequests[0].title, QStringLiteral("開くファイルを選択して下さい"));
    EXPECT_EQ(G().AppPath(), env.box.Path()) << "cancelled: the database in use stays";

    // The window loaded again in the same run asks nothing and shows the
    // patient shown before.
    first->CmbOutNo->setCurrentIndex(6);
    first->CmbOutNo_Click();
    first.reset();
    env.boxes.Clear();
    auto second = make();
    EXPECT_TRUE(env.boxes.Shown().empty());
    EXPECT_EQ(env.fileRequests.size(), 1u);
    EXPECT_EQ(second->CmbOutNo->currentText(), QStringLiteral("7"));
    EXPECT_EQ(G().CurPatientId, 7);
}

TEST(InputWindowChoice, APatientWithoutExaminationsGetsAnEmptyNewOne) {
    InputWindow w;
    w.ChoosePatient(12);
    PFrmInput& f = *w.form;
    EXPECT_EQ(f.CmbEntry->count(), 0);
    EXPECT_TRUE(f.TxtY->text().isEmpty() && f.TxtM->text().isEmpty() && f.TxtD->text().isEmpty());
    EXPECT_EQ(G().CurExamDate, QDate(100, 1, 1));
    EXPECT_EQ(f.CmbStage->currentIndex(), 0);
    EXPECT_TRUE(f.Entry().IsNewEntry);
    EXPECT_FALSE(f.Entry().DataChanged);
    for (int i = 0; i < 128; ++i) {
        ASSERT_TRUE(f.Grid().Enabled(i));
        if (f.Grid().ExamMode(i) == 4)
            ASSERT_EQ(f.Grid().PlaqueUnTreat(i), 15);
        else
            ASSERT_EQ(f.Grid().Data(i, 0, 0), -1);
    }
    EXPECT_EQ(f.Entry().CurRow, 0);
    EXPECT_EQ(f.Entry().Label(0).back, 0x00FF00u) << "the cursor on the pocket-depth row's first site";
    EXPECT_EQ(QApplication::focusWidget(), f.TxtY);
}

TEST(InputWindowChoice, TwoStagesOnOneDayAreTwoEntriesOfOneExamination) {
    InputWindow w;
    CExamData a = InputScreenEnvironment::Row(1, kPatient, kDay1, 0, 2, 1);
    a.SetbData(6, 5);
    w.AddRow(a);
    CExamData b = InputScreenEnvironment::Row(2, kPatient, kDay1, 1, 1, 3);
    b.SetbData(1, 2);
    w.AddRow(b);
    w.ChoosePatient(kPatient);
    PFrmInput& f = *w.form;
    ASSERT_EQ(f.CmbEntry->count(), 2);
    EXPECT_EQ(f.CmbEntry->itemText(0), QStringLiteral("2023/04/01  初診時"));
    EXPECT_EQ(f.CmbEntry->itemText(1), QStringLiteral("2023/04/01  ＳＰＴ移行時"));
    for (int entry : {1, 0}) {
        w.ChooseEntry(entry);
        EXPECT_EQ(w.Value(0, 1, 2), 5) << "entry " << entry;
        EXPECT_EQ(w.Value(1, 1), 2) << "entry " << entry;
        EXPECT_EQ(f.CmbStage->currentData().toInt(), entry == 0 ? 1 : 3);
        EXPECT_FALSE(f.Entry().DataChanged);
    }
}

TEST(InputWindowChoice, TheListHasOneEntryPerDayAndStageOldestFirst) {
    InputWindow w;
    const QDate later(2023, 5, 2);
    // Rows of several examinations, stored out of order, another patient's
    // among them, with times of day, a row without a stage and one whose
    // date cannot be read.
    CExamData evening = InputScreenEnvironment::Row(1, kPatient, later, 0, 2, 4);
    evening.ExamDate = QDateTime(later, QTime(18, 30));
    w.AddRow(evening);
    w.AddRow(InputScreenEnvironment::Row(2, kPatient, kDay1, 0, 2, 1));
    w.AddRow(InputScreenEnvironment::Row(3, kPatient + 1, kDay1, 0, 2, 3));
    CExamData morning = InputScreenEnvironment::Row(4, kPatient, kDay1, 1, 1, 1);
    morning.ExamDate = QDateTime(kDay1, QTime(9, 15));
    w.AddRow(morning);
    w.AddRow(InputScreenEnvironment::Row(5, kPatient, later, 1, 1, 4));
    w.AddRow(InputScreenEnvironment::Row(6, kPatient, later, 2, 13, 4));
    w.AddRow(InputScreenEnvironment::Row(7, kPatient, later, 3, 3, 2));
    w.Db()->Execute(QStringLiteral("UPDATE TExamData SET CommentID=NULL WHERE ID=7"));
    w.AddRow(InputScreenEnvironment::Row(8, kPatient, kDay1, 2, 13, 3));
    w.Db()->Execute(QStringLiteral("UPDATE TExamData SET ExamDate='2023-13-45 00:00:00' WHERE ID=8"));
    w.ChoosePatient(kPatient);
    PFrmInput& f = *w.form;
    QStringList entries;
    for (int i = 0; i < f.CmbEntry->count(); ++i)
        entries << f.CmbEntry->itemText(i) + QLatin1Char('|') + f.CmbEntry->itemData(i).toString();
    EXPECT_EQ(entries, QStringList({QStringLiteral("2023/04/01  初診時|1"), QStringLiteral("2023/05/02  |0"),
                                    QStringLiteral("2023/05/02  最新ＳＰＴ時|4")}));
}

TEST(InputWindowChoice, AStageWithoutAPlaceAmongTheNamesIsNeitherListedNorNamed) {
    InputWindow w;
    w.Db()->Execute(QStringLiteral("INSERT INTO TComType (ID, Comment) VALUES (?, ?)"), {11, QStringLiteral("番外")});
    w.AddRow(InputScreenEnvironment::Row(1, kPatient, kDay1, 0, 2, 11));
    w.Make();
    EXPECT_EQ(w.form->CmbStage->count(), 5);
    EXPECT_EQ(w.form->CmbStage->findData(11), -1);
    w.ChoosePatient(kPatient);
    ASSERT_EQ(w.form->CmbEntry->count(), 1);
    EXPECT_EQ(w.form->CmbEntry->itemText(0), QStringLiteral("2023/04/01  "));
    EXPECT_EQ(w.form->CmbStage->currentIndex(), 0) << "the first stage stands in for one with no name";
}

TEST(InputWindowChoice, TypedPatientNumbersAreCheckedAgainstTheList) {
    InputWindow w;
    w.ChoosePatient(2);
    w.TypePatientNumber(QStringLiteral("7"));
    EXPECT_EQ(G().CurPatientId, 7);
    EXPECT_EQ(w.form->CmbOutNo->currentText(), QStringLiteral("7"));
    w.Captions();
    for (const char16_t* typed : {u"31", u"97", u"abc", u"-1", u"7.5"}) {
        w.TypePatientNumber(QString::fromUtf16(typed));
        EXPECT_EQ(w.Captions(), std::vector<QString>{"範囲外エラー"}) << QString::fromUtf16(typed).toStdString();
        EXPECT_EQ(G().CurPatientId, 7) << "the patient shown stays";
        EXPECT_EQ(w.form->CmbOutNo->currentText(), QStringLiteral("7"));
    }
    w.TypePatientNumber(QStringLiteral("  "));
    EXPECT_TRUE(w.Captions().empty()) << "a blank number is not checked";
    w.TypePatientNumber(QStringLiteral("９９"));
    EXPECT_EQ(G().CurPatientId, 99) << "full-width digits are the same number";
}

TEST(InputWindowChoice, UnsavedValuesWhenAnotherPatientIsChosen) {
    InputWindow w;
    PFrmInput& f = *w.form;
    auto enterValues = [&](int patient) {
        w.ChoosePatient(patient);
        w.TypeDate("2024", "01", "15");
        w.ChooseStage(1);
        w.Keys(QStringLiteral("37"));
        ASSERT_TRUE(f.Entry().DataChanged);
    };
    auto examsOf = [&](int patient) {
        return w.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=?"), {patient});
    };

    // No: the values are dropped and the new patient is shown.
    enterValues(1);
    w.boxes.Answer(kNo);
    w.ChoosePatient(2);
    EXPECT_EQ(G().CurPatientId, 2);
    EXPECT_EQ(examsOf(1), 0);
    EXPECT_FALSE(f.Entry().DataChanged);

    // Yes: saved under the patient shown, then the new one is shown.
    enterValues(3);
    w.boxes.Answer(kYes);
    w.ChoosePatient(8);
    EXPECT_EQ(examsOf(3), 6);
    EXPECT_EQ(examsOf(8), 0);
    EXPECT_EQ(G().CurPatientId, 8);
    EXPECT_EQ(f.CmbEntry->count(), 0);

    // Yes with a save that cannot happen (no valid date): the list goes back
    // to the patient shown and the values stay unsaved.
    enterValues(5);
    w.TypeDate("2024", "02", "30");
    w.boxes.Clear();
    w.boxes.Answer(kYes);
    w.ChoosePatient(6);
    EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "検査日エラー"}));
    EXPECT_EQ(f.CmbOutNo->currentText(), QStringLiteral("5"));
    EXPECT_EQ(G().CurPatientId, 5);
    EXPECT_TRUE(f.Entry().DataChanged);
    EXPECT_EQ(w.Value(0, 0, 0), 3);

    // Choosing the patient shown again keeps the values unsaved, and a later
    // save still goes to that patient.
    w.ChoosePatient(5);
    EXPECT_TRUE(f.Entry().DataChanged);
    w.TypeDate("2024", "02", "28");
    f.CmbOutNo->setEditText(QStringLiteral("6"));
    w.ClickButton(QStringLiteral("CmdSave"));
    EXPECT_EQ(examsOf(5), 6);
    EXPECT_EQ(examsOf(6), 0);
}

TEST(InputWindowChoice, UnsavedValuesWhenAnotherExaminationIsChosen) {
    InputWindow w;
    StoreTwoExaminations(w);
    PFrmInput& f = *w.form;
    w.ChoosePatient(kPatient);
    ASSERT_EQ(f.CmbEntry->count(), 2);
    EXPECT_EQ(w.Value(0, 0, 2), 4);

    // Yes: the shown examination is saved, and the one chosen is shown
    // although the save refilled the list.
    w.Keys(QStringLiteral("8"));
    w.boxes.Answer(kYes);
    w.ChooseEntry(1);
    EXPECT_EQ(f.CmbEntry->currentIndex(), 1);
    EXPECT_EQ(f.TxtM->text(), QStringLiteral("09"));
    EXPECT_EQ(w.Value(0, 0, 2), 9);
    EXPECT_FALSE(f.Entry().DataChanged);
    EXPECT_EQ(w.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=? AND ID<200"), {kPatient}), 0)
        << "the first examination was replaced";
    EXPECT_EQ(w.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=? AND ID BETWEEN 200 AND 210"),
                      {kPatient}),
              6)
        << "the second was left alone";

    // Yes with a failing save: the choice goes back to the one shown.
    w.Keys(QStringLiteral("5"));
    f.CmbStage->setCurrentIndex(-1);
    w.boxes.Answer(kYes);
    w.ChooseEntry(0);
    EXPECT_EQ(f.CmbEntry->currentIndex(), 1);
    EXPECT_TRUE(f.Entry().DataChanged);
    EXPECT_EQ(f.TxtM->text(), QStringLiteral("09"));

    // No: the stored values of the chosen examination replace the typed ones.
    w.boxes.Answer(kNo);
    w.ChooseEntry(0);
    EXPECT_EQ(f.CmbEntry->currentIndex(), 0);
    EXPECT_EQ(w.Value(0, 0, 2), 4);
    EXPECT_FALSE(f.Entry().DataChanged);

    // Choosing the entry shown again does nothing.
    w.Keys(QStringLiteral("6"));
    w.ChooseEntry(0);
    EXPECT_TRUE(f.Entry().DataChanged);
}

TEST(InputWindowChoice, AnExaminationThatCannotBeReadIsReportedAndNotShown) {
    InputWindow w;
    StoreTwoExaminations(w);
    w.Db()->Execute(QStringLiteral("UPDATE TExamData SET Bui=? WHERE ID=200"), {QStringLiteral("broken")});
    w.ChoosePatient(kPatient);
    w.Captions();
    w.ChooseEntry(1);
    PFrmInput& f = *w.form;
    EXPECT_EQ(w.Captions(), std::vector<QString>{"読込エラー"});
    EXPECT_EQ(f.CmbEntry->currentIndex(), -1);
    EXPECT_TRUE(f.TxtY->text().isEmpty());
    EXPECT_TRUE(f.Entry().IsNewEntry) << "a later save adds, never replaces what could not be read";
    EXPECT_EQ(w.Value(0, 0, 2), -1);
    EXPECT_EQ(w.Value(0, 0, 0), -1);
}

TEST(InputWindowChoice, AChosenExaminationFocusesTheLastOpenToothOfTheFirstRow) {
    InputWindow w;
    w.AddRow(InputScreenEnvironment::Row(1, kPatient, kDay1, 0, 2, 1));
    CExamData a = InputScreenEnvironment::Row(2, kPatient, kDay2, 0, 2, 1);
    a.SetnBui(31, int16_t(kToothMissing));
    w.AddRow(a);
    w.ChoosePatient(kPatient);
    EXPECT_EQ(QApplication::focusWidget(), w.form->TxtY) << "a patient choice ends in the year box";
    w.ChooseEntry(1);
    EXPECT_EQ(QApplication::focusWidget(), w.form->Grid().ThWindow(30));
}

TEST(InputWindowKeys, KeysReachTheGridBeforeTheControlsButNotTheTextBoxes) {
    InputWindow w;
    PFrmInput& f = *w.form;
    w.ChoosePatient(1);
    w.TypeDate("2024", "03", "01");
    w.ChooseStage(1);
    QWidget* th = f.Grid().ThWindow(0);
    w.Keys(QStringLiteral("4/5"), th);
    EXPECT_EQ(w.Value(0, 0, 0), 4);
    EXPECT_EQ(w.Value(0, 0, 1), 15);
    w.Key(Qt::Key_Left, th);
    w.Keys(QStringLiteral("2"), th);
    EXPECT_EQ(w.Value(0, 0, 0), 2) << "the left arrow goes back and the next value lands there";
    w.Key(Qt::Key_Return, th);
    w.Key(Qt::Key_Return, th);
    w.Keys(QStringLiteral("3"), th);
    EXPECT_EQ(w.Value(0, 0, 2), 3) << "Enter moves on without a value";

    // In a text box the keys are the box's; a full box moves the focus on,
    // and Enter moves to the next box.
    f.TxtM->setFocus();
    QTest::keyClick(f.TxtM, Qt::Key_End);
    QTest::keyClick(f.TxtM, Qt::Key_Backspace);
    EXPECT_EQ(QApplication::focusWidget(), f.TxtM);
    QTest::keyClick(f.TxtM, '4');
    EXPECT_EQ(f.TxtM->text(), QStringLiteral("04"));
    EXPECT_EQ(QApplication::focusWidget(), f.TxtD);
    QTest::keyClick(f.TxtD, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), f.TxtInNo);
    EXPECT_EQ(w.Value(0, 0, 2), 3);

    // Esc moves the tools button only where the sibling product was found.
    QWidget* tools = f.ButtonWindow(QStringLiteral("CmdImport"));
    QWidget* chart = f.ButtonWindow(QStringLiteral("CmdChartDR"));
    const QPoint chartAt = chart->pos();
    w.Key(Qt::Key_Escape, th);
    EXPECT_TRUE(tools->isVisible());
    EXPECT_EQ(chart->pos(), chartAt);
    G().SharedDbKind = 1;
    w.Key(Qt::Key_Escape, th);
    EXPECT_FALSE(tools->isVisible());
    EXPECT_GT(chart->y(), chartAt.y());
    w.Key(Qt::Key_Escape, f.TxtD);
    EXPECT_TRUE(tools->isVisible());
    EXPECT_EQ(chart->pos(), chartAt);
}

}  // namespace
}  // namespace mox::test
