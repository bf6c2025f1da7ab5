#include "tools/tool_controls.h"

#include "platform/gui/screen.h"

#include <QLabel>

namespace mox {

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(platform::TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return label;
}

QLabel* AddPathBox(QWidget* parent, const QString& name, const QRect& twips) {
    QLabel* label = AddLabel(parent, name, QString(), twips);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setStyleSheet(QStringLiteral("background: white;"));
    return label;
}

}  // namespace mox
