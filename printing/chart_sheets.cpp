#include "printing/chart_sheets.h"

#include "platform/gui/colour.h"
#include "printing/chart_layout.h"
#include "printing/chart_values.h"
#include "printing/exam_data_block.h"
#include "printing/furcation_marks.h"
#include "printing/primitives.h"
#include "printing/site_marks.h"
#include "printing/tooth_images.h"

#include <span>

namespace mox {

using platform::DrawTarget;
using platform::LineBox;

namespace {

const QString kGothicP = QStringLiteral("ＭＳ Ｐゴシック");
const QString kMincho = QStringLiteral("ＭＳ 明朝");
const QString kMinchoP = QStringLiteral("ＭＳ Ｐ明朝");
constexpr uint32_t kRed = platform::VbRgb(255, 0, 0);

constexpr float kBlockWidth = 163;
constexpr float kBlockHeight = 119;
constexpr float kTableHeight = 13;
constexpr float kChartLeft = 19;  // the label column's width
constexpr float kCellWidth = 9;

// Columns of a block's summary table: left edge and width from the block's x.
struct Column {
    float x;
    float w;
};
constexpr Column kColumns[8] = {{34, 18}, {52, 13}, {65, 13}, {78, 18}, {96, 13}, {109, 18}, {127, 18}, {145, 18}};
// The summary table's rules below its heading row and its two slot rows.
constexpr float kHeadingRule = 3.4f;
constexpr float kSlotRules[2] = {8.2f, kTableHeight};

// Each copy is a page of its own; the printer opens the first page itself,
// so no document carries an empty sheet.
void NextCopy(DrawTarget& target, int copy) {
    if (copy > 1) target.NewPage();
}

void Text(DrawTarget& target, double x, double y, double w, double h, const QString& text, double size, int16_t align,
          uint32_t colour = 0) {
    PrintTextInBox(target, x, y, w, h, text, false, size, align, colour, 0);
}

void Frame(DrawTarget& target, int width, double x1, double y1, double x2, double y2) {
    target.SetDrawWidth(width);
    target.SetFillStyle(platform::kFillTransparent);
    target.Line(x1, y1, x2, y2, 0, LineBox::Box);
}

void Rule(DrawTarget& target, int width, double x1, double y1, double x2, double y2) {
    target.SetDrawWidth(width);
    target.Line(x1, y1, x2, y2, 0);
}

// The supervising dentist's name and seal over the line they are written on.
void SignatureField(DrawTarget& target, float x, float y) {
    target.SetFontName(kMinchoP);
    Text(target, x, y, 100, 0, QStringLiteral("指導医氏名"), 11, kAlignLeft);
    Text(target, x + 70, y, 100, 0, QStringLiteral("印"), 11, kAlignLeft);
    Rule(target, 4, x, y + 5, x + 75, y + 5);
}

// The lines of a block's body shared by the chart block and the blank form:
// thick lines between the row groups and the label column's grid.
void BodyLines(DrawTarget& target, float x, float y, int frame, int groups, int grid) {
    Frame(target, frame, x, y, x + kBlockWidth, y + kBlockHeight);
    for (float row : {13.0f, 17.5f, 63.5f, 68.5f, 114.5f}) Rule(target, groups, x, y + row, x + kBlockWidth, y + row);
    Rule(target, groups, x + kChartLeft, y + 13, x + kChartLeft, y + kBlockHeight);
    for (float row : {37.5f, 43.5f, 88.5f, 94.5f}) Rule(target, grid, x, y + row, x + kChartLeft, y + row);
    Rule(target, grid, x + 7, y + 13, x + 7, y + 63.5);
    Rule(target, grid, x + 7, y + 68.5, x + 7, y + kBlockHeight);
    for (auto [from, to] : {std::pair{17.5f, 37.5f}, {43.5f, 63.5f}, {68.5f, 88.5f}, {94.5f, 114.5f}})
        Rule(target, grid, x + 14, y + from, x + 14, y + to);
}

// The summary table's frame: outer box, heading rule, rule between the
// slots, column lines.
void TableLines(DrawTarget& target, float x, float y, int frame, int heading) {
    Frame(target, frame, x, y, x + kBlockWidth, y + kTableHeight);
    Rule(target, heading, x, y + kHeadingRule, x + kBlockWidth, y + kHeadingRule);
    Rule(target, 1, x, y + kSlotRules[0], x + kBlockWidth, y + kSlotRules[0]);
    for (const Column& c : kColumns) Rule(target, 1, x + c.x, y, x + c.x, y + kTableHeight);
}

// A text of the summary table, hanging in its cell from `top` above the
// cell's bottom rule.
void TableText(DrawTarget& target, double x, double top, double bottom, double w, const QString& text, double size,
               int16_t align) {
    PrintTextInCell(target, x, top, w, 0, text, size, align, 0, bottom - top);
}

void Headings(DrawTarget& target, float x, float y, const QString (&headings)[8], double size) {
    for (int i = 0; i < 8; ++i)
        TableText(target, x + kColumns[i].x, y + 0.2, y + kHeadingRule, kColumns[i].w, headings[i], size, kAlignCentre);
}

void StageRowStart(DrawTarget& target, float x, float y, int j, int lineWidth, const ChartBlockTexts& texts) {
    target.SetDrawWidth(lineWidth);
    target.Line(x + 1, y + 5.5 + 5 * j, x + 6, y + 5.5 + 5 * j, texts.lineColour[j]);
    target.SetDrawWidth(1);
    // The stage column ends at the date column's line.
    TableText(target, x + 7, y + 4 + 5 * j, y + kSlotRules[j], kColumns[0].x - 7, texts.stage[j], 9, kAlignLeft);
}

struct Label {
    const char16_t* text;
    float x, y, w, h, size;
};

struct ScaleMark {
    const char16_t* text;
    float top;
};

// The block's left column: the row names, the mobility head above and below,
// and the millimetre scale beside the pocket-depth curves.
void SideLabels(DrawTarget& target, float x, float y, std::span<const Label> labels, const QString& mobilityHead,
                double headSize, std::span<const ScaleMark> scale, double scaleSize) {
    target.SetFontName(kGothicP);
    for (const Label& l : labels)
        PrintTextInCell(target, x + l.x, y + l.y, l.w, l.h, QString::fromUtf16(l.text), l.size, kAlignCentre);
    PrintTextInCell(target, x + 7, y + 13, 12, 4.5, mobilityHead, headSize, kAlignCentre);
    PrintTextInCell(target, x + 7, y + 114.5, 12, 4.5, mobilityHead, headSize, kAlignCentre);
    for (const ScaleMark& mark : scale)
        PrintTextInCell(target, x + 14, y + mark.top, 4.4, 0, QString::fromUtf16(mark.text), scaleSize, kAlignRight);
}

}  // namespace

QString ChartSheetTitle(int kind) {
    static const QString kTitles[3] = {
        QStringLiteral("ミラド協会　専門医認定申請　症例報告　検査チャート表"),
        QStringLiteral("ミラド協会　認定医認定申請　症例報告　検査チャート表"),
        QStringLiteral("ミラド協会　認定歯科衛生士認定申請　症例報告　検査チャート表"),
    };
    return kTitles[std::clamp(kind, 0, 2)];
}

QString ChartSheetFormNumber(int kind) {
    return kind == 2 ? QStringLiteral("様式７－２") : QStringLiteral("様式８－２");
}

QString DataSheetTitle(int kind) {
    static const QString kTitles[3] = {
        QStringLiteral("ミラド協会　専門医認定申請　症例報告　検査データ表"),
        QStringLiteral("ミラド協会　認定医認定申請　症例報告　検査データ表"),
        QStringLiteral("ミラド協会　認定歯科衛生士認定申請　症例報告　検査データ表"),
    };
    return kTitles[std::clamp(kind, 0, 2)] + QStringLiteral("　　PISA対応版");
}

QString DataSheetFormNumber(int kind) {
    return kind == 2 ? QStringLiteral("様式７－１") : QStringLiteral("様式８－１");
}

QString ToFullWidth(const QString& text) {
    QString wide;
    wide.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u' ')
            wide += QChar(0x3000);
        else if (u == u'\\')
            wide += QChar(0xFFE5);  // the yen sign of the Japanese code page
        else if (u == u'"')
            wide += QChar(0x201D);
        else if (u == u'\'')
            wide += QChar(0x2019);
        else if (u == u'`')
            wide += QChar(0x2018);
        else if (u > 0x20 && u < 0x7F)
            wide += QChar(char16_t(u + 0xFEE0));
        else
            wide += c;
    }
    return wide;
}

