#pragma once
// Design settings of colour buttons as data. A form keeps the look of its
// buttons (shape, colours per state, captions, fonts, images) in a JSON or
// INI file rather than in code; the host creates each button and applies its
// settings through the dispatch interface in one call:
//
//     const auto designs = mox::prismet::ParseDesignIni(text);   // or ParseDesignJson
//     for (const auto& e : mox::prismet::ApplyDesign(*button.Control(), designs.at("CmdSave"), formDir))
//         qWarning() << e.property << e.message;
//
// JSON: {"CmdSave": {"ButtonForm": 9, "BackColor": "&H00C0FFC0&", "Caption": "保存",
//                    "Font": {"Name": "ＭＳ Ｐゴシック", "Size": 9, "Bold": true},
//                    "ImageList": ["BMP/save.png"], "ImageIndex": 0}}
// INI:  [CmdSave]
//       ButtonForm=9
//       BackColor=&H00C0FFC0&
//       Caption="  検査\r\nデータ"      ; quotes keep blanks, \r \n \\ \" are escapes
//       Font=ＭＳ Ｐゴシック,9,Bold
//       ImageList=BMP/save.png|BMP/save_down.png
//
// Colours are VB numbers (&HBBGGRR&, system colours &H8000000F&), decimal
// OLE colours, or "#RRGGBB". Keys are property names, in any case.

#include "platform/com/control.h"

#include <QString>
#include <QVariantMap>
#include <map>
#include <vector>

namespace mox::prismet {

using ButtonDesign = QVariantMap;

struct DesignError {
    QString property;
    com::HRESULT code;
    QString message;
};

// Button name -> its settings. A JSON text that is no object of objects
// gives an empty map and the reason in `error`.
std::map<QString, ButtonDesign> ParseDesignJson(const QByteArray& json, QString* error = nullptr);
// Settings before the first [section] belong to the name "".
std::map<QString, ButtonDesign> ParseDesignIni(const QString& text);

// The order settings are applied in: the size and shape first, so the
// region is built once for the final size; the image list before the image
// indexes; Value after Style and before Enabled, because a Value put is
// only taken by an enabled check button.
const std::vector<const char*>& DesignOrder();

// Puts every setting by its DISPID in DesignOrder(); relative image paths are
// taken from `baseDir`. Keeps going after a refusal; returns what failed.
std::vector<DesignError> ApplyDesign(com::IDispatchObject& button, const ButtonDesign& design,
                                     const QString& baseDir = QString());

}  // namespace mox::prismet
