#pragma once
// Helpers every test binary shares: a private temporary folder, a private
// registry file, the program folder of the build and the template database.

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace mox::test {

// Puts MOX_PROGRAM_DIR and MOX_SOURCE_DIR into the environment when the
// caller did not; every test main calls it first.
void InitTestEnvironment();

// The assembled program folder of the build (executables, template database).
QString ProgramDir();
// The source tree, for fixtures under tests/data.
QString SourceDir();
// Path of the template database built from data/.
QString TemplateDbPath();

// A fresh temporary folder that lives as long as the object; also points
// VXMOX_REGISTRY at a registry file inside it while it lives.
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.filePath(name); }
    // Copies the template database into the sandbox under `name`.
    QString CopyTemplate(const QString& name = QStringLiteral("VXMOX2.MDB")) const;
    void WriteText(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir dir_;
    QByteArray oldRegistry_;
    bool hadRegistry_ = false;
};

}  // namespace mox::test
