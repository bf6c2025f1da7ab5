// The chart block of sample case 98 printed to a PDF: layout, the 128
// tooth pictures read from BMP/, the grid, two graphs, their marks and the
// label and text rows, then the document written out.

#include "bench/bench_main.h"
#include "core/settings.h"
#include "platform/gui/printer_target.h"
#include "tests/printing/sample_sheets.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

namespace {

void BM_ChartBlockToPdf(benchmark::State& state) {
    const auto exams = mox::test::LoadSampleSlots(mox::bench::TemplatePath(), 98);
    QTemporaryDir dir;
    QImage load, flip;
    mox::ToothPictureFiles& pictures = mox::ToothPictureFiles::Of(mox::bench::ProgramDir() + QStringLiteral("/BMP"));
    for (auto _ : state) {
        mox::platform::PrinterTarget printer;
        printer.UsePdfFile(dir.filePath(QStringLiteral("block.pdf")));
        mox::platform::ApplyDrawingDefaults(printer);
        mox::PrintChartBlock(printer, 25, 25, 0, mox::test::SampleBlockTexts(exams, 0), exams, pictures, load, flip);
        printer.EndDoc();
    }
}
BENCHMARK(BM_ChartBlockToPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return mox::bench::RunDrawingBenchmarks(argc, argv, [] { mox::G().ProgramDir = mox::bench::ProgramDir(); });
}
