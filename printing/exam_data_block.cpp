#include "printing/exam_data_block.h"

#include "core/tooth_tables.h"
#include "platform/gui/colour.h"
#include "printing/furcation_marks.h"
#include "printing/index_table.h"
#include "printing/primitives.h"
#include "printing/sheet_rows.h"
#include "records/exam_vocabulary.h"

namespace mox {

using platform::DrawTarget;
using platform::LineBox;
using platform::TargetKind;

namespace {

constexpr float kLabelColumn = 20;
constexpr float kChartRight = 148;  // the index table starts here
constexpr float kCellWidth = 8;

void RowLabel(DrawTarget& target, float x, float y, const QString& text) {
    PrintTextInBox(target, x, y, 20, 0, text, false, 8, kAlignLeft, 0, 0);
}

}  // namespace

void PrintToothNumberRow(DrawTarget& target, float x, float y, float sx, float sy,
                         const std::array<QString, 32>& labels, const std::array<uint32_t, 32>& colours) {
    const bool printer = target.Kind() == TargetKind::Printer;
    const int savedFillStyle = target.FillStyle();
    target.SetFontTransparent(true);
    if (!printer) target.SetDrawWidth(1);
    target.Line(x, y, x + 160 * sx, y + 10 * sy, 0, LineBox::Box);
    target.SetFontBold(true);
    target.SetForeColor(0);
    for (int i = 0; i < 16; ++i) {
        const float left = x + 10 * sx * i;
        const float right = x + 10 * sx * (i + 1);
        target.Line(left, y, right, y + 5 * sy, colours[i], LineBox::FilledBox);
        target.Line(left, y + 5 * sy, right, y + 10 * sy, colours[i + 16], LineBox::FilledBox);
        target.SetFontName(QStringLiteral("ＭＳ Ｐゴシック"));
        PrintTextInBox(target, left, y, 10 * sx, 5 * sy, labels[i], false, 12 * sy, kAlignCentre, 0, 0);
        PrintTextInBox(target, left, y + 5 * sy, 10 * sx, 5 * sy, labels[i + 16], false, 12 * sy, kAlignCentre, 0, 0);
        target.SetFillStyle(platform::kFillTransparent);
        target.Line(left, y, right, y + 5 * sy, 0, LineBox::Box);
        target.Line(left, y + 5 * sy, right, y + 10 * sy, 0, LineBox::Box);
        target.SetFillStyle(savedFillStyle);
    }
    target.SetDrawWidth(printer ? 5 : 2);
    target.Line(x + 80 * sx, y, x + 80 * sx, y + 10 * sy, 0);
    target.SetDrawWidth(1);
    target.SetForeColor(0);
    target.SetFontBold(false);
}

void PrintExamDataBlock(DrawTarget& target, float x, float y, const ExamSlot& slot,
                        const std::optional<DataSheetItem>& item) {
    const std::optional<uint32_t> tint = item ? std::optional(item->suppurationTint) : std::nullopt;
    const bool printer = target.Kind() == TargetKind::Printer;
    const float h = printer ? 6.8f : 7.0f;
    const IndexTableRules tableRules = IndexTableRulesOf(target);
    const float tableRight = x + kChartRight + tableRules.width;
    const float pitch = 9 * h / 11;
    const float firstSiteLine = printer ? 0.2f : 0.6f;
    const float secondSiteLine = printer ? 3.4f : 3.8f;
    auto rowTop = [&](int row) { return y + row * h; };
    const float chartX = x + kLabelColumn;

    std::array<QString, 32> labels;
    std::array<uint32_t, 32> colours;
    for (int t = 0; t < 32; ++t) {
        labels[t] =
            static_cast<uint16_t>(slot.ToothState[t]) & kToothDeciduous ? ToothLabelsDeciduous[t] : ToothLabels[t];
        colours[t] = ToothStateColour(slot.ToothState[t]);
    }
    auto numberRow = [&] { PrintToothNumberRow(target, chartX, rowTop(4), 0.8f, h / 10, labels, colours); };
    auto labelPair = [&](int upperRow, int lowerRow, const QString& text) {
        target.SetFontName(QStringLiteral("ＭＳ Ｐゴシック"));
        RowLabel(target, x + 1, rowTop(upperRow) + 2, text);
        RowLabel(target, x + 1, rowTop(lowerRow) + 2, text);
    };

    // The preview puts its tooth numbers down first.
    if (!printer) numberRow();

    labelPair(0, 8, QStringLiteral("PCR"));
    PrintPlaqueRow(target, chartX, rowTop(0), kCellWidth, h, slot.PlaqueFaces, slot.PlaqueUnexamined, true);
    PrintPlaqueRow(target, chartX, rowTop(8), kCellWidth, h, slot.PlaqueFaces, slot.PlaqueUnexamined, false);

    labelPair(1, 7, QStringLiteral("動揺度"));
    PrintToothValueRow(target, chartX, rowTop(1), kCellWidth, h, slot.Mobility, true, false);
    PrintToothValueRow(target, chartX, rowTop(7), kCellWidth, h, slot.Mobility, false, false);

    labelPair(2, 6, QStringLiteral("根分岐部病変"));
    PrintFurcationMarks(target, chartX, rowTop(2), kCellWidth, h, slot.Furcation, -1);
    PrintFurcationMarks(target, chartX, rowTop(6), kCellWidth, h, slot.Furcation, 0);

    labelPair(3, 5, QStringLiteral("PPD"));
    RowLabel(target, x + 17, rowTop(3) + firstSiteLine, QStringLiteral("B"));
    RowLabel(target, x + 17, rowTop(3) + secondSiteLine, QStringLiteral("P"));
    RowLabel(target, x + 17, rowTop(5) + firstSiteLine, QStringLiteral("L"));
    RowLabel(target, x + 17, rowTop(5) + secondSiteLine, QStringLiteral("B"));
    PrintPocketDepthRow(target, chartX, rowTop(3), kCellWidth, h, slot.PD, slot.BOP, slot.Suppuration, true, false,
                        tint);
    PrintPocketDepthRow(target, chartX, rowTop(5), kCellWidth, h, slot.PD, slot.BOP, slot.Suppuration, false, false,
                        tint);

    if (printer) numberRow();
    PrintIndexTable(target, x + kChartRight, y, slot, item);

    target.SetDrawWidth(1);
    for (int r = 0; r <= 8; ++r) target.Line(x, rowTop(r), x + kLabelColumn, rowTop(r), 0);
    for (int i = 0; i <= 10; ++i) target.Line(x + kChartRight, y + i * pitch, tableRight, y + i * pitch, 0);
    const float divider = x + kChartRight + tableRules.divider;
    target.Line(divider, y, divider, rowTop(9), 0);

    const int frameWidth = printer ? ScaleXToPixels(target, 0.3) : 2;
    target.SetDrawWidth(frameWidth);
    target.Line(x, y, tableRight, rowTop(9), 0, LineBox::Box);
    target.SetDrawWidth(frameWidth);
    target.Line(chartX, y, x + kChartRight, rowTop(9), 0, LineBox::Box);
}

}  // namespace mox
