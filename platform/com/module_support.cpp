#include "platform/com/module_support.h"

#include "platform/message_box.h"

#include "platform/registry.h"

#include <dlfcn.h>
#include <QFileInfo>
#include <QPoint>
#include <QStringList>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>

namespace mox::com {

namespace {

std::atomic<int> gLiveObjects{0};

QString Key(const QStringList& parts) { return QString::fromLatin1(kClassesRoot) + u'/' + parts.join(u'/'); }

QString Normalised(const QString& id) { return id.trimmed().toUpper(); }

bool WriteDefault(const QString& key, const QString& value) { return platform::RegistryWrite(key, QString(), value); }

QString VersionText(const TypeLibInfo& lib) { return QStringLiteral("%1.%2").arg(lib.major).arg(lib.minor); }

bool RegisterTypeLib(const TypeLibInfo& lib, const QString& modulePath) {
    const QString base = Key({QStringLiteral("TypeLib"), Normalised(lib.libId), VersionText(lib)});
    return WriteDefault(base, lib.helpString) && WriteDefault(base + QStringLiteral("/0/linux64"), modulePath) &&
           WriteDefault(base + QStringLiteral("/FLAGS"), QStringLiteral("0"));
}

bool RegisterClass(const ClassInfo& cls, const TypeLibInfo& lib, const QString& modulePath) {
    const QString base = Key({QStringLiteral("CLSID"), Normalised(cls.clsid)});
    bool ok = WriteDefault(base, cls.typeName) && WriteDefault(base + QStringLiteral("/InprocServer32"), modulePath) &&
              platform::RegistryWrite(base + QStringLiteral("/InprocServer32"), QStringLiteral("ThreadingModel"),
                                      QStringLiteral("Apartment"));
    if (ok && !cls.progId.isEmpty()) {
        ok = WriteDefault(base + QStringLiteral("/ProgID"), cls.progId) &&
             WriteDefault(Key({cls.progId}), cls.typeName) &&
             WriteDefault(Key({cls.progId, QStringLiteral("CLSID")}), Normalised(cls.clsid));
    }
    if (ok && cls.isControl) {
        ok = WriteDefault(base + QStringLiteral("/TypeLib"), Normalised(lib.libId)) &&
             WriteDefault(base + QStringLiteral("/Version"), VersionText(lib)) &&
             WriteDefault(base + QStringLiteral("/Control"), QString()) &&
             WriteDefault(base + QStringLiteral("/Insertable"), QString()) &&
             WriteDefault(base + QStringLiteral("/MiscStatus"), QStringLiteral("0")) &&
             WriteDefault(base + QStringLiteral("/MiscStatus/1"), QString::number(cls.miscStatus)) &&
             WriteDefault(base + QStringLiteral("/ToolboxBitmap32"), modulePath + QStringLiteral(", 1"));
    }
    return ok;
}

bool DeleteKeyIfPresent(const QString& key) {
    // Deleting what is not there is no failure: the state asked for holds.
    const int slash = key.lastIndexOf(u'/');
    const QString parent = key.left(slash);
    if (!platform::RegistrySubKeys(parent).contains(key.mid(slash + 1), Qt::CaseInsensitive)) return true;
    return platform::RegistryDeleteKey(key);
}

HRESULT RemoveModuleKeys(const ModuleInfo& info) {
    const TypeLibInfo& lib = info.typeLib;
    const QString libKey = Key({QStringLiteral("TypeLib"), Normalised(lib.libId)});
    if (!DeleteKeyIfPresent(libKey + u'/' + VersionText(lib))) return SELFREG_E_TYPELIB;
    if (platform::RegistrySubKeys(libKey).isEmpty() && !DeleteKeyIfPresent(libKey)) return SELFREG_E_TYPELIB;
    for (const ClassInfo& cls : info.classes) {
        if (!DeleteKeyIfPresent(Key({QStringLiteral("CLSID"), Normalised(cls.clsid)}))) return SELFREG_E_CLASS;
        if (!cls.progId.isEmpty() && !DeleteKeyIfPresent(Key({cls.progId}))) return SELFREG_E_CLASS;
    }
    return S_OK;
}

class ModuleFactory final : public IClassFactory {
public:
    explicit ModuleFactory(const ClassInfo* cls) : cls_(cls) {}
    IControl* CreateInstance(QWidget* parent) override {
        return cls_->createControl ? cls_->createControl(parent) : nullptr;
    }
    IPropertyPage* CreatePropertyPage(QWidget* parent) override {
        return cls_->createPage ? cls_->createPage(parent) : nullptr;
    }

private:
    const ClassInfo* cls_;
};

void ThisModuleAnchor() {}

ClassInfo NamedClass(const char* clsid, const char* progId, const QString& typeName, bool isControl) {
    ClassInfo cls;
    cls.clsid = QString::fromLatin1(clsid);
    cls.progId = QString::fromLatin1(progId);
    cls.typeName = typeName;
    cls.isControl = isControl;
    return cls;
}

}  // namespace

ClassInfo ControlClass(const char* clsid, const char* progId, const QString& typeName, int miscStatus,
                       std::function<IControl*(QWidget* parent)> create) {
    ClassInfo cls = NamedClass(clsid, progId, typeName, true);
    cls.miscStatus = miscStatus;
    cls.createControl = std::move(create);
    return cls;
}

ClassInfo PropertyPageClass(const char* clsid, const char* progId, const QString& typeName,
                            std::function<IPropertyPage*(QWidget* parent)> create) {
    ClassInfo cls = NamedClass(clsid, progId, typeName, false);
    cls.createPage = std::move(create);
    return cls;
}

QString ThisModulePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ThisModuleAnchor), &info) == 0 || info.dli_fname == nullptr) return {};
    const QFileInfo file(QString::fromLocal8Bit(info.dli_fname));
    const QString canonical = file.canonicalFilePath();
    return canonical.isEmpty() ? file.absoluteFilePath() : canonical;
}

