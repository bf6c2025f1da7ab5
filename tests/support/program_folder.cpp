#include "tests/support/program_folder.h"

#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace mox::test {

ProgramFolder::ProgramFolder(const QStringList& files, const QString& subfolder)
    : path_(subfolder.isEmpty() ? dir_.path() : dir_.filePath(subfolder)) {
    EXPECT_TRUE(QDir().mkpath(path_));
    for (const QString& file : files) {
        const QString source = ProgramDir() + QLatin1Char('/') + file;
        EXPECT_TRUE(QFile::copy(source, Path(file))) << file.toStdString();
        QFile::setPermissions(Path(file), QFile::permissions(source));
    }
}

QString ProgramFolder::Path(const QString& name) const { return QDir(path_).filePath(name); }

std::unique_ptr<QProcess> ProgramFolder::Start(const QString& program, const QString& log, const QString& answers,
                                               int closeAfterMs, const QStringList& arguments) const {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VXMOX_INSTANT_WAITS"), QStringLiteral("1"));
    env.insert(QStringLiteral("VXMOX_TEST_LOG"), Path(log));
    env.insert(QStringLiteral("VXMOX_REGISTRY"), Path(QStringLiteral("registry.ini")));
    if (!answers.isEmpty()) env.insert(QStringLiteral("VXMOX_MSGBOX_ANSWERS"), answers);
    if (closeAfterMs >= 0) env.insert(QStringLiteral("VXMOX_CLOSE_MAIN_AFTER_MS"), QString::number(closeAfterMs));
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(path_);
    p->start(Path(program), arguments);
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
}

QString ProgramFolder::ReadLog(const QString& log) const {
    QFile f(Path(log));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool ProgramFolder::WaitForLog(const QString& log, const QString& text, int timeoutMs) const {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        if (ReadLog(log).contains(text)) return true;
        QThread::msleep(20);
    }
    return false;
}

int FinishProgram(QProcess& process, int timeoutMs) {
    if (!process.waitForFinished(timeoutMs)) {
        ADD_FAILURE() << "the program did not end";
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

}  // namespace mox::test
