#pragma once
// The version-up window: two version labels, the message list and four
// buttons over the update protocol. Loading it runs the start check before
// the window is first shown; CmdDown runs the update; CmdEnd starts the
// main program and ends this one.

#include "maintenance/version_up/update_protocol.h"

#include <QWidget>
#include <memory>

class QLabel;
class QListWidget;
class QPushButton;

namespace mox::platform {
class InstanceLock;
}

namespace mox::verup {

class PFrmVersionUp : public QWidget, private VersionUpView {
    Q_OBJECT
public:
    explicit PFrmVersionUp(const VersionUpSetup& setup, QWidget* parent = nullptr);
    ~PFrmVersionUp() override;

    // The start sequence. kStarted (0) when the window is to be shown;
    // another code ends the program (a second instance ends silently).
    int Form_Load();

    void CmdDown_Click();
    void CmdEnd_Click();
    void CmdShowLog_Click();
    void CmdDeleteLog_Click();

    VersionUpProtocol& Protocol() { return protocol_; }

    QLabel* Label1;
    QLabel* lblRSVer;
    QLabel* Label2;
    QLabel* lblLVer;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    QLabel* LblTest;
    QListWidget* lstL;
    QPushButton* CmdDown;
    QPushButton* CmdEnd;
    QPushButton* CmdShowLog;
    QPushButton* CmdDeleteLog;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ListMessage(const QString& text) override;
    void ShowProgress(const QString& text) override;
    void SetButtonsEnabled(bool enabled) override;
    void SetDownEnabled(bool enabled) override;
    void SetDownHighlighted(bool highlighted) override;
    void ShowLocalVersion(const QString& text) override;
    void ShowRemoteVersion(const QString& text) override;
    void KeepResponsive() override;

    void DropProgressLine();

    VersionUpSetup setup_;
    VersionUpProtocol protocol_;
    std::unique_ptr<platform::InstanceLock> ownLock_;
    // The user closed the window during a run: it closes when the run has
    // stopped.
    bool closeAfterRun_ = false;
    // When KeepResponsive last let the window's events run (the clock's time).
    qint64 lastEventsMs_ = -1;
};

}  // namespace mox::verup
