// The database-file menu of the input screen: another database opened for
// the rest of the run, a new one made from the template, a copy of the one
// in use; and what each leaves of unsaved values.

#include "core/compaction.h"
#include "core/files.h"
#include "platform/atomic_file.h"
#include "tests/screens/input/input_window.h"
#include "tests/support/damaged_db.h"
#include "tests/support/kill_at.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <fcntl.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mox::test {
namespace {

using platform::kNo;
using platform::kYes;
using Kind = platform::FileDialogRequest::Kind;

mode_t ModeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 0777 : 0;
}

ino_t InodeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

class FileMenu : public InputWindow {
public:
    FileMenu() {
        QDir().mkpath(Other());
        box.CopyTemplate(QStringLiteral("VXMOX2_ORG.MDB"));
    }
    QString Other() const { return box.File(QStringLiteral("other")); }
    // A database of another clinic: the template with one examination of
    // patient 1 and an older version stamp that the upgrade renews.
    QString MakeOtherDatabase(const QString& name = QStringLiteral("clinic.MDB")) {
        const QString path = Other() + u'/' + name;
        QFile::copy(box.File(QStringLiteral("VXMOX2.MDB")), path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        auto conn = db::Connection::Open(db::DataSourcePart(path));
        conn->Execute(QStringLiteral("DELETE FROM TExamData"));
        CExamData row = Row(900, 1, QDate(2019, 7, 7), 0, 2, 1);
        row.SetbData(0, 9);
        auto rs = conn->OpenRecordset(QStringLiteral("SELECT * FROM TExamData WHERE ID=?"), {-1});
        rs->AddNew();
        row.RecSetPut(*rs);
        rs->Update();
        rs->Close();
        conn->Execute(QStringLiteral("UPDATE TVersion SET Revision=0 WHERE ID=1"));
        return path;
    }
    // Values typed for patient 2 and left unsaved.
    void EnterUnsavedValues() {
        ChoosePatient(2);
        TypeDate("2024", "03", "03");
        ChooseStage(1);
        Keys(QStringLiteral("7"));
        ASSERT_TRUE(form->Entry().DataChanged);
    }
    void Menu(QAction* entry) {
        ClickButton(QStringLiteral("CmdFile"));
        ASSERT_TRUE(form->mnuFile->isVisible()) << "the file button pops the menu up";
        entry->trigger();
        form->mnuFile->hide();
    }
    long ExamsOf(int patient) {
        return Count(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=?"), {patient});
    }
};

TEST(FileMenuOpen, AnotherDatabaseIsUsedForTheRestOfTheRun) {
    FileMenu w;
    const QString other = w.MakeOtherDatabase();
    const ino_t programFolderFile = InodeOf(w.dbPath);
    w.fileAnswers.push_back(other);
    w.Menu(w.form->mnuOpen);

    ASSERT_EQ(w.fileRequests.size(), 1u);
    const platform::FileDialogRequest& r = w.fileRequests[0];
    EXPECT_EQ(r.kind, Kind::Open);
    EXPECT_EQ(r.title, QStringLiteral("開くファイルを選択して下さい"));
    EXPECT_EQ(r.folder, w.box.Path() + u'/');
    EXPECT_EQ(r.fileName, QStringLiteral("VXMOX2.MDB"));
    EXPECT_TRUE(r.filter.startsWith(QStringLiteral("データベース (")) && r.filter.contains(QStringLiteral("*.mdb")));
    EXPECT_TRUE(r.mustExist);

    EXPECT_EQ(G().AppPath(), w.Other());
    EXPECT_EQ(G().MainDbFile(), QStringLiteral("/clinic.MDB"));
    EXPECT_EQ(G().MainDbSource(), db::DataSourcePart(other));
    EXPECT_EQ(G().DbBaseName(), QStringLiteral("clinic"));
    PFrmInput& f = *w.form;
    EXPECT_EQ(f.LblPath->text(), QStringLiteral("使用中ファイル ： ") + other);
    EXPECT_EQ(f.LblPath->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(f.LblPath->font().pointSize(), 11);
    auto conn = db::Connection::Open(db::DataSourcePart(other));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Revision FROM TVersion WHERE ID=1")).ToInt64(), 1)
        << "the opened file was brought up to date";
    conn->Close();

    EXPECT_EQ(f.CmbOutNo->currentText(), QStringLiteral("1"));
    ASSERT_EQ(f.CmbEntry->count(), 1);
    EXPECT_EQ(f.CmbEntry->currentText(), QStringLiteral("2019/07/07  初診時"));
    EXPECT_FALSE(f.Entry().DataChanged);
    EXPECT_TRUE(w.Captions().empty());

    // Saving, and the compaction at the end of the run, work on that file.
    w.Keys(QStringLiteral("4"));
    w.ClickButton(QStringLiteral("CmdSave"));
    EXPECT_EQ(w.Captions().back(), QStringLiteral("正常終了"));
    EXPECT_EQ(w.ExamsOf(1), 0) << "nothing saved into the program folder's file";
    ASSERT_TRUE(CompactDatabase(1));
    EXPECT_EQ(CompactTargetPath(), w.Other() + QStringLiteral("/VXCP.MDB"));
    EXPECT_EQ(InodeOf(w.dbPath), programFolderFile) << "the program folder's file is not compacted";
    conn = db::Connection::Open(db::DataSourcePart(other));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT COUNT(*) FROM TExamData WHERE PatientID=1")).ToInt64(), 6);
}

// A file of the Windows release is converted into a new file beside it,
// which is opened and brought up to date; the chosen file stays as it was.
TEST(FileMenuOpen, AWindowsFileIsOpenedAsItsConversionBesideIt) {
    FileMenu w;
    const QString windows = w.Other() + QStringLiteral("/clinic.mdb");
    ASSERT_TRUE(QFile::copy(QStringLiteral(MOX_WINDOWS_DB_DIR "/windows.mdb"), windows));
    const QByteArray jet = Bytes(windows);
    w.fileAnswers.push_back(windows);
    w.Menu(w.form->mnuOpen);

    const QString converted = w.Other() + QStringLiteral("/clinic_変換.mdb");
    EXPECT_EQ(w.Captions(), std::vector<QString>{"変換完了"});
    EXPECT_EQ(G().MainDbSource(), db::DataSourcePart(converted));
    EXPECT_EQ(Bytes(windows), jet);
    auto conn = db::Connection::Open(db::DataSourcePart(converted));
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Major*10000+Minor*1000+Revision FROM TVersion")).ToInt64(), 10001)
        << "the converted file was brought up to date";
    EXPECT_EQ(conn->Scalar(QStringLiteral("SELECT Name FROM TPatient WHERE ID=1")).ToText(),
              QStringLiteral("𠮷田 太郎"));
    conn->Close();
    EXPECT_EQ(w.form->CmbOutNo->currentText(), QStringLiteral("1"));
}

TEST(FileMenuOpen, AFileThatCannotServeIsRefusedAndTheDatabaseInUseStays) {
    FileMenu w;
    w.EnterUnsavedValues();
    const QString text = w.Other() + QStringLiteral("/notes.mdb");
    w.box.WriteText(QStringLiteral("other/notes.mdb"), "Not a database at all");
    const QString old = w.MakeOtherDatabase(QStringLiteral("old.mdb"));
    db::Connection::Open(db::DataSourcePart(old))
        ->Execute(QStringLiteral("UPDATE TVersion SET Major=0, Minor=0, Revision=999"));
    const QString partial = w.MakeOtherDatabase(QStringLiteral("partial.mdb"));
    db::Connection::Open(db::DataSourcePart(partial))->Execute(QStringLiteral("DROP TABLE TComType"));
    const QString missing = w.Other() + QStringLiteral("/gone.mdb");
    // Another program's trigger would delete rows of other patients at a save.
    const QString trigger = w.MakeOtherDatabase(QStringLiteral("trigger.mdb"));
    db::Connection::Open(db::DataSourcePart(trigger))
        ->Execute(QStringLiteral("CREATE TRIGGER Cleanup AFTER INSERT ON TExamData BEGIN "
                                 "DELETE FROM TExamData WHERE PatientID <= 10; END"));

    PFrmInput& f = *w.form;
    for (const QString& path : {text, old, partial, missing, trigger}) {
        w.boxes.Answer(kNo);  // keep the values unsaved
        w.fileAnswers.push_back(path);
        w.Menu(f.mnuOpen);
        EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "ファイルオープンエラー"})) << path.toStdString();
        EXPECT_TRUE(w.boxes.Shown().empty());
        EXPECT_EQ(G().AppPath(), w.box.Path()) << path.toStdString();
        EXPECT_EQ(G().MainDbFile(), QStringLiteral("/VXMOX2.MDB"));
        EXPECT_TRUE(f.Entry().DataChanged) << "the values shown are still unsaved";
        EXPECT_EQ(w.Value(0, 0, 0), 7);
    }
    const auto last = w.fileRequests.size();
    EXPECT_EQ(last, 5u);

