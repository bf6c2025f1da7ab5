#pragma once
// The patient-number box of both screens: a number typed into it is taken
// when the box is left, the same way on the input screen and on the chart
// screen.

#include "platform/message_box.h"
#include "records/patient_record.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QString>
#include <functional>

namespace mox {

// The list entry that holds the typed number becomes the choice, without
// the box's own change signal, and `choose` runs as a click would; a number
// the list does not hold gets the range box, and `restore` puts the shown
// choice back.
inline void TakeTypedPatientNumber(QComboBox& box, const QString& text, const std::function<void()>& choose,
                                   const std::function<void()>& restore) {
    // At most nine digits: the number fits the list's int data.
    const qint64 number = PatientNumberOf(text);
    if (const int i = number >= 0 ? box.findData(int(number)) : -1; i >= 0) {
        {
            const QSignalBlocker blocker(&box);
            box.setCurrentIndex(i);
        }
        choose();
        return;
    }
    platform::MsgBox(QStringLiteral("患者番号が範囲外です。再入力してください。"), 16, QStringLiteral("範囲外エラー"));
    restore();
}

}  // namespace mox
