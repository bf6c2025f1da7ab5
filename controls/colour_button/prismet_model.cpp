#include "controls/colour_button/prismet_model.h"

#include <algorithm>

namespace mox::prismet {

using com::CTL_E_SETNOTSUPPORTEDATRUNTIME;
using com::DISP_E_MEMBERNOTFOUND;
using com::S_OK;

HRESULT PrismetModel::Get(DISPID id, Variant* result) const {
    if (!FindProperty(id)) return DISP_E_MEMBERNOTFOUND;
    if (result) *result = props_.Get(id);
    return S_OK;
}

HRESULT PrismetModel::Put(DISPID id, const Variant& value, com::ExceptionInfo* exception, PutEffects* effects) {
    const PropertyInfo* info = FindProperty(id);
    if (!info) return DISP_E_MEMBERNOTFOUND;
    Variant coerced;
    const HRESULT hr = Coerce(info->type, value, &coerced);
    if (hr != S_OK) return hr;

    if (id == kDispValue && !(props_.enabled && props_.style == 1)) return S_OK;  // ignored

    // Every put of the control's own properties redraws and marks the
    // control modified, refused or not.
    effects->redraw = true;
    if (info->rangeChecked) {
        const int v = coerced.toInt();
        if (v < info->min || v > info->max) {
            if (exception) {
                exception->code = CTL_E_SETNOTSUPPORTEDATRUNTIME;
                exception->source = QString::fromLatin1(kProgIdPrismet);
                exception->description = RangeMessage(info->min, info->max);
            }
            return CTL_E_SETNOTSUPPORTEDATRUNTIME;
        }
    }
    props_.Set(id, coerced);

    switch (id) {
        case kDispButtonForm:
            effects->rebuildShape = true;
            break;
        case kDispWidth:
        case kDispHeight:
            effects->resize = true;
            break;
        case kDispStyle:
            props_.value = 0;
            pressed_ = false;
            break;
        case kDispValue:
            if (props_.value == 1 && !pressed_) {
                pressed_ = true;
                effects->fireClick = true;
            } else if (props_.value == 0 && pressed_) {
                pressed_ = false;
                effects->fireClick = true;
            }
            break;
        case kDispEnabled:
            effects->enabledChanged = true;
            break;
        default:
            break;
    }
    return S_OK;
}

StateLook PrismetModel::Look() const {
    const PrismetProps& p = props_;
    const StateLook normal{p.backColor, p.foreColor, p.imageIndex};
    const StateLook down{p.downBackColor, p.downForeColor, p.downImageIndex};
    const StateLook over{p.mouseOverBackColor, p.mouseOverForeColor, p.mouseOverImageIndex};
    if (!p.enabled) return {p.disabledBackColor, p.disabledForeColor, p.disabledImageIndex};
    if (pressed_) return mouseOver_ && p.style == 1 && p.mouseOverPriority ? over : down;
    return mouseOver_ ? over : normal;
}

void PrismetModel::LeftButtonDown() {
    pressed_ = !pressed_;
    if (props_.style == 1) props_.value = pressed_ ? 1 : 0;
}

bool PrismetModel::LeftButtonUp() {
    if (props_.style == 0 && pressed_) {
        pressed_ = false;
        return true;
    }
    return false;
}

void PrismetModel::StoreSize(int width, int height) {
    props_.width = static_cast<short>(std::clamp(width, 0, 32767));
    props_.height = static_cast<short>(std::clamp(height, 0, 32767));
}

}  // namespace mox::prismet
