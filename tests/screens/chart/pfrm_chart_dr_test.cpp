// The chart screen's window on the real tooth and colour button modules:
// opening, choosing patients, what the pages and the buttons show, and the
// preview.

#include "platform/gui/screen.h"
#include "tests/screens/chart/chart_test_support.h"
#include "tests/screens/input/input_window.h"

#include <QListWidget>
#include <QScrollBar>

namespace mox::test {
namespace {

using molarix::kDispData;
using molarix::kDispExamMode;
using molarix::kDispRoot;
using molarix::kDispSystemType;

int ButtonValue(PFrmChartDR& w, int button, int site) { return w.Th[button]->Get(kDispData, {0, site}).toInt(); }

bool AllWhite(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != QColor(Qt::white)) return false;
    return true;
}

// The preview's band of the n-th block, in pixels.
QRect BlockBand(PFrmChartDR& w, int n) {
    platform::ImageTarget& preview = w.PicDraw->Target();
    const QPointF top = preview.ToDevice(0, 64.0 * n + 2);
    const QPointF bottom = preview.ToDevice(180, 64.0 * n + 58);
    return QRectF(top, bottom).toRect().intersected(preview.Image().rect());
}

TEST(ChartWindow, WithoutAPatientNothingIsChosenOrDrawn) {
    ChartScreenEnvironment env;
    auto w = env.Open(-1);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("MOX-Chart"));
    EXPECT_EQ(w->CmbOutNo->currentIndex(), -1);
    EXPECT_EQ(w->CmbOutNo->count(), 32);
    EXPECT_EQ(w->CmbOutNo->itemData(31).toInt(), 99);
    EXPECT_EQ(w->LstEntry->count(), 0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(w->LblDate[k]->text().isEmpty());
        EXPECT_EQ(w->Slots()[k].Loaded, 0);
        EXPECT_EQ(w->Slots()[k].Furcation[0], kNoSiteValue) << "slots start empty, not zero-filled";
    }
    for (PictureBox* box : w->PicPocket) EXPECT_TRUE(AllWhite(box->Image(), box->Image().rect()));
    // The preview is an empty sheet of its proportions that scrolls.
    const QImage& sheet = w->PicDraw->Image();
    EXPECT_NEAR(double(sheet.height()) / sheet.width(), 455.0 / 210.0, 0.01);
    EXPECT_TRUE(AllWhite(sheet, sheet.rect()));
    EXPECT_GT(w->VScrPic->maximum(), 0);
    EXPECT_TRUE(env.Captions().empty());
    EXPECT_EQ(w->SSTab1->tabText(0), QStringLiteral("   初診時・基本治療終了時   "));
    EXPECT_EQ(w->SSTab1->tabText(1), QStringLiteral("   ＳＰＴ移行時・最新ＳＰＴ時   "));
    EXPECT_EQ(w->SSTab1->tabText(2), QStringLiteral("   検査データ  "));
    for (int i = 0; i < 64; ++i) ASSERT_TRUE(w->Th[i]->IsCreated());
    EXPECT_EQ(w->Button(QStringLiteral("BtnPrintData"), 2)->Get(prismet::kDispCaption).toString(),
              QStringLiteral("認定歯科衛生士 検査データ印刷"));
}

