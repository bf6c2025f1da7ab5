#include "tools/pfrm_import.h"

#include "core/connections.h"
#include "core/program_log.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/gui/file_dialog.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "platform/message_box.h"
#include "records/patient_record.h"
#include "records/shared_records.h"
#include "tools/backup_path.h"
#include "tools/contact_info.h"
#include "tools/database_copy.h"
#include "tools/image_record.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QUrl>

namespace mox {

using platform::TwipsRect;

const char* const kFaqAddress = "http://www.qd-norvale.co.jp/MOX/FAQ.html";

namespace {

const QString kCrLf2 = QStringLiteral("\r\n\r\n");

QLabel* AddHeading(QWidget* page, const QString& name, const QString& text, const QRect& twips) {
    QLabel* label = AddLabel(page, name, text, twips);
    label->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 12, QFont::Bold));
    return label;
}

QLineEdit* AddTextBox(QWidget* page, const QString& name, const QRect& twips, int maxLength) {
    auto* box = new QLineEdit(page);
    box->setObjectName(name);
    box->setGeometry(TwipsRect(twips));
    box->setMaxLength(maxLength);
    return box;
}

void AddFrame(QWidget* page, const QRect& twips) {
    auto* frame = new QFrame(page);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setGeometry(TwipsRect(twips));
    frame->lower();
}

}  // namespace

QString ManualPath() {
    return G().ProgramDir + QStringLiteral("/ミラド協会認定検査データ作成ソフト MOX-Chart Ver4 操作マニュアル.pdf");
}

PFrmImport::PFrmImport(std::function<void()> showInputScreen, QWidget* parent)
    : QWidget(parent), showInputScreen_(std::move(showInputScreen)) {
    setWindowTitle(QStringLiteral("MOX-Chart"));
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 10));
    setFixedSize(TwipsRect(0, 0, 11640, 8400).size());

    SSTabTool = new QTabWidget(this);
    SSTabTool->setObjectName(QStringLiteral("SSTabTool"));
    SSTabTool->setGeometry(TwipsRect(120, 120, 11400, 7320));
    const std::array<QString, 5> captions = {
        QStringLiteral("　データのバックアップ　"), QStringLiteral("　データの復元　"),
        QStringLiteral("　Vexaline からのインポート　"), QStringLiteral("操作マニュアル他"),
        QStringLiteral("バージョンアップの確認")};
    std::array<QWidget*, 5> pages{};
    for (int i = 0; i < 5; ++i) {
        pages[i] = new QWidget;
        pages[i]->setAutoFillBackground(true);
        SSTabTool->addTab(pages[i], captions[i]);
    }
    BuildBackUpTab(pages[kTabBackUp]);
    BuildRestoreTab(pages[kTabRestore]);
    BuildImportTab(pages[kTabImport]);
    BuildManualTab(pages[kTabManual]);
    BuildVersionUpTab(pages[kTabVersionUp]);

    buttons_.Add(this, QStringLiteral("CmdEnd"), -1, TwipsRect(9120, 7620, 2400, 600), [this] { CmdEnd_Click(); });
    connect(SSTabTool, &QTabWidget::currentChanged, this, [this] { SSTabTool_Click(); });
}

PFrmImport::~PFrmImport() { ReleaseSibling(); }

