#pragma once
// The input screen's grid on the real tooth buttons: Th(0..127) created by
// the tooth button's class id and driven only by dispatch id, with their
// labels LblTh(0..127) beside them.

#include "platform/com/control_host.h"
#include "screens/input/entry/tooth_grid.h"

#include <QString>
#include <array>
#include <memory>

class QLabel;
class QWidget;

namespace mox {

class DispatchToothGrid final : public ToothGrid {
public:
    DispatchToothGrid();
    ~DispatchToothGrid() override;

    // Creates the 128 buttons and labels on `form` at the grid's place.
    // False, with the reason, when the tooth button module cannot make them;
    // the grid then answers every read with nothing.
    bool Create(QWidget* form, QString* error);

    com::HostedControl& Th(int i) { return *th_[i]; }
    QLabel* LblTh(int i) { return labels_[i]; }
    // The button's window, for focus and clicks.
    QWidget* ThWindow(int i) const { return th_[i]->Window(); }

    void SetSystemType(int i, int32_t type) override;
    void SetToothIndex(int i, int32_t index) override;
    void SetExamIndex(int i, int32_t index) override;
    void SetGradationPart(int i, int k, int32_t value) override;
    void SetBrightness(int i, int k, int32_t value) override;
    void SetValueColor(int i, int k, int32_t colour) override;
    int32_t ExamMode(int i) const override;
    void SetExamMode(int i, int32_t mode) override;
    int32_t Data(int i, int nExam, int nIndex) const override;
    void SetData(int i, int nExam, int nIndex, int32_t value) override;
    int32_t PlaqueData(int i) const override;
    void SetPlaqueData(int i, int32_t faces) override;
    int32_t PlaqueUnTreat(int i) const override;
    void SetPlaqueUnTreat(int i, int32_t faces) override;
    void SetRoot(int i, int16_t kind) override;
    bool Enabled(int i) const override;
    void SetEnabled(int i, bool enabled) override;
    void SetFocusItem(int i, int16_t site) override;
    void Refresh(int i) override;
    void RefreshChanged() override;
    void SetLabel(int i, const QString& caption, uint32_t foreColour, uint32_t backColour) override;

private:
    struct Shown {
        QString caption;
        uint32_t fore = 0xFFFFFFFF;
        uint32_t back = 0xFFFFFFFF;
    };
    std::array<std::unique_ptr<com::HostedControl>, kGridButtons> th_;
    std::array<QLabel*, kGridButtons> labels_{};
    std::array<Shown, kGridButtons> shown_;
};

// The grid's geometry in twips: buttons 705 square and 690 apart, row 0's
// jaws at 1725 and 2955 from the top, each further row 2230 lower.
inline constexpr int kGridLeftTwips = 1500;
inline constexpr int kGridTopTwips = 1725;
inline constexpr int kButtonTwips = 705;
inline constexpr int kButtonPitchTwips = 690;
inline constexpr int kJawPitchTwips = 1230;
inline constexpr int kRowPitchTwips = 2230;

}  // namespace mox