    // The screen goes on with the database in use.
    w.ClickButton(QStringLiteral("CmdSave"));
    EXPECT_EQ(w.ExamsOf(2), 6);
}

TEST(FileMenuOpen, AFileThatTakesNoWriteIsRefused) {
    FileMenu w;
    const QString other = w.MakeOtherDatabase();
    const int fd = ::open(QFile::encodeName(other).constData(), O_RDONLY);
    int flags = 0;
    const bool immutable = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                           (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (!immutable && ::geteuid() != 0) QFile::setPermissions(other, QFileDevice::ReadOwner);
    if (!immutable && ::geteuid() == 0) {
        if (fd >= 0) ::close(fd);
        GTEST_SKIP() << "neither a file flag nor a permission keeps this user from writing here";
    }
    w.fileAnswers.push_back(other);
    w.Menu(w.form->mnuOpen);
    EXPECT_EQ(w.Captions(), std::vector<QString>{"ファイルオープンエラー"});
    EXPECT_EQ(G().AppPath(), w.box.Path());
    if (immutable) {
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    if (fd >= 0) ::close(fd);
}

TEST(FileMenuOpen, UnsavedValuesAreSavedOrKeptUntilTheFileIsReallyReplaced) {
    FileMenu w;
    PFrmInput& f = *w.form;

    // No, then the dialog cancelled: the values stay, still marked.
    w.EnterUnsavedValues();
    w.boxes.Answer(kNo);
    w.Menu(f.mnuOpen);
    EXPECT_TRUE(f.Entry().DataChanged);
    EXPECT_EQ(w.Value(0, 0, 0), 7);
    EXPECT_EQ(w.ExamsOf(2), 0);

    // Yes with a save that fails: the menu stops before the dialog.
    f.TxtD->setText(QStringLiteral("32"));
    w.boxes.Answer(kYes);
    const auto asked = w.fileRequests.size();
    w.Menu(f.mnuOpen);
    EXPECT_EQ(w.fileRequests.size(), asked);
    EXPECT_TRUE(f.Entry().DataChanged);

    // Yes: saved into the file in use before the other one is opened.
    f.TxtD->setText(QStringLiteral("03"));
    const QString other = w.MakeOtherDatabase();
    w.boxes.Answer(kYes);
    w.fileAnswers.push_back(other);
    w.Menu(f.mnuOpen);
    EXPECT_EQ(w.ExamsOf(2), 6);
    EXPECT_EQ(G().AppPath(), w.Other());
    EXPECT_FALSE(f.Entry().DataChanged);

    // No, then another file: the values go with the file they belonged to.
    w.Keys(QStringLiteral("5"));
    w.boxes.Answer(kNo);
    w.fileAnswers.push_back(w.dbPath);
    w.Menu(f.mnuOpen);
    EXPECT_EQ(G().AppPath(), w.box.Path());
    EXPECT_FALSE(f.Entry().DataChanged);
    EXPECT_EQ(f.LblPath->font().pointSize(), 9) << "back on the program folder's file";
}

TEST(FileMenuCreate, ANewDatabaseFromTheTemplateNeverOverAnExistingFile) {
    FileMenu w;
    PFrmInput& f = *w.form;
    const QString existing = w.MakeOtherDatabase();
    const QByteArray before = Bytes(existing);
    w.fileAnswers.push_back(existing);
    w.Menu(f.mnuCreate);
    ASSERT_EQ(w.fileRequests.size(), 1u);
    EXPECT_EQ(w.fileRequests[0].kind, Kind::Save);
    EXPECT_EQ(w.fileRequests[0].title, QStringLiteral("新規に作成するファイルを指定して保存して下さい"));
    EXPECT_FALSE(w.fileRequests[0].confirmOverwrite) << "an existing file is refused, never asked about";
    EXPECT_EQ(w.Captions(), std::vector<QString>{"新規作成エラー"});
    EXPECT_EQ(w.boxes.Shown().size(), 0u);
    EXPECT_EQ(Bytes(existing), before);
    EXPECT_EQ(G().AppPath(), w.box.Path());

    // A disk that fills up: CopyFile says so in its own words, and nothing
    // changes.
    const QString fresh = w.Other() + QStringLiteral("/new.mdb");
    {
        platform::FileStepFault full(2, ENOSPC);
        w.fileAnswers.push_back(fresh);
        w.Menu(f.mnuCreate);
    }
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].prompt, QStringLiteral("ファイルコピー(CopyFile)でエラーが発生しました。\r\n\r\n"
                                                        "<28> ディスクの空き容量が不足しています。"));
    EXPECT_EQ(w.boxes.Shown()[0].style, 0);
    EXPECT_EQ(w.boxes.Shown()[0].caption, QStringLiteral("MOX2-CHART"));
    w.boxes.Clear();
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(G().AppPath(), w.box.Path());

    // The journal of a killed writer of a file long gone under the new name,
    // and another database's log, would be rolled into the new file: they
    // are kept under names no engine reads.
    const QString foreign = w.MakeOtherDatabase(QStringLiteral("foreign.mdb"));
    {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(foreign).constData(), &db);
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; UPDATE TPatient SET Name='foreign';",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    ASSERT_TRUE(QFile::rename(foreign + QStringLiteral("-wal"), fresh + QStringLiteral("-wal")));
    w.MakeOtherDatabase(QStringLiteral("new.mdb"));
    RunInChild([&fresh] {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(fresh).constData(), &db);
        sqlite3_exec(
            db,
            "PRAGMA cache_size=2; BEGIN; CREATE TABLE Filler(x); INSERT INTO Filler SELECT randomblob(4000) "
            "FROM (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<200) SELECT i FROM n);",
            nullptr, nullptr, nullptr);
        KillThisProcess();
    });
    ASSERT_TRUE(QFileInfo::exists(fresh + QStringLiteral("-journal")));
    QFile::remove(fresh);
    w.EnterUnsavedValues();
    w.boxes.Answer(kNo);
    w.fileAnswers.push_back(fresh);
    w.Menu(f.mnuCreate);
    ASSERT_TRUE(QFileInfo::exists(fresh));
    const QStringList kept = QDir(w.Other()).entryList({QStringLiteral("new.mdb-*")});
    ASSERT_EQ(kept.size(), 2) << kept.join(u' ').toStdString();
    EXPECT_TRUE(kept[0].startsWith(QStringLiteral("new.mdb-journal_")));
    EXPECT_TRUE(kept[1].startsWith(QStringLiteral("new.mdb-wal_")));
    EXPECT_EQ(Bytes(fresh), Bytes(test::TemplateDbPath()));
    EXPECT_EQ(db::Connection::Open(db::DataSourcePart(fresh))
                  ->Scalar(QStringLiteral("SELECT count(*) FROM TPatient WHERE Name='foreign'"))
                  .ToInt64(),
              0);
    EXPECT_EQ(ModeOf(fresh), 0600u) << "the new database holds patient data";
    EXPECT_EQ(G().AppPath(), w.Other());
    EXPECT_EQ(G().MainDbFile(), QStringLiteral("/new.mdb"));
    EXPECT_EQ(f.LblPath->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(f.CmbOutNo->currentText(), QStringLiteral("1"));
    EXPECT_EQ(f.CmbEntry->count(), 0) << "the template holds no examination of patient 1";
    EXPECT_FALSE(f.Entry().DataChanged);
    EXPECT_EQ(w.ExamsOf(2), 0) << "No: the values were not saved";
}

