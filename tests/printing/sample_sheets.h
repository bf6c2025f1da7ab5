#pragma once
// The sample cases of the template database as the chart screen hands
// them to the drawing: four examination slots filled from the rows, and a
// chart block composed as the chart sheet composes it. Shared by the
// printing tests and the printing benchmarks.

#include "platform/gui/draw_target.h"
#include "records/exam_slot.h"
#include "screens/chart/chart_figures.h"
#include "screens/chart/chart_slots.h"

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

// One chart block at (x, y) for slots 2·half and 2·half + 1: the chart
// layout, tooth pictures and furcation rows of the reference slot, grid,
// both graphs, the mobility text rows (first slot, arrow, second), the label
// row, the band frames and the site marks of the loaded slots. The summary
// table and the label column belong to the sheet and are left out.
void PrintSampleChartBlock(platform::DrawTarget& target, const ExamSlots& exams, float x, float y, int half,
                           QImage& loadSurface, QImage& flipSurface);

// The shared examination items as the input screen loads them: item i is
// the one of display row i + 1. The data sheet reads item 0.
void LoadSampleItems(const QString& databaseFile);

// The examination blocks of the data sheet: on the printer slot k at
// (12, 21.5 + 63k), its place on the page; on the preview the n-th loaded
// slot at (0, 64n).
void PrintSampleDataBlocks(platform::DrawTarget& target, const ExamSlots& exams);

}  // namespace mox::test
