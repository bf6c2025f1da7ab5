#include "platform/gui/file_dialog.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTimer>

using namespace mox::platform;

namespace {

// Acts on the real dialog once it is up, as a user would.
void WhenDialogShows(std::function<void(QFileDialog*)> act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible()) return act(dialog);
        WhenDialogShows(act);
    });
}

TEST(FileDialog, AnswererTakesTheRequestInsteadOfAWindow) {
    FileDialogRequest seen;
    SetFileDialogAnswerer([&](const FileDialogRequest& r) -> std::optional<QString> {
        seen = r;
        return r.kind == FileDialogRequest::Kind::Save ? std::optional<QString>(QStringLiteral("/x/y.MDB"))
                                                       : std::nullopt;
    });
    FileDialogRequest save;
    save.kind = FileDialogRequest::Kind::Save;
    save.title = QStringLiteral("コピーを作成");
    EXPECT_EQ(ShowFileDialog(save), QStringLiteral("/x/y.MDB"));
    EXPECT_EQ(seen.title, QStringLiteral("コピーを作成"));
    EXPECT_EQ(ShowFileDialog(FileDialogRequest{}), std::nullopt);
    SetFileDialogAnswerer(nullptr);
}

TEST(FileDialog, RealDialogStartsInTheFolderAndGivesTheChosenFileOrNothing) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("VXMOX2.MDB"));
    QFile(file).open(QIODevice::WriteOnly);
    FileDialogRequest open;
    open.title = QStringLiteral("開く");
    open.folder = dir.path();
    open.fileName = QStringLiteral("VXMOX2.MDB");
    open.filter = QStringLiteral("MDB (*.MDB *.mdb)");

    QString shownFolder;
    WhenDialogShows([&](QFileDialog* d) {
        shownFolder = d->directory().absolutePath();
        QMetaObject::invokeMethod(d, "accept");
    });
    EXPECT_EQ(ShowFileDialog(open), file);
    EXPECT_EQ(shownFolder, dir.path());

    WhenDialogShows([](QFileDialog* d) { QMetaObject::invokeMethod(d, "reject"); });
    EXPECT_EQ(ShowFileDialog(open), std::nullopt);
}

}  // namespace
