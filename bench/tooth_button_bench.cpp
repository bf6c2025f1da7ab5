// One tooth button's Refresh, and a full repaint of the input screen's 128.

#include "controls/tooth_button/tooth_button_ctrl.h"
#include "controls/tooth_button/tooth_button_ids.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QFont>
#include <memory>
#include <vector>

using namespace mox::molarix;
using mox::com::InvokeKind;
using mox::com::Variant;

namespace {

void Put(CToothButtonCtrl& c, int id, std::vector<Variant> args) {
    c.Invoke(id, InvokeKind::PropertyPut, args, nullptr, nullptr);
}

// A pocket-depth row with values, marks and the focus, the busiest face.
void FillPocketRow(CToothButtonCtrl& c, int i) {
    Put(c, kDispSystemType, {1});
    Put(c, kDispExamMode, {std::vector<int>{3, 1, 6, 4}[i / 32 % 4]});
    Put(c, kDispRoot, {22});
    for (int s = 0; s < 6; ++s) {
        Put(c, kDispData, {0, s, (i + s) % 12});
        Put(c, kDispData, {1, s, s % 2});
    }
    Put(c, kDispPlaqueData, {5});
    Put(c, kDispFocusItem, {i % 6});
}

struct Grid {
    QWidget form;
    std::vector<std::unique_ptr<CToothButtonCtrl>> buttons;
    explicit Grid(int count) {
        form.resize(16 * 46 + 10, (count / 16) * 50 + 10);
        for (int i = 0; i < count; ++i) {
            buttons.push_back(std::make_unique<CToothButtonCtrl>(&form));
            buttons.back()->Window()->setGeometry(5 + (i % 16) * 46, 5 + (i / 16) * 50, 47, 47);
            FillPocketRow(*buttons.back(), i);
        }
        form.show();
        QApplication::processEvents();
    }
};

void BM_RefreshOneButton(benchmark::State& state) {
    Grid grid(1);
    CToothButtonCtrl& c = *grid.buttons[0];
    for (auto _ : state) c.Invoke(kDispRefresh, InvokeKind::Method, {}, nullptr, nullptr);
}
BENCHMARK(BM_RefreshOneButton)->Unit(benchmark::kMicrosecond);

void BM_RepaintGridOf128(benchmark::State& state) {
    Grid grid(128);
    // As the input screen's grid paint ends: every button refreshed once.
    for (auto _ : state)
        for (auto& b : grid.buttons) b->Invoke(kDispRefresh, InvokeKind::Method, {}, nullptr, nullptr);
}
BENCHMARK(BM_RepaintGridOf128)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
