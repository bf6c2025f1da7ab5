#pragma once
// How a benchmark program starts: a Qt application, then the benchmarks its
// command line names; and the built program folder it reads from. A run is
// unattended, so a console benchmark cancels every message box; a drawing
// benchmark gets a widget application, offscreen unless the environment
// names a platform, with the forms' fonts mapped to installed ones.

#include "platform/gui/japanese_ui.h"
#include "platform/message_box.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <functional>

namespace mox::bench {

// MOX_PROGRAM_DIR as scripts/bench.sh sets it, else the build's own program
// folder beside bench/, so that a benchmark run by hand finds the template.
// Asked once the application exists.
inline QString ProgramDir() {
    const QString given = qEnvironmentVariable("MOX_PROGRAM_DIR");
    return given.isEmpty() ? QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../program")).absolutePath()
                           : given;
}

inline QString TemplatePath() { return ProgramDir() + QStringLiteral("/VXMOX2_ORG.MDB"); }

inline void RunNamedBenchmarks(int& argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

inline int RunConsoleBenchmarks(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    platform::SetMsgBoxResponder([](const platform::ShownBox&) { return 2; });
    RunNamedBenchmarks(argc, argv);
    return 0;
}

// `prepare` runs once the application exists, `finish` before it ends.
inline int RunDrawingBenchmarks(int argc, char** argv, const std::function<void()>& prepare,
                                const std::function<void()>& finish = {}) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::RegisterFontSubstitutes();
    prepare();
    RunNamedBenchmarks(argc, argv);
    if (finish) finish();
    return 0;
}

}  // namespace mox::bench
