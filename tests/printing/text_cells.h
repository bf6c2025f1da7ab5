#pragma once
// Where printed text stands against the ruled cells around it. A sheet is
// drawn on a probe that keeps, besides the recording target's log, each
// text's glyphs (the outlines of the IPA font standing for the sheet's font,
// at the probe's resolution) and each black line at its printed width, all
// in millimetres on the page, whatever scale they were drawn in.

#include "platform/gui/recording_target.h"

#include <QLineF>
#include <QRectF>
#include <QString>
#include <vector>

namespace mox::test {

class TextCellProbe : public platform::RecordingTarget {
public:
    // A printer of the given resolution on an A4 page.
    explicit TextCellProbe(double dpi);

    struct Rule {
        QLineF line;  // its middle, on the page
        double half;  // half its printed width
    };
    struct Glyphs {
        QString text;
        QString font;
        double size;
        QRectF ink;  // on the page
    };
    const std::vector<Rule>& Rules() const { return rules_; }
    const std::vector<Glyphs>& Texts() const { return texts_; }

protected:
    void DoLine(double x1, double y1, double x2, double y2, uint32_t color, platform::LineBox box) override;
    void DoText(double x, double y, const QString& text) override;

private:
    QPointF OnPage(double x, double y) const;
    std::vector<Rule> rules_;
    std::vector<Glyphs> texts_;
};

// A text inside a ruled cell: the nearest black line on each of its four
// sides, and how near its glyphs come to a line of the cell (those four,
// and dividers or diagonals running through it), each at its printed width.
struct TextInCell {
    TextCellProbe::Glyphs text;
    QRectF cell;       // inside the lines' printed width
    double clearance;  // millimetres; negative where the glyphs run into a line
};
// The least printed gap between a text and the lines of its cell: two dots
// of white at 300 dpi. The sheets' layout pins a few texts little further
// off (the chart sheet's summary headings hang 0.2 mm under its frame).
inline constexpr double kTextToLine = 0.2;

// Every text the probe saw inside a ruled cell; a text without a line on
// each side (a title, a note above a line) is in none.
std::vector<TextInCell> TextsInRuledCells(const TextCellProbe& probe);

// One line per text nearer its cell's lines than `margin`, for a failure message.
std::string TooNear(const std::vector<TextInCell>& texts, double margin);

}  // namespace mox::test
