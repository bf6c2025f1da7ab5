#include "platform/com/module_support.h"
#include "platform/registry.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <QDir>
#include <QFile>

using namespace mox::com;

namespace {

struct Recorder : IEventSink {
    std::vector<std::pair<DISPID, std::vector<Variant>>> seen;
    void OnEvent(DISPID id, std::vector<Variant>& args) override {
        seen.emplace_back(id, args);
        if (!args.empty()) args[0] = args[0].toInt() * 2;  // a ByRef change
    }
};

DispatchTable MakeTable(int32_t* value, int32_t* secret) {
    DispatchTable t;
    t.SetSource(QStringLiteral("Test"));
    t.Property(
         1, QStringLiteral("Value"), 0,
         [value](const Args&, Variant* out, ExceptionInfo*) {
             *out = Variant(*value);
             return S_OK;
         },
         [value](const Args&, const Variant& v, ExceptionInfo* exc) {
             int32_t n = 0;
             if (const HRESULT hr = ToLong(v, &n); hr != S_OK) return hr;
             if (n > 14)
                 return Refuse(exc, CTL_E_SETNOTSUPPORTEDATRUNTIME, QStringLiteral("0 ～ 14 の数字を設定してください"));
             *value = n;
             return S_OK;
         })
        .Property(2, QStringLiteral("Secret"), 0, nullptr,
                  [secret](const Args&, const Variant& v, ExceptionInfo*) { return ToLong(v, secret); })
        .Property(
            3, QStringLiteral("ReadOnly"), 0,
            [](const Args&, Variant* out, ExceptionInfo*) {
                *out = 1;
                return S_OK;
            },
            nullptr)
        .Method(4, QStringLiteral("Add"), 2, [](const Args& a, Variant* out, ExceptionInfo*) {
            *out = a[0].toInt() + a[1].toInt();
            return S_OK;
        });
    return t;
}

}  // namespace

TEST(DispatchTable, GetPutAndMethodsByDispid) {
    int32_t value = 3, secret = 0;
    const DispatchTable t = MakeTable(&value, &secret);
    Variant out;
    EXPECT_EQ(t.Invoke(1, InvokeKind::PropertyGet, {}, &out, nullptr), S_OK);
    EXPECT_EQ(out.toInt(), 3);
    EXPECT_EQ(t.Invoke(1, InvokeKind::PropertyPut, {Variant(9)}, nullptr, nullptr), S_OK);
    EXPECT_EQ(value, 9);
    EXPECT_EQ(t.Invoke(4, InvokeKind::Method, {Variant(2), Variant(5)}, &out, nullptr), S_OK);
    EXPECT_EQ(out.toInt(), 7);
    // Basic reads a property with a method call too.
    EXPECT_EQ(t.Invoke(1, InvokeKind::Method, {}, &out, nullptr), S_OK);
    EXPECT_EQ(out.toInt(), 9);
    EXPECT_EQ(t.GetIdOfName(QStringLiteral("secret")), 2);
    EXPECT_EQ(t.GetIdOfName(QStringLiteral("Nothing")), -1);
}