TEST(ChartWindow, Sample98FillsBothPagesTheListAndTheButtons) {
    ChartScreenEnvironment env;
    auto w = env.Open(98);
    EXPECT_EQ(w->CmbOutNo->currentText(), QStringLiteral("98"));
    EXPECT_EQ(w->LblOutNo->text(), QStringLiteral("98"));
    ASSERT_EQ(w->LstEntry->count(), 4);
    EXPECT_EQ(w->LstEntry->item(0)->text(), QStringLiteral("2019/04/08  初診時"));
    EXPECT_EQ(w->LstEntry->item(3)->text(), QStringLiteral("2020/10/19  最新ＳＰＴ時"));
    EXPECT_EQ(w->LstEntry->item(3)->data(Qt::UserRole).toInt(), 4);
    EXPECT_EQ(w->LblStage[1]->text(), QStringLiteral("基本治療終了時"));
    EXPECT_EQ(w->LblDate[0]->text(), QStringLiteral("2019/04/08"));
    EXPECT_EQ(w->LblGPH0[1]->text(), QStringLiteral("1-3㎜"));
    EXPECT_EQ(w->LblGPH2[0]->text(), QStringLiteral("6㎜以上"));
    EXPECT_TRUE(w->LblAve[2]->text().endsWith(QStringLiteral("㎜")));
    EXPECT_EQ(w->LblMOBH[1]->text(), QStringLiteral("S→最"));

    const ExamSlots& exams = w->Slots();
    for (int page = 0; page < 2; ++page) {
        for (int t = 0; t < 32; ++t) {
            const int button = page * 32 + t;
            EXPECT_EQ(w->LblMOB[button]->text(), MobilityCaption(exams[2 * page], exams[2 * page + 1], t));
            EXPECT_EQ(w->Th[button]->Get(kDispSystemType).toInt(), 1);
            EXPECT_EQ(w->Th[button]->Get(kDispExamMode).toInt(), 6);
            EXPECT_EQ(w->Th[button]->Get(kDispRoot).toInt(), FurcationType[t]);
            const auto values = ButtonFurcationValues(exams[page == 0 ? 0 : 3], t);
            for (int n = 0; n < 6; ++n) ASSERT_EQ(ButtonValue(*w, button, n), values[n]) << button << " " << n;
        }
    }
    EXPECT_EQ(w->LblMOB[1]->text(), QStringLiteral("2→ "));
    EXPECT_EQ(w->LblMOB[2]->text(), QStringLiteral("2→1"));
    // 18 is missing at the first visit: its label is grey.
    EXPECT_EQ(w->LblMOB[0]->palette().color(QPalette::Window), QColor(192, 192, 192));
    // The pages hold pictures and graphs; the preview four blocks.
    EXPECT_FALSE(AllWhite(w->PicPocket[5]->Image(), w->PicPocket[5]->Image().rect()));
    for (int n = 0; n < 4; ++n) EXPECT_FALSE(AllWhite(w->PicDraw->Image(), BlockBand(*w, n))) << n;
    // The window reads each picture once, whatever is drawn again.
    env.Choose(*w, 99);
    const int decoded = w->Pictures().Decoded();
    env.Choose(*w, 98);
    env.Choose(*w, 99);
    EXPECT_EQ(w->Pictures().Decoded(), decoded);
}

TEST(ChartWindow, TypedNumbersLoadOrAreRefusedAndTheWindowStays) {
    ChartScreenEnvironment env;
    auto w = env.Open(-1);
    ChartScreenEnvironment::Type(*w, QStringLiteral("5"));
    EXPECT_EQ(w->CmbOutNo->currentData().toInt(), 5);
    EXPECT_EQ(w->LblOutNo->text(), QStringLiteral("5"));
    EXPECT_TRUE(env.Captions().empty());

    for (const QString& typed : {QStringLiteral("31"), QStringLiteral("あ"), QStringLiteral("-1")}) {
        ChartScreenEnvironment::Type(*w, typed);
        ASSERT_EQ(env.boxes.Shown().size(), 1u) << typed.toStdString();
        EXPECT_EQ(env.boxes.Shown()[0].prompt, QStringLiteral("患者番号が範囲外です。再入力してください。"));
        EXPECT_EQ(env.boxes.Shown()[0].caption, QStringLiteral("範囲外エラー"));
        EXPECT_EQ(env.boxes.Shown()[0].style, 16);
        env.boxes.Clear();
        EXPECT_EQ(w->CmbOutNo->currentData().toInt(), 5) << "the selection stays";
        EXPECT_EQ(w->CmbOutNo->currentText(), QStringLiteral("5"));
    }
    // Full-width digits are a number too; leaving the box untouched loads nothing.
    ChartScreenEnvironment::Type(*w, QStringLiteral("９８"));
    EXPECT_EQ(w->CmbOutNo->currentData().toInt(), 98);
    EXPECT_EQ(w->LblApplyNo->text(), QString());
    // The number already chosen, typed again, loads the patient afresh.
    env.Db()->Execute(QStringLiteral("UPDATE TPatient SET AppName='A-12' WHERE ID=98"));
    emit w->CmbOutNo->lineEdit()->editingFinished();
    EXPECT_EQ(w->LblApplyNo->text(), QString());
    ChartScreenEnvironment::Type(*w, QStringLiteral("98"));
    EXPECT_EQ(w->LblApplyNo->text(), QStringLiteral("A-12"));
}

