#pragma once
// What the two tools windows build their controls with: labels in the
// form's font, placed in twips (platform::TwipsRect). (Their colour buttons
// take their looks from tools_buttons.ini, sections "<window>.<button>".)

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace mox {

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips);

// A label that shows a path or a chosen file: a sunken white box.
QLabel* AddPathBox(QWidget* parent, const QString& name, const QRect& twips);

}  // namespace mox
