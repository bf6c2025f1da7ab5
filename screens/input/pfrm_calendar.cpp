#include "screens/input/pfrm_calendar.h"

#include "core/settings.h"
#include "core/sound/play_wave.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "screens/input/modal_window.h"

#include <QCalendarWidget>
#include <QLocale>
#include <QPushButton>

namespace mox {

PFrmCalendar::PFrmCalendar(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("PFrmCalendar"));
    setWindowTitle(QStringLiteral("日付入力"));
    setFixedSize(platform::TwipsRect(0, 0, 4560, 4080).size());
    setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    MonthView = new QCalendarWidget(this);
    MonthView->setObjectName(QStringLiteral("MonthView"));
    MonthView->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    MonthView->setFirstDayOfWeek(Qt::Sunday);
    MonthView->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    MonthView->setGeometry(platform::TwipsRect(120, 120, 4320, 3180));
    BtnOK = new QPushButton(QStringLiteral("OK"), this);
    BtnOK->setObjectName(QStringLiteral("BtnOK"));
    BtnOK->setGeometry(platform::TwipsRect(1200, 3420, 1500, 450));
    BtnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    BtnCancel->setObjectName(QStringLiteral("BtnCancel"));
    BtnCancel->setGeometry(platform::TwipsRect(2880, 3420, 1500, 450));
    connect(BtnOK, &QPushButton::clicked, this, [this] { BtnOK_Click(); });
    connect(BtnCancel, &QPushButton::clicked, this, [this] { BtnCancel_Click(); });
    connect(MonthView, &QCalendarWidget::clicked, this, [this] { MonthView_DateClick(); });
    // A double click on a day (or Enter on it) is OK.
    connect(MonthView, &QCalendarWidget::activated, this, [this] { MonthView_DateDblClick(); });
}

void PFrmCalendar::Form_Load() {
    platform::CenterForm(this, G().FormBackColor);
    if (CalendarDate.isValid()) MonthView->setSelectedDate(CalendarDate);
}

void PFrmCalendar::BtnOK_Click() {
    PlayWave(QStringLiteral("click1.wav"));
    CalendarDate = MonthView->selectedDate();
    chosen_ = true;
    close();
}

void PFrmCalendar::BtnCancel_Click() {
    PlayWave(QStringLiteral("click1.wav"));
    close();
}

void PFrmCalendar::MonthView_DateClick() { BtnOK->setFocus(); }

void PFrmCalendar::MonthView_DateDblClick() { BtnOK_Click(); }

std::optional<QDate> PFrmCalendar::Pick(QWidget* parent, const QDate& date) {
    PFrmCalendar picker(parent);
    picker.CalendarDate = date;
    picker.Form_Load();
    RunModal(picker);
    if (!picker.chosen_) return std::nullopt;
    return picker.CalendarDate;
}

}  // namespace mox