QString CaseNumberText(const QString& applicationNumber, const QString& patientBoxText) {
    const QString number = applicationNumber.trimmed().isEmpty() ? patientBoxText : applicationNumber;
    return QStringLiteral("症例番号 ") + ToFullWidth(number);
}

int ReferenceSlot(const ExamSlots& exams, int half) {
    const int shown = DisplayedSlot(exams, half);
    return shown >= 0 ? shown : (half == 0 ? 0 : 3);
}

void PrintChartBlock(DrawTarget& target, float x, float y, int half, const ChartBlockTexts& texts,
                     const ExamSlots& exams, ToothPictureFiles& pictures, QImage& work1, QImage& work2) {
    const int first = 2 * half;
    const ExamSlot& reference = exams[ReferenceSlot(exams, half)];

    target.SetFontName(kGothicP);
    const QString headings[8] = {QStringLiteral("検査日"),   QStringLiteral("現在歯数"), QStringLiteral("PPD総数"),
                                 QStringLiteral("BOP(+)率"), QStringLiteral("PPD平均"),  texts.bandHeads[0],
                                 texts.bandHeads[1],         texts.bandHeads[2]};
    Headings(target, x, y, headings, 8);
    for (int j = 0; j < 2; ++j) {
        StageRowStart(target, x, y, j, 15, texts);
        const SummaryFigures& f = texts.figures[j];
        const QString values[8] = {f.date, f.teeth, f.total, f.bleeding, f.mean, f.bands[0], f.bands[1], f.bands[2]};
        for (int i = 0; i < 8; ++i)
            TableText(target, x + kColumns[i].x, y + 4 + 5 * j, y + kSlotRules[j], kColumns[i].w, values[i], 9,
                      kAlignCentre);
    }
    TableLines(target, x, y, 8, 4);

    const ChartLayout layout = SetupChartLayout(-1, x + kChartLeft, y + 17.5f, 1, 0, 13, 33, 64, 84, 144, 13, 7);
    PrintToothImages(target, layout, reference.ToothState, 3, 3, 3, 3, pictures, work1, work2);
    PrintChartGrid(target, layout, 1, 1, 1, 1);
    for (int j = 0; j < 2; ++j)
        PrintChartValues(target, layout, exams[first + j], texts.lineColour[j], int16_t(first + j), 13);

    const float left = x + kChartLeft;
    float row = y + 13;
    PrintToothTextRow(target, left, row, kCellWidth, 4.5f, texts.mobility, -1);
    row += 4.5f;
    Frame(target, 1, left, row, x + kBlockWidth, row + 20);
    row += 20;
    PrintFurcationMarks(target, left, row, kCellWidth, 6, reference.Furcation, -1);
    row += 6;
    Frame(target, 1, left, row, x + kBlockWidth, row + 20);
    row += 20;
    PrintToothLabelRow(target, left, row, kCellWidth, 5);
    row += 5;
    Frame(target, 1, left, row, x + kBlockWidth, row + 20);
    row += 20;
    PrintFurcationMarks(target, left, row, kCellWidth, 6, reference.Furcation, 0);
    row += 6;
    Frame(target, 1, left, row, x + kBlockWidth, row + 20);
    row += 20;
    PrintToothTextRow(target, left, row, kCellWidth, 4.5f, texts.mobility, 0);

    for (int j = 0; j < 2; ++j) {
        const ExamSlot& slot = exams[first + j];
        if (slot.Loaded != -1) continue;
        PrintSiteMarks(target, left, y + 30.5f, y + 50.5f, y + 81.5f, y + 101.5f, kCellWidth, slot.ToothState, slot.BOP,
                       slot.Suppuration, int16_t(first + j), texts.lineColour[j]);
    }

    BodyLines(target, x, y, 8, 4, 2);

    static const Label kLabels[] = {
        {u"動揺度", 0, 13, 7, 4.5f, 7}, {u"頬", 0, 23.2f, 7, 4.5f, 8},     {u"側", 0, 27.3f, 7, 4.5f, 8},
        {u"PPD", 7, 22.5f, 7, 4.5f, 7}, {u"BOP", 7, 29.7f, 7, 4.5f, 7},    {u"(+)", 7, 32.2f, 7, 4.5f, 7},
        {u"上顎", 0, 37.5f, 7, 6, 8},   {u"根分岐部", 7, 36.1f, 12, 6, 7}, {u"病変", 7, 38.6f, 12, 6, 7},
        {u"口", 0, 47, 7, 4.5f, 8},     {u"蓋", 0, 51.3f, 7, 4.5f, 8},     {u"側", 0, 55.6f, 7, 4.5f, 8},
        {u"BOP", 7, 44, 7, 4.5f, 7},    {u"(+)", 7, 46.5f, 7, 4.5f, 7},    {u"PPD", 7, 54, 7, 4.5f, 7},
        {u"歯番", 0, 63.5f, 19, 5, 8},  {u"舌", 0, 74.2f, 7, 4.5f, 8},     {u"側", 0, 78.1f, 7, 4.5f, 8},
        {u"PPD", 7, 73.3f, 7, 4.5f, 7}, {u"BOP", 7, 81.5f, 7, 4.5f, 7},    {u"(+)", 7, 84, 7, 4.5f, 7},
        {u"下顎", 0, 88.5f, 7, 6, 8},   {u"根分岐部", 7, 87.3f, 12, 6, 7}, {u"病変", 7, 89.8f, 12, 6, 7},
        {u"頬", 0, 99.2f, 7, 4.5f, 8},  {u"側", 0, 103.1f, 7, 4.5f, 8},    {u"BOP", 7, 94.5f, 7, 4.5f, 7},
        {u"(+)", 7, 97, 7, 4.5f, 7},    {u"PPD", 7, 105.2f, 7, 4.5f, 7},   {u"動揺度", 0, 114.5f, 7, 4.5f, 7},
    };

    static const ScaleMark kScale[] = {
        {u"10", 19.2f}, {u"6", 23.12f},  {u"3", 26.06f},  {u"0", 29},     {u"0", 49.3f},  {u"3", 52.24f},
        {u"6", 55.18f}, {u"10", 59.3f},  {u"10", 70.1f},  {u"6", 74.02f}, {u"3", 76.96f}, {u"0", 80.1f},
        {u"0", 100.3f}, {u"3", 103.24f}, {u"6", 106.18f}, {u"10", 110},
    };
    SideLabels(target, x, y, kLabels, texts.mobilityHead, 8, kScale, 7);
}

