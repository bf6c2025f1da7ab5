#pragma once
// Shared settings of the main program, set at start-up and read by every
// screen. Paths use '/' (the Windows "\VXMOX2.MDB" is "/VXMOX2.MDB" here).

#include "core/main_database.h"

#include <QDate>
#include <QString>
#include <array>
#include <cstdint>

namespace mox {

struct Settings {
    // The main database in use. Start-up points it at the program folder's
    // VXMOX2.MDB, the file menu's open and create at the chosen file; the
    // names below read its parts.
    void SetMainDatabase(const QString& path) { mainDb_ = MainDatabase(path); }
    const MainDatabase& MainDb() const { return mainDb_; }
    const QString& AppPath() const { return mainDb_.Folder(); }
    const QString& MainDbFile() const { return mainDb_.FileName(); }
    const QString& DbBaseName() const { return mainDb_.BaseName(); }
    const QString& MainDbSource() const { return mainDb_.Source(); }

    // Paths and sources
    QString ProgramDir;  // folder of the running executable (never follows AppPath)
    // Sources are built with db::DataSourcePart, which quotes a path the
    // connection-string grammar would cut (a ';' in a folder name).
    QString TemplateDbSource;  // "Data Source=" + ProgramDir + "/VXMOX2_ORG.MDB"
    QString OldDbSource;       // set by the old-format conversion
    // The converter's two databases of the older release.
    QString SourceDbSourceA;  // "Data Source=" + AppPath + "/vexaMOX.MDB"
    QString SourceDbSourceB;  // "Data Source=" + AppPath + "/vexaMOXDH.MDB"
    int32_t IdPrefix = 1;
    int16_t SharedDbKind = 0;  // 0 none, 1 Access file, 2 HLX_PRP, 3 HLX_VXEX
    QString SharedDbFolder;
    QString SharedDbSource;

    // Command line
    std::array<QString, 11> CmdLineArgs{};
    int16_t CmdLineArgCount = 0;

    // Start values of step 9
    bool SoundOn = true;
    QDate CurExamDate;
    uint32_t FormBackColor = 0xF8ECF9;  // VB &HBBGGRR: RGB(249, 236, 248)
    int16_t IncludeImplant = 0;
    int16_t ShowPathInfo = 1;

    // Current selection of the input screen
    int32_t CurPatientId = -1;
    int32_t CurChargeId = 1;  // TCharge.ID of the staff member whose patterns are in use

private:
    MainDatabase mainDb_;
};

// The one instance of the running program.
Settings& G();

}  // namespace mox
