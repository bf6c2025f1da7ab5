// The site-selection question box on its real colour buttons, alone and
// behind the whole-row plaque buttons of the window.

#include "screens/input/pfrm_msg_box_bui.h"
#include "tests/screens/input/input_window.h"

#include <QLabel>

namespace mox::test {
namespace {

// Clicks the box's button `name`, or nothing for the close box.
void Answer(InputScreenEnvironment& env, const QString& name, QString* question = nullptr) {
    env.modalRunner = [&env, name, question](QDialog& window) {
        auto& box = dynamic_cast<PFrmMsgBoxBui&>(window);
        EXPECT_EQ(box.windowTitle(), QStringLiteral("部位指定"));
        EXPECT_TRUE(box.windowFlags() & Qt::WindowStaysOnTopHint) << "the box stays above other windows";
        if (question) *question = box.LblMessage->text();
        if (name.isEmpty()) return;
        QWidget* button = box.Buttons().Window(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    };
}

TEST(SiteQuestionBox, EachButtonAnswersAndTheCloseBoxCancels) {
    InputScreenEnvironment env;
    QWidget parent;
    QString question;
    const std::pair<const char*, int> answers[] = {{"CmdNonExam", kUnexaminedSites},
                                                   {"CmdAllExam", kAllSites},
                                                   {"CmdCancel", kSitesCancelled},
                                                   {"", kSitesCancelled}};
    for (const auto& [button, expected] : answers) {
        Answer(env, QString::fromLatin1(button), &question);
        EXPECT_EQ(PFrmMsgBoxBui::Ask(&parent), expected) << button;
        EXPECT_EQ(question, QStringLiteral("入力する部位を指定してください。"));
    }
    EXPECT_EQ(env.PlayedClips(), (std::vector<QString>{"click1.wav", "click1.wav", "click1.wav"}))
        << "each button clicks; the close box does not";

    PFrmMsgBoxBui box;
    EXPECT_EQ(box.Buttons().Button(QStringLiteral("CmdNonExam"))->Get(prismet::kDispCaption).toString(),
              QStringLiteral("未検査部位のみ"));
    EXPECT_EQ(box.Buttons().Button(QStringLiteral("CmdAllExam"))->Get(prismet::kDispCaption).toString(),
              QStringLiteral("すべての部位"));
    EXPECT_EQ(box.Buttons().Button(QStringLiteral("CmdCancel"))->Get(prismet::kDispCaption).toString(),
              QStringLiteral("キャンセル"));

    // A caller's text goes in front, blanks trimmed.
    Answer(env, QString(), &question);
    PFrmMsgBoxBui::Ask(&parent, QStringLiteral("  上顎："));
    EXPECT_EQ(question, QStringLiteral("上顎：入力する部位を指定してください。"));
}

TEST(SiteQuestionBox, TheWholeRowPlaqueButtonsAskItOnTheWindow) {
    InputWindow w;
    PFrmInput& f = *w.form;
    w.ChoosePatient(3);
    w.TypeDate("2024", "06", "01");
    w.ChooseStage(1);
    f.Entry().SetInputMode(3, true);
    f.Grid().ThWindow(96)->setFocus();  // the typed date has counted as a change
    f.Entry().DataChanged = false;

    Answer(w, QStringLiteral("CmdCancel"));
    w.ClickButton(QStringLiteral("CmdPL"), 2);
    EXPECT_EQ(w.modalWindows, 1);
    EXPECT_EQ(f.Grid().PlaqueData(96), -1);
    EXPECT_FALSE(f.Entry().DataChanged);

    Answer(w, QStringLiteral("CmdAllExam"));
    w.ClickButton(QStringLiteral("CmdPL"), 3);
    for (int t = 0; t < 32; ++t) ASSERT_EQ(f.Grid().PlaqueData(96 + t), 0) << "tooth " << t;
    EXPECT_TRUE(f.Entry().DataChanged);

    // The four-face buttons ask nothing.
    w.ClickButton(QStringLiteral("CmdPL"), 0);
    EXPECT_EQ(w.modalWindows, 2);
}

}  // namespace
}  // namespace mox::test
