// The converter's start in a fresh program folder: the database from the
// template, the splash with the short version text and the converter's back
// colour, then the convert window.

#include "converter/converter_start.h"
#include "converter/convert_window.h"
#include "platform/registry.h"
#include "shell/splash.h"
#include "shell/timing.h"
#include "tests/converter/converter_fixture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QTest>

namespace mox::convert::test {
namespace {

class ConverterStartTest : public ConverterTest {
protected:
    void SetUp() override {
        ConverterTest::SetUp();
        ReleaseConverterObjects();
        ASSERT_FALSE(box_.CopyTemplate(QStringLiteral("VXMOX2_ORG.MDB")).isEmpty());
        CopySources();
        SetInstantWaits(true);
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<PFrmConvert*>(w)) delete w;
        SetInstantWaits(false);
        ConverterTest::TearDown();
    }
    void LinkColourButtons() {
        ASSERT_TRUE(QFile::link(mox::test::ProgramDir() + QStringLiteral("/libPrismet.so"),
                                Path(QStringLiteral("libPrismet.so"))));
    }
    template <typename T>
    static T* Shown() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<T*>(w); found && found->isVisible()) return found;
        return nullptr;
    }
};

TEST_F(ConverterStartTest, FreshFolderGetsItsDatabaseThenTheSplashWithTheShortVersionThenTheWindow) {
    LinkColourButtons();
    ASSERT_FALSE(QFile::exists(MainPath()));
    ASSERT_EQ(StartProgram(ConverterProgramStart()), kStarted);

    // The database was made before its version was checked, with the wait.
    ASSERT_TRUE(QFile::exists(MainPath()));
    EXPECT_EQ(clock_.TotalWaited(), 2000);
    EXPECT_TRUE(boxes_.Shown().empty());
    EXPECT_NE(Globals().NextAutoNumber, nullptr);
    EXPECT_EQ(QFileInfo(com::RegisteredModulePath(QLatin1String(prismet::kClsidPrismet))).canonicalFilePath(),
              QFileInfo(Path(QStringLiteral("libPrismet.so"))).canonicalFilePath());

    PFrmSplash* splash = Shown<PFrmSplash>();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->LblTitle1->text(), QStringLiteral("ミラド協会 専門医・認定医・認定歯科衛生士"));
    EXPECT_EQ(splash->LblTitle2->text(), QStringLiteral("データコンバート"));
    EXPECT_EQ(splash->LblVersion->text(), QStringLiteral("Ver.4.00"));
    EXPECT_EQ(splash->palette().color(QPalette::Window), QColor(165, 229, 213));

    QTRY_VERIFY(Shown<PFrmConvert>() != nullptr);
    PFrmConvert* window = Shown<PFrmConvert>();
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(165, 229, 213));
    EXPECT_EQ(window->HasA[0], 1);
    EXPECT_EQ(window->HasB[8], 0);
    EXPECT_TRUE(window->Button(QStringLiteral("CmdConvert")) != nullptr);
}

TEST_F(ConverterStartTest, WithoutTheColourButtonModuleTheStartStopsWithItsName) {
    EXPECT_EQ(StartProgram(ConverterProgramStart()), kStartupFailed);
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_TRUE(boxes_.Shown()[0].prompt.contains(QStringLiteral("libPrismet.so")));
    EXPECT_EQ(Shown<PFrmSplash>(), nullptr);
}

}  // namespace
}  // namespace mox::convert::test
