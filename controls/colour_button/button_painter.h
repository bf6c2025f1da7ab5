#pragma once
// Turns the colour button's properties and state into its picture: the face
// filled in the state's colour within the shape, the image and the caption
// laid out by Arrange, the 3-D border bands and the focus outline. The whole
// picture is made off screen and copied to the window in one go.

#include "controls/colour_button/caption_writer.h"
#include "controls/colour_button/prismet_model.h"

#include <QImage>
#include <QRegion>

namespace mox::prismet {

class ImageList;

struct PaintRequest {
    const PrismetProps* props = nullptr;
    StateLook look{};
    bool pressed = false;
    bool focusOutline = false;  // user mode, focused and FocusRect
    QSize size;
    QRegion region;  // the shape's region
    const ImageList* images = nullptr;
    int dpiX = 96;
    int dpiY = 96;
};

// Where the last paint put things (client pixels); for hosts and tests.
struct PaintLayout {
    QRect face;
    QRect captionArea;
    QRect captionBlock;
    QRect image;  // empty when no image was drawn
    int captionLines = 0;
};

QImage PaintButton(const PaintRequest& request, PaintLayout* layout = nullptr);

// The font the caption is drawn in: the stock font, a vertical face's '@'
// dropped from its family name.
QFont CaptionFont(const QFont& stockFont);

}  // namespace mox::prismet
