#include "maintenance/version_up/pfrm_version_up.h"

#include "maintenance/version_up/verup_common.h"
#include "platform/clock.h"
#include "platform/gui/colour.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "platform/instance_lock.h"
#include "platform/message_box.h"
#include "shell/program_start.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <tuple>

namespace mox::verup {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
// Marks the passing progress line of the list.
constexpr int kProgressRole = Qt::UserRole + 1;

void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(platform::TwipsRect(left, top, width, height));
}

QLabel* MakeLabel(QWidget* parent, const QString& text, const QString& family) {
    auto* label = new QLabel(text, parent);
    label->setFont(QFont(family, 10));
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 10));
    return button;
}

// A caption and, to its right, the framed box that shows a version number
// centred: the window has one pair for the installed release and one for
// the server's.
std::tuple<QLabel*, QLabel*, QLabel*> MakeVersionBox(QWidget* parent, const QString& caption, int left,
                                                     int captionWidth) {
    QLabel* title = MakeLabel(parent, caption, QStringLiteral("ＭＳ Ｐゴシック"));
    Place(title, left, 660, captionWidth, 300);
    const int frameLeft = left + captionWidth;
    auto* frame = new QLabel(parent);
    frame->setStyleSheet(QStringLiteral("background-color: white; border: 1px solid gray;"));
    Place(frame, frameLeft, 600, 1980, 420);
    QLabel* version = MakeLabel(parent, QString(), QStringLiteral("ＭＳ ゴシック"));
    version->setAlignment(Qt::AlignCenter);
    Place(version, frameLeft + 60, 640, 1860, 340);
    return {title, frame, version};
}

}  // namespace

PFrmVersionUp::PFrmVersionUp(const VersionUpSetup& setup, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      setup_(setup),
      protocol_(*this, setup) {
    const QString gothicP = QStringLiteral("ＭＳ Ｐゴシック");
    setFixedSize(platform::TwipsToPixelsX(7260), platform::TwipsToPixelsY(5760));
    setAutoFillBackground(true);

    Label5 = MakeLabel(this, QStringLiteral("インターネット接続が必要です"), gothicP);
    Place(Label5, 240, 180, 4200, 300);
    LblTest = MakeLabel(this, QStringLiteral("テスト環境"), gothicP);
    LblTest->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0); font-weight: bold;"));
    Place(LblTest, 5400, 180, 1560, 300);

    std::tie(Label2, Label4, lblLVer) = MakeVersionBox(this, QStringLiteral("現バージョン"), 240, 1080);
    std::tie(Label1, Label3, lblRSVer) = MakeVersionBox(this, QStringLiteral("最新バージョン"), 3600, 1260);

    lstL = new QListWidget(this);
    lstL->setFont(QFont(gothicP, 10));
    Place(lstL, 240, 1260, 6780, 3420);

    CmdDown = MakeButton(this, QStringLiteral("バージョンアップ"));
    Place(CmdDown, 240, 4860, 1800, 540);
    CmdShowLog = MakeButton(this, QStringLiteral("ログ表示"));
    Place(CmdShowLog, 2280, 4860, 1440, 540);
    CmdDeleteLog = MakeButton(this, QStringLiteral("ログ内容クリア"));
    Place(CmdDeleteLog, 3840, 4860, 1560, 540);
    CmdEnd = MakeButton(this, QStringLiteral("終 了"));
    Place(CmdEnd, 5580, 4860, 1440, 540);

    connect(CmdDown, &QPushButton::clicked, this, &PFrmVersionUp::CmdDown_Click);
    connect(CmdEnd, &QPushButton::clicked, this, &PFrmVersionUp::CmdEnd_Click);
    connect(CmdShowLog, &QPushButton::clicked, this, &PFrmVersionUp::CmdShowLog_Click);
    connect(CmdDeleteLog, &QPushButton::clicked, this, &PFrmVersionUp::CmdDeleteLog_Click);
}

PFrmVersionUp::~PFrmVersionUp() = default;

int PFrmVersionUp::Form_Load() {
    ownLock_ = std::make_unique<platform::InstanceLock>(setup_.programFolder, setup_.ownFileName);
    if (!ownLock_->TryAcquire()) return kSecondInstance;

    platform::CenterForm(this, QString::fromUtf8(kBackColorText).toUInt());
    setWindowTitle(QString::fromUtf8(kProductName) + QStringLiteral(" バージョンアップ"));
    LblTest->setVisible(protocol_.Server().testMode);
    protocol_.RemoveLeftoverWorkFolders();
    AddFirewallRules();
    protocol_.StartupCheck();
    return kStarted;
}

