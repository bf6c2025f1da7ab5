// The module as the programs meet it: registered into the registry stand-in,
// created by class id or ProgID, driven by DISPID, its events handled.

#include "controls/colour_button/colour_button_set.h"
#include "controls/colour_button/prismet_properties.h"
#include "platform/com/control_host.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <stdexcept>

namespace mox::prismet {
namespace {

using namespace mox::com;

const QString kModule = QStringLiteral(MOX_PRISMET_MODULE);
const QString kClsid = QString::fromLatin1(kClsidPrismet);

QString ClassKey(const char* clsid, const QString& sub = {}) {
    return QStringLiteral("HKEY_CLASSES_ROOT/CLSID/") + QLatin1String(clsid) + sub;
}

TEST(PrismetModule, RegistersTypeLibraryControlAndBothPages) {
    mox::test::Sandbox sandbox;
    QString error;
    ASSERT_EQ(CallModuleRegistration(kModule, false, &error), S_OK) << error.toStdString();
    const QString path = QFileInfo(kModule).canonicalFilePath();
    EXPECT_EQ(
        platform::RegistryRead(
            QStringLiteral("HKEY_CLASSES_ROOT/TypeLib/") + QLatin1String(kLibId) + QStringLiteral("/1.0"), QString()),
        QString::fromUtf8(kTypeLibHelp));
    EXPECT_EQ(platform::RegistryRead(ClassKey(kClsidPrismet), QString()), QStringLiteral("Prismet Control"));
    EXPECT_EQ(platform::RegistryRead(ClassKey(kClsidPrismet, QStringLiteral("/InprocServer32")), QString()), path);
    EXPECT_EQ(platform::RegistryRead(ClassKey(kClsidPrismet, QStringLiteral("/MiscStatus/1")), QString()),
              QStringLiteral("131473"));
    EXPECT_EQ(ResolveClassId(QStringLiteral("PRISMET.PrismetCtrl.1")), kClsid);
    EXPECT_EQ(platform::RegistryRead(ClassKey(kClsidPropPage), QString()), QStringLiteral("Prismet Property Page"));
    EXPECT_EQ(ResolveClassId(QStringLiteral("Prismet.CPrismetPpg2")), QString::fromLatin1(kClsidPpg2));

    ASSERT_EQ(CallModuleRegistration(kModule, true, &error), S_OK) << error.toStdString();
    EXPECT_TRUE(RegisteredModulePath(kClsid).isEmpty());
    QWidget form;
    HostedControl control;
    EXPECT_EQ(control.Create(kClsid, &form), REGDB_E_CLASSNOTREG);
}

// The module has its own copy of the platform layer; its boxes must still
// reach the host's message boxes (here the test's scripted answers).
TEST(PrismetModule, ModuleMessageBoxesGoThroughTheHost) {
    mox::test::Sandbox sandbox;
    ASSERT_EQ(EnsureModuleRegistered(kModule, kClsid), S_OK);
    platform::ScriptedMsgBoxes boxes;
    QWidget form;
    HostedControl button;
    ASSERT_EQ(button.Create(kClsid, &form), S_OK) << button.LastError().toStdString();
    button.Call(kDispAboutBox);
    EXPECT_EQ(button.LastResult(), S_OK);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(boxes.Shown()[0].prompt.contains(QStringLiteral("Prismet Control")));
}

TEST(PrismetModule, HostCreatesAndDrivesTheButton) {
    mox::test::Sandbox sandbox;
    ASSERT_EQ(EnsureModuleRegistered(kModule, kClsid), S_OK);
    QWidget form;
    form.resize(200, 100);
    HostedControl button;
    ASSERT_EQ(button.Create(QStringLiteral("PRISMET.PrismetCtrl.1"), &form), S_OK) << button.LastError().toStdString();
    ASSERT_NE(button.Window(), nullptr);
    EXPECT_EQ(button.Window()->parentWidget(), &form);
    EXPECT_EQ(button.Control()->ClassId(), kClsid);

    int clicks = 0;
    button.On(kEventClick, [&](std::vector<Variant>&) { ++clicks; });
    EXPECT_EQ(button.Put(kDispCaption, QStringLiteral("保存")), S_OK);
    EXPECT_EQ(button.Put(kDispBackColor, 0x00C0FFC0u), S_OK);
    EXPECT_EQ(button.Get(kDispCaption).toString(), QStringLiteral("保存"));

    EXPECT_EQ(button.Put(kDispButtonForm, 15), CTL_E_SETNOTSUPPORTEDATRUNTIME);
    EXPECT_EQ(button.LastException().description, QStringLiteral("0 ～ 14 の数字を設定してください"));

    form.show();
    QApplication::setActiveWindow(&form);
    button.Window()->setFocus();
    QTest::keyClick(button.Window(), Qt::Key_Return);
    QTest::mouseClick(button.Window(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(clicks, 2);

    // The pages come from the same module.
    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassFactory(QString::fromLatin1(kClsidPpg2), &factory), S_OK);
    std::unique_ptr<IPropertyPage> page(factory->CreatePropertyPage(nullptr));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Caption(), QStringLiteral("状態"));
}

TEST(PrismetModule, DesignerEditsTheButtonThroughItsPages) {
    mox::test::Sandbox sandbox;
    ASSERT_EQ(EnsureModuleRegistered(kModule, kClsid), S_OK);
    QWidget form;
    HostedControl button;
    ASSERT_EQ(button.Create(kClsid, &form), S_OK);
    QStringList tabs;
    bool answered = false;
    // The pages dialog is modal: answer it once it is up.
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* tabWidget = dialog->findChild<QTabWidget*>();
        ASSERT_NE(tabWidget, nullptr);
        for (int i = 0; i < tabWidget->count(); ++i) tabs << tabWidget->tabText(i);
        auto* shape = dialog->findChild<QComboBox*>(QStringLiteral("ButtonForm"));
        ASSERT_NE(shape, nullptr);
        shape->setCurrentIndex(14);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        answered = true;
    });
    ShowPropertyPages(button.Control(), &form);
    EXPECT_TRUE(answered);
    EXPECT_EQ(tabs, (QStringList{QStringLiteral("全体"), QStringLiteral("状態")}));
    EXPECT_EQ(button.Get(kDispButtonForm).toInt(), 14);
}

