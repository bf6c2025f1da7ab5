#pragma once
// The main database in use, as one value. Its folder, file name, base name
// and data source are all taken from the one path it is made with, so no
// part of the program can name another file than the rest. Settings holds
// the one instance; Settings::SetMainDatabase is the only place that
// changes it (start-up, the file menu's open and create, the tests).

#include <QString>

namespace mox {

// The base name of a database file (MainDbFile, its leading '/' allowed):
// the name up to its first dot, as Windows took it ("VXMOX2.MDB" gives
// "VXMOX2", and "clinic.2024.mdb" gives "clinic").
QString DbBaseNameOf(const QString& fileName);

class MainDatabase {
public:
    // No database yet: every part is empty.
    MainDatabase() = default;
    explicit MainDatabase(const QString& path);

    // Folder() + FileName().
    const QString& Path() const { return path_; }
    // AppPath: the folder, no trailing '/'.
    const QString& Folder() const { return folder_; }
    // MainDbFile: '/' and the file name.
    const QString& FileName() const { return fileName_; }
    // DbBaseName: the name of backups and safety copies.
    const QString& BaseName() const { return baseName_; }
    // MainDbSource: the data-source part of the main connection string.
    const QString& Source() const { return source_; }

private:
    QString path_;
    QString folder_;
    QString fileName_;
    QString baseName_;
    QString source_;
};

}  // namespace mox
