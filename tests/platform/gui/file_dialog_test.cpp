#include "platform/gui/file_dialog.h"
#include "platform/gui/japanese_ui.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

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

// A backup's dated name is what tells one day's backup from another: the
// chooser shows it whole, and the size, type and date beside it, however
// narrow an earlier dialog left the columns.
TEST(FileDialog, RealDialogShowsTheTypicalNameAndItsSizeTypeAndDateWhole) {
    LoadJapaneseTranslations();
    QTemporaryDir dir;
    const QStringList names = {QStringLiteral("VXMOX2_20261208_0919.MDB"), QStringLiteral("VXMOX2_20261201_0900.MDB")};
    for (const QString& name : names) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(312345, 'x'));
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("控え")));
    FileDialogRequest open;
    open.title = QStringLiteral("復元するファイルの指定");
    open.folder = dir.path();
    open.filter = QStringLiteral("データベースファイル (*.mdb *.MDB)");
    open.typicalName = QStringLiteral("VXMOX2_20261208_1405.MDB");

    for (const int narrowedTo : {0, 40}) {
        SCOPED_TRACE(narrowedTo);
        if (narrowedTo) {
            // What a user who narrowed every column leaves for the next dialog.
            WhenDialogShows([&](QFileDialog* d) {
                auto* tree = d->findChild<QTreeView*>(QStringLiteral("treeView"));
                for (int c = 0; tree && c < 4; ++c) tree->header()->resizeSection(c, narrowedTo);
                QMetaObject::invokeMethod(d, "reject");
            });
            ShowFileDialog(FileDialogRequest{FileDialogRequest::Kind::Open, {}, dir.path()});
        }
        std::vector<std::pair<QString, int>> cut;
        int rows = 0;
        WhenDialogShows([&](QFileDialog* d) {
            auto* tree = d->findChild<QTreeView*>(QStringLiteral("treeView"));
            auto* model = d->findChild<QFileSystemModel*>();
            if (tree && model) {
                const QModelIndex folder = model->index(dir.path());
                for (int waited = 0; model->rowCount(folder) < 3 && waited < 5000; waited += 20) QTest::qWait(20);
                rows = model->rowCount(folder);
                for (int r = 0; r < rows; ++r)
                    for (int c = 0; c < 4; ++c) {
                        const QModelIndex i = model->index(r, c, folder);
                        const QRect cell = tree->visualRect(i);
                        if (cell.width() < tree->sizeHintForIndex(i).width() ||
                            cell.right() >= tree->viewport()->width())
                            cut.emplace_back(i.data().toString(), c);
                    }
                const QString grabs = qEnvironmentVariable("MOX_SCREENSHOT_DIR");
                if (!grabs.isEmpty()) d->grab().save(grabs + QStringLiteral("/restore_file_dialog.png"));
            }
            QMetaObject::invokeMethod(d, "reject");
        });
        EXPECT_EQ(ShowFileDialog(open), std::nullopt);
        EXPECT_EQ(rows, 3);
        for (const auto& [text, column] : cut)
            ADD_FAILURE() << "cut: " << text.toStdString() << " in column " << column;
    }
}

}  // namespace