// A window's colour buttons: an array's shared look, then each button's own,
// reached by name and index; a failing handler is shown, not thrown through
// the module; buttons the module cannot make are told once.
TEST(ColourButtonSet, ArraysTakeTheSharedLookThenTheirOwnAndClicksAreGuarded) {
    mox::test::Sandbox sandbox;
    ASSERT_EQ(EnsureModuleRegistered(kModule, kClsid), S_OK);
    QTemporaryDir dir;
    const QString design = dir.filePath(QStringLiteral("buttons.ini"));
    {
        QFile file(design);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "[Win.CmdVal]\nCaption=値\nWidth=40\nHeight=30\n[Win.CmdVal(2)]\nCaption=２\n[Win.CmdEnd]\nCaption=終了\n");
    }
    platform::ScriptedMsgBoxes boxes;
    QWidget form;
    ColourButtonSet set(design, QStringLiteral("Win."));
    int clicks = 0;
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(set.Add(&form, QStringLiteral("CmdVal"), i, QPoint(50 * i, 0), [&clicks] { ++clicks; }), nullptr);
    set.Add(&form, QStringLiteral("CmdEnd"), -1, QRect(0, 50, 90, 35), [] { throw std::runtime_error("disk full"); });

    EXPECT_EQ(set.Button(QStringLiteral("CmdVal"), 0)->Get(kDispCaption).toString(), QStringLiteral("値"));
    EXPECT_EQ(set.Button(QStringLiteral("CmdVal"), 2)->Get(kDispCaption).toString(), QStringLiteral("２"));
    EXPECT_EQ(set.Window(QStringLiteral("CmdVal"), 2)->geometry(), QRect(100, 0, 40, 30));
    EXPECT_EQ(set.Window(QStringLiteral("CmdEnd"))->geometry(), QRect(0, 50, 90, 35));
    EXPECT_EQ(set.Button(QStringLiteral("CmdVal"), 3), nullptr);
    EXPECT_EQ(set.Button(QStringLiteral("CmdVal")), nullptr);

    form.show();
    QTest::mouseClick(set.Window(QStringLiteral("CmdVal"), 1), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    set.SetEnabled(QStringLiteral("CmdVal"), 1, false);
    QTest::mouseClick(set.Window(QStringLiteral("CmdVal"), 1), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(set.Window(QStringLiteral("CmdEnd")), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_TRUE(boxes.Shown()[0].prompt.contains(QStringLiteral("disk full")));

    set.ReportFailure();
    EXPECT_EQ(boxes.Shown().size(), 1u);

    ASSERT_EQ(CallModuleRegistration(kModule, true, nullptr), S_OK);
    ColourButtonSet broken(design);
    EXPECT_EQ(broken.Add(&form, QStringLiteral("CmdA"), -1, QPoint()), nullptr);
    EXPECT_EQ(broken.Add(&form, QStringLiteral("CmdB"), -1, QPoint()), nullptr);
    EXPECT_FALSE(broken.FirstError().isEmpty());
    broken.ReportFailure();
    broken.ReportFailure();
    EXPECT_EQ(boxes.Shown().size(), 2u);
}

}  // namespace
}  // namespace mox::prismet
