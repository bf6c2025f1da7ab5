#include "platform/gui/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

namespace mox::platform {
namespace {

QString ButtonText(int answer) {
    switch (answer) {
        case kCancel:
            return QStringLiteral("キャンセル");
        case kAbort:
            return QStringLiteral("中止(&A)");
        case kRetry:
            return QStringLiteral("再試行(&R)");
        case kIgnore:
            return QStringLiteral("無視(&I)");
        case kYes:
            return QStringLiteral("はい(&Y)");
        case kNo:
            return QStringLiteral("いいえ(&N)");
        default:
            return QStringLiteral("OK");
    }
}

QMessageBox::ButtonRole Role(int answer) {
    switch (answer) {
        case kCancel:
        case kAbort:
            return QMessageBox::RejectRole;
        case kNo:
            return QMessageBox::NoRole;
        case kYes:
            return QMessageBox::YesRole;
        default:
            return QMessageBox::AcceptRole;
    }
}

QMessageBox::Icon Icon(int style) {
    switch (style & kMsgIconMask) {
        case 0x10:
            return QMessageBox::Critical;
        case 0x20:
            return QMessageBox::Question;
        case 0x30:
            return QMessageBox::Warning;
        case 0x40:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Windows closes a box with Escape (or the close box) only when it has a
// Cancel button, or OK alone; Abort/Retry/Ignore and Yes/No boxes must be
// answered with a button and keep the keyboard. Qt would take No or Abort
// for Escape.
class VbMessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool escapable = false;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && !escapable) return;
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override {
        if (!escapable && !clickedButton()) {
            event->ignore();
            // A window manager may have taken the focus for its close
            // button: the box that stays is where the next key must go. The
            // window is asked directly, since the toolkit may not have seen
            // the focus go yet.
            raise();
            if (QWindow* window = windowHandle()) window->requestActivate();
            return;
        }
        QMessageBox::closeEvent(event);
    }
};

}  // namespace

int ShowWidgetMessageBox(const ShownBox& box, QWidget* parent) {
    VbMessageBox dialog(Icon(box.style), box.caption, box.prompt, QMessageBox::NoButton,
                        parent ? parent : QApplication::activeWindow());
    const std::vector<int> answers = ButtonAnswers(box.style);
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (int answer : answers) {
        QPushButton* button = dialog.addButton(ButtonText(answer), Role(answer));
        buttons.emplace_back(button, answer);
        if (answer == DefaultAnswer(box.style)) dialog.setDefaultButton(button);
    }
    for (auto& [button, answer] : buttons) {
        if (answer == kCancel || (answers.size() == 1 && answer == kOk)) {
            dialog.setEscapeButton(button);
            dialog.escapable = true;
        }
    }
    dialog.exec();
    for (auto& [button, answer] : buttons)
        if (dialog.clickedButton() == button) return answer;
    return answers.size() == 1 ? answers.front() : kCancel;
}

void InstallWidgetMessageBoxes() {
    SetMsgBoxPresenter([](const ShownBox& box) { return ShowWidgetMessageBox(box); });
}

}  // namespace mox::platform