void PrintChartSheetPage(DrawTarget& target, int kind, const QString& caseNumber,
                         const std::array<ChartBlockTexts, 2>& texts, const ExamSlots& exams,
                         ToothPictureFiles& pictures, QImage& work1, QImage& work2) {
    const float l = kSheetLeft;
    const float t = kChartSheetTop;
    target.SetFontName(kMinchoP);
    Text(target, l + 14, t + 5, 100, 0, ChartSheetTitle(kind), 12, kAlignLeft);
    target.SetFontName(kMincho);
    Text(target, l + 152, t, 25, 0, ChartSheetFormNumber(kind), 11, kAlignRight);
    Text(target, l + 152, t + 5, 25, 0, caseNumber, 11, kAlignRight);
    target.SetDrawWidth(4);
    SignatureField(target, l + 102.5, t + 262);
    Text(target, l + 15, t + 259.2, 100, 0, QStringLiteral("＊根分岐部病変 および 歯の情報表示は"), 8, kAlignLeft);
    Text(target, l + 17.5, t + 262.4, 100, 0, QStringLiteral("上段：初診時、下段：最新ＳＰＴ時 が優先されます。"), 8,
         kAlignLeft);
    target.SetFontName(kGothicP);
    PrintChartBlock(target, l + 15, t + 15, 0, texts[0], exams, pictures, work1, work2);
    PrintChartBlock(target, l + 15, t + 139, 1, texts[1], exams, pictures, work1, work2);
}

