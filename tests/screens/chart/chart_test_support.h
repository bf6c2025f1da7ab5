#pragma once
// The set-up the chart screen's tests share: the input screen's
// environment (a program folder with a fresh database copy, the modules
// registered, the shared records and tables, fake clock and sound, scripted
// boxes) with the tooth pictures in the folder and the examination items
// loaded as the input screen loads them; patients set up row by row; and
// the steps a user takes on the window.

#include "platform/gui/painter_target.h"
#include "platform/gui/printer_dialog.h"
#include "records/exam_store.h"
#include "screens/chart/pfrm_chart_dr.h"
#include "tests/printing/pdf_pages.h"
#include "tests/screens/input/input_test_support.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace mox::test {

// The build's tooth pictures into the BMP folder of a program folder.
inline void CopyToothPictures(const Sandbox& box) {
    QDir().mkpath(box.Path() + QStringLiteral("/BMP"));
    const QDir pictures(ProgramDir() + QStringLiteral("/BMP"));
    for (const QString& name : pictures.entryList({QStringLiteral("*.gif")}, QDir::Files))
        QFile::copy(pictures.filePath(name), box.Path() + QStringLiteral("/BMP/") + name);
}

class ChartScreenEnvironment : public InputScreenEnvironment {
public:
    ChartScreenEnvironment() {
        CopyToothPictures(box);
        MainDbUse use;
        ReadExamItems(Globals().SubExamRows);
    }
    ~ChartScreenEnvironment() { platform::SetPrinterDialogAnswerer(nullptr); }

    // The chart screen opened as the input screen opens it, for `patient`
    // (-1 for none).
    std::unique_ptr<PFrmChartDR> Open(int32_t patient) {
        G().CurPatientId = patient;
        auto window = std::make_unique<PFrmChartDR>();
        window->Form_Load();
        return window;
    }

    // A patient chosen in the list as the user does it.
    static void Choose(PFrmChartDR& w, int number) {
        const int index = w.CmbOutNo->findData(number);
        ASSERT_GE(index, 0);
        w.CmbOutNo->setCurrentIndex(index);
        emit w.CmbOutNo->activated(index);
    }
    // A patient number typed into the box, which is then left.
    static void Type(PFrmChartDR& w, const QString& text) {
        w.CmbOutNo->setEditText(text);
        emit w.CmbOutNo->lineEdit()->textEdited(text);
        emit w.CmbOutNo->lineEdit()->editingFinished();
    }

    // One examination row; site values as given (others 128), states as given.
    void AddExamRow(int32_t id, int32_t patient, const QDate& date, int16_t stage, int32_t row, int32_t item,
                    const std::map<int, int>& values = {}, const std::map<int, int16_t>& states = {},
                    const QTime& time = QTime(0, 0)) {
        CExamData r = Row(id, patient, date, row, item, stage);
        r.ExamDate = QDateTime(date, time);
        for (const auto& [site, v] : values) r.SetbData(int16_t(site), int16_t(v));
        for (const auto& [t, s] : states) r.SetnBui(int16_t(t), s);
        AddRow(r);
    }
    void AddPatient(int32_t id, const QString& name, const QString& birthday, int16_t sex,
                    const QString& appName = QString()) {
        Db()->Execute(QStringLiteral("INSERT INTO TPatient (ID, Name, BirthDay, Sex, AppName) VALUES (?, ?, ?, ?, ?)"),
                      {id, name, birthday, sex, appName});
    }

    // Saves the grab of a widget when MOX_SCREENSHOT_DIR names a folder.
    static void Grab(QWidget& w, const QString& name) {
        const QString dir = qEnvironmentVariable("MOX_SCREENSHOT_DIR");
        if (dir.isEmpty()) return;
        QDir().mkpath(dir);
        w.grab().save(dir + u'/' + name + QStringLiteral(".png"));
    }
};

}  // namespace mox::test
