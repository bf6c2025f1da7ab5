#include "printing/tooth_label_rows.h"

#include "core/tooth_tables.h"
#include "printing/primitives.h"

namespace mox {

using platform::DrawTarget;
using platform::LineBox;

namespace {

struct RowForm {
    bool chartBlock;  // the examination chart block; else the blank form
    double textSize;
    int midlineWidth;
};
constexpr RowForm kChartForm{true, 10, 5};
constexpr RowForm kBlankForm{false, 8, 4};

// The outline of the whole row and the thicker line between the halves.
void RowFrame(DrawTarget& target, const RowForm& form, float x, float y, float w, float h) {
    target.SetDrawWidth(1);
    target.Line(x, y, x + 16 * w, y + h, 0, LineBox::Box);
    target.SetDrawWidth(form.midlineWidth);
    target.Line(x + 8 * w, y, x + 8 * w, y + h, 0);
}

void LabelRow(DrawTarget& target, const RowForm& form, float x, float y, float w, float h) {
    target.SetFontTransparent(true);
    target.SetFontBold(true);
    target.SetForeColor(0);
    if (form.chartBlock) target.SetFontName(QStringLiteral("ＭＳ Ｐゴシック"));
    target.SetDrawWidth(1);
    for (int i = 0; i < 16; ++i) {
        PrintTextInBox(target, x + i * w, y, w, h, ToothLabels[i], false, 11, kAlignCentre, 0, 0);
        target.SetDrawWidth(1);
        target.Line(x + i * w, y, x + (i + 1) * w, y + h, 0, LineBox::Box);
    }
    RowFrame(target, form, x, y, w, h);
    target.SetDrawWidth(1);
    target.SetForeColor(0);
    target.SetFontBold(false);
}

void TextRow(DrawTarget& target, const RowForm& form, float x, float y, float w, float h, const ToothTexts& texts,
             int16_t upperRow) {
    const int offset = upperRow == -1 ? 0 : 16;
    const int savedFillStyle = target.FillStyle();
    target.SetFillStyle(platform::kFillTransparent);
    target.SetFontTransparent(true);
    target.SetFontBold(false);
    target.SetForeColor(0);
    if (form.chartBlock) target.SetFontName(QStringLiteral("ＭＳ Ｐゴシック"));
    target.SetDrawWidth(1);
    for (int i = 0; i < 16; ++i) {
        const QString& text = texts[i + offset];
        if (text.isEmpty()) {
            target.Line(x + i * w, y, x + (i + 1) * w, y + h, kNoValueGrey, LineBox::FilledBox);
            target.SetForeColor(0);
        } else {
            PrintTextInBox(target, x + i * w, y, w, h, text, false, form.textSize, kAlignCentre, 0, 0);
        }
        target.SetDrawWidth(1);
        target.Line(x + i * w, y, x + (i + 1) * w, y + h, 0, LineBox::Box);
    }
    RowFrame(target, form, x, y, w, h);
    target.SetDrawWidth(1);
    target.SetFillStyle(savedFillStyle);
    target.SetForeColor(0);
    target.SetFontBold(false);
}

}  // namespace

void PrintToothLabelRow(DrawTarget& target, float x, float y, float w, float h) {
    LabelRow(target, kChartForm, x, y, w, h);
}

void PrintToothLabelRowBlank(DrawTarget& target, float x, float y, float w, float h) {
    LabelRow(target, kBlankForm, x, y, w, h);
}

void PrintToothTextRow(DrawTarget& target, float x, float y, float w, float h, const ToothTexts& texts,
                       int16_t upperRow) {
    TextRow(target, kChartForm, x, y, w, h, texts, upperRow);
}

void PrintToothTextRowBlank(DrawTarget& target, float x, float y, float w, float h, const ToothTexts& texts,
                            int16_t upperRow) {
    TextRow(target, kBlankForm, x, y, w, h, texts, upperRow);
}

}  // namespace mox