void PFrmImport::BuildBackUpTab(QWidget* page) {
    AddHeading(page, QStringLiteral("Label12"), QStringLiteral("データのバックアップ"), {240, 180, 5000, 400});
    AddLabel(page, QStringLiteral("Label2"),
             QStringLiteral("バックアップデータを保存するフォルダ（外部記憶装置や他のPCのフォルダ）"),
             {240, 780, 10800, 300});
    LblPathBackUp = AddPathBox(page, QStringLiteral("LblPathBackUp"), {240, 1140, 8400, 360});
    buttons_.Add(page, QStringLiteral("CmdPathBackUp"), -1, TwipsRect(8880, 1080, 1920, 480),
                 [this] { CmdPathBackUp_Click(); });
    AddLabel(page, QStringLiteral("Label23"), QStringLiteral("バックアップデータを保存するファイル名 （変更可能）"),
             {240, 1740, 10800, 300});
    TxtFile = AddTextBox(page, QStringLiteral("TxtFile"), {240, 2100, 5400, 360}, 255);
    buttons_.Add(page, QStringLiteral("CmdBackUp"), -1, TwipsRect(240, 2820, 2520, 600), [this] { CmdBackUp_Click(); });
    AddFrame(page, {240, 3720, 10800, 1560});
    LblResultBackUp = AddLabel(page, QStringLiteral("LblResultBackUp"), QStringLiteral("結果"), {360, 3840, 4000, 300});
    LblSrcBackUp = AddLabel(page, QStringLiteral("LblSrcBackUp"), QString(), {360, 4260, 10560, 300});
    LblDesBackUp = AddLabel(page, QStringLiteral("LblDesBackUp"), QString(), {360, 4680, 10560, 300});
}

void PFrmImport::BuildRestoreTab(QWidget* page) {
    AddHeading(page, QStringLiteral("Label13"), QStringLiteral("データの復元"), {240, 180, 5000, 400});
    AddLabel(page, QStringLiteral("Label16"), QStringLiteral("バックアップで保存されたファイル"),
             {240, 780, 10800, 300});
    LblPathRestore = AddPathBox(page, QStringLiteral("LblPathRestore"), {240, 1140, 8400, 360});
    buttons_.Add(page, QStringLiteral("CmdPathRestore"), -1, TwipsRect(8880, 1080, 1920, 480),
                 [this] { CmdPathRestore_Click(); });
    buttons_.Add(page, QStringLiteral("CmdRestore"), -1, TwipsRect(240, 1860, 2520, 600),
                 [this] { CmdRestore_Click(); });
    AddFrame(page, {240, 2760, 10800, 1980});
    LblResultRestore =
        AddLabel(page, QStringLiteral("LblResultRestore"), QStringLiteral("結果"), {360, 2880, 4000, 300});
    LblSrcRestore = AddLabel(page, QStringLiteral("LblSrcRestore"), QString(), {360, 3300, 10560, 300});
    LblDesRestore = AddLabel(page, QStringLiteral("LblDesRestore"), QString(), {360, 3720, 10560, 300});
    LblDesRestoreBackup = AddLabel(page, QStringLiteral("LblDesRestoreBackup"), QString(), {360, 4140, 10560, 300});
}

