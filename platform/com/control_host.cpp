#include "platform/com/control_host.h"

#include "platform/message_box.h"

#include "platform/registry.h"

#include <dlfcn.h>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWidget>

namespace mox::com {

namespace {

const QString kRoot = QStringLiteral("HKEY_CLASSES_ROOT");

bool LooksLikeClassId(const QString& s) { return s.startsWith(u'{') && s.endsWith(u'}') && s.size() == 38; }

void SetError(QString* error, const QString& text) {
    if (error) *error = text;
}

// Loaded modules by canonical path; never unloaded (see header).
template <typename Fn>
Fn Export(void* handle, const char* name) {
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

int HostMsgBox(const char16_t* prompt, int style, const char16_t* caption) {
    return platform::MsgBox(QString::fromUtf16(prompt), style, QString::fromUtf16(caption));
}

const MoxHostServices& HostServices() {
    static const MoxHostServices services{1, &HostMsgBox};
    return services;
}

void* LoadModule(const QString& path, QString* error) {
    static std::map<QString, void*> loaded;
    const QFileInfo file(path);
    const QString key = file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
    if (auto it = loaded.find(key); it != loaded.end()) return it->second;
    if (!file.exists()) {
        SetError(error, QStringLiteral("コントロールのモジュール %1 が見つかりません。").arg(path));
        return nullptr;
    }
    void* handle = dlopen(QFile::encodeName(key).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        SetError(error, QStringLiteral("コントロールのモジュール %1 を読み込めません。\n%2")
                            .arg(path, QString::fromLocal8Bit(why ? why : "")));
        return nullptr;
    }
    loaded[key] = handle;
    if (auto lend = Export<MoxDllSetHostServicesFn>(handle, "DllSetHostServices")) lend(&HostServices());
    return handle;
}

QString NotRegisteredText(const QString& name) {
    return QStringLiteral("クラス %1 が登録されていないため、コントロールを作成できません。").arg(name);
}

}  // namespace

QString ResolveClassId(const QString& classIdOrProgId) {
    const QString name = classIdOrProgId.trimmed();
    if (LooksLikeClassId(name)) return name.toUpper();
    if (name.isEmpty()) return {};
    return platform::RegistryRead(kRoot + u'/' + name + QStringLiteral("/CLSID"), QString()).trimmed().toUpper();
}

QString RegisteredModulePath(const QString& clsid) {
    if (clsid.isEmpty()) return {};
    return platform::RegistryRead(
        kRoot + QStringLiteral("/CLSID/") + clsid.trimmed().toUpper() + QStringLiteral("/InprocServer32"), QString());
}

HRESULT CallModuleRegistration(const QString& modulePath, bool unregister, QString* error) {
    void* handle = LoadModule(modulePath, error);
    if (handle == nullptr) return E_FAIL;
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = Export<MoxDllRegisterServerFn>(handle, entry);
    if (fn == nullptr) {
        SetError(error, QStringLiteral("%1 には %2 がありません。").arg(modulePath, QString::fromLatin1(entry)));
        return E_FAIL;
    }
    const HRESULT hr = fn();
    if (!Succeeded(hr)) {
        const QString what = hr == SELFREG_E_TYPELIB ? QStringLiteral("タイプ ライブラリ") : QStringLiteral("クラス");
        SetError(error, QStringLiteral("%1 の%2の%3に失敗しました。(0x%4)")
                            .arg(modulePath, what, unregister ? QStringLiteral("登録解除") : QStringLiteral("登録"))
                            .arg(static_cast<uint32_t>(hr), 8, 16, QLatin1Char('0')));
    }
    return hr;
}

HRESULT EnsureModuleRegistered(const QString& modulePath, const QString& clsid, QString* error) {
    const QString registered = RegisteredModulePath(clsid);
    if (!registered.isEmpty() && QFileInfo::exists(registered)) return S_OK;
    const HRESULT hr = CallModuleRegistration(modulePath, false, error);
    if (!Succeeded(hr)) return hr;
    if (RegisteredModulePath(clsid).isEmpty()) {
        SetError(error, NotRegisteredText(clsid));
        return REGDB_E_CLASSNOTREG;
    }
    return S_OK;
}

QStringList EnsureFolderModulesRegistered(const QString& folder, const std::vector<FolderModule>& modules,
                                          bool requireFiles) {
    QStringList errors;
    for (const FolderModule& m : modules) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(m.file);
        if (!QFileInfo::exists(path)) {
            if (requireFiles) errors << QStringLiteral("%1 が見つかりません。").arg(path);
            continue;
        }
        QString error;
        if (!Succeeded(EnsureModuleRegistered(path, QLatin1String(m.clsid), &error))) errors << error;
    }
    return errors;
}

HRESULT GetClassFactory(const QString& classIdOrProgId, IClassFactory** factory, QString* error) {
    if (factory == nullptr) return E_INVALIDARG;
    *factory = nullptr;
    const QString clsid = ResolveClassId(classIdOrProgId);
    const QString path = RegisteredModulePath(clsid);
    if (path.isEmpty()) {
        SetError(error, NotRegisteredText(classIdOrProgId));
        return REGDB_E_CLASSNOTREG;
    }
    void* handle = LoadModule(path, error);
    if (handle == nullptr) return REGDB_E_CLASSNOTREG;
    auto getClassObject = Export<MoxDllGetClassObjectFn>(handle, "DllGetClassObject");
    if (getClassObject == nullptr) {
        SetError(error, QStringLiteral("%1 はコントロールのモジュールではありません。").arg(path));
        return E_FAIL;
    }
    void* object = nullptr;
    const HRESULT hr = getClassObject(clsid.toLatin1().constData(), &object);
    if (!Succeeded(hr) || object == nullptr) {
        SetError(error, QStringLiteral("モジュール %1 はクラス %2 を提供していません。").arg(path, clsid));
        return Succeeded(hr) ? CLASS_E_CLASSNOTAVAILABLE : hr;
    }
    *factory = static_cast<IClassFactory*>(object);
    return S_OK;
}

HRESULT CreateControl(const QString& classIdOrProgId, QWidget* parent, std::unique_ptr<IControl>* control,
                      QString* error) {
    if (control == nullptr) return E_INVALIDARG;
    control->reset();
    IClassFactory* factory = nullptr;
    if (const HRESULT hr = GetClassFactory(classIdOrProgId, &factory, error); !Succeeded(hr)) return hr;
    IControl* made = factory->CreateInstance(parent);
    if (made == nullptr) {
        SetError(error, QStringLiteral("コントロール %1 を作成できませんでした。").arg(classIdOrProgId));
        return E_FAIL;
    }
    control->reset(made);
    return S_OK;
}

// ---- HostedControl ---------------------------------------------------------------

HostedControl::~HostedControl() { Destroy(); }

HRESULT HostedControl::Create(const QString& classIdOrProgId, QWidget* parent) {
    Destroy();
    std::unique_ptr<IControl> made;
    lastError_.clear();
    lastResult_ = CreateControl(classIdOrProgId, parent, &made, &lastError_);
    if (Succeeded(lastResult_)) Attach(std::move(made));
    return lastResult_;
}

void HostedControl::Attach(std::unique_ptr<IControl> control) {
    Destroy();
    control_ = std::move(control);
    if (control_) control_->Advise(this);
}

void HostedControl::Destroy() {
    if (!control_) return;
    control_->Advise(nullptr);
    control_.reset();
}

QWidget* HostedControl::Window() const { return control_ ? control_->Window() : nullptr; }

Variant HostedControl::Invoke(DISPID id, InvokeKind kind, const std::vector<Variant>& args) {
    lastException_ = ExceptionInfo{};
    lastError_.clear();
    if (!control_) {
        lastResult_ = E_FAIL;
        lastError_ = QStringLiteral("コントロールが作成されていません。");
        return {};
    }
    Variant result;
    lastResult_ = control_->Invoke(id, kind, args, &result, &lastException_);
    if (!Succeeded(lastResult_)) {
        lastError_ = lastException_.description;
        return {};
    }
    return result;
}

Variant HostedControl::Get(DISPID id, const std::vector<Variant>& indexes) {
    return Invoke(id, InvokeKind::PropertyGet, indexes);
}

HRESULT HostedControl::Put(DISPID id, const Variant& value) { return Put(id, {}, value); }

HRESULT HostedControl::Put(DISPID id, const std::vector<Variant>& indexes, const Variant& value) {
    std::vector<Variant> args = indexes;
    args.push_back(value);
    Invoke(id, InvokeKind::PropertyPut, args);
    return lastResult_;
}

Variant HostedControl::Call(DISPID id, const std::vector<Variant>& args) {
    return Invoke(id, InvokeKind::Method, args);
}

void HostedControl::On(DISPID eventId, Handler handler) {
    if (handler)
        handlers_[eventId] = std::move(handler);
    else
        handlers_.erase(eventId);
}

void HostedControl::OnEvent(DISPID dispid, std::vector<Variant>& args) {
    const auto it = handlers_.find(dispid);
    if (it == handlers_.end()) return;
    // A copy: the handler may replace itself or destroy the control.
    Handler handler = it->second;
    handler(args);
}

// ---- Property pages ------------------------------------------------------------

void ShowPropertyPages(IControl* control, QWidget* parent) {
    if (control == nullptr) return;
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("プロパティ"));
    auto* tabs = new QTabWidget(&dialog);
    std::vector<std::unique_ptr<IPropertyPage>> pages;
    for (const QString& clsid : control->PropertyPageClassIds()) {
        IClassFactory* factory = nullptr;
        if (!Succeeded(GetClassFactory(clsid, &factory)) || factory == nullptr) continue;
        std::unique_ptr<IPropertyPage> page(factory->CreatePropertyPage(tabs));
        if (!page || page->Window() == nullptr) continue;
        page->SetObject(control);
        tabs->addTab(page->Window(), page->Caption());
        pages.push_back(std::move(page));
    }
    if (pages.empty()) return;
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    buttons->button(QDialogButtonBox::Apply)->setText(QStringLiteral("適用(&A)"));
    auto applyAll = [&pages] {
        for (auto& page : pages) page->Apply();
    };
    QObject::connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, &dialog, applyAll);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        applyAll();
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    dialog.exec();
    for (auto& page : pages) {
        page->SetObject(nullptr);
        // The tab widget owns the page windows; the pages may delete them first.
        QWidget* w = page->Window();
        if (w) tabs->removeTab(tabs->indexOf(w));
    }
    pages.clear();
}

}  // namespace mox::com
