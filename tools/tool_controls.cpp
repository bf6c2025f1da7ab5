#include "tools/tool_controls.h"

#include "platform/gui/screen.h"

#include <QLabel>

namespace mox {

QRect TwipsRect(int x, int y, int width, int height) {
    return QRect(platform::TwipsToPixelsX(x), platform::TwipsToPixelsY(y), platform::TwipsToPixelsX(width),
                 platform::TwipsToPixelsY(height));
}

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return label;
}

}  // namespace mox
