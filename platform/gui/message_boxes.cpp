#include "platform/gui/message_boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
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
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        KeepLinesWhole();
    }
    // The box sizes itself again on every layout request.
    bool event(QEvent* event) override {
        const bool handled = QMessageBox::event(event);
        if (event->type() == QEvent::LayoutRequest) KeepLinesWhole();
        return handled;
    }
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

private:
    // Qt wraps a text wider than half the screen (500 pixels at most), and
    // Japanese anywhere, inside a word too (「しまし／た。」). The messages
    // break their lines where the text means a break; the box is made wide
    // enough for its widest line where the screen has room for it.
    void KeepLinesWhole() {
        auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        if (!label || !label->wordWrap() || !layout()) return;
        int widest = 0;
        for (const QString& line : label->text().split(QLatin1Char('\n')))
            widest = qMax(widest, label->fontMetrics().horizontalAdvance(line));
        const int room = screen() ? screen()->availableGeometry().width() * 9 / 10 : 0;
        if (widest + width() - label->width() > room) return;
        label->setWordWrap(false);
        layout()->activate();
        const QSize whole = layout()->totalMinimumSize().expandedTo(QSize(width(), 0));
        // It was placed for its first size: it grows to both sides of that.
        if (centreX_ < 0) centreX_ = x() + width() / 2;
        move(centreX_ - whole.width() / 2, y());
        setFixedSize(whole);
        // What the label's change asked for is done.
        QCoreApplication::removePostedEvents(this, QEvent::LayoutRequest);
    }

    int centreX_ = -1;
};

}  // namespace

int ShowWidgetMessageBox(const ShownBox& box, QWidget* parent) {
    // A text is shown as written: a file name with "<b>" in it is no markup.
    // A carriage return alone breaks the line, as on Windows (the numbered
    // messages are written so); Qt would show it as a blank.
    QString prompt = box.prompt;
    prompt.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    VbMessageBox dialog(Icon(box.style), box.caption, QString(), QMessageBox::NoButton,
                        parent ? parent : QApplication::activeWindow());
    dialog.setTextFormat(Qt::PlainText);
    dialog.setText(prompt);
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
