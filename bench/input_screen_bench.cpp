// The input screen on its real window and modules: a key press (value
// written, button repainted, cursor moved), a site click and a batch-mark
// click, a patient load (twelve records, 128 buttons painted), a tooth-state
// change (records collected, the whole grid repainted, cursor moved) and a
// save (six rows and their counters in one transaction on a file with
// synchronous FULL). Goals: 4 ms for the key and the clicks, 20 ms for the
// rest.
//
// The window is shown and every action ends with a sync with the display
// server, so that under xcb the X round trips a user waits for are counted.
// MOX_BENCH_DB=<file> runs on a copy of that database instead of the
// template; a file that does not exist yet is first made as a busy clinic's
// (bench/clinic_db.h).

#include "bench/bench_main.h"
#include "bench/clinic_db.h"
#include "controls/colour_button/prismet_properties.h"
#include "controls/tooth_button/tooth_button_ids.h"
#include "core/connections.h"
#include "core/settings.h"
#include "core/tooth_tables.h"
#include "platform/com/control_host.h"
#include "platform/message_box.h"
#include "records/exam_record.h"
#include "records/shared_records.h"
#include "screens/input/pfrm_input.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

namespace {

using namespace mox;

using bench::ProgramDir;

// The database the screens start from: the template, or MOX_BENCH_DB (made
// once when missing).
QString SourceDatabase() {
    const QString given = qEnvironmentVariable("MOX_BENCH_DB");
    if (given.isEmpty()) return bench::TemplatePath();
    if (!QFile::exists(given)) {
        std::fprintf(stderr, "making %s with %d examination rows\n", qPrintable(given), bench::kClinicRows);
        bench::MakeClinicDb(bench::TemplatePath(), given, bench::kClinicRows);
    }
    return given;
}

// Waits until the display server has done what the action asked of it.
void SyncWithDisplay() { QGuiApplication::sync(); }

// A program folder of its own with a fresh database, the modules
// registered into a registry file inside it, and the window loaded.
struct Screen {
    QTemporaryDir dir;
    std::unique_ptr<PFrmInput> form;

    Screen() {
        qputenv("VXMOX_REGISTRY", dir.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
        const QString db = dir.filePath(QStringLiteral("VXMOX2.MDB"));
        QFile::copy(SourceDatabase(), db);
        QFile::setPermissions(db, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        Settings& g = G();
        g.ProgramDir = dir.path();
        g.SetMainDatabase(db);
        g.ShowPathInfo = 0;
        g.SoundOn = false;
        com::EnsureModuleRegistered(ProgramDir() + QStringLiteral("/libMolarix.so"),
                                    QString::fromLatin1(molarix::kToothButtonClsid));
        com::EnsureModuleRegistered(ProgramDir() + QStringLiteral("/libPrismet.so"),
                                    QString::fromLatin1(prismet::kClsidPrismet));
        CreateGlobalObjects();
        MakeToothLabels();
        MakeToothNumberTable();
        form = std::make_unique<PFrmInput>([] {});
        form->Form_Load();
        form->show();
        QApplication::processEvents();
        SyncWithDisplay();
    }
    ~Screen() {
        form.reset();
        ResetAllSlots();
        ReleaseGlobalObjects();
    }
    void Choose(int patient) {
        const int index = form->CmbOutNo->findData(patient);
        form->CmbOutNo->setCurrentIndex(index);
        emit form->CmbOutNo->activated(index);
    }
    void NewExamination() {
        Choose(1);
        form->TxtY->setText(QStringLiteral("2024"));
        form->TxtM->setText(QStringLiteral("05"));
        form->TxtD->setText(QStringLiteral("20"));
        form->CmbStage->setCurrentIndex(1);
    }
};

void BM_KeyPressWritesPaintsAndMoves(benchmark::State& state) {
    Screen s;
    s.NewExamination();
    ExamEntry& entry = s.form->Entry();
    for (auto _ : state) {
        entry.KeyPress('5');
        SyncWithDisplay();
        // After the last site of the route the next key changes the row:
        // start the route again outside the timing.
        if (entry.CurRow != 0) {
            state.PauseTiming();
            entry.SetInputMode(kPocketDepthItem, true);
            entry.AdvancePending = false;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_KeyPressWritesPaintsAndMoves)->Unit(benchmark::kMillisecond);

void BM_SiteClickMovesTheCursor(benchmark::State& state) {
    Screen s;
    s.NewExamination();
    int tooth = 0;
    for (auto _ : state) {
        s.form->Th_ClickData(tooth, tooth % 3);
        SyncWithDisplay();
        tooth = (tooth + 1) % 16;
    }
}
BENCHMARK(BM_SiteClickMovesTheCursor)->Unit(benchmark::kMillisecond);

void BM_BatchMarkClick(benchmark::State& state) {
    Screen s;
    s.NewExamination();
    ExamEntry& entry = s.form->Entry();
    for (int i = 0; i < 48; ++i) entry.KeyPress('4');
    entry.CmdBloodMode_Click();
    int site = 0;
    for (auto _ : state) {
        s.form->Th_ClickData(site / 6 % 8, site % 6);
        SyncWithDisplay();
        ++site;
    }
}
BENCHMARK(BM_BatchMarkClick)->Unit(benchmark::kMillisecond);

void BM_ToothStateChangeRepaintsTheGrid(benchmark::State& state) {
    Screen s;
    s.NewExamination();
    ExamEntry& entry = s.form->Entry();
    for (int i = 0; i < 96; ++i) entry.KeyPress('3');
    int tooth = 0;
    for (auto _ : state) {
        // Set and released in turn, so that every state change moves or
        // keeps the cursor as a clinician's would.
        entry.ToggleToothState(kToothImplant, tooth);
        SyncWithDisplay();
        tooth = (tooth + 7) % 32;
    }
}
BENCHMARK(BM_ToothStateChangeRepaintsTheGrid)->Unit(benchmark::kMillisecond);

void BM_PatientLoad(benchmark::State& state) {
    Screen s;
    int patient = 98;
    for (auto _ : state) {
        s.Choose(patient);
        SyncWithDisplay();
        patient = patient == 98 ? 99 : 98;
    }
}
BENCHMARK(BM_PatientLoad)->Unit(benchmark::kMillisecond);

void BM_SaveSixRowsInOneTransaction(benchmark::State& state) {
    Screen s;
    s.NewExamination();
    s.form->Entry().KeyPress('3');
    s.form->SaveExamination();
    ExamEntry& entry = s.form->Entry();
    const QDate day(2024, 5, 20);
    for (auto _ : state) {
        MainDbHold hold;
        entry.SaveKind = 2;
        benchmark::DoNotOptimize(entry.WriteExamRows(1, day, QStringLiteral("2024/05/20"), 1));
        SyncWithDisplay();
    }
}
BENCHMARK(BM_SaveSixRowsInOneTransaction)->Unit(benchmark::kMillisecond);

void BM_SaveButtonWholeSequence(benchmark::State& state) {
    Screen s;
    s.NewExamination();
    s.form->Entry().KeyPress('3');
    s.form->SaveExamination();
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.form->SaveExamination());
        SyncWithDisplay();
    }
}
BENCHMARK(BM_SaveButtonWholeSequence)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::RunDrawingBenchmarks(argc, argv, [] {
        // Every box answered at once: Yes to questions, OK to notices.
        platform::SetMsgBoxResponder([](const platform::ShownBox& box) { return platform::DefaultAnswer(box.style); });
    });
}
