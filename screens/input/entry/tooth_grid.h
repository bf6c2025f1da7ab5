#pragma once
// The 128 tooth buttons of the input screen and their labels, as the
// examination entry drives them: Th(i) and LblTh(i), i = display row × 32 +
// tooth index. The input screen implements it on the tooth button controls,
// each reached only through its dispatch members; the entry never sees a
// widget, so it runs without a window.

#include <QString>
#include <cstdint>

namespace mox {

inline constexpr int kGridRows = 4;
inline constexpr int kGridButtons = 128;

class ToothGrid {
public:
    virtual ~ToothGrid() = default;

    // Identity and colours, set when the window loads.
    virtual void SetSystemType(int i, int32_t type) = 0;
    virtual void SetToothIndex(int i, int32_t index) = 0;
    virtual void SetExamIndex(int i, int32_t index) = 0;
    virtual void SetGradationPart(int i, int k, int32_t value) = 0;
    virtual void SetBrightness(int i, int k, int32_t value) = 0;
    virtual void SetValueColor(int i, int k, int32_t colour) = 0;

    virtual int32_t ExamMode(int i) const = 0;
    virtual void SetExamMode(int i, int32_t mode) = 0;
    // nExam 0 the site's value (-1 none), 1 the bleeding mark, 2 the
    // suppuration mark; nIndex the button site 0..5.
    virtual int32_t Data(int i, int nExam, int nIndex) const = 0;
    virtual void SetData(int i, int nExam, int nIndex, int32_t value) = 0;
    virtual int32_t PlaqueData(int i) const = 0;
    virtual void SetPlaqueData(int i, int32_t faces) = 0;
    virtual int32_t PlaqueUnTreat(int i) const = 0;
    virtual void SetPlaqueUnTreat(int i, int32_t faces) = 0;
    virtual void SetRoot(int i, int16_t kind) = 0;
    virtual bool Enabled(int i) const = 0;
    virtual void SetEnabled(int i, bool enabled) = 0;
    virtual void SetFocusItem(int i, int16_t site) = 0;
    // Refresh paints Th(i) at once. RefreshChanged shows, before it
    // returns, every button whose look changed since it was last painted,
    // all in one pass: one wait for the display instead of one a button.
    virtual void Refresh(int i) = 0;
    virtual void RefreshChanged() = 0;

    // LblTh(i): caption and colours (VB colour numbers).
    virtual void SetLabel(int i, const QString& caption, uint32_t foreColour, uint32_t backColour) = 0;
};

}  // namespace mox
