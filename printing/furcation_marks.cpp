#include "printing/furcation_marks.h"

#include "controls/tooth_button/furcation_numeral.h"
#include "core/tooth_tables.h"
#include "printing/primitives.h"

#include <QPointF>
#include <QVector>

namespace mox {

using platform::DrawTarget;
using platform::LineBox;

namespace {

struct RowForm {
    QString fontName;
    QString (*label)(uint8_t value);  // the text of a site with a finding
    bool shade;                       // single regions without a finding shaded
    double cap;                       // largest grade size, points
    int midline;                      // pixels
};

bool Empty(uint8_t value) { return (value & 0x80) != 0; }

QString GradeText(uint8_t value) { return molarix::FurcationNumeral(value); }

// The blank form carries the first visit's findings as plain numbers.
QString NumberText(uint8_t value) { return QString::number(value); }

void FilledBox(DrawTarget& target, double x1, double y1, double x2, double y2) {
    target.Line(x1, y1, x2, y2, kNoValueGrey, LineBox::FilledBox);
}

class FurcationRow {
public:
    FurcationRow(DrawTarget& target, const RowForm& form) : target_(target), form_(form) {}

    void Draw(float x, float y, float w, float h, const std::array<uint8_t, kSiteCount>& values, int16_t upper) {
        const int savedFillStyle = target_.FillStyle();
        target_.SetFillStyle(platform::kFillTransparent);
        target_.SetForeColor(0);
        target_.SetFontName(form_.fontName);
        const int first = upper == -1 ? 0 : 16;
        for (int column = 0; column < 16; ++column) {
            const int p = first + column;
            std::array<uint8_t, 6> v;
            for (int s = 0; s < 6; ++s) v[s] = values[p * 6 + SiteOrder[p / 8][s]];
            Cell(x + column * w, y, w, h, v, FurcationKindOf(p));
        }
        target_.SetDrawWidth(1);
        target_.Line(x, y, x + 16 * w, y + h, 0, LineBox::Box);
        target_.SetDrawWidth(form_.midline);
        target_.Line(x + 8 * w, y, x + 8 * w, y + h, 0);
        target_.SetDrawWidth(1);
        target_.SetFillStyle(savedFillStyle);
        target_.SetForeColor(0);
        target_.SetFontBold(false);
    }

private:
    void Cell(float cx, float y, float w, float h, const std::array<uint8_t, 6>& v, int16_t kind) {
        std::array<QString, 6> g;
        bool anyValue = false;
        for (int s = 0; s < 6; ++s) {
            g[s] = !Empty(v[s]) ? form_.label(v[s]) : QStringLiteral(" ");
            anyValue = anyValue || !Empty(v[s]);
        }
        const bool shade = form_.shade;
        if (!anyValue) {
            target_.SetForeColor(kNoValueGrey);
            FilledBox(target_, cx, y, cx + w, y + h);
            target_.SetForeColor(0);
            DividingLines(cx, y, w, h, kind);
        } else if (kind == kUpperMolarFurcation) {
            if (shade) UpperMolarShading(cx, y, w, h, v);
            for (int s = 0; s < 3; ++s) {
                const float bx = cx + s * w / 3 + TowardsTheMiddle(s, w);
                Grade(g[s], w / 3, h / 2, bx, y, w / 3, h / 2, RegionWidth(s, w));
                Grade(g[s + 3], w / 3, h / 2, bx, y + h / 2, w / 3, h / 2, RegionWidth(s, w));
            }
            DividingLines(cx, y, w, h, kind);
        } else if (kind == kLowerMolarFurcation) {
            if (shade && Empty(v[1])) FilledBox(target_, cx, y, cx + w, y + h / 2);
            Grade(g[1], w, h / 2, cx, y, w, h / 2, w);
            if (shade && Empty(v[4])) FilledBox(target_, cx, y + h / 2, cx + w, y + h);
            Grade(g[4], w, h / 2, cx, y + h / 2, w, h / 2, w);
            DividingLines(cx, y, w, h, kind);
        } else if (kind == kUpperPremolarFurcation) {
            if (shade && Empty(v[0])) FilledBox(target_, cx, y, cx + w / 2, y + h);
            if (shade && Empty(v[2])) FilledBox(target_, cx + w / 2, y, cx + w, y + h);
            for (int s = 0; s < 3; ++s)
                Grade(g[s], w / 2, h, cx + s * w / 3 + TowardsTheMiddle(s, w), y, w / 3, h, RegionWidth(s, w));
            DividingLines(cx, y, w, h, kind);
        } else {
            Grade(g[4], w, h, cx, y, w, h, w);
        }
        target_.SetDrawWidth(1);
        target_.Line(cx, y, cx + w, y + h, 0, LineBox::Box);
    }