void PFrmVersionUp::CmdDown_Click() {
    SetDownHighlighted(false);
    {
        const platform::Hourglass hourglass;
        protocol_.RunVersionUp();
    }
    if (closeAfterRun_) close();
}

void PFrmVersionUp::CmdEnd_Click() {
    const QString mainProgram = setup_.programFolder + QLatin1Char('/') + setup_.mainLockName;
    if (!QProcess::startDetached(mainProgram, {}, setup_.programFolder)) {
        protocol_.AddMessage(QStringLiteral("ＭＯＸチャートを起動できませんでした。"));
        platform::MsgBox(QStringLiteral("ＭＯＸチャートを起動できませんでした。") + kCrLf + kCrLf + mainProgram, 16,
                         QStringLiteral("エラー"));
        return;
    }
    close();
}

void PFrmVersionUp::CmdShowLog_Click() {
    const QString log = LogPath();
    if (!QFileInfo(log).isFile()) {
        platform::MsgBox(QStringLiteral("ログファイルが見つかりません。") + kCrLf + kCrLf + log, 48,
                         QStringLiteral("ファイルなし"));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(log)))
        platform::MsgBox(QStringLiteral("ログファイルを表示できませんでした。") + kCrLf + kCrLf + log, 48,
                         QStringLiteral("ログ表示"));
}

void PFrmVersionUp::CmdDeleteLog_Click() {
    if (platform::MsgBox(QStringLiteral("ログファイルをクリアします。よろしいですか？"), 49, QStringLiteral("確認")) !=
        platform::kOk)
        return;
    ClearLog();
    lstL->clear();
}

void PFrmVersionUp::closeEvent(QCloseEvent* event) {
    // A busy run is asked to stop; the window goes once it has, so that
    // nothing is left half installed and the main program's lock is free.
    if (protocol_.Busy) {
        if (!closeAfterRun_) WriteLog(QStringLiteral("利用者の操作により中止します。"), 1);
        closeAfterRun_ = true;
        protocol_.RequestCancel();
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void PFrmVersionUp::DropProgressLine() {
    const int last = lstL->count() - 1;
    if (last >= 0 && lstL->item(last)->data(kProgressRole).toBool()) delete lstL->takeItem(last);
}

void PFrmVersionUp::ListMessage(const QString& text) {
    DropProgressLine();
    lstL->addItem(text);
    lstL->setCurrentRow(lstL->count() - 1);
    platform::ProcessEvents();
}

void PFrmVersionUp::ShowProgress(const QString& text) {
    const int last = lstL->count() - 1;
    if (last >= 0 && lstL->item(last)->data(kProgressRole).toBool()) {
        lstL->item(last)->setText(text);
    } else {
        auto* item = new QListWidgetItem(text);
        item->setData(kProgressRole, true);
        lstL->addItem(item);
    }
    lstL->setCurrentRow(lstL->count() - 1);
    platform::ProcessEvents();
}

void PFrmVersionUp::SetButtonsEnabled(bool enabled) {
    for (QPushButton* button : {CmdDown, CmdEnd, CmdShowLog, CmdDeleteLog}) button->setEnabled(enabled);
}

void PFrmVersionUp::SetDownEnabled(bool enabled) { CmdDown->setEnabled(enabled); }

void PFrmVersionUp::SetDownHighlighted(bool highlighted) {
    CmdDown->setStyleSheet(highlighted ? QStringLiteral("background-color: rgb(255, 0, 0);") : QString());
}

void PFrmVersionUp::ShowLocalVersion(const QString& text) { lblLVer->setText(text); }

void PFrmVersionUp::ShowRemoteVersion(const QString& text) { lblRSVer->setText(text); }

void PFrmVersionUp::KeepResponsive() {
    // Often enough to repaint and take a close, seldom enough not to slow
    // a fast transfer.
    const qint64 now = platform::CurrentClock().MonotonicMs();
    if (lastEventsMs_ >= 0 && now - lastEventsMs_ < 100) return;
    lastEventsMs_ = now;
    platform::ProcessEvents();
}

}  // namespace mox::verup
