#include "converter/converter_start.h"

#include "controls/colour_button/prismet_properties.h"
#include "converter/convert_window.h"
#include "converter/source_databases.h"
#include "core/next_number.h"
#include "core/program_paths.h"
#include "core/settings.h"
#include "platform/com/control_host.h"
#include "platform/db/database.h"
#include "platform/gui/colour.h"
#include "platform/message_box.h"
#include "records/shared_records.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace mox::convert {

namespace {

constexpr uint32_t kConverterBackColor = platform::VbRgb(165, 229, 213);

// The command buttons are colour buttons: their module is registered from
// the program folder when its class is missing, so that a copied folder
// works at once.
bool RegisterColourButtons() {
    const QStringList errors =
        com::EnsureFolderModulesRegistered(G().ProgramDir, {{"libPrismet.so", prismet::kClsidPrismet}}, true);
    if (errors.isEmpty()) return true;
    platform::MsgBox(QStringLiteral("ボタンの部品(libPrismet.so)を登録できないため、プログラムを終了します。") +
                         QStringLiteral("\r\n\r\n") + errors.first(),
                     16, QStringLiteral("エラー"));
    return false;
}

int PrepareConverter() {
    if (!RegisterColourButtons()) return kStartupFailed;
    Globals().NextAutoNumber = std::make_unique<CNextAutoNumber>();
    return kStarted;
}

QWidget* MakeConvertWindow() {
    auto* window = new PFrmConvert([] { QCoreApplication::exit(0); });
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
    return window;
}

}  // namespace

QString GetConverterVersionText(bool full) {
    if (full)
        return QStringLiteral("Ver.%1.%2.%3")
            .arg(MOX_VERSION_MAJOR)
            .arg(MOX_VERSION_MINOR)
            .arg(MOX_VERSION_REVISION, 4, 10, QLatin1Char('0'));
    return QStringLiteral("Ver.%1.%2").arg(MOX_VERSION_MAJOR).arg(MOX_VERSION_MINOR, 2, 10, QLatin1Char('0'));
}

void SetupConverterPaths(const QString& programDir) {
    Settings& g = G();
    g.ProgramDir = programDir;
    g.SetMainDatabase(ProgramMainDbPath());
    g.IdPrefix = 1;
    g.TemplateDbSource = db::DataSourcePart(TemplateDbPath());
    LocateSourceDb(SourceDb::A);
    LocateSourceDb(SourceDb::B);
}

void ReleaseConverterObjects() { Globals().NextAutoNumber.reset(); }

ProgramStart ConverterProgramStart() {
    ProgramStart start;
    start.lockName = QStringLiteral("MOXConvert");
    start.formBackColor = kConverterBackColor;
    start.splash.windowTitle = QStringLiteral("データコンバート");
    start.splash.title1 = QStringLiteral("ミラド協会 専門医・認定医・認定歯科衛生士");
    start.splash.title2 = QStringLiteral("データコンバート");
    start.splash.version = GetConverterVersionText();
    start.prepare = PrepareConverter;
    start.makeMainWindow = MakeConvertWindow;
    return start;
}

int Main(const QStringList&) {
    SetupConverterPaths(QCoreApplication::applicationDirPath());
    return StartProgram(ConverterProgramStart());
}

int RunMoxConvert(int argc, char** argv) { return RunProgram(argc, argv, Main, ReleaseConverterObjects); }

}  // namespace mox::convert
