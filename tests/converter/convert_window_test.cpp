// The convert window driven with clicks, as the user drives it: choosing
// numbers, mapping, clearing, and the conversion with its questions and
// messages. The command buttons are the real colour buttons of the module.

#include "converter/convert_window.h"
#include "converter/patient_copy.h"
#include "platform/atomic_file.h"
#include "platform/gui/colour.h"
#include "platform/gui/screen.h"
#include "tests/converter/converter_fixture.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTest>

namespace mox::convert::test {
namespace {

const QColor kPatientBack(255, 192, 192);
const QColor kEmptyBack(255, 255, 255);
const QColor kGrey(192, 192, 192);

class ConvertWindowTest : public ConverterTest {
protected:
    void SetUp() override {
        ConverterTest::SetUp();
        RegisterColourButtons();
        MakeMainDatabase();
        CopySources();
        G().FormBackColor = platform::VbRgb(165, 229, 213);
        window_ = std::make_unique<PFrmConvert>([this] { ++ends_; },
                                                [this](CopyStep step) {
                                                    if (copyStep_) copyStep_(step);
                                                });
        window_->Form_Load();
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    void TearDown() override {
        window_.reset();
        ConverterTest::TearDown();
    }

    static void Click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    }
    static QColor Fore(const QLabel* label) { return label->palette().color(QPalette::WindowText); }
    static QColor Back(const QLabel* label) { return label->palette().color(QPalette::Window); }
    QStringList Backups() const {
        return QDir(box_.Path()).entryList({QStringLiteral("VXMOX2_*")}, QDir::Files, QDir::Name);
    }
    QStringList Prompts() const {
        QStringList prompts;
        for (const platform::ShownBox& box : boxes_.Shown()) prompts << box.caption + QLatin1Char(':') + box.prompt;
        return prompts;
    }
    void Map(ClickLabel* source, int target) {
        Click(source);
        Click(window_->lblC[target]);
    }

    std::unique_ptr<PFrmConvert> window_;
    CopyStepHook copyStep_;
    int ends_ = 0;
};

TEST_F(ConvertWindowTest, LoadShowsWhoIsWhereAndAGreyNumberChoosesNothing) {
    PFrmConvert& w = *window_;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("MOX2.5 コンバート"));
    EXPECT_EQ(w.lblFolder->text(), box_.Path());
    EXPECT_EQ(w.LblVer->text(), QStringLiteral("Ver.4.00"));
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(165, 229, 213));
    EXPECT_EQ(w.pos().y(), 0);
    com::HostedControl* convert = w.Button(QStringLiteral("CmdConvert"));
    com::HostedControl* lastClear = w.Button(QStringLiteral("CmdClear"), 29);
    ASSERT_TRUE(convert && lastClear);
    EXPECT_EQ(convert->Get(prismet::kDispCaption).toString(), QStringLiteral("コンバート開始"));
    EXPECT_EQ(lastClear->Get(prismet::kDispCaption).toString(), QStringLiteral("クリア"));

    // Source B has no patient 9; of the target slots only 7 is taken (the
    // sample patients are no slots).
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(Back(w.lblA[i]), kPatientBack) << i;
        EXPECT_EQ(w.lblB[i]->text(), QString::number(i + 1));
    }
    EXPECT_EQ(Back(w.lblB[8]), kEmptyBack);
    EXPECT_EQ(Fore(w.lblB[8]), kGrey);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(Back(w.lblC[i]), i == 6 ? kPatientBack : kEmptyBack) << i;

    // A grey number chooses nothing, so a target click that follows does nothing.
    Click(w.lblA[0]);
    EXPECT_TRUE(w.lblArrowA->isVisible());
    Click(w.lblB[8]);
    EXPECT_EQ(w.SelectedA, -1);
    EXPECT_EQ(w.SelectedB, -1);
    EXPECT_FALSE(w.lblArrowA->isVisible());
    EXPECT_FALSE(w.lblArrowB->isVisible());
    Click(w.lblC[0]);
    EXPECT_EQ(w.lblC[0]->text(), QStringLiteral("1"));
    EXPECT_EQ(w.Mapping[0], 0);
    EXPECT_FALSE(w.lblArrow->isVisible());
    EXPECT_TRUE(boxes_.Shown().empty());
}

