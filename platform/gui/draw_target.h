#pragma once
// The drawing target: what the printer object and a picture box offered the
// drawing routines, in their terms. Every sheet element is drawn once against
// this interface; the printer (PrinterTarget), the preview picture
// (ImageTarget) and the test log (RecordingTarget) are its targets.
//
// Coordinates are in the target's scale: millimetres (ScaleMode 6), pixels
// (3), twips (1), points (2), inches (5), centimetres (7), or a user scale set
// with SetScale (0). Line widths (DrawWidth) are device pixels. Font sizes are
// points and come out at their true size on every target whatever the scale;
// a size reads back quantised to whole device pixels of the em height, as the
// original targets quantised theirs. The origin of the printer is the corner
// of its printable area.

#include <QImage>
#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVector>
#include <cstdint>
#include <optional>

class QFont;
class QPaintDevice;

namespace mox::platform {

enum class TargetKind { Printer, Picture };

// ScaleMode codes.
enum ScaleUnit : int {
    kScaleUser = 0,
    kScaleTwips = 1,
    kScalePoints = 2,
    kScalePixels = 3,
    kScaleInches = 5,
    kScaleMillimeters = 6,
    kScaleCentimeters = 7
};

// The B and BF options of Line.
enum class LineBox { None, Box, FilledBox };

// DrawStyle, FillStyle and DrawMode values in use.
enum DrawStyleCode : int {
    kSolid = 0,
    kDash = 1,
    kDot = 2,
    kDashDot = 3,
    kDashDotDot = 4,
    kInvisible = 5,
    kInsideSolid = 6
};
enum FillStyleCode : int { kFillSolid = 0, kFillTransparent = 1 };  // 2..7 hatches
inline constexpr int kDrawModeCopyPen = 13;

class DrawTarget {
public:
    virtual ~DrawTarget();
    DrawTarget(const DrawTarget&) = delete;
    DrawTarget& operator=(const DrawTarget&) = delete;

    // Where the twins differ, a routine asks which one it draws on.
    virtual TargetKind Kind() const = 0;
    double DpiX() const { return dpiX_; }
    double DpiY() const { return dpiY_; }
    double PixelsPerMmX() const { return dpiX_ / 25.4; }
    double PixelsPerMmY() const { return dpiY_ / 25.4; }
    // Size of the drawing surface in device pixels.
    QSizeF DeviceSize() const { return deviceSize_; }

    // Scale
    int ScaleMode() const { return scaleMode_; }
    void SetScaleMode(int mode);
    // A user scale: the surface spans width x height units from (left, top);
    // a negative extent turns that axis round.
    void SetScale(double left, double top, double width, double height);
    double ScaleLeft() const { return scaleLeft_; }
    double ScaleTop() const { return scaleTop_; }
    double ScaleWidth() const { return scaleWidth_; }
    double ScaleHeight() const { return scaleHeight_; }
    // Converts a horizontal (vertical) length between ScaleMode units.
    double ScaleX(double value, int fromUnit, int toUnit) const;
    double ScaleY(double value, int fromUnit, int toUnit) const;
    // A position in the scale as device pixels, and back.
    QPointF ToDevice(double x, double y) const;
    QPointF FromDevice(const QPointF& device) const;

    // Drawing state
    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    void SetCurrentX(double x) { currentX_ = x; }
    void SetCurrentY(double y) { currentY_ = y; }
    uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(uint32_t vbColor) { foreColor_ = vbColor & 0xFFFFFF; }
    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t vbColor) { backColor_ = vbColor & 0xFFFFFF; }
    int DrawWidth() const { return drawWidth_; }
    void SetDrawWidth(int pixels);
    int DrawMode() const { return drawMode_; }
    void SetDrawMode(int mode) { drawMode_ = mode; }
    int DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(int style);
    uint32_t FillColor() const { return fillColor_; }
    void SetFillColor(uint32_t vbColor) { fillColor_ = vbColor & 0xFFFFFF; }
    int FillStyle() const { return fillStyle_; }
    void SetFillStyle(int style);
    bool FontTransparent() const { return fontTransparent_; }
    void SetFontTransparent(bool transparent) { fontTransparent_ = transparent; }

    QString FontName() const { return fontName_; }
    void SetFontName(const QString& name) { fontName_ = name; }
    double FontSize() const { return fontSize_; }
    void SetFontSize(double points);
    bool FontBold() const { return fontBold_; }
    void SetFontBold(bool on) { fontBold_ = on; }
    bool FontItalic() const { return fontItalic_; }
    void SetFontItalic(bool on) { fontItalic_ = on; }
    bool FontUnderline() const { return fontUnderline_; }
    void SetFontUnderline(bool on) { fontUnderline_ = on; }
    // The current font, sized for this target's resolution.
    QFont Font() const;

