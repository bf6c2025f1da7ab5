#include "platform/com/control_host.h"
#include "platform/registry.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QWidget>

using namespace mox::com;

namespace {

const QString kEchoModule = QStringLiteral(MOX_ECHO_MODULE);
const QString kEchoClsid = QStringLiteral("{0D5A7C11-3E0B-4C1E-9E57-6B1F00000001}");
const QString kEchoProgId = QStringLiteral("ECHO.EchoCtrl.1");

}  // namespace

TEST(ControlHost, CreatesARegisteredControlByClassIdOrProgId) {
    mox::test::Sandbox sandbox;
    QString error;
    ASSERT_EQ(EnsureModuleRegistered(kEchoModule, kEchoClsid, &error), S_OK) << error.toStdString();
    EXPECT_EQ(ResolveClassId(kEchoProgId), kEchoClsid);
    EXPECT_EQ(RegisteredModulePath(kEchoClsid.toLower()), QFileInfo(kEchoModule).canonicalFilePath());

    QWidget form;
    for (const QString& name : {kEchoClsid, kEchoProgId}) {
        HostedControl control;
        ASSERT_EQ(control.Create(name, &form), S_OK) << control.LastError().toStdString();
        ASSERT_NE(control.Window(), nullptr);
        EXPECT_EQ(control.Window()->parentWidget(), &form);
        EXPECT_EQ(control.Control()->ClassId(), kEchoClsid);
        EXPECT_EQ(control.Get(1).toInt(), 7);
    }
    // The windows went with their controls.
    EXPECT_TRUE(form.findChildren<QWidget*>().isEmpty());
}

TEST(ControlHost, UnregisteredClassIsReportedNotCrashed) {
    mox::test::Sandbox sandbox;
    QWidget form;
    HostedControl control;
    EXPECT_EQ(control.Create(kEchoClsid, &form), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(control.IsCreated());
    EXPECT_TRUE(control.LastError().contains(QStringLiteral("登録されていない"))) << control.LastError().toStdString();
    EXPECT_TRUE(control.LastError().contains(kEchoClsid));
    EXPECT_FALSE(control.Get(1).isValid());
    EXPECT_FALSE(Succeeded(control.LastResult()));

    std::unique_ptr<IControl> raw;
    QString error;
    EXPECT_EQ(CreateControl(QStringLiteral("NO.SuchCtrl.1"), &form, &raw, &error), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(raw, nullptr);
    EXPECT_TRUE(error.contains(QStringLiteral("NO.SuchCtrl.1")));
}

TEST(ControlHost, RegisteredModuleThatIsGoneIsReported) {
    mox::test::Sandbox sandbox;
    mox::platform::RegistryWrite(
        QStringLiteral("HKEY_CLASSES_ROOT/CLSID/") + kEchoClsid + QStringLiteral("/InprocServer32"), QString(),
        sandbox.File(QStringLiteral("libGone.so")));
    QWidget form;
    HostedControl control;
    EXPECT_EQ(control.Create(kEchoClsid, &form), REGDB_E_CLASSNOTREG);
    EXPECT_TRUE(control.LastError().contains(QStringLiteral("libGone.so")));

    // At start-up the program registers the module of its folder again.
    QString error;
    EXPECT_EQ(EnsureModuleRegistered(kEchoModule, kEchoClsid, &error), S_OK) << error.toStdString();
    EXPECT_EQ(control.Create(kEchoClsid, &form), S_OK);
}

TEST(ControlHost, ModuleWithoutTheClassGivesClassNotRegistered) {
    mox::test::Sandbox sandbox;
    QString error;
    EXPECT_EQ(EnsureModuleRegistered(kEchoModule, QStringLiteral("{99999999-0000-0000-0000-000000000000}"), &error),
              REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(CallModuleRegistration(sandbox.File(QStringLiteral("missing.so")), false, &error), E_FAIL);
    EXPECT_TRUE(error.contains(QStringLiteral("見つかりません")));
}

TEST(ControlHost, GetPutCallAndRefusals) {
    mox::test::Sandbox sandbox;
    ASSERT_EQ(EnsureModuleRegistered(kEchoModule, kEchoClsid), S_OK);
    QWidget form;
    HostedControl control;
    ASSERT_EQ(control.Create(kEchoClsid, &form), S_OK);

    EXPECT_EQ(control.Put(1, 12), S_OK);
    EXPECT_EQ(control.Get(1).toInt(), 12);
    EXPECT_EQ(control.Put(1, -1), CTL_E_SETNOTSUPPORTEDATRUNTIME);
    EXPECT_EQ(control.LastError(), QStringLiteral("0 以上 の数字を設定してください"));
    EXPECT_EQ(control.LastException().source, QStringLiteral("Echo"));
    EXPECT_EQ(control.Get(1).toInt(), 12);

    EXPECT_EQ(control.Put(2, 5), S_OK);
    EXPECT_FALSE(control.Get(2).isValid());
    EXPECT_EQ(control.LastResult(), CTL_E_GETNOTSUPPORTED);

    EXPECT_EQ(control.Put(3, {Variant(2)}, 44), S_OK);
    EXPECT_EQ(control.Get(3, {Variant(2)}).toInt(), 44);
    EXPECT_EQ(control.Put(3, {Variant(3)}, 1), DISP_E_BADINDEX);
    EXPECT_FALSE(control.Call(77).isValid());
    EXPECT_EQ(control.LastResult(), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(control.Control()->GetIdOfName(QStringLiteral("cell")), 3);
}

TEST(ControlHost, EventsReachHandlersInOrderWithByRefChanges) {
    mox::test::Sandbox sandbox;
    ASSERT_EQ(EnsureModuleRegistered(kEchoModule, kEchoClsid), S_OK);
    QWidget form;
    HostedControl control;
    ASSERT_EQ(control.Create(kEchoClsid, &form), S_OK);

    std::vector<QString> log;
    control.On(10, [&](std::vector<Variant>& args) {
        log.push_back(QStringLiteral("10:%1").arg(args[0].toInt()));
        args[0] = args[0].toInt() + 1;
    });
    control.On(11, [&](std::vector<Variant>& args) {
        log.push_back(QStringLiteral("11:%1:%2").arg(args[0].toInt()).arg(args[1].toString()));
    });
    EXPECT_EQ(control.Call(4, {Variant(5)}).toInt(), 6);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], QStringLiteral("10:5"));
    EXPECT_EQ(log[1], QStringLiteral("11:6:after"));

    // Without a handler an event is dropped and the argument stays.
    control.On(10, nullptr);
    EXPECT_EQ(control.Call(4, {Variant(5)}).toInt(), 5);
}

TEST(Moxregsvr, RegistersAndUnregistersAModule) {
    mox::test::Sandbox sandbox;
    QProcess tool;
    tool.start(QStringLiteral(MOX_REGSVR), {kEchoModule});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_FALSE(RegisteredModulePath(kEchoClsid).isEmpty());

    tool.start(QStringLiteral(MOX_REGSVR), {QStringLiteral("/u"), kEchoModule});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 0);
    EXPECT_TRUE(RegisteredModulePath(kEchoClsid).isEmpty());
    EXPECT_TRUE(ResolveClassId(kEchoProgId).isEmpty());

    tool.start(QStringLiteral(MOX_REGSVR), {sandbox.File(QStringLiteral("none.so"))});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 1);
}