TEST(ChartWindow, ChoosingHereChangesNeitherTheInputScreensPatientNorItsRecord) {
    ChartScreenEnvironment env;
    Globals().CurPatient->ClearBuffer();
    Globals().CurPatient->ID = 98;
    Globals().CurPatient->Name = QStringLiteral("見本 太郎");
    auto w = env.Open(98);
    env.Choose(*w, 99);
    EXPECT_EQ(G().CurPatientId, 98);
    EXPECT_EQ(Globals().CurPatient->ID, 98);
    EXPECT_EQ(Globals().CurPatient->Name, QStringLiteral("見本 太郎"));
    EXPECT_EQ(w->Patient().ID, 99);
    EXPECT_EQ(w->Patient().Name, QStringLiteral("見本 花子"));
    EXPECT_EQ(w->ShownPatientId(), 99);
}

TEST(ChartWindow, AChoiceHereNeverReachesTheInputScreensSave) {
    InputWindow input;
    CopyToothPictures(input.box);
    input.Db()->Execute(
        QStringLiteral("INSERT INTO TPatient (ID, Name, BirthDay, Sex) VALUES (1, '歯科 一郎', "
                       "'1970/01/02', 1), (2, '歯周 花子', '1985/12/24', 2)"));
    input.ChoosePatient(1);
    PFrmChartDR* chart = ShowChartScreen(input.form.get());
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->CmbOutNo->currentText(), QStringLiteral("1"));
    EXPECT_EQ(ShowChartScreen(input.form.get()), chart) << "one chart screen at a time";
    ChartScreenEnvironment::Choose(*chart, 2);
    ASSERT_EQ(chart->Patient().Name, QStringLiteral("歯周 花子"));

    input.form->activateWindow();
    input.TypeDate("2024", "05", "20");
    input.ChooseStage(1);
    input.Keys(QStringLiteral("3"));
    input.ClickButton(QStringLiteral("CmdSave"));
    ASSERT_EQ(input.Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=1")), 6);
    auto rs = input.Db()->OpenRecordset(QStringLiteral("SELECT Name, BirthDay, Sex FROM TPatient WHERE ID=1"));
    ASSERT_FALSE(rs->IsEOF());
    EXPECT_EQ(rs->Field(QStringLiteral("Name")).ToText(), QStringLiteral("歯科 一郎"));
    EXPECT_EQ(rs->Field(QStringLiteral("BirthDay")).ToText(), QStringLiteral("1970/01/02"));
    EXPECT_EQ(rs->Field(QStringLiteral("Sex")).ToInt64(), 1);
    chart->close();
}