    // Primitives. A colour left out is ForeColor.
    // Line (x1, y1)-(x2, y2): leaves CurrentX/Y at the end point. B draws the
    // box with FillColor/FillStyle inside, BF fills it with the line colour.
    void Line(double x1, double y1, double x2, double y2, std::optional<uint32_t> color = std::nullopt,
              LineBox box = LineBox::None);
    // Many lines in one colour with one pen, each as Line draws it: the dashes
    // of a broken grid line go to the printer as one stroke rather than one
    // graphics state each. Leaves CurrentX/Y at the end of the last line;
    // no lines draw nothing.
    void Lines(const QVector<QLineF>& lines, std::optional<uint32_t> color = std::nullopt);
    // Circle, ellipse (aspect = vertical / horizontal radius), arc or pie
    // (angles in radians, counter-clockwise from 3 o'clock; a negative angle
    // also draws the radius to that end). The radius is measured along the
    // horizontal axis and the shape is round on the device. Filled by
    // FillColor/FillStyle; leaves CurrentX/Y at the centre.
    void Circle(double x, double y, double radius, std::optional<uint32_t> color = std::nullopt,
                std::optional<double> start = std::nullopt, std::optional<double> end = std::nullopt,
                double aspect = 1.0);
    void PSet(double x, double y, std::optional<uint32_t> color = std::nullopt);
    // Text with its top-left at CurrentX/Y. With newLine (Print "x") the next
    // output starts at ScaleLeft one text height lower; without (Print "x";)
    // right behind the text. Line breaks inside the text start new lines.
    void Print(const QString& text, bool newLine = true);
    double TextWidth(const QString& text) const;
    double TextHeight(const QString& text) const;
    // Where the glyphs of the text fall, from the top-left Print puts it at:
    // the font's line height has room above and below them. Empty for blanks.
    QRectF TextInk(const QString& text) const;
    // Stretches the whole image into the rectangle; a negative width or height
    // mirrors along that axis and extends from (x, y) towards smaller values.
    void PaintPicture(const QImage& image, double x, double y, double width, double height);
    // The device-context polygon: points in device pixels, outline ForeColor
    // with DrawWidth/DrawStyle, filled by FillColor/FillStyle.
    void Polygon(const QVector<QPointF>& devicePoints);
    // Clears the surface to BackColor; CurrentX/Y become 0 (also after NewPage
    // and EndDoc).
    void Cls();
    // Printer: ends the page; the next drawing goes to a new page.
    void NewPage();
    // Printer: ends the document and sends it; nothing when nothing was drawn.
    void EndDoc();

protected:
    DrawTarget(QSizeF deviceSize, double dpiX, double dpiY);
    void SetDevice(QSizeF deviceSize, double dpiX, double dpiY);
    // What a QPainter needs for the current state.
    struct Pen {
        uint32_t color;
        int width;
        int style;
    };
    struct Fill {
        uint32_t color;
        int style;
    };
    Pen CurrentPen(uint32_t color) const { return {color, drawWidth_, drawStyle_}; }
    Fill CurrentFill() const { return {fillColor_, fillStyle_}; }
    // The device on which fonts are measured (same resolution as the target).
    virtual const QPaintDevice& MetricsDevice() const;

    // The target's output, in scale units unless said otherwise.
    virtual void DoLine(double x1, double y1, double x2, double y2, uint32_t color, LineBox box) = 0;
    virtual void DoLines(const QVector<QLineF>& lines, uint32_t color) = 0;
    virtual void DoCircle(double x, double y, double radius, uint32_t color, std::optional<double> start,
                          std::optional<double> end, double aspect) = 0;
    virtual void DoPoint(double x, double y, uint32_t color) = 0;
    virtual void DoText(double x, double y, const QString& text) = 0;
    virtual void DoPicture(const QImage& image, double x, double y, double width, double height) = 0;
    virtual void DoPolygon(const QVector<QPointF>& devicePoints) = 0;
    virtual void DoClear() = 0;
    virtual void DoNewPage() = 0;
    virtual void DoEndDoc() = 0;

private:
    void ApplyScaleMode();
    double UnitsPerInch(int unit, bool horizontal) const;

    QSizeF deviceSize_;
    double dpiX_;
    double dpiY_;
    QImage metricsImage_;
    int scaleMode_ = kScalePixels;
    double scaleLeft_ = 0, scaleTop_ = 0, scaleWidth_ = 1, scaleHeight_ = 1;
    double currentX_ = 0, currentY_ = 0;
    uint32_t foreColor_ = 0;
    uint32_t backColor_ = 0xFFFFFF;
    int drawWidth_ = 1;
    int drawMode_ = kDrawModeCopyPen;
    int drawStyle_ = kSolid;
    uint32_t fillColor_ = 0;
    int fillStyle_ = kFillTransparent;
    bool fontTransparent_ = true;
    QString fontName_;
    double fontSize_ = 10;
    bool fontBold_ = false;
    bool fontItalic_ = false;
    bool fontUnderline_ = false;
};

// The drawing defaults of the program's sheets: millimetres, black solid
// one-pixel pen, copy pen, white transparent fill, transparent text,
// "ＭＳ Ｐゴシック" 10 points. Both the printer and the preview start from them.
void ApplyDrawingDefaults(DrawTarget& target);

}  // namespace mox::platform
