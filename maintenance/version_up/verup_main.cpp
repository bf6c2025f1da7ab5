#include "core/settings.h"
#include "maintenance/version_up/pfrm_version_up.h"
#include "maintenance/version_up/verup_common.h"
#include "shell/program_start.h"
#include "shell/test_seams.h"

#include <QCoreApplication>
#include <QFileInfo>

int main(int argc, char** argv) {
    return mox::RunProgram(argc, argv,
                           [](const QStringList&) {
                               mox::G().ProgramDir = QCoreApplication::applicationDirPath();
                               mox::verup::VersionUpSetup setup;
                               setup.programFolder = mox::G().ProgramDir;
                               setup.tempFolder = mox::verup::GetTempFolder();
                               setup.ownFileName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
                               auto* window = new mox::verup::PFrmVersionUp(setup);
                               // Its end releases the program's instance lock.
                               window->setAttribute(Qt::WA_DeleteOnClose);
                               if (const int loaded = window->Form_Load(); loaded != mox::kStarted) {
                                   delete window;
                                   return loaded;
                               }
                               window->show();
                               mox::NotifyMainWindowShown(window);
                               return static_cast<int>(mox::kStarted);
                           },
                           {});
}
