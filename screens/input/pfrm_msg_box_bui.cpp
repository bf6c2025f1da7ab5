#include "screens/input/pfrm_msg_box_bui.h"

#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "screens/input/entry/exam_entry.h"
#include "screens/input/modal_window.h"

#include <QLabel>

namespace mox {

namespace {

const QString kQuestion = QStringLiteral("入力する部位を指定してください。");

}  // namespace

PFrmMsgBoxBui::PFrmMsgBoxBui(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      MsgBoxBuiResult(kSitesCancelled) {
    setObjectName(QStringLiteral("PFrmMsgBoxBui"));
    setWindowTitle(QStringLiteral("部位指定"));
    setFixedSize(platform::TwipsRect(0, 0, 5400, 1800).size());
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    LblMessage = new QLabel(kQuestion, this);
    LblMessage->setObjectName(QStringLiteral("LblMessage"));
    LblMessage->setGeometry(platform::TwipsRect(240, 180, 4920, 480));
    LblMessage->setWordWrap(true);
    LblMessage->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 10, QFont::Bold));
    buttons_.Add(this, QStringLiteral("CmdNonExam"), -1, platform::TwipsRect(240, 900, 1560, 540),
                 [this] { CmdNonExam_Click(); });
    buttons_.Add(this, QStringLiteral("CmdAllExam"), -1, platform::TwipsRect(1920, 900, 1560, 540),
                 [this] { CmdAllExam_Click(); });
    buttons_.Add(this, QStringLiteral("CmdCancel"), -1, platform::TwipsRect(3600, 900, 1560, 540),
                 [this] { CmdCancel_Click(); });
    buttons_.ReportFailure();
}

void PFrmMsgBoxBui::Form_Load() {
    MsgBoxBuiResult = kSitesCancelled;
    LblMessage->setText((MessagePrefix + kQuestion).trimmed());
    platform::CenterForm(this, G().FormBackColor);
}

void PFrmMsgBoxBui::CmdNonExam_Click() { Answer(kUnexaminedSites); }

void PFrmMsgBoxBui::CmdAllExam_Click() { Answer(kAllSites); }

void PFrmMsgBoxBui::CmdCancel_Click() { Answer(kSitesCancelled); }

void PFrmMsgBoxBui::Answer(int result) {
    PlayWave(QStringLiteral("click1.wav"));
    MsgBoxBuiResult = result;
    close();
}

int PFrmMsgBoxBui::Ask(QWidget* parent, const QString& prefix) {
    PFrmMsgBoxBui box(parent);
    box.MessagePrefix = prefix;
    box.Form_Load();
    RunModal(box);
    return box.MsgBoxBuiResult;
}

}  // namespace mox
