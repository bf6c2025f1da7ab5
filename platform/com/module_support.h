#pragma once
// What a control module needs to be a module: the list of its classes, the
// four exports, a dispatch table that turns Invoke into typed getters, setters
// and methods, and an event source.
//
// A module describes itself once and instantiates the exports with one macro:
//
//     static const mox::com::ModuleInfo& Describe() {
//         static const mox::com::ModuleInfo info = [] { ... }();
//         return info;
//     }
//     MOX_COM_MODULE_EXPORTS(Describe)
//
// Registry layout written by DllRegisterServer (registry stand-in, one INI
// file; "(Default)" is the key's unnamed value, an empty value name in
// platform/registry.h):
//
//   HKEY_CLASSES_ROOT/TypeLib/{LIBID}/<major>.<minor>   (Default) = help string
//       .../<major>.<minor>/0/linux64                   (Default) = module path
//       .../<major>.<minor>/FLAGS                       (Default) = "0"
//   HKEY_CLASSES_ROOT/CLSID/{CLSID}                     (Default) = type name
//       .../InprocServer32                              (Default) = module path,
//                                                       ThreadingModel = "Apartment"
//       .../ProgID                                      (Default) = ProgID
//       .../TypeLib                                     (Default) = {LIBID}
//       .../Version                                     (Default) = "1.0"
//       .../Control, .../Insertable (controls only)     (Default) = ""
//       .../MiscStatus/1 (controls only)                (Default) = misc status
//       .../ToolboxBitmap32 (controls only)             (Default) = "<module path>, 1"
//   HKEY_CLASSES_ROOT/<ProgID>                          (Default) = type name
//       .../CLSID                                       (Default) = {CLSID}
//
// Class ids are written in upper case with braces.

#include "platform/com/control.h"

#include <QString>
#include <Qt>
#include <functional>
#include <map>
#include <vector>

namespace mox::com {

inline constexpr const char* kClassesRoot = "HKEY_CLASSES_ROOT";

struct TypeLibInfo {
    QString libId;  // "{...}"
    int major = 1;
    int minor = 0;
    int locale = 1033;
    QString helpString;
};

struct ClassInfo {
    QString clsid;  // "{...}"
    QString progId;
    QString typeName;
    bool isControl = true;  // false: a property page
    int miscStatus = 0;
    // Exactly one of the two is set: controls make an IControl, property
    // pages an IPropertyPage.
    std::function<IControl*(QWidget* parent)> createControl;
    std::function<IPropertyPage*(QWidget* parent)> createPage;
};

struct ModuleInfo {
    TypeLibInfo typeLib;
    std::vector<ClassInfo> classes;
};

// The two kinds of class a module lists; ids as "{...}" and the ProgID.
ClassInfo ControlClass(const char* clsid, const char* progId, const QString& typeName, int miscStatus,
                       std::function<IControl*(QWidget* parent)> create);
ClassInfo PropertyPageClass(const char* clsid, const char* progId, const QString& typeName,
                            std::function<IPropertyPage*(QWidget* parent)> create);

// The module file that contains this code (absolute path), found through the
// dynamic loader so that registration writes where the module really lies.
QString ThisModulePath();

// Registration: type library first, then every class; SELFREG_E_TYPELIB or
// SELFREG_E_CLASS when the registry refuses a write.
HRESULT RegisterModule(const ModuleInfo& info, const QString& modulePath);
HRESULT UnregisterModule(const ModuleInfo& info);
HRESULT GetModuleClassObject(const ModuleInfo& info, const char* clsid, void** factory);
// S_OK when no object of this module is alive, else S_FALSE.
HRESULT ModuleCanUnloadNow();
// Routes the module's message boxes to the host that loaded it.
void SetHostServices(const MoxHostServices* services);

// Live objects of this module; ControlBase counts itself, a property page
// should hold an ObjectLock for its lifetime.
class ObjectLock {
public:
    ObjectLock();
    ~ObjectLock();
    ObjectLock(const ObjectLock&);
    ObjectLock& operator=(const ObjectLock&) = default;
    static int LiveObjects();
};

// ---- Argument conversion, as VariantChangeType would do it -----------------

// DISP_E_TYPEMISMATCH when the variant holds no number; DISP_E_OVERFLOW when
// it does not fit.
HRESULT ToLong(const Variant& v, int32_t* out);
HRESULT ToShort(const Variant& v, int16_t* out);
HRESULT ToBool(const Variant& v, bool* out);
HRESULT ToColor(const Variant& v, uint32_t* out);  // OLE_COLOR
HRESULT ToText(const Variant& v, QString* out);

// ---- Dispatch table --------------------------------------------------------

// Arguments of a property are its indexes; a put receives the indexes and the
// new value separately. A method receives its arguments.
using Args = std::vector<Variant>;

// The stock mouse and key events carry Basic's codes: buttons 1 left,
// 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt.
short ButtonCode(Qt::MouseButtons buttons);
short ShiftCode(Qt::KeyboardModifiers modifiers);
// Button, Shift, X, Y of MouseDown, MouseMove and MouseUp.
Args StockMouseArgs(short button, Qt::KeyboardModifiers modifiers, const QPoint& pos);
using Getter = std::function<HRESULT(const Args& indexes, Variant* result, ExceptionInfo* exc)>;
using Setter = std::function<HRESULT(const Args& indexes, const Variant& value, ExceptionInfo* exc)>;
using MethodFn = std::function<HRESULT(const Args& args, Variant* result, ExceptionInfo* exc)>;

class DispatchTable {
public:
    // A property with `indexCount` indexes. A null getter makes it put-only
    // (a read fails with CTL_E_GETNOTSUPPORTED), a null setter get-only
    // (a write fails with CTL_E_SETNOTSUPPORTED).
    DispatchTable& Property(DISPID id, const QString& name, int indexCount, Getter get, Setter put);
    // A method with exactly `argCount` arguments; DISP_E_BADPARAMCOUNT else.
    DispatchTable& Method(DISPID id, const QString& name, int argCount, MethodFn fn);

