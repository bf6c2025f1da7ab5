#pragma once
// What the chart screen shows of a slot besides its drawing: the summary
// figures beside each examination, the band legend, the mobility row
// ("2→1"), the tooth buttons' furcation values, and which slot a chart page
// takes its tooth pictures and buttons from.
//
// The pocket figures count the sites of teeth that stand in the mouth and
// carry a pocket (natural teeth, and implants when IncludeImplant is 1); the
// teeth-present figure counts natural teeth only.

#include "records/chart_slots.h"

#include <QString>
#include <array>
#include <cstdint>

namespace mox {

// Slot loaded (-1) and tooth t natural: none of missing, pontic, implant.
bool IsToothPresent(const ExamSlot& slot, int t);
// Slot loaded, tooth t neither missing nor a pontic, and no implant unless
// implantFlag is 1.
bool GetToothSiteInfo(const ExamSlot& slot, int t, int16_t implantFlag);

// The captions of the eight figure labels of one slot (LblDate, LblAll,
// LblPD, LblBlood, LblAve, LblGP0..2); all empty for an empty slot.
struct SummaryFigures {
    QString date;
    QString teeth;
    QString total;
    QString bleeding;
    QString mean;
    std::array<QString, 3> bands;
};
// lo and hi are the first depths of the middle and the deepest band.
SummaryFigures SummaryFiguresOf(const ExamSlot& slot, int16_t lo, int16_t hi, int16_t includeImplant);

// "n (p%)": bleeding sites among the measured sites of counted teeth; a
// mark at a site without a depth counts nowhere. Empty with no measured site.
QString CalcBopRate(const ExamSlot& slot, int16_t includeImplant);

// "1-3㎜", "4-6㎜", "7㎜以上" for g1 = 4, g2 = 7.
std::array<QString, 3> BandLegendCaptions(int16_t g1, int16_t g2);

// The mobility caption of tooth t over slots A and B: "2→1", "2→ ", " →1";
// empty when neither has a value.
QString MobilityCaption(const ExamSlot& a, const ExamSlot& b, int t);

// The mobility label's background by slot A's tooth state: grey for a
// missing tooth, else white (a pontic too, whatever an earlier patient left).
uint32_t MobilityLabelBack(int16_t toothState);

// The slot whose tooth pictures and buttons a chart page shows: page 0 the
// first visit, else the end of initial therapy; page 1 the latest SPT
// visit, else the move to SPT. -1 when neither is loaded (exactly -1).
int DisplayedSlot(const ExamSlots& exams, int page);

// The six furcation values of tooth t as its button takes them, by button
// site: -1 where the slot has no value.
std::array<int32_t, 6> ButtonFurcationValues(const ExamSlot& slot, int t);

// The slot colours: red, green, blue, magenta (VB colour numbers).
uint32_t SlotColour(int slot);

}  // namespace mox