void PrintDataSheetHeading(DrawTarget& target, int kind, const QString& caseNumber, bool sptShort) {
    const float l = kSheetLeft;
    const float t = kDataSheetTop;
    target.SetFontName(kMinchoP);
    Text(target, l + 1, t + 5, 100, 0, DataSheetTitle(kind), 12, kAlignLeft);
    target.SetFontName(kMincho);
    Text(target, l + 162, t + 5, 25, 0, DataSheetFormNumber(kind), 11, kAlignRight);
    Text(target, l + 162, t + 9, 25, 0, caseNumber, 11, kAlignRight);
    target.SetDrawWidth(4);
    target.SetFontName(kGothicP);
    Text(target, l + 2, t + 13, 100, 0,
         QStringLiteral("PCR : O'Leary      動揺度 : Miller      根分岐部病変 : Lindhe & Nyman              PPD  "
                        "赤数字＝BOP(+)  黄背景＝排膿"),
         8, kAlignLeft);
    if (sptShort) Text(target, l + 150.5, t + 13, 10, 0, QStringLiteral("●"), 8, kAlignLeft, kRed);
    SignatureField(target, l + 97.5, t + 270);
    target.SetFontName(kGothicP);
    Text(target, l + 130, t + 266.5, 58, 0, QStringLiteral("MOX-HLX"), 8, kAlignRight);
}

