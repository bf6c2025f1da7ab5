#pragma once
// Real message boxes: MsgBox (platform/message_box.h) shows a QMessageBox with
// the style's icon, Japanese button texts and the style's default button.

#include "platform/message_box.h"

class QWidget;

namespace mox::platform {

// Makes every following MsgBox without a responder show a window.
void InstallWidgetMessageBoxes();
// Shows one box and returns the VB answer code. Escape answers Cancel when the
// box has that button, OK when OK is its only button, and nothing otherwise.
int ShowWidgetMessageBox(const ShownBox& box, QWidget* parent = nullptr);

}  // namespace mox::platform
