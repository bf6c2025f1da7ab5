#pragma once
// The sample cases of the template database as the chart screen hands
// them to the drawing: four examination slots filled from the rows and the
// captions the screen shows beside them. The sheets themselves are drawn by
// the routines the chart screen prints with. Shared by the printing tests and the
// printing benchmarks.

#include "platform/gui/draw_target.h"
#include "printing/chart_figures.h"
#include "printing/chart_sheets.h"
#include "records/chart_slots.h"
#include "records/exam_slot.h"

#include <QImage>
#include <QString>
#include <array>

namespace mox::test {

using mox::ExamSlots;

// The patient's four slots read from the database file by the chart
// screen's own loader.
ExamSlots LoadSampleSlots(const QString& databaseFile, int32_t patientId);

// The slot colours of the chart: red, green, blue, magenta.
using mox::SlotColour;

// The captions of one chart half as the chart screen writes them into its
// labels (stage names of the template, slot colours, the summary figures,
// the band legend for bands starting at 4 and 6 mm, the mobility row), for
// the sheet routines of the chart screen to print.
ChartBlockTexts SampleBlockTexts(const ExamSlots& exams, int half);

// The shared examination items as the input screen loads them: item i is
// the one of display row i + 1. The data sheet reads item 0.
void LoadSampleItems(const QString& databaseFile);
// What the data sheet takes from the loaded pocket-depth item.
std::optional<DataSheetItem> SampleSheetItem();

}  // namespace mox::test