    // The outer grades of a cell move a twelfth of it towards its middle.
    static float TowardsTheMiddle(int s, float w) { return s == 0 ? w / 12 : s == 2 ? -w / 12 : 0; }
    // So each stands in the middle of the part of the cell the dividing
    // lines leave it: an outer grade in its half, the middle one in the whole.
    static float RegionWidth(int s, float w) { return s == 1 ? w : w / 2; }

    // The regions of an upper molar without a finding: left of the lines,
    // above the junction, right of the lines.
    void UpperMolarShading(float cx, float y, float w, float h, const std::array<uint8_t, 6>& v) {
        const double x0 = ScaleXToPixels(target_, cx), xm = ScaleXToPixels(target_, cx + w / 2),
                     x1 = ScaleXToPixels(target_, cx + w);
        const double y0 = ScaleYToPixels(target_, y), yj = ScaleYToPixels(target_, y + h / 2 + h / 10),
                     y1 = ScaleYToPixels(target_, y + h);
        target_.SetFillStyle(platform::kFillSolid);
        target_.SetFillColor(kNoValueGrey);
        target_.SetForeColor(kNoValueGrey);
        if (Empty(v[3])) target_.Polygon({{x0, y0}, {xm, yj}, {xm, y1}, {x0, y1}});
        if (Empty(v[1])) target_.Polygon({{x0, y0}, {xm, yj}, {x1, y0}});
        if (Empty(v[5])) target_.Polygon({{x1, y0}, {xm, yj}, {xm, y1}, {x1, y1}});
        target_.SetFillStyle(platform::kFillTransparent);
    }

    void DividingLines(float cx, float y, float w, float h, int16_t kind) {
        const QPointF junction(cx + w / 2, y + h / 2 + h / 10);
        switch (kind) {
            case kUpperMolarFurcation:
                target_.Line(cx, y, junction.x(), junction.y(), 0);
                target_.Line(junction.x(), junction.y(), cx + w, y, 0);
                target_.Line(junction.x(), junction.y(), cx + w / 2, y + h, 0);
                break;
            case kLowerMolarFurcation:
                target_.Line(cx, y + h / 2, cx + w, y + h / 2, 0);
                break;
            case kUpperPremolarFurcation:
                target_.Line(cx + w / 2, y, cx + w / 2, y + h, 0);
                break;
            default:
                break;
        }
    }

    // A grade measured in one box and printed centred in another, at most
    // the cap; within the cap fitted to the print box's width. Smaller
    // still where it would come near the lines of the part of the cell,
    // `regionWidth` wide about the same middle, that it stands in.
    void Grade(const QString& text, float measureWidth, float measureHeight, float bx, float by, float bw, float bh,
               float regionWidth) {
        const double fitted =
            FitFontSize(target_, WholeMillimetres(measureWidth), WholeMillimetres(measureHeight), text, form_.cap);
        const double size = fitted <= form_.cap ? FitFontSizeCapped(target_, bw, text, form_.cap) : form_.cap;
        PrintTextInCell(target_, bx + (bw - regionWidth) / 2, by, regionWidth, bh, text, size, kAlignCentre);
    }

    DrawTarget& target_;
    const RowForm form_;
};

}  // namespace

void PrintFurcationMarks(DrawTarget& target, float x, float y, float w, float h,
                         const std::array<uint8_t, kSiteCount>& values, int16_t upper) {
    const RowForm form{QStringLiteral("ＭＳ 明朝"), GradeText, true, 8,
                       target.Kind() == platform::TargetKind::Printer ? 5 : 2};
    FurcationRow(target, form).Draw(x, y, w, h, values, upper);
}

void PrintFurcationMarksBlank(DrawTarget& target, float x, float y, float w, float h,
                              const std::array<uint8_t, kSiteCount>& values, int16_t upper) {
    const RowForm form{QStringLiteral("ＭＳ ゴシック"), NumberText, false, 9, 4};
    FurcationRow(target, form).Draw(x, y, w, h, values, upper);
}

}  // namespace mox