void PFrmImport::BuildImportTab(QWidget* page) {
    FrmImport = new QFrame(page);
    FrmImport->setObjectName(QStringLiteral("FrmImport"));
    FrmImport->setGeometry(TwipsRect(120, 60, 11040, 6720));
    QWidget* f = FrmImport;
    const QFont gothic(QStringLiteral("ＭＳ ゴシック"), 10);

    LblHead =
        AddHeading(f, QStringLiteral("LblHead"), QStringLiteral("Vexaline からのインポート"), {120, 120, 6000, 400});
    AddLabel(f, QStringLiteral("Label17"), QStringLiteral("Vexaline"), {1140, 660, 2900, 300})->setFont(gothic);
    AddLabel(f, QStringLiteral("Label18"), QStringLiteral("MOX（本システム）"), {4440, 660, 2900, 300})
        ->setFont(gothic);
    const std::array<std::pair<const char16_t*, int>, 4> rows = {
        {{u"患者番号", 1020}, {u"氏名", 1440}, {u"性別", 1800}, {u"誕生日", 2160}}};
    for (const auto& [text, y] : rows) AddLabel(f, QString(), QString::fromUtf16(text), {120, y, 1020, 300});

    TxtInNo = AddTextBox(f, QStringLiteral("TxtInNo"), {1140, 960, 2880, 360}, 50);
    TxtInNo->installEventFilter(this);
    connect(TxtInNo, &QLineEdit::textChanged, this, [this] { TxtInNo_Change(); });
    LblArrow = AddLabel(f, QStringLiteral("LblArrow"), QString(), {4020, 960, 420, 360});
    LblArrow->setAlignment(Qt::AlignCenter);
    CmbOutNo = new QComboBox(f);
    CmbOutNo->setObjectName(QStringLiteral("CmbOutNo"));
    CmbOutNo->setGeometry(TwipsRect(4440, 960, 1300, 360));
    CmbOutNo->installEventFilter(this);
    connect(CmbOutNo, &QComboBox::activated, this, [this] { CmbOutNo_Click(); });
    for (int side = 0; side < 2; ++side) {
        const int x = side == 0 ? 1140 : 4440;
        const QString index = QStringLiteral("(%1)").arg(side);
        LblName[side] = AddLabel(f, QStringLiteral("LblName") + index, QString(), {x, 1440, 3000, 300});
        LblSex[side] = AddLabel(f, QStringLiteral("LblSex") + index, QString(), {x, 1800, 3000, 300});
        LblBirth[side] = AddLabel(f, QStringLiteral("LblBirth") + index, QString(), {x, 2160, 2960, 300});
    }

    LstVX3 = new QListWidget(f);
    LstVX3->setObjectName(QStringLiteral("LstVX3"));
    LstVX3->setGeometry(TwipsRect(1140, 2580, 2880, 3180));
    LstVX3->setSelectionMode(QAbstractItemView::MultiSelection);
    LstVX3->setFont(gothic);
    LstPRL = new QListWidget(f);
    LstPRL->setObjectName(QStringLiteral("LstPRL"));
    LstPRL->setGeometry(TwipsRect(4440, 2580, 2880, 3180));
    LstPRL->setSelectionMode(QAbstractItemView::NoSelection);
    LstPRL->setFont(gothic);

    buttons_.Add(f, QStringLiteral("CmdAllOn"), -1, TwipsRect(1140, 5880, 1380, 480), [this] { CmdAllOn_Click(); });
    buttons_.Add(f, QStringLiteral("CmdAllOff"), -1, TwipsRect(2640, 5880, 1380, 480), [this] { CmdAllOff_Click(); });
    buttons_.Add(f, QStringLiteral("CmdImport"), -1, TwipsRect(4440, 5880, 1380, 480), [this] { CmdImport_Click(); });
    buttons_.Add(f, QStringLiteral("CmdNext"), -1, TwipsRect(5940, 5880, 1380, 480), [this] { CmdNext_Click(); });

    // The instructions; a sentence that runs over two labels goes on indented.
    const std::array<std::pair<const char16_t*, int>, 13> steps = {{
        {u"≪インポート手順≫", 0},
        {u"① Vexaline と ＭＯＸ（本システム）の", 0},
        {u"患者番号を指定する。", 240},
        {u"② Vexaline の検査日を指定する。", 0},
        {u"③ 「インポート開始」 をクリックする。", 0},
        {u"④ 別の患者のインポートは、「次の患者」 をクリックし、", 0},
        {u"①②③を繰り返す。", 240},
        {u"≪注意事項≫", 0},
        {u"（１） 医院用患者番号は、Vexaline の", 0},
        {u"患者番号で上書きされます。", 360},
        {u"（２） ＭＯＸに同一日付のデータが存在する場合、", 0},
        {u"ＭＯＸの同一日付のデータを削除して、", 360},
        {u"Vexaline のデータをインポートします。", 360},
    }};
    // Each label wraps inside the column and the next one goes below it.
    int y = TwipsRect(0, 660, 0, 0).y();
    const QRect column = TwipsRect(7560, 0, 3420, 0);
    for (const auto& [text, indent] : steps) {
        if (text[0] == u'≪' && y > TwipsRect(0, 660, 0, 0).y()) y += TwipsRect(0, 0, 0, 180).height();
        QLabel* label = AddLabel(f, QString(), QString::fromUtf16(text), {0, 0, 0, 0});
        label->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 8));
        label->setWordWrap(true);
        const int x = column.x() + TwipsRect(indent, 0, 0, 0).x();
        const int width = column.width() - (x - column.x());
        const int height = label->heightForWidth(width);
        label->setGeometry(x, y, width, height);
        y += height + 4;
    }
}

