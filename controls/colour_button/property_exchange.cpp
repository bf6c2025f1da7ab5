#include "controls/colour_button/property_exchange.h"

#include "controls/colour_button/prismet_properties.h"
#include "platform/message_box.h"

#include <limits>

namespace mox::prismet {

namespace {

constexpr int kOkExclamation = 48;

}  // namespace

com::Variant PropertyPageBase::Read(const char* name) const {
    const DISPID id = control_->GetIdOfName(QString::fromLatin1(name));
    com::Variant value;
    if (id == -1 || !com::Succeeded(control_->Invoke(id, com::InvokeKind::PropertyGet, {}, &value, nullptr))) return {};
    return value;
}

com::HRESULT PropertyPageBase::Write(const char* name, const com::Variant& value, QWidget* field) {
    const DISPID id = control_->GetIdOfName(QString::fromLatin1(name));
    if (id == -1) return com::DISP_E_MEMBERNOTFOUND;
    com::ExceptionInfo exc;
    const com::HRESULT hr = control_->Invoke(id, com::InvokeKind::PropertyPut, {value}, nullptr, &exc);
    if (!com::Succeeded(hr)) {
        const QString text = exc.description.isEmpty()
                                 ? QStringLiteral("%1 に値を設定できません。").arg(QLatin1String(name))
                                 : exc.description;
        platform::MsgBox(text, kOkExclamation, caption_);
        if (field) field->setFocus();
    }
    return hr;
}

com::HRESULT PropertyPageBase::ParseShort(const QString& text, QWidget* field, int* out) const {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < std::numeric_limits<short>::min() || value > std::numeric_limits<short>::max()) {
        platform::MsgBox(RangeMessage(std::numeric_limits<short>::min(), std::numeric_limits<short>::max()),
                         kOkExclamation, caption_);
        if (field) field->setFocus();
        return com::DISP_E_TYPEMISMATCH;
    }
    *out = value;
    return com::S_OK;
}

}  // namespace mox::prismet
