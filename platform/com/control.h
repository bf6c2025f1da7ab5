#pragma once
// In-process controls the Linux way. A control module is a shared library in
// the program folder that exports, with C linkage, DllRegisterServer,
// DllUnregisterServer, DllGetClassObject and DllCanUnloadNow. Registration
// writes the type library, class id, ProgID and module path into the
// registry stand-in. A host creates a control by class id (registry, dlopen,
// class object, instance), drives it only through Invoke by dispatch id, and
// receives its events through a sink keyed by dispatch id. The control's
// window is a QWidget that the module creates and the host places on its form.
//
// Ownership: the host owns the IControl (deleting it destroys the control and
// its widget, unless the widget's parent already did); the class factory is
// owned by the module and lives until the module is unloaded.

#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

class QWidget;

namespace mox::com {

using HRESULT = int32_t;
using DISPID = int32_t;
using Variant = QVariant;  // Null = QVariant(); colours travel as uint32 (OLE_COLOR)

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x8002000Fu);
// Control errors (VB run-time numbers in the 0x800A.... facility)
constexpr HRESULT CTL_E_SETNOTSUPPORTED = static_cast<HRESULT>(0x800A017Fu);           // 383: put of a read-only member
constexpr HRESULT CTL_E_INVALIDPROPERTYVALUE = static_cast<HRESULT>(0x800A017Cu);      // 380
constexpr HRESULT CTL_E_SETNOTSUPPORTEDATRUNTIME = static_cast<HRESULT>(0x800A0183u);  // 387: refused put
constexpr HRESULT CTL_E_GETNOTSUPPORTED = static_cast<HRESULT>(0x800A018Au);           // 394: read of a put-only member

inline bool Succeeded(HRESULT hr) { return hr >= 0; }

enum class InvokeKind : int { Method = 1, PropertyGet = 2, PropertyPut = 4 };

// Filled by Invoke when it fails with DISP_E_EXCEPTION or a control error:
// the message a property refused a value with, for example.
struct ExceptionInfo {
    HRESULT code = S_OK;
    QString source;
    QString description;
};

class IDispatchObject {
public:
    virtual ~IDispatchObject() = default;
    // args: for a method, its arguments in declared order; for an indexed
    // property get, the indexes; for a put, the indexes followed by the new
    // value last. result may be null for puts and void methods.
    virtual HRESULT Invoke(DISPID dispid, InvokeKind kind, const std::vector<Variant>& args, Variant* result,
                           ExceptionInfo* exception) = 0;
    // DISPID of a member name (case-insensitive), or DISPID -1 when unknown.
    virtual DISPID GetIdOfName(const QString& name) const = 0;
};

// Events arrive here in the order the control fires them. ByRef arguments
// may be changed by the sink and are read back by the control.
class IEventSink {
public:
    virtual ~IEventSink() = default;
    virtual void OnEvent(DISPID dispid, std::vector<Variant>& args) = 0;
};

class IControl : public IDispatchObject {
public:
    // The control's window, created by the module as a child of `parent`
    // given at creation; the host places and shows it.
    virtual QWidget* Window() = 0;
    // One sink at a time; nullptr disconnects.
    virtual void Advise(IEventSink* sink) = 0;
    virtual QString ClassId() const = 0;
    // Class ids of the property pages that the properties verb shows, in order.
    virtual std::vector<QString> PropertyPageClassIds() const { return {}; }
};

// A property page edits the properties of one control through its dispatch
// interface. The host that shows it owns it.
class IPropertyPage {
public:
    virtual ~IPropertyPage() = default;
    virtual QWidget* Window() = 0;
    virtual QString Caption() const = 0;
    // The control whose properties the page shows; nullptr detaches.
    virtual void SetObject(IDispatchObject* control) = 0;
    // Writes the page's edits into the control.
    virtual HRESULT Apply() = 0;
};

class IClassFactory {
public:
    virtual ~IClassFactory() = default;
    // Null when the class is not a control.
    virtual IControl* CreateInstance(QWidget* parent) = 0;
    // Null when the class is not a property page.
    virtual IPropertyPage* CreatePropertyPage(QWidget* parent) { return nullptr; }
};

}  // namespace mox::com

// The exports every control module provides (C linkage, default visibility).
extern "C" {
using MoxDllRegisterServerFn = mox::com::HRESULT (*)();
using MoxDllUnregisterServerFn = mox::com::HRESULT (*)();
// clsid: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; *factory receives an
// IClassFactory* owned by the module.
using MoxDllGetClassObjectFn = mox::com::HRESULT (*)(const char* clsid, void** factory);
using MoxDllCanUnloadNowFn = mox::com::HRESULT (*)();

// What the host lends a module it loads. A module links its own copy of the
// platform layer, so without this its message boxes would bypass the host's
// (and a test's scripted answers). Texts are UTF-16, NUL-terminated.
struct MoxHostServices {
    int version;  // 1
    int (*msgBox)(const char16_t* prompt, int style, const char16_t* caption);
};
using MoxDllSetHostServicesFn = void (*)(const MoxHostServices* services);
}
