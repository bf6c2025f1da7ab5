#pragma once
// PFrmConvert, the converter's working window. It shows the ten patient
// numbers of each database of the older release (column A: vexaMOX.MDB,
// column B: vexaMOXDH.MDB) and the thirty patient slots of the current
// database (column C). A click on a source number and then on a target
// number maps the one onto the other; a slot that holds a patient asks
// first. Nothing is written before the conversion is confirmed; the
// conversion saves a copy of the database, then carries out every mapping
// at once (patient_copy.h). The command buttons are colour buttons, made by
// class id through the control host.

#include "controls/colour_button/colour_button_set.h"
#include "converter/patient_copy.h"
#include "platform/com/control_host.h"

#include <QLabel>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace mox::convert {

// A label that reports a click, as the form's number labels do.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class PFrmConvert : public QWidget {
    Q_OBJECT
public:
    // `endProgram` runs last in the unload (the program ends there);
    // `copySteps` is handed to each conversion (ConvertPatients).
    explicit PFrmConvert(std::function<void()> endProgram, CopyStepHook copySteps = {}, QWidget* parent = nullptr);
    ~PFrmConvert() override;

    void Form_Load();
    void RefreshMapping();

    void lblA_Click(int index);
    void lblB_Click(int index);
    void lblC_Click(int index);
    void CmdClear_Click(int index);
    void CmdConvert_Click();
    void CmdEnd_Click();

    // Window state.
    int32_t SelectedA = -1;
    int32_t SelectedB = -1;
    std::array<int16_t, 11> HasA{};
    std::array<int16_t, 11> HasB{};
    std::array<int16_t, 31> HasTarget{};
    // Per target slot: 0 none, 1..10 source-A patient, 11..20 source-B patient.
    std::array<int16_t, 31> Mapping{};

    QLabel* Label2;
    QLabel* lblFolder;
    std::array<ClickLabel*, 10> lblA{};
    std::array<ClickLabel*, 10> lblB{};
    std::array<ClickLabel*, 30> lblC{};
    QLabel* lblArrowA;
    QLabel* lblArrowB;
    QLabel* lblArrow;
    QLabel* LblVer;
    // The command buttons: CmdClear(0..29), CmdConvert, CmdEnd. Null for
    // one that could not be made.
    com::HostedControl* Button(const QString& name, int index = -1) const { return buttons_.Button(name, index); }
    QWidget* ButtonWindow(const QString& name, int index = -1) const { return buttons_.Window(name, index); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Unload();
    void BuildLabels();
    void BuildButtons();
    void ChooseSource(int index, bool columnA);
    void ShowArrowBeside(QLabel* arrow, const QLabel* number);
    void HideArrows();
    void ColourTarget(int index);
    std::vector<PatientMapping> ChosenMappings() const;
    void ReportConversion(const QString& backupPath, const std::optional<ConversionFailure>& failure);

    std::function<void()> endProgram_;
    CopyStepHook copySteps_;
    prismet::ColourButtonSet buttons_{QStringLiteral(":/converter/convert_window_buttons.ini")};
    bool unloaded_ = false;
};

}  // namespace mox::convert
