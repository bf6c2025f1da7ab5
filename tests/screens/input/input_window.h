#pragma once
// The input screen's window on the shared set-up, with the steps a user
// takes on it.

#include "screens/input/pfrm_input.h"
#include "tests/screens/input/input_test_support.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace mox::test {

class InputWindow : public InputScreenEnvironment {
public:
    InputWindow() { Make(); }
    void Make() {
        form.reset();
        form = std::make_unique<PFrmInput>([this] { ++endRuns; });
        form->Form_Load();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get())) ADD_FAILURE() << "the window did not become active";
    }

    // A choice in a list as the user makes it.
    void ChoosePatient(int number) {
        const int index = form->CmbOutNo->findData(number);
        ASSERT_GE(index, 0);
        form->CmbOutNo->setCurrentIndex(index);
        emit form->CmbOutNo->activated(index);
    }
    void ChooseEntry(int index) {
        form->CmbEntry->setCurrentIndex(index);
        emit form->CmbEntry->activated(index);
    }
    void ChooseStage(int stage) { form->CmbStage->setCurrentIndex(form->CmbStage->findData(stage)); }
    void TypePatientNumber(const QString& text) {
        form->CmbOutNo->setEditText(text);
        emit form->CmbOutNo->lineEdit()->editingFinished();
    }
    void TypeDate(const QString& y, const QString& m, const QString& d) {
        form->TxtY->setText(y);
        form->TxtM->setText(m);
        form->TxtD->setText(d);
    }
    // Keys typed while the focus is on the grid (or on the control given).
    void Keys(const QString& keys, QWidget* target = nullptr) {
        QWidget* w = target ? target : form->Grid().ThWindow(form->Entry().CurrentButton());
        w->setFocus();
        for (QChar c : keys) QTest::keyClick(w, c.toLatin1());
    }
    void Key(Qt::Key key, QWidget* target) {
        target->setFocus();
        QTest::keyClick(target, key);
    }
    int Value(int row, int tooth, int site = 0) { return form->Grid().Data(row * 32 + tooth, 0, site); }
    void ClickButton(const QString& name, int index = -1) {
        QWidget* w = form->ButtonWindow(name, index);
        ASSERT_NE(w, nullptr) << name.toStdString();
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
    }
    // Saves the grab of the window when MOX_SCREENSHOT_DIR names a folder.
    void Grab(const QString& name) {
        const QString dir = qEnvironmentVariable("MOX_SCREENSHOT_DIR");
        if (dir.isEmpty()) return;
        QDir().mkpath(dir);
        form->grab().save(dir + u'/' + name + QStringLiteral(".png"));
    }

    std::unique_ptr<PFrmInput> form;
    int endRuns = 0;
};

}  // namespace mox::test
