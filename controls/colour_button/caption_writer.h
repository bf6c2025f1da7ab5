#pragma once
// The caption of the colour button: line breaks, wrapping at the face,
// horizontal or vertical writing. Characters are whole grapheme clusters,
// so a wrap never falls inside a surrogate pair or before a combining mark.

#include <QColor>
#include <QFont>
#include <QRect>
#include <QStringList>
#include <vector>

class QPainter;
class QFontMetrics;

namespace mox::prismet {

// CR LF, a lone CR and a lone LF each end a line.
QStringList SplitCaptionLines(const QString& text);
// The characters of a line (grapheme clusters).
QStringList CaptionCharacters(const QString& line);
// A character of the Japanese single-byte code page (ASCII, half-width kana).
bool IsSingleByteCharacter(const QString& character);

class CaptionWriter {
public:
    void SetText(const QString& text) { text_ = text; }
    void SetVertical(bool vertical) { vertical_ = vertical; }
    void SetAutoTurn(bool autoTurn) { autoTurn_ = autoTurn; }
    void SetPositionCodes(int x, int y) {
        codeX_ = x;
        codeY_ = y;
    }
    void SetArea(const QRect& area) { area_ = area; }
    void SetColour(const QColor& colour) { colour_ = colour; }
    // The stock font names a vertical face ('@' before the family name).
    void SetVerticalFace(bool verticalFace) { verticalFace_ = verticalFace; }

    // Cuts the text into lines (columns) for the area and measures the block.
    QSize Measure(const QFont& font, const QFontMetrics& metrics);
    const std::vector<QStringList>& Lines() const { return lines_; }
    // The block within the area after Measure.
    QRect Block() const;

    // Draws the measured text clipped to `clip`.
    void Draw(QPainter& painter, const QRect& clip) const;

private:
    QString text_;
    bool vertical_ = false;
    bool autoTurn_ = true;
    int codeX_ = -2;
    int codeY_ = -2;
    QRect area_;
    QColor colour_;
    bool verticalFace_ = false;

    QFont font_;
    std::vector<QStringList> lines_;
    QSize block_;
    int lineHeight_ = 0;
    int columnWidth_ = 0;
};

}  // namespace mox::prismet
