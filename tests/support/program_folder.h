#pragma once
// A temporary copy of the program folder in which the real executables are
// started offscreen, as a clinic would start them, with the automation
// switches: boxes logged and answered from a script, instant waits, and the
// main window closing itself.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace mox::test {

class ProgramFolder {
public:
    // Copies `files` of the built program folder (keeping their modes);
    // `subfolder` puts the folder one level down under that name.
    explicit ProgramFolder(const QStringList& files, const QString& subfolder = {});

    QString Path(const QString& name) const;

    // Starts `program`; boxes are logged to `log` and answered from
    // `answers`; the main window closes itself after closeAfterMs when that
    // is not negative.
    std::unique_ptr<QProcess> Start(const QString& program, const QString& log, const QString& answers = {},
                                    int closeAfterMs = -1, const QStringList& arguments = {}) const;

    QString ReadLog(const QString& log) const;
    bool WaitForLog(const QString& log, const QString& text, int timeoutMs = 30000) const;

private:
    QTemporaryDir dir_;
    QString path_;
};

// The exit code of a started program, or -1 (and a test failure) when it
// did not end in time or crashed.
int FinishProgram(QProcess& process, int timeoutMs = 30000);

}  // namespace mox::test
