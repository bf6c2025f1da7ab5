#pragma once
// PFrmMsgBoxBui, the site-selection question box ("部位指定"): before a
// whole-row plaque button fills in findings, it asks whether only the sites
// not yet examined or all sites are to be set. It stays above every other
// window while open, and closing it with its close box cancels.

#include "controls/colour_button/colour_button_set.h"

#include <QDialog>

class QLabel;

namespace mox {

class PFrmMsgBoxBui final : public QDialog {
    Q_OBJECT
public:
    explicit PFrmMsgBoxBui(QWidget* parent = nullptr);

    void Form_Load();
    void CmdNonExam_Click();
    void CmdAllExam_Click();
    void CmdCancel_Click();

    // Text the caller may put in front of the question.
    QString MessagePrefix;
    // kUnexaminedSites, kAllSites or kSitesCancelled.
    int MsgBoxBuiResult;

    QLabel* LblMessage = nullptr;
    prismet::ColourButtonSet& Buttons() { return buttons_; }

    // Shows the box modally over `parent`; its answer.
    static int Ask(QWidget* parent, const QString& prefix = QString());

private:
    void Answer(int result);
    prismet::ColourButtonSet buttons_{QStringLiteral(":/input/input_buttons.ini")};
};

}  // namespace mox
