// The built libMolarix.so of the program folder, registered into a private
// registry and driven by a host exactly as the input screen does.

#include "controls/tooth_button/tooth_button_ids.h"
#include "platform/com/control_host.h"
#include "platform/registry.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QTest>
#include <QWidget>

using namespace mox::com;
using namespace mox::molarix;

namespace {

QString ModulePath() { return mox::test::ProgramDir() + u'/' + QString::fromLatin1(kModuleFileName); }
const QString kClsid = QString::fromLatin1(kToothButtonClsid);

}  // namespace

TEST(MolarixModule, RegistersItsTypeLibraryAndClasses) {
    mox::test::Sandbox sandbox;
    QString error;
    ASSERT_EQ(CallModuleRegistration(ModulePath(), false, &error), S_OK) << error.toStdString();
    using mox::platform::RegistryRead;
    EXPECT_EQ(RegistryRead(QStringLiteral("HKEY_CLASSES_ROOT/TypeLib/") + QString::fromLatin1(kTypeLibId) +
                               QStringLiteral("/1.0"),
                           {}),
              QStringLiteral("Molarix ActiveX ｺﾝﾄﾛｰﾙ ﾓｼﾞｭｰﾙ"));
    const QString cls = QStringLiteral("HKEY_CLASSES_ROOT/CLSID/") + kClsid;
    EXPECT_EQ(RegistryRead(cls, {}), QStringLiteral("ToothButton Control"));
    EXPECT_EQ(RegistryRead(cls + QStringLiteral("/ProgID"), {}), QStringLiteral("TOOTHBUTTON.ToothButtonCtrl.1"));
    EXPECT_EQ(RegistryRead(cls + QStringLiteral("/MiscStatus/1"), {}), QStringLiteral("131473"));
    EXPECT_EQ(RegistryRead(cls + QStringLiteral("/InprocServer32"), {}), QFileInfo(ModulePath()).canonicalFilePath());
    EXPECT_EQ(RegistryRead(QStringLiteral("HKEY_CLASSES_ROOT/TOOTHBUTTON.ToothButtonPropPage.1/CLSID"), {}),
              QString::fromLatin1(kPropPageClsid));
    EXPECT_EQ(ResolveClassId(QString::fromLatin1(kToothButtonProgId)), kClsid);

    ASSERT_EQ(CallModuleRegistration(ModulePath(), true, &error), S_OK);
    EXPECT_TRUE(RegisteredModulePath(kClsid).isEmpty());
    EXPECT_TRUE(RegisteredModulePath(QString::fromLatin1(kPropPageClsid)).isEmpty());
}

TEST(MolarixModule, HostCreatesTheButtonByClassIdAndReceivesItsClicks) {
    mox::test::Sandbox sandbox;
    QString error;
    ASSERT_EQ(EnsureModuleRegistered(ModulePath(), kClsid, &error), S_OK) << error.toStdString();

    QWidget form;
    form.resize(200, 100);
    HostedControl th;
    ASSERT_EQ(th.Create(kClsid, &form), S_OK) << th.LastError().toStdString();
    th.Window()->setGeometry(5, 5, 47, 47);
    form.show();

    // As the input screen loads a pocket-depth row.
    EXPECT_EQ(th.Put(kDispSystemType, 1), S_OK);
    EXPECT_EQ(th.Put(kDispToothIndex, 3), S_OK);
    EXPECT_EQ(th.Put(kDispExamIndex, 0), S_OK);
    EXPECT_EQ(th.Put(kDispExamMode, 3), S_OK);
    EXPECT_EQ(th.Put(kDispData, {0, 4}, 5), S_OK);
    EXPECT_EQ(th.Put(kDispBrightness, {1}, 0x1234), S_OK);
    EXPECT_EQ(th.Put(kDispData, {0, 3}, -1), S_OK);
    th.Call(kDispRefresh);
    EXPECT_EQ(th.LastResult(), S_OK);
    EXPECT_EQ(th.Get(kDispData, {0, 4}).toInt(), 5);
    EXPECT_EQ(th.Get(kDispExamMode).toInt(), 3);
    EXPECT_FALSE(th.Get(kDispToothIndex).isValid());
    EXPECT_EQ(th.LastResult(), CTL_E_GETNOTSUPPORTED);

    std::vector<std::pair<int, int>> seen;
    th.On(kEventClickData, [&](std::vector<Variant>& a) { seen.emplace_back(kEventClickData, a[0].toInt()); });
    th.On(kEventMouseDown, [&](std::vector<Variant>& a) { seen.emplace_back(kEventMouseDown, a[0].toInt()); });
    th.On(kEventMouseUp, [&](std::vector<Variant>& a) { seen.emplace_back(kEventMouseUp, a[0].toInt()); });
    QTest::mouseClick(th.Window(), Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], std::make_pair(static_cast<int>(kEventClickData), 5));
    EXPECT_EQ(seen[1], std::make_pair(static_cast<int>(kEventMouseDown), 1));
    EXPECT_EQ(seen[2].first, kEventMouseUp);

    // The button paints itself: the clicked site's value colour is the brightness just set.
    const QImage img = th.Window()->grab().toImage();
    int grey34 = 0;
    for (int y = 24; y < 46; ++y)
        for (int x = 16; x < 30; ++x) grey34 += (img.pixel(x, y) & 0xFFFFFF) == 0x343434;
    EXPECT_GT(grey34, 5);
}

TEST(MolarixModule, PropertyPageAndProgIdCreation) {
    mox::test::Sandbox sandbox;
    ASSERT_EQ(EnsureModuleRegistered(ModulePath(), kClsid), S_OK);
    QWidget form;
    std::unique_ptr<IControl> control;
    ASSERT_EQ(CreateControl(QString::fromLatin1(kToothButtonProgId), &form, &control), S_OK);
    const auto pages = control->PropertyPageClassIds();
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0], QString::fromLatin1(kPropPageClsid));

    IClassFactory* factory = nullptr;
    ASSERT_EQ(GetClassFactory(pages[0], &factory), S_OK);
    EXPECT_EQ(factory->CreateInstance(&form), nullptr);  // a page is not a control
    std::unique_ptr<IPropertyPage> page(factory->CreatePropertyPage(&form));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Caption(), QStringLiteral("General"));
    page->SetObject(control.get());
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_TRUE(page->Window()->findChildren<QWidget*>().isEmpty());  // it has no controls

    control.reset();
    page.reset();
    EXPECT_TRUE(form.findChildren<QWidget*>().isEmpty());
}
