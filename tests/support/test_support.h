#pragma once
// Helpers every test binary shares: a private temporary folder, a private
// registry file, the program folder of the build and the template database.

#include <gtest/gtest.h>
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

// Debian's Access sample (package fp-units-db, gzipped; the version folder
// changes with the package's version); "" when it is not installed.
QString SampleJetFile();
// Unpacks a gzipped file into `to`; false when gzip fails.
bool Gunzip(const QString& gz, const QString& to);

// True when the suite runs under CI (the CI variable set, and not "false" or
// "0").
bool RunningUnderCi();

// A test that needs a real component of the machine (a driver, a sample
// file, a sound server, a tool) and cannot find it: skipped on a developer's
// machine, but a failure under CI, where the install script must have put
// every component in place and a skip would hide the missing step.
#define MOX_COMPONENT_MISSING(what)                                                                   \
    do {                                                                                              \
        if (::mox::test::RunningUnderCi())                                                            \
            GTEST_FAIL() << "missing under CI (scripts/install-deps.sh must provide it): " << (what); \
        else                                                                                          \
            GTEST_SKIP() << "missing: " << (what);                                                    \
    } while (false)

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
    // Registers SQLite's ODBC driver as "MoxSQLite3" in a private
    // odbcinst.ini that the driver manager reads while the sandbox lives;
    // false when the driver is not installed.
    bool RegisterSqliteOdbcDriver();

private:
    QTemporaryDir dir_;
    QByteArray oldRegistry_;
    bool hadRegistry_ = false;
    bool odbcRegistered_ = false;
};

}  // namespace mox::test