// A new database that cannot be made is reported and not used: it is
// owner-only from its first byte, so no step of it may fail unseen.
TEST(FileMenuCreate, ANewDatabaseThatCannotBeMadeIsReported) {
    FileMenu w;
    PFrmInput& f = *w.form;
    const QString fresh = w.Other() + QStringLiteral("/new.mdb");
    {
        platform::FileStepFault refused(1, EACCES);
        w.fileAnswers.push_back(fresh);
        w.Menu(f.mnuCreate);
    }
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].prompt, QStringLiteral("ファイルコピー(CopyFile)でエラーが発生しました。\r\n\r\n"
                                                        "<13> アクセスが拒否されました。"));
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(G().AppPath(), w.box.Path());
}

TEST(FileMenuCopy, ACopyIsMadeAnywhereButOntoTheFileInUse) {
    FileMenu w;
    PFrmInput& f = *w.form;
    w.EnterUnsavedValues();
    QFile::link(w.dbPath, w.Other() + QStringLiteral("/link.mdb"));
    for (const QString& self :
         {w.dbPath, w.box.Path() + QStringLiteral("/other/../VXMOX2.MDB"), w.Other() + QStringLiteral("/link.mdb")}) {
        w.boxes.Answer(kNo);
        w.fileAnswers.push_back(self);
        w.Menu(f.mnuSave);
        EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "指定エラー"})) << self.toStdString();
    }
    ASSERT_FALSE(w.fileRequests.empty());
    EXPECT_EQ(w.fileRequests[0].title, QStringLiteral("コピーを作成"));
    EXPECT_TRUE(w.fileRequests[0].confirmOverwrite);
    EXPECT_TRUE(QFileInfo(w.Other() + QStringLiteral("/link.mdb")).isSymLink()) << "the link was not replaced";

    // Names the programs keep in the program folder: the compaction's copy
    // (removed as the copy replaced it) and the template (patient data in
    // every new database) are refused, and no file there changes.
    w.box.WriteText(QStringLiteral("VXCP.MDB"), "compacted");
    const QString templ = w.box.File(QStringLiteral("VXMOX2_ORG.MDB"));
    const QByteArray templateBytes = Bytes(templ);
    for (const QString& reserved :
         {w.box.File(QStringLiteral("VXCP.MDB")), templ, w.box.File(QStringLiteral("vxmox2.mdb-journal"))}) {
        w.boxes.Answer(kNo);
        w.fileAnswers.push_back(reserved);
        w.Menu(f.mnuSave);
        EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "指定エラー"})) << reserved.toStdString();
    }
    EXPECT_EQ(Bytes(w.box.File(QStringLiteral("VXCP.MDB"))), QByteArray("compacted"));
    EXPECT_EQ(Bytes(templ), templateBytes);
    EXPECT_FALSE(QFileInfo::exists(w.box.File(QStringLiteral("vxmox2.mdb-journal"))));

    // A copy elsewhere, over an older file of the same name, with the
    // compaction copy of the older file that a killed exit left: the next
    // exit there must not take it for the new file's.
    const QString target = w.Other() + QStringLiteral("/VXMOX2.MDB");
    w.box.WriteText(QStringLiteral("other/VXMOX2.MDB"), "older");
    w.box.WriteText(QStringLiteral("other/VXCP.MDB"), "older, compacted");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
    w.boxes.Answer(kNo);
    w.fileAnswers.push_back(target);
    w.Menu(f.mnuSave);
    EXPECT_EQ(w.Captions(), (std::vector<QString>{"確認", "コピー作成"}));
    EXPECT_EQ(Bytes(target), Bytes(w.dbPath));
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_FALSE(QFileInfo::exists(w.Other() + QStringLiteral("/VXCP.MDB")));
    EXPECT_EQ(G().AppPath(), w.box.Path()) << "the file in use does not change";
    EXPECT_TRUE(f.Entry().DataChanged) << "a copy replaces nothing on the screen";
    EXPECT_EQ(w.Value(0, 0, 0), 7);

    // A copy that fails part-way leaves the older file as it was.
    w.box.WriteText(QStringLiteral("other/VXMOX2.MDB"), "older");
    {
        platform::FileStepFault fails(3, EIO);
        w.boxes.Answer(kNo);
        w.fileAnswers.push_back(target);
        w.Menu(f.mnuSave);
    }
    EXPECT_EQ(Bytes(target), QByteArray("older"));
    EXPECT_EQ(w.Captions().back(), QStringLiteral("コピー作成エラー"));
}