void PrintBlankFormHeading(DrawTarget& target) {
    const float l = kSheetLeft;
    const float t = kChartSheetTop;
    target.SetFontName(kMinchoP);
    Text(target, l + 45, t + 5, 100, 0, QStringLiteral("ミラド協会専門医　症例報告書"), 12, kAlignLeft);
    target.SetFontName(kMincho);
    Text(target, l + 152, t, 25, 0, QStringLiteral("様式８"), 11, kAlignRight);
    Text(target, l + 152, t + 5, 40, 0, QStringLiteral("患者番号"), 11, kAlignLeft);
    Rule(target, 4, l + 150, t + 10, l + 178, t + 10);
    SignatureField(target, l + 102.5, t + 262);
    target.SetFontName(kGothicP);
}

void PrintBlankChartBlock(DrawTarget& target, float x, float y, const ChartBlockTexts& texts, const ExamSlot& slot0,
                          ToothPictureFiles& pictures) {
    target.SetFontName(kGothicP);
    const QString headings[8] = {QStringLiteral("検査日"), QStringLiteral("総歯数"), QStringLiteral("PD総数"),
                                 QStringLiteral("出血"),   QStringLiteral("PD平均"), texts.bandHeads[0],
                                 texts.bandHeads[1],       texts.bandHeads[2]};
    Headings(target, x, y, headings, 9);
    static const std::pair<float, float> kUnitBoxes[] = {{52, 12.5f},  {78, 17.5f},  {96, 12.5f},
                                                         {109, 17.5f}, {127, 17.5f}, {145, 17.5f}};
    const QString units[6] = {QStringLiteral("歯"),        QStringLiteral("(      %)"), QStringLiteral("㎜"),
                              QStringLiteral("(      %)"), QStringLiteral("(      %)"), QStringLiteral("(      %)")};
    for (int j = 0; j < 2; ++j) {
        StageRowStart(target, x, y, j, 10, texts);
        for (int i = 0; i < 6; ++i)
            TableText(target, x + kUnitBoxes[i].first, y + 4 + 5 * j, y + kSlotRules[j], kUnitBoxes[i].second, units[i],
                      9, kAlignRight);
    }
    TableLines(target, x, y, 5, 3);

    const float left = x + kChartLeft;
    PrintToothTextRowBlank(target, left, y + 13, kCellWidth, 4.5f, texts.mobility, -1);
    const float boxTops[4] = {17.5f, 43.5f, 68.5f, 94.5f};
    for (int k = 0; k < 4; ++k) {
        const QRectF rect(left, y + boxTops[k], 16 * kCellWidth, 20);
        {
            const BoxOnPage place(target, k, rect);
            PageBoxes boxes{};
            boxes[k] = &target;
            const int firstTooth = k < 2 ? 0 : 16;
            for (int t = firstTooth; t < firstTooth + 16; ++t)
                PaintToothCells(boxes, t, 0, pictures, ToothCells::Normal);
            DrawBoxGrid(target, k);
        }
        target.SetDrawStyle(platform::kSolid);
        Frame(target, 1, rect.left(), rect.top(), rect.right(), rect.bottom());
    }
    PrintFurcationMarksBlank(target, left, y + 37.5f, kCellWidth, 6, slot0.Furcation, -1);
    PrintToothLabelRowBlank(target, left, y + 63.5f, kCellWidth, 5);
    PrintFurcationMarksBlank(target, left, y + 88.5f, kCellWidth, 6, slot0.Furcation, 0);
    PrintToothTextRowBlank(target, left, y + 114.5f, kCellWidth, 4.5f, texts.mobility, 0);

    BodyLines(target, x, y, 5, 3, 2);

    static const Label kLabels[] = {
        {u"MOB", 0, 13, 7, 4.5f, 9},        {u"頬", 0, 23.2f, 7, 4.5f, 9},      {u"側", 0, 27.3f, 7, 4.5f, 9},
        {u"上顎", 0, 37.5f, 7, 6, 9},       {u"口", 0, 47, 7, 4.5f, 9},         {u"蓋", 0, 51.3f, 7, 4.5f, 9},
        {u"側", 0, 55.6f, 7, 4.5f, 9},      {u"歯番", 0, 63.5f, 19, 5, 9},      {u"舌", 0, 74.2f, 7, 4.5f, 9},
        {u"側", 0, 78.1f, 7, 4.5f, 9},      {u"下顎", 0, 88.5f, 7, 6, 9},       {u"頬", 0, 99.2f, 7, 4.5f, 9},
        {u"側", 0, 103.1f, 7, 4.5f, 9},     {u"MOB", 0, 114.5f, 7, 4.5f, 9},    {u"PD", 7, 22.5f, 7, 4.5f, 9},
        {u"BOP", 7, 31.2f, 7, 4.5f, 9},     {u"Furcation", 7, 37.5f, 12, 6, 7}, {u"BOP", 7, 45, 7, 4.5f, 9},
        {u"PD", 7, 54, 7, 4.5f, 9},         {u"PD", 7, 73.3f, 7, 4.5f, 9},      {u"BOP", 7, 82.5f, 7, 4.5f, 9},
        {u"Furcation", 7, 88.5f, 12, 6, 7}, {u"BOP", 7, 96, 7, 4.5f, 9},        {u"PD", 7, 105.2f, 7, 4.5f, 9},
    };
    static const ScaleMark kScale[] = {
        {u"10", 19.2f}, {u"0", 29},    {u"0", 49.3f},  {u"10", 59.3f},
        {u"10", 70.1f}, {u"0", 80.1f}, {u"0", 100.3f}, {u"10", 110},
    };
    SideLabels(target, x, y, kLabels, texts.mobilityHead, 9, kScale, 8);
    target.SetDrawWidth(2);
}