void PFrmImport::BuildManualTab(QWidget* page) {
    buttons_.Add(page, QStringLiteral("CmdFAQ"), -1, TwipsRect(2400, 1440, 6000, 720), [this] { CmdFAQ_Click(); });
    buttons_.Add(page, QStringLiteral("CmdManual"), -1, TwipsRect(2400, 2760, 6000, 720),
                 [this] { CmdManual_Click(); });
}

void PFrmImport::BuildVersionUpTab(QWidget* page) {
    AddLabel(page, QStringLiteral("Label28"), QStringLiteral("所属医療機関名、または、医院名"), {1200, 720, 8400, 300});
    TxtClinic = AddTextBox(page, QStringLiteral("TxtClinic"), {1200, 1080, 8400, 360}, kContactFieldLength);
    AddLabel(page, QStringLiteral("Label31"), QStringLiteral("担当者名"), {1200, 1680, 8400, 300});
    TxtTanto = AddTextBox(page, QStringLiteral("TxtTanto"), {1200, 2040, 5000, 360}, kContactFieldLength);
    AddLabel(page, QStringLiteral("Label32"), QStringLiteral("担当者のE-mail"), {1200, 2640, 8400, 300});
    TxtMail = AddTextBox(page, QStringLiteral("TxtMail"), {1200, 3000, 6600, 360}, kContactFieldLength);
    buttons_.Add(page, QStringLiteral("CmdVersionUp"), -1, TwipsRect(1200, 3840, 3600, 660),
                 [this] { CmdVersionUp_Click(); });
    AddLabel(page, QStringLiteral("Label33"), QStringLiteral("※システムを終了して、バージョンアップの確認をします。"),
             {1200, 4740, 9600, 300});
    AddLabel(page, QStringLiteral("Label34"), QStringLiteral("※インターネット接続が必要です。"),
             {1200, 5100, 9600, 300});
}

void PFrmImport::Form_Load() {
    {
        const platform::Hourglass hourglass;
        platform::CenterFormTop(this, G().FormBackColor);
        platform::SetBackColor(FrmImport, G().FormBackColor);
        for (int i = 0; i < SSTabTool->count(); ++i) platform::SetBackColor(SSTabTool->widget(i), G().FormBackColor);
        SSTabTool->setTabEnabled(kTabImport, G().SharedDbKind != 0);

        mox::LoadBackUpPath(LblPathBackUp, BackUpFolder);
        for (QLabel* l : {LblResultBackUp, LblSrcBackUp, LblDesBackUp, LblResultRestore, LblSrcRestore, LblDesRestore,
                          LblDesRestoreBackup})
            l->clear();
        TxtFile->setText(BackUpFileName(G().DbBaseName(), platform::CurrentClock().Now()));

        if (G().SharedDbKind >= 1) {
            TxtInNo->clear();
            LstVX3->clear();
            LstPRL->clear();
            CmbOutNo->clear();
            for (int n : PatientNumbers()) CmbOutNo->addItem(QString::number(n), n);
            CmbOutNo->setCurrentIndex(-1);
            ClearImportLabels();
            LblArrow->setText(QStringLiteral("→"));
            FrmImport->setVisible(true);
        }
        SSTabTool->setCurrentIndex(kTabBackUp);
    }
    show();
    buttons_.ReportFailure();
}

void PFrmImport::ClearImportLabels() {
    for (int side = 0; side < 2; ++side) {
        LblName[side]->clear();
        LblSex[side]->clear();
        LblBirth[side]->clear();
    }
}

