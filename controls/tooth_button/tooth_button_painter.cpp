#include "controls/tooth_button/tooth_button_painter.h"

#include "controls/tooth_button/furcation_numeral.h"
#include "controls/tooth_button/furcation_roots.h"
#include "controls/tooth_button/tooth_bitmaps.h"
#include "platform/gui/colour.h"

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace mox::molarix {

namespace {

constexpr uint32_t kButtonFace = 0xF0F0F0;

// Windows gives a font's cell height (ascent + descent); Qt sizes by the em.
// Fonts are looked up once per family, height and weight; handed out as
// copies, since a later lookup may move the cached ones.
QFont CellFont(const QString& family, int cellHeight, int weight) {
    static QHash<QString, QFont> cache;
    const QString key = family + u'|' + QString::number(cellHeight) + u'|' + QString::number(weight);
    auto it = cache.find(key);
    if (it != cache.end()) return *it;
    const int height = std::max(1, cellHeight);
    QFont font(family);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    // The control drew with plain GDI text: no smoothing, so a value keeps its exact colour.
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(height);
    const QFontMetrics fm(font);
    const int cell = fm.ascent() + fm.descent();
    if (cell > height) font.setPixelSize(std::max(1, height * height / cell));
    return *cache.insert(key, font);
}

enum class Align { Left, Right, Centre };

// Text with its top at y, as the control's text primitive (TA_TOP) places it.
void Text(QPainter& p, const QString& text, int x, int y, const QFont& font, uint32_t colour, Align align) {
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(text);
    const int left = align == Align::Centre ? x - width / 2 : align == Align::Right ? x - width : x;
    p.setFont(font);
    p.setPen(platform::FromVbColor(colour));
    p.drawText(left, y + fm.ascent(), text);
}

void Line(QPainter& p, int x1, int y1, int x2, int y2, uint32_t colour) {
    p.setPen(QPen(platform::FromVbColor(colour), 1));
    p.drawLine(x1, y1, x2, y2);
}

void Fill(QPainter& p, const QRect& r, uint32_t colour) { p.fillRect(r, platform::FromVbColor(colour)); }

// A filled ellipse in the given rectangle corners, right and bottom excluded as in GDI.
void Dot(QPainter& p, int left, int top, int right, int bottom, uint32_t colour) {
    p.setPen(QPen(platform::FromVbColor(colour), 1));
    p.setBrush(platform::FromVbColor(colour));
    p.drawEllipse(QRect(left, top, std::max(0, right - left - 1), std::max(0, bottom - top - 1)));
    p.setBrush(Qt::NoBrush);
}

void AndOverlay(QPainter& p, const QImage& image, const QRect& target) {
    p.save();
    p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
    p.drawImage(target, image);
    p.restore();
}

void Frame(QPainter& p, const QRect& r, uint32_t colour) {
    const int x1 = r.x(), y1 = r.y(), x2 = r.x() + r.width() - 1, y2 = r.y() + r.height() - 1;
    Line(p, x1, y1, x2, y1, colour);
    Line(p, x1, y2, x2, y2, colour);
    Line(p, x1, y1, x1, y2, colour);
    Line(p, x2, y1, x2, y2, colour);
}

struct Face {
    const ToothButtonState& s;
    int w;
    int h;
    int dpi;

    int Value(int site) const { return s.data[0][site]; }

    bool NoValue(int32_t v) const { return (s.examMode == 10 || s.examMode == 11) ? v == 128 : v < 0; }

    bool Flag(int row, int site) const {
        const int32_t v = s.data[row][site];
        return s.examMode == 10 ? v == 1 : v > 0;
    }

    uint32_t ValueColour(int site) const {
        const int32_t v = s.data[0][site];
        const int band = v < s.gradation[0] ? 0 : v < s.gradation[1] ? 1 : v < s.gradation[2] ? 2 : 3;
        return (Flag(1, site) ? s.valueColor[1] : s.valueColor[0]) | s.brightness[band];
    }

    bool Focused(int site) const { return s.focusItem == site; }

    QRect Whole() const { return QRect(0, 0, w, h); }

    QRect SiteCell(int site) const {
        const int c = w / 3;
        const int col = site % 3;
        const int x0 = col * c;
        const int x1 = col == 2 ? w : (col + 1) * c;
        const int y0 = site < 3 ? 0 : h / 2;
        const int y1 = site < 3 ? h / 2 : h;
        return QRect(x0, y0, x1 - x0, y1 - y0);
    }

    bool AllSitesUnused(int count) const {
        return std::all_of(s.usePosition.begin(), s.usePosition.begin() + count, [](int16_t u) { return u == 0; });
    }
};

void PaintSingleValue(QPainter& p, const Face& f) {
    const int32_t v = f.Value(0);
    if (f.NoValue(v)) {
        Fill(p, f.Whole(), kGrey);
        return;
    }
    Fill(p, f.Whole(), f.Flag(2, 0) ? f.s.valueColor[2] : kWhite);
    const QFont font = CellFont(QStringLiteral("Arial"), (f.h / 3) * 144 / f.dpi, 800);
    Text(p, QString::number(v), f.w / 2 + 2, f.h / 4, font, f.ValueColour(0), Align::Centre);
    if (f.Flag(3, 0)) Dot(p, f.w / 2 - 2, f.h / 4 - 5, f.w / 2 + 2, f.h / 4 - 1, f.s.valueColor[3]);
}

void PaintCheck(QPainter& p, const Face& f) {
    const int32_t v = f.Value(0);
    if (v != 0 && v != 1) {
        Fill(p, f.Whole(), kGrey);
        return;
    }
    Fill(p, f.Whole(), kWhite);
    const QRect centre(f.w / 4, f.h / 4, f.w / 2, f.h / 2);
    if (v == 1)
        p.drawImage(centre, Bitmaps().check);
    else
        Fill(p, centre, kWhite);
}

void PaintSixSites(QPainter& p, const Face& f) {
    const auto& s = f.s;
    const bool none = std::all_of(s.data[0].begin(), s.data[0].end(), [&](int32_t v) { return f.NoValue(v); });
    if (none || f.AllSitesUnused(kSites)) {
        Fill(p, f.Whole(), kGrey);
        if (s.focusItem >= 0 && s.focusItem < kSites) {
            Fill(p, f.SiteCell(s.focusItem), kFocusCyan);
            Frame(p, f.SiteCell(s.focusItem), kFocusFrameBlue);
        }
        return;
    }
    Fill(p, f.Whole(), kWhite);
    const int fontHeight = std::max(13, ((f.h / 2) * 72 - 216) / f.dpi);
    const QFont font = CellFont(QStringLiteral("Arial"), fontHeight, 500);
    const int c = f.w / 3;
    for (int site = 0; site < kSites; ++site) {
        const QRect cell = f.SiteCell(site);
        const int ax = c / 2 + (site % 3) * c;
        const int ay = cell.top() + (f.h / 2) / 6 + 2;
        const int32_t v = s.data[0][site];
        if (f.NoValue(v) || s.usePosition[site] != 1) {
            if (s.systemType != 0)
                Fill(p, cell, kGrey);
            else
                Text(p, QStringLiteral("-"), ax, ay, font, kGrey, Align::Centre);
        } else {
            uint32_t back = f.Flag(2, site) ? s.valueColor[2] : kWhite;
            if (f.Focused(site)) back = f.Flag(2, site) ? kFocusFlagGreen : kFocusCyan;
            Fill(p, cell, back);
            const int32_t comp = s.compData[site];
            if (comp >= 0 && comp < static_cast<int>(s.compValueColor.size()))
                Fill(p, QRect(cell.left(), cell.top(), cell.width(), ay - cell.top()), s.compValueColor[comp]);
            const QString text = QString::number(v);
            const uint32_t colour = f.ValueColour(site);
            if (text.size() == 2) {
                if (text[0] == u'-') {
                    Text(p, text.left(1), ax + 1, ay + 2, CellFont(QStringLiteral("Arial"), fontHeight - 3, 500),
                         colour, Align::Right);
                } else {
                    Text(p, text.left(1), ax + 2, ay, font, colour, Align::Right);
                }
                Text(p, text.mid(1), ax, ay, font, colour, Align::Left);
            } else {
                Text(p, text, ax + 1, ay, font, colour, Align::Centre);
            }
            if (f.Flag(3, site)) {
                const int top = cell.top() + 1;
                const int r = std::max(2, (ay - cell.top()) / 2);
                const int cy = (top + ay) / 2;
                Dot(p, ax - r, cy - r, ax + r + 1, cy + r + 1, s.valueColor[3]);
            }
        }
        if (f.Focused(site)) Frame(p, cell, kFocusFrameBlue);
    }
}

void PaintPlaque(QPainter& p, const Face& f) {
    const auto& v = f.s.data[0];
    if (v[0] == -1 && v[1] == -1 && v[2] == -1 && v[3] == -1) {
        Fill(p, f.Whole(), kGrey);
        return;
    }
    Fill(p, f.Whole(), kWhite);
    const QPoint c(f.w / 2, f.h / 2);
    const QPolygon faces[kPlaqueFaces] = {
        QPolygon({QPoint(0, 0), QPoint(f.w, 0), c}),
        QPolygon({QPoint(0, 0), QPoint(0, f.h), c}),
        QPolygon({QPoint(f.w, 0), QPoint(f.w, f.h), c}),
        QPolygon({QPoint(0, f.h), QPoint(f.w, f.h), c}),
    };
    p.setPen(Qt::NoPen);
    for (int k = 0; k < kPlaqueFaces; ++k) {
        if (v[k] == 0) continue;
        const uint32_t colour = (f.s.systemType != 0 && v[k] == -1) ? kGrey : kPlaqueRed;
        p.setBrush(platform::FromVbColor(colour));
        p.drawPolygon(faces[k]);
    }
    p.setBrush(Qt::NoBrush);
}

void PaintCheckCells(QPainter& p, const Face& f) {
    const auto& s = f.s;
    const bool none = std::all_of(s.data[0].begin(), s.data[0].end(), [](int32_t v) { return v == -1; });
    const bool focusValid = s.focusItem >= 0 && s.focusItem < kSites;
    if (none || f.AllSitesUnused(kSites)) {
        Fill(p, f.Whole(), kGrey);
        if (focusValid) p.drawImage(f.SiteCell(s.focusItem), Bitmaps().focus);
        return;
    }
    Fill(p, f.Whole(), kGrey);
    for (int site = 0; site < kSites; ++site) {
        if (s.usePosition[site] != 1) continue;
        const QRect cell = f.SiteCell(site);
        switch (s.data[0][site]) {
            case 1:
                p.drawImage(cell, Bitmaps().check);
                break;
            case 0:
                Fill(p, cell, kWhite);
                break;
            case -1:
                p.drawImage(cell, Bitmaps().unexamined);
                break;
            default:
                break;
        }
    }
    if (focusValid) AndOverlay(p, Bitmaps().focus, f.SiteCell(s.focusItem));
}

// Furcation regions of a root kind: the sites and their outlines.
struct FurcationRegion {
    int site;
    QPolygon outline;
    QPoint anchor;  // centre of the numeral's region
};

std::vector<FurcationRegion> FurcationRegions(int16_t root, int w, int h) {
    const QPoint fork(w / 2, 2 * (h / 3));
    switch (root) {
        case kUpperMolarRoot: {
            const auto [top, left, right] = kUpperMolarEntrances;
            return {
                {top, QPolygon({QPoint(0, 0), QPoint(w, 0), fork}), QPoint(w / 2, 2 * (h / 3) / 3)},
                {left, QPolygon({QPoint(0, 0), fork, QPoint(w / 2, h), QPoint(0, h)}), QPoint(w / 4, (3 * h) / 4)},
                {right, QPolygon({QPoint(w, 0), fork, QPoint(w / 2, h), QPoint(w, h)}),
                 QPoint((3 * w) / 4, (3 * h) / 4)},
            };
        }
        case kUpperPremolarRoot: {
            const auto [left, right] = kUpperPremolarEntrances;
            return {
                {left, QPolygon(QRect(0, 0, w / 2, h)), QPoint(w / 4, h / 2)},
                {right, QPolygon(QRect(w / 2, 0, w - w / 2, h)), QPoint((3 * w) / 4, h / 2)},
            };
        }
        case kLowerMolarRoot: {
            const auto [upper, lower] = kLowerMolarEntrances;
            return {
                {upper, QPolygon(QRect(0, 0, w, h / 2)), QPoint(w / 2, h / 4)},
                {lower, QPolygon(QRect(0, h / 2, w, h - h / 2)), QPoint(w / 2, (3 * h) / 4)},
            };
        }
        default:
            return {};
    }
}

void FurcationGuides(QPainter& p, int16_t root, int w, int h) {
    switch (root) {
        case kUpperMolarRoot:
            Line(p, 0, 0, w / 2, 2 * (h / 3), kBlack);
            Line(p, w / 2, 2 * (h / 3), w, 0, kBlack);
            Line(p, w / 2, 2 * (h / 3), w / 2, h, kBlack);
            break;
        case kUpperPremolarRoot:
            Line(p, w / 2, 0, w / 2, h, kBlack);
            break;
        case kLowerMolarRoot:
            Line(p, 0, h / 2, w, h / 2, kBlack);
            break;
        default:
            break;
    }
}

void FillRegion(QPainter& p, const QPolygon& outline, uint32_t colour) {
    p.setPen(Qt::NoPen);
    p.setBrush(platform::FromVbColor(colour));
    p.drawPolygon(outline);
    p.setBrush(Qt::NoBrush);
}

void PaintFurcation(QPainter& p, const Face& f) {
    const auto& s = f.s;
    const auto regions = FurcationRegions(s.root, f.w, f.h);
    const bool none = std::all_of(s.data[0].begin(), s.data[0].end(), [](int32_t v) { return v == -1; });
    if (none || f.AllSitesUnused(kSites)) {
        Fill(p, f.Whole(), kGrey);
        for (const auto& r : regions)
            if (f.Focused(r.site)) FillRegion(p, r.outline, kFocusCyan);
        FurcationGuides(p, s.root, f.w, f.h);
        return;
    }
    Fill(p, f.Whole(), kWhite);
    const int fontHeight = std::max(13, ((f.h / 2) * 72 - 216) / f.dpi);
    const QFont numeralFont = CellFont(QStringLiteral("ＭＳ 明朝"), fontHeight, 500);
    const QFont dashFont = CellFont(QStringLiteral("Arial"), fontHeight, 500);
    for (const auto& r : regions) {
        const int32_t v = s.data[0][r.site];
        if (f.NoValue(v)) {
            if (s.systemType != 0) {
                FillRegion(p, r.outline, f.Focused(r.site) ? kFocusCyan : kGrey);
            } else {
                if (f.Focused(r.site)) FillRegion(p, r.outline, kFocusCyan);
                Text(p, QStringLiteral("-"), r.anchor.x(), r.anchor.y() - fontHeight / 2, dashFont, kGrey,
                     Align::Centre);
            }
            continue;
        }
        const uint32_t back = f.Flag(2, r.site) ? s.valueColor[2] : f.Focused(r.site) ? kFocusCyan : kWhite;
        FillRegion(p, r.outline, back);
        const int x = r.anchor.x();
        const int y = r.anchor.y() - fontHeight / 2;
        Text(p, FurcationNumeral(v), x, y, numeralFont, f.ValueColour(r.site), Align::Centre);
        if (f.Flag(3, r.site)) Dot(p, x - 2, y - 3, x + 2, y, s.valueColor[3]);
    }
    FurcationGuides(p, s.root, f.w, f.h);
}

void PaintTwoValues(QPainter& p, const Face& f) {
    const auto& s = f.s;
    const QRect halves[2] = {QRect(0, 0, f.w, f.h / 2), QRect(0, f.h / 2, f.w, f.h - f.h / 2)};
    const int sites[2] = {1, 4};
    const bool none = std::all_of(s.data[0].begin(), s.data[0].end(), [](int32_t v) { return v == -1; });
    if (none) {
        Fill(p, f.Whole(), kGrey);
        for (int i = 0; i < 2; ++i)
            if (f.Focused(sites[i])) Fill(p, halves[i], kFocusCyan);
        return;
    }
    const int fontHeight = ((f.h / 2) * 72 - 72) / f.dpi;
    const QFont font = CellFont(QStringLiteral("ＭＳ ゴシック"), fontHeight, 400);
    for (int i = 0; i < 2; ++i) {
        const int site = sites[i];
        const int32_t v = s.data[0][site];
        if (v == -1) {
            Fill(p, halves[i], f.Focused(site) ? kFocusCyan : kGrey);
            continue;
        }
        Fill(p, halves[i], f.Flag(2, site) ? s.valueColor[2] : f.Focused(site) ? kFocusCyan : kWhite);
        const QFontMetrics fm(font);
        const int top = halves[i].top() + (halves[i].height() - (fm.ascent() + fm.descent())) / 2;
        Text(p, QString::number(v), f.w / 2, top, font, site == 1 ? kPlaqueRed : kBlack, Align::Centre);
    }
}

void PaintQuadrants(QPainter& p, const Face& f) {
    const auto& s = f.s;
    auto cell = [&](int q) {
        const int x0 = (q % 2) ? f.w / 2 : 0;
        const int y0 = (q / 2) ? f.h / 2 : 0;
        const int x1 = (q % 2) ? f.w : f.w / 2;
        const int y1 = (q / 2) ? f.h : f.h / 2;
        return QRect(x0, y0, x1 - x0, y1 - y0);
    };
    const bool none = std::all_of(s.data[0].begin(), s.data[0].begin() + 4, [](int32_t v) { return v == -1; });
    const bool focusValid = s.focusItem >= 0 && s.focusItem < 4;
    if (none || f.AllSitesUnused(4)) {
        Fill(p, f.Whole(), kGrey);
        if (focusValid) {
            Fill(p, cell(s.focusItem), kFocusCyan);
            Frame(p, cell(s.focusItem), kFocusFrameBlue);
        }
        return;
    }
    Fill(p, f.Whole(), kWhite);
    const int fontHeight = ((f.h / 2) - 3) * 72 / f.dpi + (s.data[2][0] == 0 ? 3 : 0);
    const QFont font = CellFont(QStringLiteral("Arial"), fontHeight, 500);
    for (int q = 0; q < 4; ++q) {
        const QRect r = cell(q);
        const int32_t v = s.data[0][q];
        if (v == -1 || s.usePosition[q] != 1) {
            Fill(p, r, kGrey);
        } else {
            Fill(p, r, f.Focused(q) ? kFocusCyan : kWhite);
            const QString text =
                s.data[2][q] != 0 ? QStringLiteral("%1.%2").arg(v).arg(s.data[1][q]) : QString::number(v);
            const int ax = r.left() + r.width() / 2;
            const int ay = q < 2 ? 5 : f.h / 2 + 4;
            Text(p, text, ax + 1, ay - 2, font, kBlack, Align::Centre);
        }
        if (f.Focused(q)) Frame(p, r, kFocusFrameBlue);
    }
}

}  // namespace

void PaintToothButton(QPainter& p, const ToothButtonState& state, int w, int h, int dpi) {
    const Face f{state, w, h, dpi > 0 ? dpi : 96};
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    switch (state.examMode) {
        case -1:
            Fill(p, f.Whole(), kWhite);
            break;
        case 0:
            PaintCheck(p, f);
            break;
        case 1:
        case 2:
        case 7:
        case 8:
        case 11:
            PaintSingleValue(p, f);
            break;
        case 3:
        case 9:
        case 10:
            PaintSixSites(p, f);
            break;
        case 4:
            PaintPlaque(p, f);
            break;
        case 5:
            PaintCheckCells(p, f);
            break;
        case 6:
            PaintFurcation(p, f);
            break;
        case 12:
            PaintTwoValues(p, f);
            break;
        case 13:
            PaintQuadrants(p, f);
            break;
        default:
            // Only the window's erase, which for a push button is the button face colour.
            Fill(p, f.Whole(), kButtonFace);
            break;
    }
    static constexpr int kOverlayModes[] = {0, 1, 2, 7, 8, 11};
    if (state.focusItem != -1 &&
        std::find(std::begin(kOverlayModes), std::end(kOverlayModes), state.examMode) != std::end(kOverlayModes))
        AndOverlay(p, Bitmaps().focus, f.Whole());
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, w - 1, h - 1);
    p.restore();
}

}  // namespace mox::molarix