// The database in use damaged by another program (a page of the
// examinations overwritten): a copy never replaces an older copy, which may
// be the last sound one; under a new name it is made and says what it holds.
TEST(FileMenuCopy, ADamagedDatabaseNeverReplacesAnEarlierCopy) {
    FileMenu w;
    PFrmInput& f = *w.form;
    test::AddExaminations(w.dbPath);
    ASSERT_TRUE(test::MakeDamaged(w.dbPath, test::Damage::ExamLeafGarbled));
    const QByteArray damaged = Bytes(w.dbPath);
    const QString weekly = w.Other() + QStringLiteral("/WEEKLY.MDB");
    w.box.WriteText(QStringLiteral("other/WEEKLY.MDB"), "last week's sound copy");
    w.fileAnswers.push_back(weekly);
    w.Menu(f.mnuSave);
    EXPECT_EQ(Bytes(weekly), QByteArray("last week's sound copy"));
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].caption, QStringLiteral("コピー作成エラー"));
    EXPECT_TRUE(w.boxes.Shown()[0].prompt.contains(QStringLiteral("破損")) &&
                w.boxes.Shown()[0].prompt.contains(weekly))
        << w.boxes.Shown()[0].prompt.toStdString();
    w.boxes.Clear();

    const QString fresh = w.Other() + QStringLiteral("/NEW.MDB");
    w.fileAnswers.push_back(fresh);
    w.Menu(f.mnuSave);
    EXPECT_EQ(Bytes(fresh), damaged);
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].caption, QStringLiteral("コピー作成"));
    EXPECT_EQ(w.boxes.Shown()[0].style, 48);
    EXPECT_TRUE(w.boxes.Shown()[0].prompt.contains(QStringLiteral("破損したデータベース")));
    EXPECT_EQ(Bytes(w.dbPath), damaged);
    EXPECT_EQ(G().AppPath(), w.box.Path());
}

TEST(LifeCycle, TheHeadingTellsTheDetailedVersion) {
    InputWindow w;
    QTest::mouseClick(w.form->LblHead, Qt::LeftButton);
    ASSERT_EQ(w.boxes.Shown().size(), 1u);
    EXPECT_EQ(w.boxes.Shown()[0].prompt, QStringLiteral("    詳細バージョンは、Ver.%1.%2.%3 です。")
                                             .arg(MOX_VERSION_MAJOR)
                                             .arg(MOX_VERSION_MINOR)
                                             .arg(MOX_VERSION_REVISION));
    EXPECT_EQ(w.boxes.Shown()[0].style, 0);
}

}  // namespace
}  // namespace mox::test