TEST(DispatchTable, ReportsDispatchErrors) {
    int32_t value = 3, secret = 0;
    const DispatchTable t = MakeTable(&value, &secret);
    Variant out;
    ExceptionInfo exc;
    EXPECT_EQ(t.Invoke(99, InvokeKind::PropertyGet, {}, &out, &exc), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(t.Invoke(2, InvokeKind::PropertyGet, {}, &out, &exc), CTL_E_GETNOTSUPPORTED);
    EXPECT_EQ(exc.code, CTL_E_GETNOTSUPPORTED);
    EXPECT_EQ(t.Invoke(2, InvokeKind::PropertyPut, {Variant(4)}, nullptr, nullptr), S_OK);
    EXPECT_EQ(secret, 4);
    EXPECT_EQ(t.Invoke(3, InvokeKind::PropertyPut, {Variant(4)}, nullptr, nullptr), CTL_E_SETNOTSUPPORTED);
    EXPECT_EQ(t.Invoke(4, InvokeKind::Method, {Variant(1)}, &out, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(t.Invoke(4, InvokeKind::PropertyPut, {Variant(1)}, &out, nullptr), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(t.Invoke(1, InvokeKind::PropertyGet, {Variant(0)}, &out, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(t.Invoke(1, InvokeKind::PropertyPut, {}, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(t.Invoke(1, InvokeKind::PropertyPut, {Variant(QStringLiteral("abc"))}, nullptr, nullptr),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(value, 3);
}

TEST(DispatchTable, RefusedValueCarriesItsMessage) {
    int32_t value = 3, secret = 0;
    const DispatchTable t = MakeTable(&value, &secret);
    ExceptionInfo exc;
    EXPECT_EQ(t.Invoke(1, InvokeKind::PropertyPut, {Variant(15)}, nullptr, &exc), CTL_E_SETNOTSUPPORTEDATRUNTIME);
    EXPECT_EQ(exc.code, CTL_E_SETNOTSUPPORTEDATRUNTIME);
    EXPECT_EQ(exc.description, QStringLiteral("0 ～ 14 の数字を設定してください"));
    EXPECT_EQ(exc.source, QStringLiteral("Test"));
    EXPECT_EQ(value, 3);
}

TEST(Conversion, FollowsVariantRules) {
    int16_t s = 0;
    int32_t l = 0;
    bool b = false;
    uint32_t c = 0;
    EXPECT_EQ(ToShort(Variant(40000), &s), DISP_E_OVERFLOW);
    EXPECT_EQ(ToShort(Variant(-32768), &s), S_OK);
    EXPECT_EQ(s, -32768);
    EXPECT_EQ(ToLong(Variant(2.5), &l), S_OK);
    EXPECT_EQ(l, 2);  // banker's rounding
    EXPECT_EQ(ToLong(Variant(QStringLiteral(" 12 ")), &l), S_OK);
    EXPECT_EQ(l, 12);
    EXPECT_EQ(ToLong(Variant(5000000000LL), &l), DISP_E_OVERFLOW);
    EXPECT_EQ(ToLong(Variant(QStringList()), &l), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(ToLong(Variant(true), &l), S_OK);
    EXPECT_EQ(l, -1);
    EXPECT_EQ(ToBool(Variant(0), &b), S_OK);
    EXPECT_FALSE(b);
    EXPECT_EQ(ToBool(Variant(QStringLiteral("True")), &b), S_OK);
    EXPECT_TRUE(b);
    EXPECT_EQ(ToColor(Variant(0xFFFFFFFFu), &c), S_OK);
    EXPECT_EQ(c, 0xFFFFFFFFu);
    EXPECT_EQ(ToColor(Variant(-2147483633), &c), S_OK);  // a system colour as a signed Long
    EXPECT_EQ(c, 0x8000000Fu);
}

TEST(Events, ArriveInOrderAndReturnByRefChanges) {
    EventSource source;
    const Args none = source.Fire(5, {Variant(1)});
    EXPECT_EQ(none[0].toInt(), 1);  // no sink: unchanged
    Recorder sink;
    source.Advise(&sink);
    const Args back = source.Fire(5, {Variant(21)});
    source.Fire(-605, {Variant(1), Variant(0), Variant(3), Variant(4)});
    ASSERT_EQ(sink.seen.size(), 2u);
    EXPECT_EQ(sink.seen[0].first, 5);
    EXPECT_EQ(sink.seen[1].first, -605);
    EXPECT_EQ(sink.seen[1].second[2].toInt(), 3);
    EXPECT_EQ(back[0].toInt(), 42);
}

namespace {

IControl* NoControl(QWidget*) { return nullptr; }

ModuleInfo TestModule() {
    ModuleInfo m;
    m.typeLib.libId = QStringLiteral("{11111111-2222-3333-4444-555555555555}");
    m.typeLib.helpString = QStringLiteral("テスト ﾓｼﾞｭｰﾙ");
    ClassInfo c;
    c.clsid = QStringLiteral("{aaaaaaaa-2222-3333-4444-555555555555}");
    c.progId = QStringLiteral("TEST.TestCtrl.1");
    c.typeName = QStringLiteral("Test Control");
    c.miscStatus = 131473;
    c.createControl = NoControl;
    m.classes.push_back(c);
    ClassInfo page;
    page.clsid = QStringLiteral("{BBBBBBBB-2222-3333-4444-555555555555}");
    page.progId = QStringLiteral("TEST.TestPage.1");
    page.typeName = QStringLiteral("Test Page");
    page.isControl = false;
    m.classes.push_back(page);
    return m;
}

}  // namespace

TEST(Registration, WritesTypeLibraryClassesAndProgIds) {
    mox::test::Sandbox sandbox;
    using mox::platform::RegistryRead;
    ASSERT_EQ(RegisterModule(TestModule(), QStringLiteral("/opt/mox/libTest.so")), S_OK);
    EXPECT_EQ(RegistryRead(QStringLiteral("HKEY_CLASSES_ROOT/TypeLib/{11111111-2222-3333-4444-555555555555}/1.0"), {}),
              QStringLiteral("テスト ﾓｼﾞｭｰﾙ"));
    EXPECT_EQ(RegistryRead(
                  QStringLiteral("HKEY_CLASSES_ROOT/TypeLib/{11111111-2222-3333-4444-555555555555}/1.0/0/linux64"), {}),
              QStringLiteral("/opt/mox/libTest.so"));
    const QString cls = QStringLiteral("HKEY_CLASSES_ROOT/CLSID/{AAAAAAAA-2222-3333-4444-555555555555}");
    EXPECT_EQ(RegistryRead(cls, {}), QStringLiteral("Test Control"));
    EXPECT_EQ(RegistryRead(cls + QStringLiteral("/InprocServer32"), {}), QStringLiteral("/opt/mox/libTest.so"));
    EXPECT_EQ(RegistryRead(cls + QStringLiteral("/InprocServer32"), QStringLiteral("ThreadingModel")),
              QStringLiteral("Apartment"));
    EXPECT_EQ(RegistryRead(cls + QStringLiteral("/MiscStatus/1"), {}), QStringLiteral("131473"));
    EXPECT_EQ(RegistryRead(cls + QStringLiteral("/Version"), {}), QStringLiteral("1.0"));
    EXPECT_EQ(RegistryRead(cls + QStringLiteral("/TypeLib"), {}),
              QStringLiteral("{11111111-2222-3333-4444-555555555555}"));
    EXPECT_EQ(RegistryRead(QStringLiteral("HKEY_CLASSES_ROOT/TEST.TestCtrl.1/CLSID"), {}),
              QStringLiteral("{AAAAAAAA-2222-3333-4444-555555555555}"));
    EXPECT_EQ(RegistryRead(QStringLiteral("HKEY_CLASSES_ROOT/CLSID/{BBBBBBBB-2222-3333-4444-555555555555}/ProgID"), {}),
              QStringLiteral("TEST.TestPage.1"));

    // Unregistering removes all of it, and is harmless a second time.
    ASSERT_EQ(UnregisterModule(TestModule()), S_OK);
    EXPECT_TRUE(mox::platform::RegistrySubKeys(QStringLiteral("HKEY_CLASSES_ROOT/CLSID")).isEmpty());
    EXPECT_TRUE(mox::platform::RegistrySubKeys(QStringLiteral("HKEY_CLASSES_ROOT/TypeLib")).isEmpty());
    EXPECT_EQ(
        RegistryRead(QStringLiteral("HKEY_CLASSES_ROOT/TEST.TestCtrl.1/CLSID"), QString(), QStringLiteral("gone")),
        QStringLiteral("gone"));
    EXPECT_EQ(UnregisterModule(TestModule()), S_OK);
}

// Every write of the file puts a new, synced file in its place; a first
// start registers two modules of some twenty values each.
TEST(Registration, WritesTheRegistryFileOncePerModule) {
    mox::test::Sandbox sandbox;
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, QFile::encodeName(sandbox.Path()).constData(), IN_CREATE | IN_MOVED_TO), 0);
    auto writesOfTheFile = [watch] {
        int writes = 0;
        alignas(inotify_event) char buffer[8192];
        for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0 && qstrcmp(event->name, "registry.ini") == 0) ++writes;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return writes;
    };

    ASSERT_EQ(RegisterModule(TestModule(), QStringLiteral("/opt/mox/libTest.so")), S_OK);
    EXPECT_EQ(writesOfTheFile(), 1);
    ASSERT_EQ(UnregisterModule(TestModule()), S_OK);
    EXPECT_EQ(writesOfTheFile(), 1);
    close(watch);
}

TEST(Registration, UnwritableRegistryGivesTypeLibError) {
    mox::test::Sandbox sandbox;
    // A folder where the registry file should be: every write fails.
    QDir().mkpath(sandbox.File(QStringLiteral("registry.ini")));
    EXPECT_EQ(RegisterModule(TestModule(), QStringLiteral("/opt/mox/libTest.so")), SELFREG_E_TYPELIB);
}

TEST(ClassObjects, OnlyForTheModulesClasses) {
    const ModuleInfo info = TestModule();
    void* factory = reinterpret_cast<void*>(1);
    EXPECT_EQ(GetModuleClassObject(info, "{00000000-0000-0000-0000-000000000000}", &factory),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(GetModuleClassObject(info, nullptr, &factory), E_INVALIDARG);
    ASSERT_EQ(GetModuleClassObject(info, "{AAAAAAAA-2222-3333-4444-555555555555}", &factory), S_OK);
    auto* f = static_cast<IClassFactory*>(factory);
    EXPECT_EQ(f->CreatePropertyPage(nullptr), nullptr);  // a control class makes no page
    void* again = nullptr;
    GetModuleClassObject(info, "{aaaaaaaa-2222-3333-4444-555555555555}", &again);
    EXPECT_EQ(again, factory);  // one factory per class, case-insensitive id
}

TEST(ClassObjects, ModuleUnloadsOnlyWithoutLiveObjects) {
    EXPECT_EQ(ModuleCanUnloadNow(), S_OK);
    {
        ObjectLock lock;
        EXPECT_EQ(ModuleCanUnloadNow(), S_FALSE);
    }
    EXPECT_EQ(ModuleCanUnloadNow(), S_OK);
}
