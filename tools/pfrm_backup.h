#pragma once
// PFrmBackup, the backup window of the program's end: offered after Yes to
// the backup question, it copies the main database into a folder of the
// user's choice under a name that carries the minute the window opened.
// However it closes, it shows the compaction window, which ends the
// program; the window never ends the program itself.

#include "controls/colour_button/colour_button_set.h"
#include "tools/tool_controls.h"

#include <QWidget>
#include <functional>

class QLabel;

namespace mox {

class PFrmBackup : public QWidget {
    Q_OBJECT
public:
    // `showCompactWindow` runs once, when the window unloads.
    explicit PFrmBackup(std::function<void()> showCompactWindow, QWidget* parent = nullptr);
    ~PFrmBackup() override;

    void Form_Load();
    void LoadBackUpPath();
    void SaveBackUpPath();
    void CmdPathBackUp_Click();
    void CmdBackUp_Click();
    void CmdEnd_Click();

    QWidget* ButtonWindow(const QString& name) const { return buttons_.Window(name); }

    QLabel* Label2;
    QLabel* LblPathBackUp;
    QLabel* LblSrcBackUp;
    QLabel* LblDesBackUp;

    QString BackUpFolder;
    QString BackUpFileName;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();
    void ShowDestination();

    std::function<void()> showCompactWindow_;
    prismet::ColourButtonSet buttons_{QStringLiteral(":/tools/tools_buttons.ini"), QStringLiteral("PFrmBackup.")};
    bool unloaded_ = false;
};

// Shows the backup window modeless; it deletes itself when it closes.
void ShowBackupWindow(std::function<void()> showCompactWindow);

}  // namespace mox
