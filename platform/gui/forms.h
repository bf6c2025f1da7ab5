#pragma once
// Placing windows and choosing list entries as the program's forms do.

#include <QString>
#include <cstdint>

class QComboBox;
class QListWidget;
class QWidget;

namespace mox::platform {

// Centres the window on its screen and gives it the back colour (a VB colour
// number). A window larger than the screen gets a negative position.
void CenterForm(QWidget* form, uint32_t backColor);
// Centres horizontally with the top at the screen's top edge.
void CenterFormTop(QWidget* form, uint32_t backColor);
// Gives a window or control a VB back colour.
void SetBackColor(QWidget* widget, uint32_t backColor);
// Gives a control a VB text colour.
void SetForeColor(QWidget* widget, uint32_t foreColor);

// Selects the first entry whose item data (Qt::UserRole) equals value; when
// none does, entry 0 with firstWhenNone, else the selection stays.
void SetListIndexByItemData(QComboBox* list, int32_t value, bool firstWhenNone = true);
void SetListIndexByItemData(QListWidget* list, int32_t value, bool firstWhenNone = true);

}  // namespace mox::platform
