#include "printing/sheet_rows.h"

#include "core/tooth_tables.h"
#include "platform/gui/colour.h"
#include "printing/primitives.h"

#include <QPointF>
#include <QVector>
#include <optional>

namespace mox {

using platform::DrawTarget;
using platform::LineBox;
using platform::TargetKind;

namespace {

constexpr uint32_t kRed = platform::VbRgb(255, 0, 0);
constexpr double kLargestDepthSize = 9;

int ToothOfCell(int cell, bool upperJaw) { return upperJaw ? cell : cell + 16; }

void FilledBox(DrawTarget& target, double x1, double y1, double x2, double y2, uint32_t colour) {
    target.Line(x1, y1, x2, y2, colour, LineBox::FilledBox);
}

void CellFrame(DrawTarget& target, float left, float top, float w, float h) {
    target.SetDrawWidth(1);
    target.Line(left, top, left + w, top, 0);
    target.Line(left, top + h, left + w, top + h, 0);
    target.Line(left, top, left, top + h, 0);
    target.Line(left + w, top, left + w, top + h, 0);
}

// Between the patient's right and left halves.
void Midline(DrawTarget& target, float x, float y, float w, float h) {
    target.SetDrawWidth(target.Kind() == TargetKind::Printer ? 5 : 2);
    target.Line(x + 8 * w, y, x + 8 * w, y + h, 0);
    target.SetDrawWidth(1);
}

void Cross(DrawTarget& target, float left, float top, float w, float h) {
    target.Line(left, top, left + w, top + h, 0);
    target.Line(left + w, top, left, top + h, 0);
}

}  // namespace

void PrintToothValueRow(DrawTarget& target, float x, float y, float w, float h, const std::array<uint8_t, 32>& values,
                        bool upperJaw, bool blank) {
    target.SetScaleMode(platform::kScaleMillimeters);
    target.SetForeColor(0);
    target.SetFontName(QStringLiteral("ＭＳ ゴシック"));
    for (int i = 0; i < 16; ++i) {
        const float left = x + i * w;
        const uint8_t value = values[ToothOfCell(i, upperJaw)];
        if (!blank) {
            if (value < kNoSiteValue)
                PrintTextInBox(target, left, y + h / 6, w, 0, QString::number(value), false, 12, kAlignCentre, 0, 0);
            else
                FilledBox(target, left, y, left + w, y + h, kNoValueGrey);
        }
        CellFrame(target, left, y, w, h);
    }
    Midline(target, x, y, w, h);
}

void PrintPocketDepthRow(DrawTarget& target, float x, float y, float w, float h,
                         const std::array<uint8_t, kSiteCount>& depths, const std::array<uint8_t, kSiteCount>& bleeding,
                         const std::array<uint8_t, kSiteCount>& suppuration, bool upperJaw, bool blank,
                         std::optional<uint32_t> tint) {
    target.SetScaleMode(platform::kScaleMillimeters);
    target.SetForeColor(0);
    target.SetFontName(QStringLiteral("ＭＳ ゴシック"));
    target.SetFontTransparent(true);
    const bool printer = target.Kind() == TargetKind::Printer;
    const int32_t measureWidth = WholeMillimetres(w / 3);
    const int32_t measureHeight = WholeMillimetres(h / 2);
    for (int i = 0; i < 16; ++i) {
        const float left = x + i * w;
        const int t = ToothOfCell(i, upperJaw);
        if (blank) {
            CellFrame(target, left, y, w, h);
            continue;
        }
        bool anyDepth = false;
        for (int s = 0; s < 6; ++s) anyDepth = anyDepth || depths[t * 6 + s] != kNoSiteValue;
        if (!anyDepth) {
            target.SetForeColor(kNoValueGrey);
            FilledBox(target, left, y, left + w, y + h, kNoValueGrey);
            CellFrame(target, left, y, w, h);
            continue;
        }
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 2; ++k) {
                const int site = t * 6 + SiteOrder[t / 8][k * 3 + j];
                const float subLeft = left + j * w / 3;
                const float subTop = y + k * h / 2;
                QString text = QStringLiteral(" ");
                uint32_t colour = 0;
                if (depths[site] < kNoSiteValue) {
                    text = QString::number(depths[site]);
                    if (suppuration[site] == 1 && tint)
                        FilledBox(target, subLeft, subTop, subLeft + w / 3, subTop + h / 2, *tint);
                    if (bleeding[site] == 1) colour = kRed;
                } else {
                    FilledBox(target, subLeft, subTop, subLeft + w / 3, subTop + h / 2, kNoValueGrey);
                }
                const double fitted = FitFontSize(target, measureWidth, measureHeight, text, kLargestDepthSize);
                bool fit = false;
                double size = kLargestDepthSize;
                if (!printer) {
                    fit = fitted <= kLargestDepthSize;
                } else if (fitted <= kLargestDepthSize) {
                    fit = text.size() == 1;
                    size = fit ? fitted : fitted - 0.5;
                }
                PrintTextInBox(target, subLeft, subTop, w / 3, h / 2, text, fit, size, kAlignCentre, colour, 0);
            }
        }
        CellFrame(target, left, y, w, h);
    }
    Midline(target, x, y, w, h);
}

void PrintPlaqueRow(DrawTarget& target, float x, float y, float w, float h, const std::array<uint8_t, 32>& faces,
                    const std::array<uint8_t, 32>& notExamined, bool upperJaw) {
    target.SetScaleMode(platform::kScaleMillimeters);
    target.SetForeColor(0);
    if (target.Kind() == TargetKind::Printer) target.SetDrawWidth(1);
    for (int i = 0; i < 16; ++i) {
        const float left = x + i * w;
        const int t = ToothOfCell(i, upperJaw);
        if (faces[t] < kNoSiteValue) {
            PrintFilledPolygon(target, left, y, w, h, faces[t], notExamined[t]);
        } else {
            target.SetForeColor(kNoValueGrey);
            FilledBox(target, left, y, left + w, y + h, kNoValueGrey);
            target.SetForeColor(0);
            Cross(target, left, y, w, h);
        }
        CellFrame(target, left, y, w, h);
    }
    Midline(target, x, y, w, h);
}

void PrintFilledPolygon(DrawTarget& target, float x, float y, float w, float h, int16_t faces, int16_t notExamined) {
    target.SetFillStyle(platform::kFillSolid);
    const double left = ScaleXToPixels(target, x);
    const double right = ScaleXToPixels(target, x + w);
    const double top = ScaleYToPixels(target, y);
    const double bottom = ScaleYToPixels(target, y + h);
    const QPointF centre(ScaleXToPixels(target, x + w / 2), ScaleYToPixels(target, y + h / 2));
    struct Face {
        int bit;
        QPointF a, b;
    };
    const Face sides[4] = {
        {1, {left, top}, {right, top}},
        {2, {left, top}, {left, bottom}},
        {4, {right, top}, {right, bottom}},
        {8, {left, bottom}, {right, bottom}},
    };
    for (const Face& face : sides) {
        uint32_t colour;
        if (notExamined & face.bit)
            colour = kNoValueGrey;
        else if (faces & face.bit)
            colour = kRed;
        else
            continue;
        target.SetFillColor(colour);
        target.SetForeColor(colour);
        target.Polygon(QVector<QPointF>{face.a, centre, face.b});
    }
    target.SetScaleMode(platform::kScaleMillimeters);
    Cross(target, x, y, w, h);
    target.SetFillStyle(platform::kFillTransparent);
}

}  // namespace mox