void ComposeChartSheets(DrawTarget& target, const ChartSheetContent& content, int copies, ToothPictureFiles& pictures,
                        QImage& work1, QImage& work2) {
    for (int copy = 1; copy <= copies; ++copy) {
        NextCopy(target, copy);
        PrintChartSheetPage(target, content.kind, content.caseNumber, content.texts, *content.exams, pictures, work1,
                            work2);
    }
}

void ComposeDataSheets(DrawTarget& target, const DataSheetContent& content, int copies) {
    for (int copy = 1; copy <= copies; ++copy) {
        // Four bands hold every slot: one page per copy, its heading printed
        // once, a slot's band left empty when the slot is.
        NextCopy(target, copy);
        PrintDataSheetHeading(target, content.kind, content.caseNumber, content.sptShort);
        for (int k = 0; k < kSlotCount; ++k) {
            const ExamSlot& slot = (*content.exams)[k];
            if (slot.Loaded == -1)
                PrintExamDataBlock(target, kSheetLeft + 2, kDataSheetTop + 16.5f + 63 * k, slot, content.item);
        }
    }
}

void DrawDataSheetPreview(DrawTarget& preview, const ExamSlots& exams, const std::optional<DataSheetItem>& item) {
    int drawn = 0;
    for (const ExamSlot& slot : exams) {
        if (slot.Loaded != -1) continue;
        PrintExamDataBlock(preview, 0, 64.0f * drawn, slot, item);
        ++drawn;
    }
}

void ComposeBlankForms(DrawTarget& target, const BlankFormContent& content, int copies, ToothPictureFiles& pictures) {
    for (int copy = 1; copy <= copies; ++copy) {
        NextCopy(target, copy);
        PrintBlankFormHeading(target);
        PrintBlankChartBlock(target, kSheetLeft + 15, kChartSheetTop + 15, content.texts[0], *content.slot0, pictures);
        PrintBlankChartBlock(target, kSheetLeft + 15, kChartSheetTop + 139, content.texts[1], *content.slot0, pictures);
    }
}

}  // namespace mox
