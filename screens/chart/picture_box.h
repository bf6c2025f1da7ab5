#pragma once
// A picture box: a widget that shows a drawing surface kept as an image (the
// preview target), with a one-pixel border when asked. What is drawn stays
// until it is cleared or drawn over; Refresh shows it.
//
// A drawing can also be left until the picture is first needed: shown,
// read, or drawn on. The data sheet's preview lies on a tab the window
// opens without, and drawing it loads and measures fonts that the user
// would otherwise wait for at every opening.

#include "platform/gui/painter_target.h"

#include <QWidget>
#include <functional>
#include <memory>

namespace mox {

class PictureBox final : public QWidget {
public:
    // A box of `size` pixels including the border.
    PictureBox(const QSize& size, bool border, QWidget* parent = nullptr);
    ~PictureBox() override;

    platform::ImageTarget& Target() {
        DrawPending();
        return *target_;
    }
    const QImage& Image() {
        DrawPending();
        return target_->Image();
    }
    // Draws on the surface when the picture is next needed; replaces a
    // drawing still waiting.
    void DrawWhenNeeded(std::function<void(platform::ImageTarget&)> draw);
    // Gives the box a new surface of its new client size, white; dpi 0 is
    // the screen's.
    void Resize(const QSize& size, double dpi = 0);
    void Refresh() { update(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize ClientSize(const QSize& size) const;
    void DrawPending();
    bool border_;
    std::unique_ptr<platform::ImageTarget> target_;
    std::function<void(platform::ImageTarget&)> pending_;
};

}  // namespace mox
