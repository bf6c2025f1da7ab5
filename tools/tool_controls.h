#pragma once
// What the two tools windows build their controls with: form geometry in
// twips and labels in the form's font. (Their colour buttons take their
// looks from tools_buttons.ini, sections "<window>.<button>".)

#include <QRect>
#include <QString>

class QLabel;
class QWidget;

namespace mox {

QRect TwipsRect(int x, int y, int width, int height);

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips);

}  // namespace mox