TEST(ChartWindow, ThePreviewFollowsEveryChoiceAndScrollsToItsBottom) {
    ChartScreenEnvironment env;
    auto w = env.Open(-1);
    env.Choose(*w, 98);
    // What the data tab paints is the patient's sheet, not a surface still waiting for it.
    const QImage shown = w->PicDraw->grab().toImage();
    for (int n = 0; n < 4; ++n) EXPECT_FALSE(AllWhite(shown, BlockBand(*w, n))) << n;
    for (int n = 0; n < 4; ++n) EXPECT_FALSE(AllWhite(w->PicDraw->Image(), BlockBand(*w, n))) << n;
    env.Choose(*w, 99);  // three stages
    for (int n = 0; n < 3; ++n) EXPECT_FALSE(AllWhite(w->PicDraw->Image(), BlockBand(*w, n))) << n;
    EXPECT_TRUE(AllWhite(w->PicDraw->Image(), BlockBand(*w, 3)));
    env.Choose(*w, 7);  // no examination at all
    EXPECT_TRUE(AllWhite(w->PicDraw->Image(), w->PicDraw->Image().rect()));

    w->VScrPic->setValue(w->VScrPic->maximum());
    EXPECT_NEAR(w->PicDraw->y() + w->PicDraw->height(), w->PicFrame->height(), 1);
    w->VScrPic->setValue(0);
    EXPECT_EQ(w->PicDraw->y(), 0);
    EXPECT_EQ(w->VScrPic->pageStep(), std::lrint(w->VScrPic->maximum() / 10.0));

    // A picture far taller than 32767 twips still scrolls to its end.
    const PreviewScroll tall = PreviewScrollOf(4000, 600, 15);
    EXPECT_EQ(tall.maximum, 51000);
    EXPECT_EQ(tall.largeChange, 5100);
    EXPECT_EQ(tall.smallChange, 510);
    EXPECT_EQ(PreviewScrollOf(1005, 1000, 15).largeChange, 8) << "7.5 to the even 8";
    EXPECT_EQ(PreviewScrollOf(1003, 1000, 15).largeChange, 4) << "4.5 to the even 4";
    EXPECT_EQ(PreviewScrollOf(500, 600, 15).maximum, 0);
}

TEST(ChartWindow, CrownsRepaintedOnlyWhereThePageHasAnExamination) {
    ChartScreenEnvironment env;
    auto w = env.Open(-1);
    w->DrawPocketChart(0);
    for (int k = 0; k < 4; ++k)
        EXPECT_TRUE(AllWhite(w->PicPocket[k]->Image(), w->PicPocket[k]->Image().rect())) << "no boundary line either";
    env.Choose(*w, 98);
    for (int k = 0; k < 4; ++k) w->PicPocket[k]->Target().Cls();
    w->DrawPocketChart(0);
    platform::ImageTarget& box0 = w->PicPocket[0]->Target();
    const QImage& image = box0.Image();
    const QPointF line = box0.ToDevice(300, 130);
    EXPECT_EQ(image.pixelColor(int(line.x()), int(line.y())), QColor(Qt::black));
    const QPointF root = box0.ToDevice(60, 60);
    EXPECT_EQ(image.pixelColor(int(root.x()), int(root.y())), QColor(Qt::white)) << "root cells are left alone";
    EXPECT_FALSE(AllWhite(image, QRectF(box0.ToDevice(0, 135), box0.ToDevice(640, 199)).toRect())) << "crowns";
}

