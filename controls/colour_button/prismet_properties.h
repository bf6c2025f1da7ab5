#pragma once
// The colour button's dispatch members, persisted properties and the
// conversions of the dispatch variants into them. GUI-free apart from QFont.

#include "controls/colour_button/ole_colour.h"
#include "platform/com/control.h"

#include <QFont>
#include <QString>
#include <vector>

namespace mox::prismet {

using com::DISPID;
using com::HRESULT;
using com::Variant;

// Identifiers of the type library, classes and interfaces.
inline constexpr const char* kLibId = "{2FFA12C3-B2BD-11D7-B684-0040D0110CE8}";
inline constexpr const char* kDispatchIid = "{2FFA12C4-B2BD-11D7-B684-0040D0110CE8}";
inline constexpr const char* kEventsIid = "{2FFA12C5-B2BD-11D7-B684-0040D0110CE8}";
inline constexpr const char* kClsidPrismet = "{2FFA12C6-B2BD-11D7-B684-0040D0110CE8}";
inline constexpr const char* kClsidPropPage = "{2FFA12C7-B2BD-11D7-B684-0040D0110CE8}";
inline constexpr const char* kClsidPpg2 = "{A6890B71-9C2C-4CA6-AD4E-3CCE96FD0523}";
inline constexpr const char* kClsidStockFontPage = "{0BE35201-8F91-11CE-9DE3-00AA004BB851}";
inline constexpr const char* kClsidStockColorPage = "{0BE35200-8F91-11CE-9DE3-00AA004BB851}";
inline constexpr const char* kProgIdPrismet = "PRISMET.PrismetCtrl.1";
inline constexpr const char* kProgIdPropPage = "PRISMET.PrismetPropPage.1";
inline constexpr const char* kProgIdPpg2 = "Prismet.CPrismetPpg2";
inline constexpr const char* kTypeLibName = "PRISMETLib";
inline constexpr const char* kTypeLibHelp = "Prismet ActiveX ｺﾝﾄﾛｰﾙ ﾓｼﾞｭｰﾙ";
inline constexpr const char* kClassName = "Prismet Control";
inline constexpr const char* kPropPageName = "Prismet Property Page";
inline constexpr const char* kPpg2Name = "Prismet Property Page 2";
inline constexpr int kMiscStatus = 0x20191;

enum PrismetDispId : DISPID {
    kDispButtonForm = 1,
    kDispImagePosX = 2,
    kDispImagePosY = 3,
    kDispCaptionPosX = 4,
    kDispCaptionPosY = 5,
    kDispButtonShadow = 6,
    kDispHeight = 7,
    kDispWidth = 8,
    kDispTopToWrite = 9,
    kDispAutoTurn = 10,
    kDispStyle = 11,
    kDispValue = 12,
    kDispDownBackColor = 13,
    kDispDownForeColor = 14,
    kDispArrange = 15,
    kDispImageIndex = 16,
    kDispDownImageIndex = 17,
    kDispFocusRect = 18,
    kDispDisabledImageIndex = 19,
    kDispDisabledBackColor = 20,
    kDispDisabledForeColor = 21,
    kDispTransparent = 22,
    kDispMouseOverBackColor = 23,
    kDispMouseOverForeColor = 24,
    kDispMouseOverImageIndex = 25,
    kDispMouseOverPriority = 26,
    kDispSetImageList = 27,
    kDispEnabled = -514,
    kDispFont = -512,
    kDispBackColor = -501,
    kDispForeColor = -513,
    kDispCaption = -518,
    kDispAboutBox = -552,
};

enum PrismetEventId : DISPID {
    kEventClick = -600,
    kEventDblClick = -601,
    kEventKeyDown = -602,
    kEventKeyPress = -603,
    kEventKeyUp = -604,
    kEventMouseDown = -605,
    kEventMouseMove = -606,
    kEventMouseUp = -607,
};

// A bound of a range check that is not there.
inline constexpr int kNoMin = -35000;
inline constexpr int kNoMax = 35000;

enum class PropType { Short, Boolean, Colour, String, Font };

struct PropertyInfo {
    DISPID id;
    const char* name;
    PropType type;
    bool rangeChecked;
    int min;
    int max;
};

// Properties in dispatch order (1..26, then the stock ones).
const std::vector<PropertyInfo>& PrismetProperties();
const PropertyInfo* FindProperty(DISPID id);
// Case-insensitive; also finds the two methods (type Short, never put).
DISPID DispIdOfName(const QString& name);

// The refusal text of a range-checked put.
QString RangeMessage(int min, int max);

struct PrismetProps {
    short buttonForm = 5;
    short imagePosX = 0;
    short imagePosY = 0;
    short captionPosX = -2;
    short captionPosY = -2;
    short buttonShadow = 0;
    short height = 50;
    short width = 100;
    bool topToWrite = false;
    bool autoTurn = true;
    bool transparent = true;
    short style = 0;
    short value = 0;
    OleColor downBackColor = 0xF0F0F0;
    OleColor downForeColor = 0;
    short arrange = 0;
    short imageIndex = -1;
    short downImageIndex = -1;
    bool focusRect = true;
    short disabledImageIndex = -1;
    OleColor disabledBackColor = 0xF0F0F0;
    OleColor disabledForeColor = 0;
    OleColor mouseOverBackColor = 0xF0F0F0;
    OleColor mouseOverForeColor = 0;
    short mouseOverImageIndex = -1;
    bool mouseOverPriority = false;
    // stock
    bool enabled = true;
    QFont font = DefaultFont();
    OleColor backColor = 0xF0F0F0;
    OleColor foreColor = 0;
    QString caption;

    static QFont DefaultFont();
    Variant Get(DISPID id) const;
    // Stores an already converted value (a Short as int, Boolean as bool,
    // colour as uint, string, QFont).
    void Set(DISPID id, const Variant& value);
};

// Converts a put value to the property's type, as the dispatch run-time
// coerces arguments; the result is what PrismetProps::Set expects.
HRESULT Coerce(PropType type, const Variant& v, Variant* out);

}  // namespace mox::prismet