void PFrmImport::SSTabTool_Click() {
    if (SSTabTool->currentIndex() == kTabVersionUp) EnterVersionUpTab();
}

void PFrmImport::CmdEnd_Click() {
    if (SSTabTool->currentIndex() == kTabVersionUp && !SaveContactInfo()) return;
    close();
}

void PFrmImport::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void PFrmImport::Form_Unload() {
    ReleaseSibling();
    if (unloaded_ || endingForVersionUp_) return;
    unloaded_ = true;
    if (showInputScreen_) showInputScreen_();
}

bool PFrmImport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CmbOutNo && event->type() == QEvent::FocusIn) CmbOutNo_GotFocus();
    if (watched == TxtInNo && event->type() == QEvent::FocusIn) {
        // After the focus event, or the click that brought it would undo
        // the selection.
        QMetaObject::invokeMethod(TxtInNo, &QLineEdit::selectAll, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void PFrmImport::CmdPathBackUp_Click() {
    const std::optional<QString> folder = ChooseBackUpFolder(this, BackUpFolder);
    if (!folder) return;
    BackUpFolder = *folder;
    LblPathBackUp->setText(BackUpFolder);
    mox::SaveBackUpPath(LblPathBackUp, BackUpFolder);
}

void PFrmImport::CmdBackUp_Click() {
    LblResultBackUp->clear();
    LblSrcBackUp->clear();
    LblDesBackUp->clear();
    if (LblPathBackUp->text().isEmpty()) {
        platform::MsgBox(QStringLiteral("バックアップデータを保存するフォルダを指定してください。"), 16,
                         QStringLiteral("フォルダ指定"));
        CmdPathBackUp_Click();
        return;
    }
    const QString name = TxtFile->text();
    if (!IsPlainFileName(name)) {
        platform::MsgBox(QStringLiteral("バックアップデータを保存するファイル名が正しくありません。") + kCrLf2 +
                             QStringLiteral("「/」や制御文字を含まないファイル名を入力してください。"),
                         16, QStringLiteral("指定エラー"));
        TxtFile->setFocus();
        return;
    }
    const QString source = G().MainDb().Path();
    const QString target = LblPathBackUp->text() + QLatin1Char('/') + name;
    if (!BackUpDatabase(source, target)) return;
    LblResultBackUp->setText(QStringLiteral("バックアップ結果"));
    LblSrcBackUp->setText(QStringLiteral("コピー元：") + source);
    LblDesBackUp->setText(QStringLiteral("コピー先：") + target);
}

void PFrmImport::CmdPathRestore_Click() {
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogRequest::Kind::Open;
    request.title = QStringLiteral("復元するファイルの指定");
    // Backups are looked for where they are made.
    request.folder = QFileInfo(BackUpFolder).isDir() ? BackUpFolder : G().ProgramDir;
    request.filter = QStringLiteral("データベースファイル (*.mdb *.MDB)");
    request.mustExist = true;
    request.typicalName = BackUpFileName(G().DbBaseName(), platform::CurrentClock().Now());
    const std::optional<QString> file = platform::ShowFileDialog(request, this);
    if (file) LblPathRestore->setText(*file);
}

void PFrmImport::CmdRestore_Click() {
    for (QLabel* l : {LblResultRestore, LblSrcRestore, LblDesRestore, LblDesRestoreBackup}) l->clear();
    const QString source = LblPathRestore->text();
    const QString target = G().MainDb().Path();
    if (platform::MsgBox(QStringLiteral("現在のデータはバックアップ後、上書きされます。") + kCrLf2 +
                             QStringLiteral("復元を実行してもよろしいですか？"),
                         4 + 48, QStringLiteral("復元確認")) != platform::kYes)
        return;
    const RestoreResult result = RestoreDatabase(source, target, G().AppPath(), G().DbBaseName());
    if (result.restored) {
        LblResultRestore->setText(QStringLiteral("復元結果"));
        LblSrcRestore->setText(QStringLiteral("復元元：") + source);
        LblDesRestore->setText(QStringLiteral("復元先：") + target);
    }
    if (!result.safetyCopy.isEmpty())
        LblDesRestoreBackup->setText(QStringLiteral("復元先バックアップ：") + result.safetyCopy);
}

bool PFrmImport::SiblingReady() {
    if (G().SharedDbKind <= 0) return false;
    if (!siblingHeld_) siblingHeld_ = OpenSharedDbOrEnd();
    if (siblingHeld_ && !siblingChecked_) {
        siblingChecked_ = true;
        const Failure problem = SiblingLayoutProblem();
        siblingReadable_ = !problem;
        if (problem) {
            LogFailure(problem);
            platform::MsgBox(FailureText(problem) + kCrLf2 + QStringLiteral("Vexaline からのインポートはできません。"),
                             48, QStringLiteral("インポート"));
        }
    }
    return siblingHeld_ && siblingReadable_;
}

void PFrmImport::ReleaseSibling() {
    if (!siblingHeld_) return;
    siblingHeld_ = false;
    ReleaseSharedDb();
}

void PFrmImport::TxtInNo_Change() {
    FindSourcePatient();
    ListSourceExamDates();
}

void PFrmImport::FindSourcePatient() {
    SourcePatientID = -1;
    LblName[0]->clear();
    LblSex[0]->clear();
    LblBirth[0]->clear();
    if (!SiblingReady()) return;
    const std::optional<SourcePatient> patient = mox::FindSourcePatient(TxtInNo->text());
    if (!patient) return;
    SourcePatientID = patient->id;
    LblName[0]->setText(patient->name.ToText());
    LblSex[0]->setText(SexLabel(patient->sex));
    LblBirth[0]->setText(BirthdayLabelOf(patient->birthDay));
}

void PFrmImport::ListSourceExamDates() {
    LstVX3->clear();
    sourceDates_.clear();
    if (SourcePatientID == -1 || !SiblingReady()) return;
    sourceDates_ = mox::ListSourceExamDates(SourcePatientID);
    for (const SourceExamDate& date : sourceDates_) LstVX3->addItem(date.text);
}

void PFrmImport::CmbOutNo_GotFocus() { cmbOutNoText_ = CmbOutNo->currentText(); }

void PFrmImport::CmbOutNo_Click() {
    if (CmbOutNo->currentText() == cmbOutNoText_) return;
    cmbOutNoText_ = CmbOutNo->currentText();
    const MainDbHold hold;
    if (!hold) return;
    ShowPatient();
    ListExamDates();
}

void PFrmImport::ShowPatient() {
    if (CmbOutNo->currentIndex() < 0 || !LoadTargetPatient(CmbOutNo->currentData().toInt())) return;
    const CPatient& patient = *Globals().CurPatient;
    LblName[1]->clear();
    LblSex[1]->setText(SexLabel(patient.Sex));
    LblBirth[1]->setText(BirthdayLabelOf(patient.BirthDay));
}

void PFrmImport::ListExamDates() {
    LstPRL->clear();
    if (CmbOutNo->currentIndex() < 0) return;
    for (const TargetExamDate& line : ListTargetExamDates(CmbOutNo->currentData().toInt())) {
        auto* item = new QListWidgetItem(line.text, LstPRL);
        item->setData(Qt::UserRole, line.commentId);
    }
}

void PFrmImport::CmdImport_Click() {
    if (SourcePatientID == -1) {
        platform::MsgBox(QStringLiteral("ＶＸの患者番号が指定されていません。"), 48, QStringLiteral("入力エラー"));
        TxtInNo->setFocus();
        return;
    }
    if (CmbOutNo->currentIndex() < 0) {
        platform::MsgBox(QStringLiteral("ＭＯＸ（本システム）の患者番号が指定されていません。"), 48,
                         QStringLiteral("入力エラー"));
        CmbOutNo->setFocus();
        return;
    }
    std::vector<SourceExamDate> chosen;
    for (int i = 0; i < LstVX3->count() && i < static_cast<int>(sourceDates_.size()); ++i)
        if (LstVX3->item(i)->isSelected()) chosen.push_back(sourceDates_[i]);
    if (chosen.empty()) {
        platform::MsgBox(QStringLiteral("ＶＸの検査日付が指定されていません。"), 48, QStringLiteral("入力エラー"));
        return;
    }
    if (platform::MsgBox(QStringLiteral("インポートを開始します。") + kCrLf2 + QStringLiteral("よろしいですか？"),
                         4 + 48, QStringLiteral("確認")) != platform::kYes) {
        TxtInNo->setFocus();
        return;
    }

    ImportOutcome outcome;
    {
        const platform::Hourglass hourglass;
        outcome = ImportExaminations(SourcePatientID, CmbOutNo->currentData().toInt(), chosen);
        const MainDbHold hold;
        if (hold) {
            ShowPatient();
            ListExamDates();
        }
    }
    if (outcome.imported) {
        platform::MsgBox(QStringLiteral("インポートが完了しました。"), 64, QStringLiteral("完了"));
    } else {
        LogFailure(outcome.failure);
        platform::MsgBox(FailureText(outcome.failure), 16, QStringLiteral("インポートエラー"));
    }
    TxtInNo->setFocus();
}

void PFrmImport::CmdAllOn_Click() {
    if (LstVX3->count() == 0) return;
    LstVX3->selectAll();
    LstVX3->setFocus();
    LstVX3->update();
}

void PFrmImport::CmdAllOff_Click() {
    if (LstVX3->count() == 0) return;
    LstVX3->clearSelection();
    LstVX3->setFocus();
    LstVX3->update();
}

void PFrmImport::CmdNext_Click() {
    const platform::Hourglass hourglass;
    TxtInNo->clear();
    LstVX3->clear();
    sourceDates_.clear();
    // The empty text's lookup may have found a patient whose dates are no
    // longer listed: nothing is chosen until a number is typed.
    SourcePatientID = -1;
    LstPRL->clear();
    CmbOutNo->setCurrentIndex(-1);
    cmbOutNoText_.clear();
    ClearImportLabels();
    TxtInNo->setFocus();
}

void PFrmImport::CmdFAQ_Click() { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kFaqAddress))); }