TEST(ChartWindow, LabelsAndButtonsFollowTheSlotsOfTheirPage) {
    ChartScreenEnvironment env;
    const QDate day(2024, 2, 1);
    // Patient 3: 16 (tooth 2) missing at the first visit, mobility 1 at 17 only at the latest SPT visit.
    env.AddExamRow(1, 3, day, 1, 0, 2, {{12, 3}}, {{2, int16_t(kToothMissing)}});
    env.AddExamRow(2, 3, day, 1, 1, 1, {{1, 2}}, {{2, int16_t(kToothMissing)}});
    // Patient 4: 16 is a pontic at the first visit; the move to SPT alone on page 1.
    env.AddExamRow(3, 4, day, 1, 0, 2, {{0, 3}}, {{2, int16_t(kToothPontic)}});
    env.AddExamRow(4, 4, day.addMonths(6), 3, 0, 2, {{0, 4}});
    env.AddExamRow(5, 4, day.addMonths(6), 3, 2, 13, {{9 * 6 + 4, 2}});
    auto w = env.Open(3);
    EXPECT_EQ(w->LblMOB[2]->palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_EQ(w->LblMOB[1]->text(), QStringLiteral("2→ "));
    EXPECT_EQ(w->LblMOB[33]->text(), QString());
    env.Choose(*w, 4);
    EXPECT_EQ(w->LblMOB[2]->palette().color(QPalette::Window), QColor(Qt::white))
        << "a pontic's label does not keep the colour of the patient before";
    // Page 1 falls back to slot 2; its 22 (tooth 9) has grade 2 at site slot 4, button site 4.
    EXPECT_EQ(ButtonValue(*w, 32 + 9, 4), 2);
    EXPECT_EQ(ButtonValue(*w, 32 + 9, 0), -1);
    EXPECT_EQ(ButtonValue(*w, 32 + 10, 4), -1);
    // Page 0's buttons show slot 0, which has no furcation row.
    for (int n = 0; n < 6; ++n) EXPECT_EQ(ButtonValue(*w, 9, n), -1);
}

TEST(ChartWindow, TheBlankLegendWritesArrowsAndTheFirstSlotsValuesOnly) {
    ChartScreenEnvironment env;
    auto w = env.Open(-1);
    w->SetBlankLegend(1);
    for (int t = 0; t < 32; ++t) {
        EXPECT_EQ(w->LblMOB[32 + t]->text(), QStringLiteral("→"));
        for (int n = 0; n < 6; ++n) ASSERT_EQ(ButtonValue(*w, 32 + t, n), -1) << "no grade 0 from an empty slot";
    }
    EXPECT_EQ(w->LblGPH1[1]->text(), QStringLiteral("4-5㎜"));
    env.Choose(*w, 98);
    w->SetBlankLegend(1);
    for (int t = 0; t < 32; ++t) {
        const auto values = ButtonFurcationValues(w->Slots()[0], t);
        for (int n = 0; n < 6; ++n) ASSERT_EQ(ButtonValue(*w, 32 + t, n), values[n]) << t;
    }
}

TEST(ChartWindow, AnUnreadableExaminationIsAnEmptySlotAndAMessage) {
    ChartScreenEnvironment env;
    env.AddExamRow(1, 6, QDate(2024, 1, 10), 1, 0, 2, {{0, 4}});
    env.AddExamRow(2, 6, QDate(2024, 4, 10), 2, 0, 2, {{0, 3}});
    env.Db()->Execute(QStringLiteral("UPDATE TExamData SET Bui='garbage' WHERE ID=2"));
    auto w = env.Open(6);
    ASSERT_EQ(env.boxes.Shown().size(), 1u);
    EXPECT_EQ(env.boxes.Shown()[0].caption, QStringLiteral("読込エラー"));
    EXPECT_TRUE(env.boxes.Shown()[0].prompt.contains(QStringLiteral("基本治療終了時")));
    EXPECT_EQ(w->Slots()[0].Loaded, -1);
    EXPECT_EQ(w->Slots()[1].Loaded, 0);
    EXPECT_TRUE(w->LblDate[1]->text().isEmpty());
    EXPECT_EQ(platform::MousePointer(), platform::kDefaultPointer);
}

TEST(ChartWindow, TheEndButtonClosesTheWindow) {
    ChartScreenEnvironment env;
    auto w = env.Open(98);
    w->show();
    QWidget* end = w->ButtonWindow(QStringLiteral("BtnEnd"));
    ASSERT_NE(end, nullptr);
    QTest::mouseClick(end, Qt::LeftButton, Qt::NoModifier, end->rect().center());
    EXPECT_FALSE(w->isVisible());
}

}  // namespace
}  // namespace mox::test
