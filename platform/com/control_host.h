#pragma once
// The host side of the controls: a form creates a control by class id or
// ProgID from the registry stand-in (module path, dlopen, DllGetClassObject,
// CreateInstance), places its window, drives it through Get/Put/Call by
// dispatch id and receives its events through handlers keyed by dispatch id.
// The registry layout is described in module_support.h.
//
// Modules stay loaded until the process ends: their widgets and meta-objects
// may outlive any one control.

#include "platform/com/control.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace mox::com {

// "{CLSID}" for a class id (returned as given, upper-cased) or a ProgID
// registered under HKEY_CLASSES_ROOT/<ProgID>/CLSID; empty when unknown.
QString ResolveClassId(const QString& classIdOrProgId);
// The registered module path of a class id; empty when the class is not registered.
QString RegisteredModulePath(const QString& clsid);

// Loads the module and calls its DllRegisterServer (or DllUnregisterServer).
// `error` receives a Japanese description when the result is a failure.
HRESULT CallModuleRegistration(const QString& modulePath, bool unregister, QString* error = nullptr);

// Registers the module when `clsid` is not registered or its registered
// module file no longer exists; S_OK when the class is registered afterwards.
HRESULT EnsureModuleRegistered(const QString& modulePath, const QString& clsid, QString* error = nullptr);

// A control module file of the program folder and the class it registers.
struct FolderModule {
    const char* file;
    const char* clsid;
};

// Registers every module of `folder` whose class is missing, so that a copied
// program folder works at once. Gives one text per module that could not be
// registered; a missing file counts only when `requireFiles`.
QStringList EnsureFolderModulesRegistered(const QString& folder, const std::vector<FolderModule>& modules,
                                          bool requireFiles);

// The class factory of a registered class; the module is loaded once.
HRESULT GetClassFactory(const QString& classIdOrProgId, IClassFactory** factory, QString* error = nullptr);

// Creates a control; REGDB_E_CLASSNOTREG with a Japanese message in `error`
// when the class is not registered. Never throws.
HRESULT CreateControl(const QString& classIdOrProgId, QWidget* parent, std::unique_ptr<IControl>* control,
                      QString* error = nullptr);

// A control placed on a form, with the conveniences a form's code needs.
class HostedControl final : private IEventSink {
public:
    using Handler = std::function<void(std::vector<Variant>& args)>;

    HostedControl() = default;
    ~HostedControl() override;
    HostedControl(const HostedControl&) = delete;
    HostedControl& operator=(const HostedControl&) = delete;

    // Creates the control as a child of `parent`; on failure LastError()
    // tells why and the object stays empty.
    HRESULT Create(const QString& classIdOrProgId, QWidget* parent);
    // Takes an already created control (tests, or a control linked in).
    void Attach(std::unique_ptr<IControl> control);
    void Destroy();

    bool IsCreated() const { return control_ != nullptr; }
    IControl* Control() const { return control_.get(); }
    QWidget* Window() const;

    // Property read; an invalid Variant when it failed (see LastResult()).
    Variant Get(DISPID id, const std::vector<Variant>& indexes = {});
    HRESULT Put(DISPID id, const Variant& value);
    HRESULT Put(DISPID id, const std::vector<Variant>& indexes, const Variant& value);
    Variant Call(DISPID id, const std::vector<Variant>& args = {});

    HRESULT LastResult() const { return lastResult_; }
    const ExceptionInfo& LastException() const { return lastException_; }
    const QString& LastError() const { return lastError_; }

    // One handler per event; events with no handler are dropped. Handlers run
    // in the order the control fires the events, inside the firing call.
    void On(DISPID eventId, Handler handler);

private:
    void OnEvent(DISPID dispid, std::vector<Variant>& args) override;
    Variant Invoke(DISPID id, InvokeKind kind, const std::vector<Variant>& args);

    std::unique_ptr<IControl> control_;
    std::map<DISPID, Handler> handlers_;
    HRESULT lastResult_ = S_OK;
    ExceptionInfo lastException_;
    QString lastError_;
};

// Shows the control's property pages in a modal dialog (OK applies every page).
void ShowPropertyPages(IControl* control, QWidget* parent);

}  // namespace mox::com
