// The data sheet of sample case 98 (four examination blocks) printed to a
// PDF, and one block drawn on the preview picture at screen resolution.

#include "bench/bench_main.h"
#include "platform/gui/painter_target.h"
#include "platform/gui/printer_target.h"
#include "printing/exam_data_block.h"
#include "records/shared_records.h"
#include "tests/printing/sample_sheets.h"

#include <benchmark/benchmark.h>
#include <QTemporaryDir>

namespace {

void BM_DataSheetToPdf(benchmark::State& state) {
    const auto exams = mox::test::LoadSampleSlots(mox::bench::TemplatePath(), 98);
    QTemporaryDir dir;
    for (auto _ : state) {
        mox::platform::PrinterTarget printer;
        printer.UsePdfFile(dir.filePath(QStringLiteral("data.pdf")));
        mox::platform::ApplyDrawingDefaults(printer);
        mox::ComposeDataSheets(printer, {0, QString(), false, &exams, mox::test::SampleSheetItem()}, 1);
        printer.EndDoc();
    }
}
BENCHMARK(BM_DataSheetToPdf)->Unit(benchmark::kMillisecond);

void BM_DataBlockOnPreview(benchmark::State& state) {
    const auto exams = mox::test::LoadSampleSlots(mox::bench::TemplatePath(), 98);
    mox::platform::ImageTarget preview(210, 455, 96);
    mox::platform::ApplyDrawingDefaults(preview);
    for (auto _ : state) mox::PrintExamDataBlock(preview, 0, 0, exams[0], mox::test::SampleSheetItem());
}
BENCHMARK(BM_DataBlockOnPreview)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return mox::bench::RunDrawingBenchmarks(
        argc, argv, [] { mox::test::LoadSampleItems(mox::bench::TemplatePath()); },
        [] { mox::ReleaseGlobalObjects(); });
}
