#include "controls/colour_button/prismet_properties.h"

#include "platform/com/module_support.h"

#include <QMetaType>

namespace mox::prismet {

using com::S_OK;

const std::vector<PropertyInfo>& PrismetProperties() {
    static const std::vector<PropertyInfo> kProperties = {
        {kDispButtonForm, "ButtonForm", PropType::Short, true, 0, 14},
        {kDispImagePosX, "ImagePosX", PropType::Short, true, kNoMin, kNoMax},
        {kDispImagePosY, "ImagePosY", PropType::Short, true, kNoMin, kNoMax},
        {kDispCaptionPosX, "CaptionPosX", PropType::Short, true, kNoMin, kNoMax},
        {kDispCaptionPosY, "CaptionPosY", PropType::Short, true, kNoMin, kNoMax},
        {kDispButtonShadow, "ButtonShadow", PropType::Short, true, 0, 2},
        {kDispHeight, "Height", PropType::Short, false, 0, 0},
        {kDispWidth, "Width", PropType::Short, false, 0, 0},
        {kDispTopToWrite, "TopToWrite", PropType::Boolean, false, 0, 0},
        {kDispAutoTurn, "AutoTurn", PropType::Boolean, false, 0, 0},
        {kDispStyle, "Style", PropType::Short, true, 0, 1},
        {kDispValue, "Value", PropType::Short, true, 0, 1},
        {kDispDownBackColor, "DownBackColor", PropType::Colour, false, 0, 0},
        {kDispDownForeColor, "DownForeColor", PropType::Colour, false, 0, 0},
        {kDispArrange, "Arrange", PropType::Short, true, 0, 4},
        {kDispImageIndex, "ImageIndex", PropType::Short, true, -1, kNoMax},
        {kDispDownImageIndex, "DownImageIndex", PropType::Short, true, -1, kNoMax},
        {kDispFocusRect, "FocusRect", PropType::Boolean, false, 0, 0},
        {kDispDisabledImageIndex, "DisabledImageIndex", PropType::Short, true, kNoMin, kNoMax},
        {kDispDisabledBackColor, "DisabledBackColor", PropType::Colour, false, 0, 0},
        {kDispDisabledForeColor, "DisabledForeColor", PropType::Colour, false, 0, 0},
        {kDispTransparent, "Transparent", PropType::Boolean, false, 0, 0},
        {kDispMouseOverBackColor, "MouseOverBackColor", PropType::Colour, false, 0, 0},
        {kDispMouseOverForeColor, "MouseOverForeColor", PropType::Colour, false, 0, 0},
        {kDispMouseOverImageIndex, "MouseOverImageIndex", PropType::Short, true, kNoMin, kNoMax},
        {kDispMouseOverPriority, "MouseOverPriority", PropType::Boolean, false, 0, 0},
        {kDispEnabled, "Enabled", PropType::Boolean, false, 0, 0},
        {kDispFont, "Font", PropType::Font, false, 0, 0},
        {kDispBackColor, "BackColor", PropType::Colour, false, 0, 0},
        {kDispForeColor, "ForeColor", PropType::Colour, false, 0, 0},
        {kDispCaption, "Caption", PropType::String, false, 0, 0},
    };
    return kProperties;
}

const PropertyInfo* FindProperty(DISPID id) {
    for (const PropertyInfo& p : PrismetProperties())
        if (p.id == id) return &p;
    return nullptr;
}

DISPID DispIdOfName(const QString& name) {
    for (const PropertyInfo& p : PrismetProperties())
        if (name.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0) return p.id;
    if (name.compare(QLatin1String("SetImageList"), Qt::CaseInsensitive) == 0) return kDispSetImageList;
    if (name.compare(QLatin1String("AboutBox"), Qt::CaseInsensitive) == 0) return kDispAboutBox;
    return -1;
}

QString RangeMessage(int min, int max) {
    const QString tail = QStringLiteral(" の数字を設定してください");
    const bool hasMin = min != kNoMin;
    const bool hasMax = max != kNoMax;
    if (hasMin && hasMax) return QString::number(min) + QStringLiteral(" ～ ") + QString::number(max) + tail;
    if (hasMin) return QString::number(min) + QStringLiteral(" 以上 ") + tail;
    if (hasMax) return QString::number(max) + QStringLiteral(" 以下 ") + tail;
    return tail;
}

QFont PrismetProps::DefaultFont() {
    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(9);
    return font;
}

Variant PrismetProps::Get(DISPID id) const {
    switch (id) {
        case kDispButtonForm:
            return int(buttonForm);
        case kDispImagePosX:
            return int(imagePosX);
        case kDispImagePosY:
            return int(imagePosY);
        case kDispCaptionPosX:
            return int(captionPosX);
        case kDispCaptionPosY:
            return int(captionPosY);
        case kDispButtonShadow:
            return int(buttonShadow);
        case kDispHeight:
            return int(height);
        case kDispWidth:
            return int(width);
        case kDispTopToWrite:
            return topToWrite;
        case kDispAutoTurn:
            return autoTurn;
        case kDispStyle:
            return int(style);
        case kDispValue:
            return int(value);
        case kDispDownBackColor:
            return downBackColor;
        case kDispDownForeColor:
            return downForeColor;
        case kDispArrange:
            return int(arrange);
        case kDispImageIndex:
            return int(imageIndex);
        case kDispDownImageIndex:
            return int(downImageIndex);
        case kDispFocusRect:
            return focusRect;
        case kDispDisabledImageIndex:
            return int(disabledImageIndex);
        case kDispDisabledBackColor:
            return disabledBackColor;
        case kDispDisabledForeColor:
            return disabledForeColor;
        case kDispTransparent:
            return transparent;
        case kDispMouseOverBackColor:
            return mouseOverBackColor;
        case kDispMouseOverForeColor:
            return mouseOverForeColor;
        case kDispMouseOverImageIndex:
            return int(mouseOverImageIndex);
        case kDispMouseOverPriority:
            return mouseOverPriority;
        case kDispEnabled:
            return enabled;
        case kDispFont:
            return font;
        case kDispBackColor:
            return backColor;
        case kDispForeColor:
            return foreColor;
        case kDispCaption:
            return caption;
        default:
            return {};
    }
}

void PrismetProps::Set(DISPID id, const Variant& v) {
    const short s = static_cast<short>(v.toInt());
    const bool b = v.toBool();
    const OleColor c = v.toUInt();
    switch (id) {
        case kDispButtonForm:
            buttonForm = s;
            break;
        case kDispImagePosX:
            imagePosX = s;
            break;
        case kDispImagePosY:
            imagePosY = s;
            break;
        case kDispCaptionPosX:
            captionPosX = s;
            break;
        case kDispCaptionPosY:
            captionPosY = s;
            break;
        case kDispButtonShadow:
            buttonShadow = s;
            break;
        case kDispHeight:
            height = s;
            break;
        case kDispWidth:
            width = s;
            break;
        case kDispTopToWrite:
            topToWrite = b;
            break;
        case kDispAutoTurn:
            autoTurn = b;
            break;
        case kDispStyle:
            style = s;
            break;
        case kDispValue:
            value = s;
            break;
        case kDispDownBackColor:
            downBackColor = c;
            break;
        case kDispDownForeColor:
            downForeColor = c;
            break;
        case kDispArrange:
            arrange = s;
            break;
        case kDispImageIndex:
            imageIndex = s;
            break;
        case kDispDownImageIndex:
            downImageIndex = s;
            break;
        case kDispFocusRect:
            focusRect = b;
            break;
        case kDispDisabledImageIndex:
            disabledImageIndex = s;
            break;
        case kDispDisabledBackColor:
            disabledBackColor = c;
            break;
        case kDispDisabledForeColor:
            disabledForeColor = c;
            break;
        case kDispTransparent:
            transparent = b;
            break;
        case kDispMouseOverBackColor:
            mouseOverBackColor = c;
            break;
        case kDispMouseOverForeColor:
            mouseOverForeColor = c;
            break;
        case kDispMouseOverImageIndex:
            mouseOverImageIndex = s;
            break;
        case kDispMouseOverPriority:
            mouseOverPriority = b;
            break;
        case kDispEnabled:
            enabled = b;
            break;
        case kDispFont:
            font = v.value<QFont>();
            break;
        case kDispBackColor:
            backColor = c;
            break;
        case kDispForeColor:
            foreColor = c;
            break;
        case kDispCaption:
            caption = v.toString();
            break;
        default:
            break;
    }
}

HRESULT Coerce(PropType type, const Variant& v, Variant* out) {
    HRESULT hr = S_OK;
    switch (type) {
        case PropType::Short: {
            int16_t s = 0;
            hr = com::ToShort(v, &s);
            *out = int(s);
            break;
        }
        case PropType::Boolean: {
            bool b = false;
            hr = com::ToBool(v, &b);
            *out = b;
            break;
        }
        case PropType::Colour: {
            OleColor c = 0;
            hr = com::ToColor(v, &c);
            *out = c;
            break;
        }
        case PropType::String: {
            QString s;
            hr = com::ToText(v, &s);
            *out = s;
            break;
        }
        case PropType::Font: {
            if (v.typeId() != QMetaType::QFont) return com::DISP_E_TYPEMISMATCH;
            *out = v;
            break;
        }
    }
    return hr;
}

}  // namespace mox::prismet
