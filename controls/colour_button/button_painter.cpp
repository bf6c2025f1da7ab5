#include "controls/colour_button/button_painter.h"

#include "controls/colour_button/image_list.h"
#include "controls/colour_button/position_codes.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace mox::prismet {

namespace {

int DotsPerMeter(int dpi) { return qRound(dpi / 0.0254); }

void FillRegion(QPainter& painter, const QRegion& region, const QColor& colour) {
    for (const QRect& r : region) painter.fillRect(r, colour);
}

QRegion Band(const QRegion& shape, int dx, int dy) { return shape.subtracted(shape.translated(dx, dy)); }

void DrawBorder(QPainter& p, const QRegion& shape, int shadow, bool pressed, bool focus) {
    const int f = focus ? 1 : 0;
    const QColor light = TranslateOleColor(SystemOleColor(kColor3dLight));
    const QColor highlight = TranslateOleColor(SystemOleColor(kColorBtnHighlight));
    const QColor shade = TranslateOleColor(SystemOleColor(kColorBtnShadow));
    const QColor darkShade = TranslateOleColor(SystemOleColor(kColor3dDkShadow));
    const QColor outerTopLeft = pressed ? shade : light;
    const QColor innerTopLeft = pressed ? darkShade : highlight;
    const QColor outerBottomRight = pressed ? light : shade;
    const QColor innerBottomRight = pressed ? highlight : darkShade;
    if (shadow == 0) {
        FillRegion(p, Band(shape, 2 + f, 2 + f), outerTopLeft);
        FillRegion(p, Band(shape, -(2 + f), -(2 + f)), outerBottomRight);
        FillRegion(p, Band(shape, 1 + f, 1 + f), innerTopLeft);
        FillRegion(p, Band(shape, -(1 + f), -(1 + f)), innerBottomRight);
    } else if (shadow == 1) {
        FillRegion(p, Band(shape, 1 + f, 1 + f), outerTopLeft);
        FillRegion(p, Band(shape, -(1 + f), -(1 + f)), outerBottomRight);
    }
    if (focus) {
        const QColor text = TranslateOleColor(SystemOleColor(kColorWindowText));
        FillRegion(p, Band(shape, 0, 1) + Band(shape, 0, -1) + Band(shape, 1, 0) + Band(shape, -1, 0), text);
    }
}

// Image and caption centred together along one axis of the face, 5 pixels
// apart, the image first or last.
void CentreSideBySide(int faceExtent, int imageExtent, int captionExtent, bool imageFirst, int& imagePos,
                      int& captionPos) {
    const int start = faceExtent / 2 - (imageExtent + 5 + captionExtent) / 2;
    imagePos = NotACode(imageFirst ? start : start + captionExtent + 5);
    captionPos = NotACode(imageFirst ? start + imageExtent + 5 : start);
}

}  // namespace

QFont CaptionFont(const QFont& stockFont) {
    QFont font = stockFont;
    if (font.family().startsWith(QLatin1Char('@'))) font.setFamily(font.family().mid(1));
    return font;
}

QImage PaintButton(const PaintRequest& rq, PaintLayout* layout) {
    const PrismetProps& props = *rq.props;
    const int w = std::max(rq.size.width(), 1);
    const int h = std::max(rq.size.height(), 1);
    QImage bitmap(w, h, QImage::Format_RGB32);
    bitmap.setDotsPerMeterX(DotsPerMeter(rq.dpiX));
    bitmap.setDotsPerMeterY(DotsPerMeter(rq.dpiY));
    bitmap.fill(Qt::white);

    QPainter p(&bitmap);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QFont font = CaptionFont(props.font);
    p.setFont(font);
    const QFontMetrics fm(font, &bitmap);

    // Face area: inside the border (and the focus outline), following the
    // face when it is pressed in.
    static constexpr int kBorderWidth[] = {2, 1, 0};
    const int inset = kBorderWidth[std::clamp<int>(props.buttonShadow, 0, 2)] + (props.focusRect ? 1 : 0);
    QRect face = QRect(0, 0, w, h).adjusted(inset, inset, -inset, -inset);
    if (rq.pressed) face.translate(1, 1);

    FillRegion(p, rq.region, TranslateOleColor(rq.look.back));
    p.setClipRegion(rq.region);

    // Layout by Arrange.
    const ImageList* images = rq.images;
    const QSize imageSize = images ? images->ImageSize() : QSize(0, 0);
    const int iw = imageSize.width();
    const int ih = imageSize.height();
    int imageX = props.imagePosX;
    int imageY = props.imagePosY;
    int captionX = props.captionPosX;
    int captionY = props.captionPosY;
    QRect captionArea = face;

    CaptionWriter caption;
    caption.SetText(props.caption);
    caption.SetVertical(props.topToWrite);
    caption.SetAutoTurn(props.autoTurn);
    caption.SetVerticalFace(props.font.family().startsWith(QLatin1Char('@')));
    caption.SetColour(TranslateOleColor(rq.look.fore));

    switch (props.arrange) {
        case 3:
        case 4: {
            captionArea.setWidth(face.width() - (iw + 10));
            caption.SetArea(captionArea);
            const int tw = caption.Measure(font, fm).width();
            CentreSideBySide(face.width(), iw, tw, props.arrange == 3, imageX, captionX);
            imageY = captionY = kAlignCentre;
            break;
        }
        case 1:
        case 2: {
            captionArea.setHeight(face.height() - (ih + 10));
            caption.SetArea(captionArea);
            const int th = caption.Measure(font, fm).height();
            CentreSideBySide(face.height(), ih, th, props.arrange == 1, imageY, captionY);
            imageX = captionX = kAlignCentre;
            break;
        }
        default:
            if (!IsAlignCode(captionX)) {
                captionArea.setLeft(captionArea.left() + captionX);
                captionX = 0;
            }
            if (!IsAlignCode(captionY)) {
                captionArea.setTop(captionArea.top() + captionY);
                captionY = 0;
            }
            break;
    }
    caption.SetArea(captionArea);
    caption.SetPositionCodes(captionX, captionY);
    caption.Measure(font, fm);

    // Image, cut to the face area from its own top-left.
    QRect drawnImage;
    const int index = rq.look.imageIndex;
    if (images && index >= 0 && index < images->Count()) {
        const QRect target(PlaceAlong(imageX, face.left(), face.width(), iw),
                           PlaceAlong(imageY, face.top(), face.height(), ih), iw, ih);
        drawnImage = target.intersected(face);
        if (!drawnImage.isEmpty()) {
            const QRect source(drawnImage.topLeft() - target.topLeft(), drawnImage.size());
            const QImage& image = images->Image(index);
            // Without its mask an image shows its own pixels, masked ones included.
            p.drawImage(drawnImage.topLeft(), props.transparent ? image : image.convertToFormat(QImage::Format_RGB32),
                        source);
        }
    }

    caption.Draw(p, face);

    p.setClipping(false);
    DrawBorder(p, rq.region, props.buttonShadow, rq.pressed, rq.focusOutline);
    p.end();

    if (layout) {
        layout->face = face;
        layout->captionArea = captionArea;
        layout->captionBlock = caption.Block();
        layout->image = drawnImage;
        layout->captionLines = static_cast<int>(caption.Lines().size());
    }
    return bitmap;
}

}  // namespace mox::prismet
