#include "tests/support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdlib>

namespace mox::test {

void InitTestEnvironment() {
    if (qEnvironmentVariableIsEmpty("MOX_PROGRAM_DIR")) qputenv("MOX_PROGRAM_DIR", MOX_TEST_PROGRAM_DIR);
    if (qEnvironmentVariableIsEmpty("MOX_SOURCE_DIR")) qputenv("MOX_SOURCE_DIR", MOX_TEST_SOURCE_DIR);
}

bool RunningUnderCi() {
    const QByteArray ci = qgetenv("CI").trimmed().toLower();
    return !ci.isEmpty() && ci != "false" && ci != "0";
}

QString ProgramDir() { return QString::fromLocal8Bit(qgetenv("MOX_PROGRAM_DIR")); }
QString SourceDir() { return QString::fromLocal8Bit(qgetenv("MOX_SOURCE_DIR")); }
QString TemplateDbPath() { return ProgramDir() + QStringLiteral("/VXMOX2_ORG.MDB"); }

QString SampleJetFile() {
    const QDir doc(QStringLiteral("/usr/share/doc/fp-units-db"));
    for (const QString& version : doc.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
        const QString path = doc.filePath(version + QStringLiteral("/examples/odbc/testodbc.mdb.gz"));
        if (QFileInfo::exists(path)) return path;
    }
    return {};
}

bool Gunzip(const QString& gz, const QString& to) {
    QFile::remove(to);
    QProcess gzip;
    gzip.setStandardOutputFile(to);
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), gz});
    return gzip.waitForFinished() && gzip.exitStatus() == QProcess::NormalExit && gzip.exitCode() == 0;
}

Sandbox::Sandbox() {
    hadRegistry_ = qEnvironmentVariableIsSet("VXMOX_REGISTRY");
    oldRegistry_ = qgetenv("VXMOX_REGISTRY");
    qputenv("VXMOX_REGISTRY", dir_.filePath(QStringLiteral("registry.ini")).toLocal8Bit());
}

Sandbox::~Sandbox() {
    if (odbcRegistered_) {
        qunsetenv("ODBCSYSINI");
        qunsetenv("ODBCINSTINI");
    }
    if (hadRegistry_)
        qputenv("VXMOX_REGISTRY", oldRegistry_);
    else
        qunsetenv("VXMOX_REGISTRY");
}

QString Sandbox::CopyTemplate(const QString& name) const {
    const QString target = dir_.filePath(name);
    QFile::remove(target);
    if (!QFile::copy(TemplateDbPath(), target)) return {};
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return target;
}

void Sandbox::WriteText(const QString& name, const QByteArray& bytes) const {
    QFile f(dir_.filePath(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

bool Sandbox::RegisterSqliteOdbcDriver() {
    QStringList drivers;
    for (const QString& lib : QDir(QStringLiteral("/usr/lib")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        drivers << QStringLiteral("/usr/lib/%1/odbc/libsqlite3odbc.so").arg(lib);
    drivers << QStringLiteral("/usr/lib/odbc/libsqlite3odbc.so");
    for (const QString& driver : drivers) {
        if (!QFileInfo::exists(driver)) continue;
        WriteText(QStringLiteral("odbcinst.ini"), QStringLiteral("[MoxSQLite3]\nDriver=%1\n").arg(driver).toUtf8());
        WriteText(QStringLiteral("odbc.ini"), QByteArray());
        qputenv("ODBCSYSINI", dir_.path().toLocal8Bit());
        qputenv("ODBCINSTINI", "odbcinst.ini");
        odbcRegistered_ = true;
        return true;
    }
    return false;
}

}  // namespace mox::test