void PFrmImport::CmdManual_Click() { QDesktopServices::openUrl(QUrl::fromLocalFile(ManualPath())); }

void PFrmImport::EnterVersionUpTab() {
    TxtClinic->clear();
    TxtTanto->clear();
    TxtMail->clear();
    CImage().CheckTable();
    const ContactInfo info = ReadContactInfo();
    TxtClinic->setText(info.clinic);
    TxtTanto->setText(info.tanto);
    TxtMail->setText(info.mail);
    InstallNewVersionUp(G().ProgramDir);
}

bool PFrmImport::SaveContactInfo() {
    return mox::SaveContactInfo({TxtClinic->text(), TxtTanto->text(), TxtMail->text()});
}

void PFrmImport::CmdVersionUp_Click() {
    if (!SaveContactInfo()) return;
    if (TxtClinic->text().trimmed().isEmpty() || TxtTanto->text().trimmed().isEmpty() ||
        TxtMail->text().trimmed().isEmpty()) {
        platform::MsgBox(QStringLiteral("入力項目に空欄があります。入力してください。"), 48, QStringLiteral("未入力"));
        return;
    }
    if (!StartVersionUp(G().ProgramDir)) return;
    endingForVersionUp_ = true;
    EndForVersionUp();
}

void ShowToolsWindow(std::function<void()> showInputScreen) {
    auto* window = new PFrmImport(std::move(showInputScreen));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->Form_Load();
}

}  // namespace mox