TEST_F(ConvertWindowTest, MappingAsksOnlyForATakenSlotAndNoLeavesItAsItWas) {
    PFrmConvert& w = *window_;
    Click(w.lblC[2]);  // no source chosen: nothing
    EXPECT_EQ(w.lblC[2]->text(), QStringLiteral("3"));

    // The source choice stays: one patient into two empty slots, no question.
    Map(w.lblA[0], 2);
    Click(w.lblC[4]);
    EXPECT_EQ(w.lblC[2]->text(), QStringLiteral("A-1 → 3"));
    EXPECT_EQ(w.lblC[4]->text(), QStringLiteral("A-1 → 5"));
    EXPECT_EQ(Fore(w.lblC[4]), QColor(0, 0, 0));
    EXPECT_EQ(w.Mapping[2], 1);
    EXPECT_EQ(w.Mapping[4], 1);
    EXPECT_TRUE(w.lblArrow->isVisible());
    EXPECT_TRUE(boxes_.Shown().empty());

    // Slot 7 holds a patient: asked once, and No changes nothing.
    boxes_.Answer(platform::kNo);
    Map(w.lblB[1], 6);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("確認"));
    EXPECT_EQ(boxes_.Shown()[0].style, 52);
    EXPECT_EQ(boxes_.Shown()[0].prompt, QStringLiteral("入力済みのデータは削除されます。\r\n\r\nよろしいですか？"));
    EXPECT_EQ(w.lblC[6]->text(), QStringLiteral("7"));
    EXPECT_EQ(w.Mapping[6], 0);
    EXPECT_FALSE(w.lblArrow->isVisible());

    boxes_.Answer(platform::kYes);
    Click(w.lblC[6]);
    EXPECT_EQ(w.lblC[6]->text(), QStringLiteral("B-2 → 7"));
    EXPECT_EQ(w.Mapping[6], 12);
    EXPECT_EQ(boxes_.Shown().size(), 2u);
}

TEST_F(ConvertWindowTest, ANewMappingReplacesTheOldOneAndClearPutsTheSlotBack) {
    PFrmConvert& w = *window_;
    Map(w.lblA[0], 2);
    Map(w.lblB[0], 2);
    EXPECT_EQ(w.lblC[2]->text(), QStringLiteral("B-1 → 3"));
    EXPECT_EQ(w.Mapping[2], 11);

    Click(w.ButtonWindow(QStringLiteral("CmdClear"), 2));
    EXPECT_EQ(w.lblC[2]->text(), QStringLiteral("3"));
    EXPECT_EQ(w.Mapping[2], 0);
    EXPECT_EQ(Fore(w.lblC[2]), kGrey);
    EXPECT_EQ(w.SelectedB, -1);
    EXPECT_FALSE(w.lblArrowB->isVisible());
    EXPECT_FALSE(w.lblArrow->isVisible());

    // A cleared taken slot gets its own colours back.
    boxes_.Answer(platform::kYes);
    Map(w.lblA[1], 6);
    Click(w.ButtonWindow(QStringLiteral("CmdClear"), 6));
    EXPECT_EQ(w.lblC[6]->text(), QStringLiteral("7"));
    EXPECT_EQ(Back(w.lblC[6]), kPatientBack);
    EXPECT_EQ(Fore(w.lblC[6]), QColor(0, 0, 0));
}

TEST_F(ConvertWindowTest, ConversionAsksFirstKeepsACopyAndNamesItAndTheSlotsAskAfterwards) {
    PFrmConvert& w = *window_;
    Map(w.lblA[0], 2);
    Click(w.lblC[4]);
    boxes_.Answer(platform::kYes);
    Map(w.lblB[1], 6);
    const QByteArray before = FileBytes(MainPath());

    // No: nothing is written, not even the copy.
    boxes_.Clear();
    boxes_.Answer(platform::kNo);
    Click(w.ButtonWindow(QStringLiteral("CmdConvert")));
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].prompt, QStringLiteral("コンバートを開始します。\r\n\r\nよろしいですか？"));
    EXPECT_EQ(FileBytes(MainPath()), before);
    EXPECT_TRUE(Backups().isEmpty());

    // The hourglass shows while the conversion works.
    int pointerWhileCopying = -1;
    copyStep_ = [&](CopyStep) { pointerWhileCopying = platform::MousePointer(); };
    boxes_.Clear();
    boxes_.Answer(platform::kYes);
    Click(w.ButtonWindow(QStringLiteral("CmdConvert")));
    EXPECT_EQ(pointerWhileCopying, platform::kHourglassPointer);
    EXPECT_EQ(platform::MousePointer(), platform::kDefaultPointer);
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_EQ(boxes_.Shown()[1].caption, QStringLiteral("完了"));
    EXPECT_EQ(boxes_.Shown()[1].style, 64);
    EXPECT_EQ(
        boxes_.Shown()[1].prompt,
        QStringLiteral("コンバートを完了しました。\r\n\r\nコンバート前のＤＢは、以下のファイル名で保存されています。"
                       "\r\n\r\nVXMOX2_20240506_1020.mdb"));
    EXPECT_EQ(FileBytes(Path(QStringLiteral("VXMOX2_20240506_1020.mdb"))), before);
    auto main = db::Connection::Open(db::DataSourcePart(MainPath()));
    EXPECT_EQ(main->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID=5")).ToText(),
              QStringLiteral("山田 太郎"));
    EXPECT_EQ(main->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID=7")).ToText(),
              QStringLiteral("吉田 翔太"));

    // The window keeps its mappings; the slots just filled are taken now.
    EXPECT_EQ(w.lblC[2]->text(), QStringLiteral("A-1 → 3"));
    EXPECT_EQ(Back(w.lblC[2]), kPatientBack);
    EXPECT_EQ(w.HasTarget[2], 1);
    boxes_.Clear();
    boxes_.Answer(platform::kNo);
    Map(w.lblA[5], 4);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].caption, QStringLiteral("確認"));
    EXPECT_EQ(w.lblC[4]->text(), QStringLiteral("A-1 → 5"));

    // A second conversion in the same minute keeps the first copy.
    boxes_.Clear();
    boxes_.Answer(platform::kYes);
    Click(w.ButtonWindow(QStringLiteral("CmdConvert")));
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_TRUE(boxes_.Shown()[1].prompt.endsWith(QStringLiteral("VXMOX2_20240506_1020_2.mdb")));
    EXPECT_EQ(Backups(),
              (QStringList{QStringLiteral("VXMOX2_20240506_1020.mdb"), QStringLiteral("VXMOX2_20240506_1020_2.mdb")}));
    EXPECT_EQ(FileBytes(Path(QStringLiteral("VXMOX2_20240506_1020.mdb"))), before);
}

