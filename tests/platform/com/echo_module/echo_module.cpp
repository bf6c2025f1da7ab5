// A test control module: one control with a Long, a put-only and an indexed
// property, a method that fires events, and a class id without a factory.

#include "platform/com/module_support.h"

#include <QWidget>
#include <array>

namespace {

using namespace mox::com;

constexpr const char* kEchoClsid = "{0D5A7C11-3E0B-4C1E-9E57-6B1F00000001}";

class EchoControl final : public ControlBase {
public:
    explicit EchoControl(QWidget* parent)
        : ControlBase(QString::fromLatin1(kEchoClsid), QStringLiteral("Echo")), window_(new QWidget(parent)) {
        Dispatch()
            .Property(
                1, QStringLiteral("Value"), 0,
                [this](const Args&, Variant* out, ExceptionInfo*) {
                    *out = Variant(value_);
                    return S_OK;
                },
                [this](const Args&, const Variant& v, ExceptionInfo* exc) {
                    int32_t n = 0;
                    if (const HRESULT hr = ToLong(v, &n); hr != S_OK) return hr;
                    if (n < 0)
                        return Refuse(exc, CTL_E_SETNOTSUPPORTEDATRUNTIME,
                                      QStringLiteral("0 以上 の数字を設定してください"));
                    value_ = n;
                    return S_OK;
                })
            .Property(2, QStringLiteral("Secret"), 0, nullptr,
                      [this](const Args&, const Variant& v, ExceptionInfo*) { return ToLong(v, &secret_); })
            .Property(
                3, QStringLiteral("Cell"), 1,
                [this](const Args& i, Variant* out, ExceptionInfo*) {
                    int32_t k = 0;
                    if (const HRESULT hr = ToLong(i[0], &k); hr != S_OK) return hr;
                    if (k < 0 || k > 2) return DISP_E_BADINDEX;
                    *out = Variant(cells_[k]);
                    return S_OK;
                },
                [this](const Args& i, const Variant& v, ExceptionInfo*) {
                    int32_t k = 0;
                    if (const HRESULT hr = ToLong(i[0], &k); hr != S_OK) return hr;
                    if (k < 0 || k > 2) return DISP_E_BADINDEX;
                    return ToLong(v, &cells_[k]);
                })
            // Fire(n): fires event 10 with (n) by reference, then event 11 with what the sink left in it.
            .Method(4, QStringLiteral("Fire"), 1, [this](const Args& a, Variant* out, ExceptionInfo*) {
                const Args back = FireEvent(10, {a[0]});
                FireEvent(11, {back[0], Variant(QStringLiteral("after"))});
                *out = back[0];
                return S_OK;
            });
    }
    ~EchoControl() override { delete window_; }
    QWidget* Window() override { return window_; }

private:
    QWidget* window_;
    int value_ = 7;
    int32_t secret_ = 0;
    std::array<int32_t, 3> cells_{};
};

const ModuleInfo& Describe() {
    static const ModuleInfo info = [] {
        ModuleInfo m;
        m.typeLib.libId = QStringLiteral("{0D5A7C11-3E0B-4C1E-9E57-6B1F00000000}");
        m.typeLib.helpString = QStringLiteral("Echo test module");
        ClassInfo echo;
        echo.clsid = QString::fromLatin1(kEchoClsid);
        echo.progId = QStringLiteral("ECHO.EchoCtrl.1");
        echo.typeName = QStringLiteral("Echo Control");
        echo.miscStatus = 131473;
        echo.createControl = [](QWidget* parent) -> IControl* { return new EchoControl(parent); };
        m.classes.push_back(echo);
        return m;
    }();
    return info;
}

}  // namespace

MOX_COM_MODULE_EXPORTS(Describe)
