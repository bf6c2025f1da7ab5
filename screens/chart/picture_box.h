#pragma once
// A picture box: a widget that shows a drawing surface kept as an image (the
// preview target), with a one-pixel border when asked. What is drawn stays
// until it is cleared or drawn over; Refresh shows it.

#include "platform/gui/painter_target.h"

#include <QWidget>
#include <memory>

namespace mox {

class PictureBox final : public QWidget {
public:
    // A box of `size` pixels including the border.
    PictureBox(const QSize& size, bool border, QWidget* parent = nullptr);
    ~PictureBox() override;

    platform::ImageTarget& Target() { return *target_; }
    const QImage& Image() const { return target_->Image(); }
    // Gives the box a new surface of its new client size, white; dpi 0 is
    // the screen's.
    void Resize(const QSize& size, double dpi = 0);
    void Refresh() { update(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize ClientSize(const QSize& size) const;
    bool border_;
    std::unique_ptr<platform::ImageTarget> target_;
};

}  // namespace mox
