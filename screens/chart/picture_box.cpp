#include "screens/chart/picture_box.h"

#include <QPainter>

namespace mox {

PictureBox::PictureBox(const QSize& size, bool border, QWidget* parent) : QWidget(parent), border_(border) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    Resize(size);
}

PictureBox::~PictureBox() = default;

QSize PictureBox::ClientSize(const QSize& size) const {
    const int edge = border_ ? 2 : 0;
    return {std::max(1, size.width() - edge), std::max(1, size.height() - edge)};
}

void PictureBox::Resize(const QSize& size, double dpi) {
    resize(size);
    target_ = std::make_unique<platform::ImageTarget>(ClientSize(size), dpi > 0 ? dpi : logicalDpiX());
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int edge = border_ ? 1 : 0;
    painter.drawImage(edge, edge, target_->Image());
    if (border_) {
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace mox
