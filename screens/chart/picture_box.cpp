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
    pending_ = nullptr;
    resize(size);
    target_ = std::make_unique<platform::ImageTarget>(ClientSize(size), dpi > 0 ? dpi : logicalDpiX());
    update();
}

void PictureBox::DrawWhenNeeded(std::function<void(platform::ImageTarget&)> draw) {
    pending_ = std::move(draw);
    update();
}

void PictureBox::DrawPending() {
    if (!pending_) return;
    // Taken out first: the drawing may itself ask for the surface.
    const auto draw = std::move(pending_);
    pending_ = nullptr;
    draw(*target_);
}

void PictureBox::paintEvent(QPaintEvent*) {
    DrawPending();
    QPainter painter(this);
    const int edge = border_ ? 1 : 0;
    painter.drawImage(edge, edge, target_->Image());
    if (border_) {
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

}  // namespace mox
