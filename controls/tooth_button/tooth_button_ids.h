#pragma once
// The tooth button's identities as its hosts see them: class, ProgID and the
// fixed dispatch ids of its members and events. Hosts include this header
// only; they reach the control through platform/com/control_host.h.

namespace mox::molarix {

inline constexpr const char* kTypeLibId = "{45331F38-2B95-4925-9C39-8FA08DB34FA3}";
inline constexpr const char* kDispatchIid = "{45331F39-2B95-4925-9C39-8FA08DB34FA3}";  // _DToothButton
inline constexpr const char* kEventsIid = "{45331F3A-2B95-4925-9C39-8FA08DB34FA3}";    // _DToothButtonEvents
inline constexpr const char* kToothButtonClsid = "{45331F3B-2B95-4925-9C39-8FA08DB34FA3}";
inline constexpr const char* kToothButtonProgId = "TOOTHBUTTON.ToothButtonCtrl.1";
inline constexpr const char* kPropPageClsid = "{6B556067-5DCA-11D2-888C-DBE10476B341}";
inline constexpr const char* kPropPageProgId = "TOOTHBUTTON.ToothButtonPropPage.1";
inline constexpr const char* kModuleFileName = "libMolarix.so";

// Dispatch members of _DToothButton.
enum ToothButtonDispId : int {
    kDispExamMode = 1,
    kDispExamIndex = 2,
    kDispEnabled = 3,
    kDispPlaqueData = 4,
    kDispToothIndex = 5,  // put only
    kDispFocusItem = 6,
    kDispRoot = 7,
    kDispSetPlaqueFace = 8,    // method (nFace, lNewValue)
    kDispData = 9,             // (nExam, nIndex)
    kDispUsePosition = 10,     // (nPosition), put only
    kDispValueColor = 11,      // (nIndex), put only
    kDispGradationPart = 12,   // (nIndex), put only
    kDispBrightness = 13,      // (nIndex), put only
    kDispCompData = 14,        // (nIndex)
    kDispCompValueColor = 15,  // (nIndex)
    kDispPlaqueUnTreat = 16,
    kDispSystemType = 17,
    kDispRefresh = -550,  // method
};

// Events of _DToothButtonEvents.
enum ToothButtonEventId : int {
    kEventMouseDown = -605,  // Button, Shift, x, y
    kEventClickData = 1,     // nPosition
    kEventMouseMove = -606,
    kEventMouseUp = -607,
};

}  // namespace mox::molarix
