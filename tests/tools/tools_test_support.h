#pragma once
// The set-up the tools tests share: a temporary program folder holding a
// fresh copy of the template database as the main database, the colour
// button module registered into the test's own registry, a fake clock,
// scripted message boxes, a file dialog that answers from a queue, and an
// end of the program that throws instead of ending the test.

#include "controls/colour_button/prismet_properties.h"
#include "core/connections.h"
#include "core/program_end.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/com/control_host.h"
#include "platform/db/database.h"
#include "platform/gui/file_dialog.h"
#include "platform/gui/japanese_ui.h"
#include "platform/message_box.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace mox::test {

struct FatalEnd {};

inline QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline unsigned ModeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Lets window events run until `done` holds or the time is up; the result
// of `done` at the end. (QTRY_ macros report to QtTest, not to GoogleTest.)
inline bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000) {
    for (int waited = 0; !done() && waited < timeoutMs; waited += 20) QTest::qWait(20);
    return done();
}

inline db::ConnectionPtr OpenDb(const QString& path) { return db::Connection::Open(db::DataSourcePart(path)); }

class ToolsEnvironment {
public:
    ToolsEnvironment() {
        ResetAllSlots();
        SetEndProgramHandler([] { throw FatalEnd{}; });
        platform::RegisterFontSubstitutes();
        mainDb = box.CopyTemplate();
        Settings& g = G();
        g.ProgramDir = box.Path();
        g.SetMainDatabase(mainDb);
        g.SharedDbKind = 0;
        g.IdPrefix = 1;
        clock.SetNow(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 30)));
        QString error;
        const QString module = ProgramDir() + QStringLiteral("/libPrismet.so");
        if (!com::Succeeded(com::EnsureModuleRegistered(module, QString::fromLatin1(prismet::kClsidPrismet), &error)))
            ADD_FAILURE() << "module not registered: " << error.toStdString();
        platform::SetFileDialogAnswerer([this](const platform::FileDialogRequest& request) {
            requests.push_back(request);
            if (dialogAnswers.empty()) return std::optional<QString>();
            const std::optional<QString> answer = dialogAnswers.front();
            dialogAnswers.pop_front();
            return answer;
        });
    }
    ~ToolsEnvironment() {
        platform::SetFileDialogAnswerer({});
        ResetAllSlots();
        SetEndProgramHandler({});
        G().SharedDbKind = 0;
    }

    QString Folder(const QString& name) const {
        QDir(box.Path()).mkpath(name);
        return box.File(name);
    }
    // The boxes shown so far, as "caption|text".
    QStringList Boxes() const {
        QStringList shown;
        for (const platform::ShownBox& b : boxes.Shown()) shown << b.caption + QLatin1Char('|') + b.prompt;
        return shown;
    }
    static void Click(QWidget* button) {
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, button->rect().center());
    }
    // Saves the grab of a window when MOX_SCREENSHOT_DIR names a folder.
    static void Grab(QWidget* window, const QString& name) {
        const QString dir = qEnvironmentVariable("MOX_SCREENSHOT_DIR");
        if (dir.isEmpty()) return;
        QDir().mkpath(dir);
        window->grab().save(dir + u'/' + name + QStringLiteral(".png"));
    }

    Sandbox box;
    platform::ScriptedMsgBoxes boxes;
    platform::FakeClock clock;
    QString mainDb;
    std::deque<std::optional<QString>> dialogAnswers;
    std::vector<platform::FileDialogRequest> requests;
};

}  // namespace mox::test
