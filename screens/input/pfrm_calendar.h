#pragma once
// PFrmCalendar, the date picker ("日付入力") of the input screen's date
// button: a month calendar that opens on the date given, OK and Cancel. A
// click on a day moves the focus to OK; a double click is OK. Cancel, or the
// close box, leaves the date as it was given.

#include <QDate>
#include <QDialog>
#include <optional>

class QCalendarWidget;
class QPushButton;

namespace mox {

class PFrmCalendar final : public QDialog {
    Q_OBJECT
public:
    explicit PFrmCalendar(QWidget* parent = nullptr);

    void Form_Load();
    void BtnOK_Click();
    void BtnCancel_Click();
    void MonthView_DateClick();
    void MonthView_DateDblClick();

    // The date given to the picker; after OK, the date chosen.
    QDate CalendarDate;

    QCalendarWidget* MonthView = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;

    // Shows the picker modally on `date`; the date chosen, or nothing when
    // the user cancelled.
    static std::optional<QDate> Pick(QWidget* parent, const QDate& date);

private:
    bool chosen_ = false;
};

}  // namespace mox
