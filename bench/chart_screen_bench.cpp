// The chart screen on its real window and modules, for sample case 98 (four
// loaded slots): from the chart button's click to both chart pages and the
// preview drawn (goal 100 ms), one patient change, and each print into a
// PDF from the confirmed dialog to the ended document (goal 100 ms each:
// the chart sheet, the data sheet with four blocks, the blank form).
//
// Each action ends with the window system synchronised, so that on X the
// round trips a user waits for are counted. The first opening in a process
// and the first chart sheet printed after it (both goal 100 ms) decode the
// pictures and load the fonts that later openings find ready; main measures
// them once before the loops, so run the program once per figure wanted:
//   xvfb-run -a -s "-screen 0 1280x1024x24" env QT_QPA_PLATFORM=xcb \
//       build/bench/chart_screen_bench --benchmark_filter=NONE

#include "bench/bench_main.h"
#include "controls/colour_button/prismet_properties.h"
#include "controls/tooth_button/tooth_button_ids.h"
#include "core/connections.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/com/control_host.h"
#include "platform/gui/printer_dialog.h"
#include "platform/message_box.h"
#include "records/exam_store.h"
#include "records/shared_records.h"
#include "screens/chart/pfrm_chart_dr.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

using namespace mox;

using bench::ProgramDir;

// A program folder of its own with a fresh database and the pictures, the
// modules registered into a registry file inside it, the items loaded as
// the input screen loads them, and the input screen's patient 98.
struct Folder {
    QTemporaryDir dir;

    Folder() {
        qputenv("VXMOX_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
        const QString db = dir.filePath(QStringLiteral("VXMOX2.MDB"));
        QFile::copy(bench::TemplatePath(), db);
        QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QDir().mkpath(dir.filePath(QStringLiteral("BMP")));
        const QDir pictures(ProgramDir() + QStringLiteral("/BMP"));
        for (const QString& name : pictures.entryList({QStringLiteral("*.gif")}, QDir::Files))
            QFile::copy(pictures.filePath(name), dir.filePath(QStringLiteral("BMP/") + name));
        Settings& g = G();
        g.ProgramDir = dir.path();
        g.SetMainDatabase(db);
        g.SoundOn = false;
        g.CurPatientId = 98;
        com::EnsureModuleRegistered(ProgramDir() + QStringLiteral("/libMolarix.so"),
                                    QString::fromLatin1(molarix::kToothButtonClsid));
        com::EnsureModuleRegistered(ProgramDir() + QStringLiteral("/libPrismet.so"),
                                    QString::fromLatin1(prismet::kClsidPrismet));
        CreateGlobalObjects();
        MakeToothLabels();
        MakeToothPictureNames();
        MakeToothNumberTable();
        ReadExamItems(Globals().SubExamRows);
        const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
        platform::SetPrinterDialogAnswerer([pdf](const platform::PrinterDialogRequest&) {
            return std::optional<platform::PrinterChoice>(platform::PrinterChoice{QString(), pdf});
        });
    }
    ~Folder() {
        platform::SetPrinterDialogAnswerer(nullptr);
        ResetAllSlots();
        ReleaseGlobalObjects();
    }
};

// What the user waits for: the events handled and the display caught up.
void Settle() {
    QApplication::processEvents();
    QGuiApplication::sync();
}

std::unique_ptr<PFrmChartDR> Open() {
    auto window = std::make_unique<PFrmChartDR>();
    window->Form_Load();
    Settle();
    return window;
}

// Wall-clock and processor time of one action. On a loaded machine the
// wall clock also counts the waits for a processor; the processor time of
// this process (the X server's share not included) shows the work itself.
class Stopwatch {
public:
    Stopwatch() { Restart(); }
    void Restart() {
        wall_.start();
        cpu_ = CpuMilliseconds();
    }
    void Report(const char* what) const {
        std::printf("%s: %.1f ms (processor %.1f ms; goal 100)\n", what, wall_.nsecsElapsed() / 1e6,
                    CpuMilliseconds() - cpu_);
    }

private:
    static double CpuMilliseconds() {
        timespec now{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    }
    QElapsedTimer wall_;
    double cpu_ = 0;
};

// The first opening of the process and the first chart sheet printed after it.
void MeasureFirstRun() {
    Folder folder;
    Stopwatch watch;
    auto window = Open();
    watch.Report("first opening (4 slots)");
    watch.Restart();
    window->BtnPrintChart_Click(0);
    Settle();
    watch.Report("first chart sheet to PDF");
    window.reset();
    Settle();
}

void BM_ChartButtonToBothPagesAndPreview(benchmark::State& state) {
    Folder folder;
    for (auto _ : state) {
        auto window = Open();
        state.PauseTiming();
        window.reset();
        Settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ChartButtonToBothPagesAndPreview)->Unit(benchmark::kMillisecond);

void BM_PatientChange(benchmark::State& state) {
    Folder folder;
    auto window = Open();
    int patient = 99;
    for (auto _ : state) {
        const int index = window->CmbOutNo->findData(patient);
        window->CmbOutNo->setCurrentIndex(index);
        emit window->CmbOutNo->activated(index);
        Settle();
        patient = patient == 98 ? 99 : 98;
    }
}
BENCHMARK(BM_PatientChange)->Unit(benchmark::kMillisecond);

void BM_ChartSheetToPdf(benchmark::State& state) {
    Folder folder;
    auto window = Open();
    for (auto _ : state) {
        window->BtnPrintChart_Click(0);
        Settle();
    }
}
BENCHMARK(BM_ChartSheetToPdf)->Unit(benchmark::kMillisecond);

void BM_DataSheetFourBlocksToPdf(benchmark::State& state) {
    Folder folder;
    auto window = Open();
    for (auto _ : state) {
        window->BtnPrintData_Click(0);
        Settle();
    }
}
BENCHMARK(BM_DataSheetFourBlocksToPdf)->Unit(benchmark::kMillisecond);

void BM_BlankFormToPdf(benchmark::State& state) {
    Folder folder;
    auto window = Open();
    for (auto _ : state) {
        window->BtnBlankPrint_Click();
        Settle();
    }
}
BENCHMARK(BM_BlankFormToPdf)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunDrawingBenchmarks(argc, argv, [] {
        // Every box answered at once: the completion messages.
        platform::SetMsgBoxResponder([](const platform::ShownBox& box) { return platform::DefaultAnswer(box.style); });
        MeasureFirstRun();
    });
}