    // Unknown members give DISP_E_MEMBERNOTFOUND; a wrong number of indexes
    // or arguments DISP_E_BADPARAMCOUNT. A method call on a property reads it,
    // as Basic's obj.Prop(i) does. Failures other than the dispatch errors
    // are copied into `exc` (code set, source the class name).
    HRESULT Invoke(DISPID dispid, InvokeKind kind, const Args& args, Variant* result, ExceptionInfo* exc) const;
    DISPID GetIdOfName(const QString& name) const;

    void SetSource(const QString& source) { source_ = source; }

private:
    struct Member {
        QString name;
        bool isMethod = false;
        int count = 0;
        Getter get;
        Setter put;
        MethodFn call;
    };
    std::map<DISPID, Member> members_;
    QString source_;
};

// Fills an exception record and returns its code: `return Refuse(exc, CTL_E_..., "...")`.
HRESULT Refuse(ExceptionInfo* exc, HRESULT code, const QString& description, const QString& source = {});

// ---- Events ----------------------------------------------------------------

class EventSource {
public:
    void Advise(IEventSink* sink) { sink_ = sink; }
    IEventSink* Sink() const { return sink_; }
    // Returns the arguments as the sink left them (ByRef arguments).
    Args Fire(DISPID dispid, Args args) const;

private:
    IEventSink* sink_ = nullptr;
};

// ---- Base of a control -----------------------------------------------------

// Implements the dispatch, sink and class-id parts of IControl; a control
// fills Dispatch() in its constructor and provides Window().
class ControlBase : public IControl {
public:
    explicit ControlBase(QString clsid, QString source = {});
    ~ControlBase() override;

    HRESULT Invoke(DISPID dispid, InvokeKind kind, const std::vector<Variant>& args, Variant* result,
                   ExceptionInfo* exception) override;
    DISPID GetIdOfName(const QString& name) const override;
    void Advise(IEventSink* sink) override { events_.Advise(sink); }
    QString ClassId() const override { return clsid_; }

protected:
    DispatchTable& Dispatch() { return dispatch_; }
    Args FireEvent(DISPID dispid, Args args) const { return events_.Fire(dispid, std::move(args)); }

private:
    QString clsid_;
    DispatchTable dispatch_;
    EventSource events_;
    ObjectLock lock_;
};

}  // namespace mox::com

#define MOX_COM_EXPORT extern "C" __attribute__((visibility("default")))

// Defines the four module exports from a function returning the ModuleInfo.
#define MOX_COM_MODULE_EXPORTS(describeFn)                                                                      \
    MOX_COM_EXPORT mox::com::HRESULT DllRegisterServer() {                                                      \
        return mox::com::RegisterModule(describeFn(), mox::com::ThisModulePath());                              \
    }                                                                                                           \
    MOX_COM_EXPORT mox::com::HRESULT DllUnregisterServer() { return mox::com::UnregisterModule(describeFn()); } \
    MOX_COM_EXPORT mox::com::HRESULT DllGetClassObject(const char* clsid, void** factory) {                     \
        return mox::com::GetModuleClassObject(describeFn(), clsid, factory);                                    \
    }                                                                                                           \
    MOX_COM_EXPORT mox::com::HRESULT DllCanUnloadNow() { return mox::com::ModuleCanUnloadNow(); }               \
    MOX_COM_EXPORT void DllSetHostServices(const MoxHostServices* services) { mox::com::SetHostServices(services); }