TEST_F(ConvertWindowTest, AFailedConversionNamesTheMappingAndLeavesTheDatabaseAsItWas) {
    PFrmConvert& w = *window_;
    Map(w.lblA[0], 2);
    Map(w.lblA[1], 4);
    const QStringList before = DumpDatabase(MainPath());
    int exams = 0;
    copyStep_ = [&](CopyStep step) {
        if (step == CopyStep::AddExam && ++exams == 12)
            throw db::DbError(db::kErrSql, QStringLiteral("ディスクに書き込めません。"));
    };
    boxes_.Answer(platform::kYes);
    Click(w.ButtonWindow(QStringLiteral("CmdConvert")));
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_EQ(boxes_.Shown()[1].caption, QStringLiteral("コンバートエラー"));
    EXPECT_EQ(boxes_.Shown()[1].style, 16);
    EXPECT_TRUE(boxes_.Shown()[1].prompt.startsWith(QStringLiteral("A-2 → 5 のコンバート中にエラーが発生したため")))
        << boxes_.Shown()[1].prompt.toStdString();
    EXPECT_TRUE(boxes_.Shown()[1].prompt.endsWith(QStringLiteral("ディスクに書き込めません。")));
    EXPECT_EQ(DumpDatabase(MainPath()), before);
    EXPECT_EQ(w.HasTarget[2], 0);
    EXPECT_EQ(Back(w.lblC[2]), kEmptyBack);
    EXPECT_EQ(platform::MousePointer(), platform::kDefaultPointer);
}

TEST_F(ConvertWindowTest, AFolderThatRefusesTheCopyStopsTheConversionBeforeAnyWrite) {
    PFrmConvert& w = *window_;
    Map(w.lblA[0], 2);
    const QByteArray before = FileBytes(MainPath());
    boxes_.Answer(platform::kYes);
    {
        platform::FileStepFault refused(1, EACCES);
        Click(w.ButtonWindow(QStringLiteral("CmdConvert")));
    }
    // Why the conversion stopped, with the copy's own cause.
    ASSERT_EQ(Prompts().size(), 2);
    EXPECT_EQ(boxes_.Shown()[1].caption, QStringLiteral("コンバートエラー"));
    EXPECT_TRUE(Prompts()[1].contains(QStringLiteral("アクセスが拒否されました。")));
    EXPECT_TRUE(Prompts()[1].contains(QStringLiteral("データベースは変更していません。")));
    EXPECT_EQ(FileBytes(MainPath()), before);
    EXPECT_TRUE(Backups().isEmpty());
    EXPECT_EQ(w.lblC[2]->text(), QStringLiteral("A-1 → 3"));
}

TEST_F(ConvertWindowTest, WithoutMappingsTheConversionStillKeepsACopyAndReportsIt) {
    boxes_.Answer(platform::kYes);
    Click(window_->ButtonWindow(QStringLiteral("CmdConvert")));
    ASSERT_EQ(boxes_.Shown().size(), 2u);
    EXPECT_EQ(boxes_.Shown()[1].caption, QStringLiteral("完了"));
    EXPECT_EQ(Backups(), QStringList{QStringLiteral("VXMOX2_20240506_1020.mdb")});
}

TEST_F(ConvertWindowTest, TheEndButtonUnloadsTheWindowAndEndsTheProgram) {
    ASSERT_NE(Globals().NextAutoNumber, nullptr);
    Click(window_->ButtonWindow(QStringLiteral("CmdEnd")));
    EXPECT_EQ(ends_, 1);
    EXPECT_FALSE(window_->isVisible());
    EXPECT_EQ(Globals().NextAutoNumber, nullptr);
    window_->close();
    EXPECT_EQ(ends_, 1);
}

}  // namespace
}  // namespace mox::convert::test