// A module writes some twenty values per class; written one by one, each
// would replace and sync the registry file. The batch writes it once: when
// that fails, nothing was registered, the type library first.
HRESULT RegisterModule(const ModuleInfo& info, const QString& modulePath) {
    platform::RegistryBatch batch;
    if (!RegisterTypeLib(info.typeLib, modulePath)) return SELFREG_E_TYPELIB;
    for (const ClassInfo& cls : info.classes)
        if (!RegisterClass(cls, info.typeLib, modulePath)) return SELFREG_E_CLASS;
    return batch.Finish() ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT UnregisterModule(const ModuleInfo& info) {
    platform::RegistryBatch batch;
    if (const HRESULT hr = RemoveModuleKeys(info); hr != S_OK) return hr;
    return batch.Finish() ? S_OK : SELFREG_E_TYPELIB;
}

HRESULT GetModuleClassObject(const ModuleInfo& info, const char* clsid, void** factory) {
    if (factory == nullptr) return E_INVALIDARG;
    *factory = nullptr;
    if (clsid == nullptr) return E_INVALIDARG;
    const QString wanted = Normalised(QString::fromLatin1(clsid));
    // Factories live as long as the module; one per class, made on first use.
    static std::map<const ClassInfo*, std::unique_ptr<ModuleFactory>> factories;
    for (const ClassInfo& cls : info.classes) {
        if (Normalised(cls.clsid) != wanted) continue;
        auto& slot = factories[&cls];
        if (!slot) slot = std::make_unique<ModuleFactory>(&cls);
        *factory = static_cast<IClassFactory*>(slot.get());
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ModuleCanUnloadNow() { return gLiveObjects.load() == 0 ? S_OK : S_FALSE; }

namespace {

// Basic's three-bit code of a set of Qt flags: 1, 2 and 4 for the three
// flags in that order.
template <typename Flags, typename Flag>
short BasicCode(Flags flags, Flag one, Flag two, Flag four) {
    return static_cast<short>((flags & one ? 1 : 0) | (flags & two ? 2 : 0) | (flags & four ? 4 : 0));
}

}  // namespace

short ButtonCode(Qt::MouseButtons buttons) {
    return BasicCode(buttons, Qt::LeftButton, Qt::RightButton, Qt::MiddleButton);
}

short ShiftCode(Qt::KeyboardModifiers modifiers) {
    return BasicCode(modifiers, Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier);
}

Args StockMouseArgs(short button, Qt::KeyboardModifiers modifiers, const QPoint& pos) {
    return {Variant::fromValue(button), Variant::fromValue(ShiftCode(modifiers)), Variant(pos.x()), Variant(pos.y())};
}

void SetHostServices(const MoxHostServices* services) {
    if (services == nullptr || services->version < 1 || services->msgBox == nullptr) return;
    auto* msgBox = services->msgBox;
    platform::SetMsgBoxResponder([msgBox](const platform::ShownBox& box) {
        return msgBox(reinterpret_cast<const char16_t*>(box.prompt.utf16()), box.style,
                      reinterpret_cast<const char16_t*>(box.caption.utf16()));
    });
}

ObjectLock::ObjectLock() { ++gLiveObjects; }
ObjectLock::ObjectLock(const ObjectLock&) { ++gLiveObjects; }
ObjectLock::~ObjectLock() { --gLiveObjects; }
int ObjectLock::LiveObjects() { return gLiveObjects.load(); }

// ---- Conversion --------------------------------------------------------------

namespace {

HRESULT ToWide(const Variant& v, int64_t* out) {
    if (!v.isValid() || v.isNull()) {
        *out = 0;  // Empty converts to 0, as in VariantChangeType
        return S_OK;
    }
    switch (v.typeId()) {
        case QMetaType::Bool:
            *out = v.toBool() ? -1 : 0;  // Basic's True
            return S_OK;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
        case QMetaType::Long:
        case QMetaType::LongLong:
            *out = v.toLongLong();
            return S_OK;
        case QMetaType::ULong:
        case QMetaType::ULongLong: {
            const qulonglong u = v.toULongLong();
            if (u > static_cast<qulonglong>(std::numeric_limits<int64_t>::max())) return DISP_E_OVERFLOW;
            *out = static_cast<int64_t>(u);
            return S_OK;
        }
        case QMetaType::Double:
        case QMetaType::Float: {
            const double d = v.toDouble();
            if (!std::isfinite(d) || std::fabs(d) > 9.2e18) return DISP_E_OVERFLOW;
            *out = static_cast<int64_t>(std::nearbyint(d));  // banker's rounding, as Basic
            return S_OK;
        }
        case QMetaType::QString: {
            bool ok = false;
            const double d = v.toString().trimmed().toDouble(&ok);
            if (!ok) return DISP_E_TYPEMISMATCH;
            return ToWide(Variant(d), out);
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

// A whole number of the given width; DISP_E_OVERFLOW when it does not fit.
template <typename Integer>
HRESULT ToInteger(const Variant& v, Integer* out) {
    int64_t w = 0;
    if (const HRESULT hr = ToWide(v, &w); hr != S_OK) return hr;
    if (w < std::numeric_limits<Integer>::min() || w > std::numeric_limits<Integer>::max()) return DISP_E_OVERFLOW;
    *out = static_cast<Integer>(w);
    return S_OK;
}

}  // namespace

HRESULT ToLong(const Variant& v, int32_t* out) { return ToInteger(v, out); }

HRESULT ToShort(const Variant& v, int16_t* out) { return ToInteger(v, out); }

HRESULT ToBool(const Variant& v, bool* out) {
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) {
            *out = true;
            return S_OK;
        }
        if (s.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
            *out = false;
            return S_OK;
        }
    }
    int64_t w = 0;
    if (const HRESULT hr = ToWide(v, &w); hr != S_OK) return hr;
    *out = w != 0;
    return S_OK;
}

HRESULT ToColor(const Variant& v, uint32_t* out) {
    int64_t w = 0;
    if (const HRESULT hr = ToWide(v, &w); hr != S_OK) return hr;
    // Colours arrive as uint32 or as Basic's signed Long (system colours are negative).
    if (w < std::numeric_limits<int32_t>::min() || w > std::numeric_limits<uint32_t>::max()) return DISP_E_OVERFLOW;
    *out = static_cast<uint32_t>(w);
    return S_OK;
}

HRESULT ToText(const Variant& v, QString* out) {
    if (!v.isValid() || v.isNull()) {
        *out = QString();
        return S_OK;
    }
    if (!v.canConvert<QString>()) return DISP_E_TYPEMISMATCH;
    *out = v.toString();
    return S_OK;
}

HRESULT Refuse(ExceptionInfo* exc, HRESULT code, const QString& description, const QString& source) {
    if (exc) {
        exc->code = code;
        exc->description = description;
        if (!source.isEmpty()) exc->source = source;
    }
    return code;
}

// ---- Dispatch table ------------------------------------------------------------

DispatchTable& DispatchTable::Property(DISPID id, const QString& name, int indexCount, Getter get, Setter put) {
    Member m;
    m.name = name;
    m.count = indexCount;
    m.get = std::move(get);
    m.put = std::move(put);
    members_[id] = std::move(m);
    return *this;
}

DispatchTable& DispatchTable::Method(DISPID id, const QString& name, int argCount, MethodFn fn) {
    Member m;
    m.name = name;
    m.isMethod = true;
    m.count = argCount;
    m.call = std::move(fn);
    members_[id] = std::move(m);
    return *this;
}

HRESULT DispatchTable::Invoke(DISPID dispid, InvokeKind kind, const Args& args, Variant* result,
                              ExceptionInfo* exc) const {
    const auto it = members_.find(dispid);
    if (it == members_.end()) return DISP_E_MEMBERNOTFOUND;
    const Member& m = it->second;
    Variant scratch;
    Variant* out = result ? result : &scratch;

    HRESULT hr = S_OK;
    if (m.isMethod) {
        if (kind == InvokeKind::PropertyPut) return DISP_E_MEMBERNOTFOUND;
        if (static_cast<int>(args.size()) != m.count) return DISP_E_BADPARAMCOUNT;
        *out = Variant();
        hr = m.call(args, out, exc);
    } else if (kind == InvokeKind::PropertyPut) {
        if (static_cast<int>(args.size()) != m.count + 1) return DISP_E_BADPARAMCOUNT;
        if (!m.put)
            return Refuse(exc, CTL_E_SETNOTSUPPORTED, QStringLiteral("プロパティは読み取り専用です。"), source_);
        const Args indexes(args.begin(), args.end() - 1);
        hr = m.put(indexes, args.back(), exc);
    } else {
        if (static_cast<int>(args.size()) != m.count) return DISP_E_BADPARAMCOUNT;
        if (!m.get)
            return Refuse(exc, CTL_E_GETNOTSUPPORTED, QStringLiteral("プロパティは書き込み専用です。"), source_);
        *out = Variant();
        hr = m.get(args, out, exc);
    }
    if (!Succeeded(hr) && exc) {
        if (exc->code == S_OK) exc->code = hr;
        if (exc->source.isEmpty()) exc->source = source_;
    }
    return hr;
}

DISPID DispatchTable::GetIdOfName(const QString& name) const {
    for (const auto& [id, m] : members_)
        if (m.name.compare(name, Qt::CaseInsensitive) == 0) return id;
    return -1;
}

// ---- Events --------------------------------------------------------------------

Args EventSource::Fire(DISPID dispid, Args args) const {
    if (sink_) sink_->OnEvent(dispid, args);
    return args;
}

// ---- ControlBase ---------------------------------------------------------------

ControlBase::ControlBase(QString clsid, QString source) : clsid_(std::move(clsid)) {
    dispatch_.SetSource(std::move(source));
}

ControlBase::~ControlBase() = default;

HRESULT ControlBase::Invoke(DISPID dispid, InvokeKind kind, const std::vector<Variant>& args, Variant* result,
                            ExceptionInfo* exception) {
    return dispatch_.Invoke(dispid, kind, args, result, exception);
}

DISPID ControlBase::GetIdOfName(const QString& name) const { return dispatch_.GetIdOfName(name); }

}  // namespace mox::com
