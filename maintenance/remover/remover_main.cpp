#include "maintenance/remover/remover.h"
#include "shell/program_start.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char** argv) {
    return mox::RunProgram(argc, argv,
                           [](const QStringList&) {
                               // The remover has no window: it runs once the event loop is up,
                               // so that its message boxes behave as every other box.
                               QTimer::singleShot(0, [] {
                                   mox::remover::RemoverSetup setup;
                                   setup.ownFolder = QCoreApplication::applicationDirPath();
                                   QCoreApplication::exit(mox::remover::Main(setup));
                               });
                               return static_cast<int>(mox::kStarted);
                           },
                           {});
}
