#include "controls/tooth_button/tooth_bitmaps.h"

#include <QPainter>
#include <QPainterPath>

namespace mox::molarix {

namespace {

constexpr int kSize = 32;

QImage Blank(QColor fill) {
    QImage image(kSize, kSize, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

void Border(QPainter& p, QColor colour, int width) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(0, 0, kSize, width);
    p.drawRect(0, kSize - width, kSize, width);
    p.drawRect(0, 0, width, kSize);
    p.drawRect(kSize - width, 0, width, kSize);
}

QImage DrawCheck() {
    QImage image = Blank(Qt::white);
    QPainter p(&image);
    Border(p, QColor(0x80, 0x80, 0x80), 1);
    p.setRenderHint(QPainter::Antialiasing, false);
    QPainterPath tick;
    tick.moveTo(6, 16);
    tick.lineTo(13, 24);
    tick.lineTo(26, 7);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(tick);
    return image;
}

QImage DrawUnexamined() {
    QImage image = Blank(QColor(0xE0, 0xE0, 0xE0));
    QPainter p(&image);
    Border(p, QColor(0x80, 0x80, 0x80), 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x80, 0x80, 0x80));
    p.drawRect(9, 14, 14, 4);
    return image;
}

// Under AND, white becomes light cyan and the border blue; dark text stays readable.
QImage DrawFocus() {
    QImage image = Blank(QColor(0x80, 0xFF, 0xFF));
    QPainter p(&image);
    Border(p, QColor(0x00, 0x00, 0xFF), 2);
    return image;
}

}  // namespace

const ToothBitmaps& Bitmaps() {
    static const ToothBitmaps bitmaps{DrawCheck(), DrawUnexamined(), DrawFocus()};
    return bitmaps;
}

}  // namespace mox::molarix
