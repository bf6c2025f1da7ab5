#include "screens/input/dispatch_tooth_grid.h"

#include "controls/tooth_button/tooth_button_ids.h"
#include "platform/gui/colour.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>

namespace mox {

using namespace molarix;

namespace {

constexpr int kLabelHeightTwips = 240;

// Upper-jaw labels sit under their buttons and lower-jaw labels over
// theirs, so that the tooth numbers of a row read between the jaws.
QRect ButtonRect(int i) {
    const int row = i / 32;
    const int t = i % 32;
    const int x = kGridLeftTwips + (t % 16) * kButtonPitchTwips;
    const int y = kGridTopTwips + row * kRowPitchTwips + (t < 16 ? 0 : kJawPitchTwips);
    return platform::TwipsRect(x, y, kButtonTwips, kButtonTwips);
}

QRect LabelRect(int i) {
    const int row = i / 32;
    const int t = i % 32;
    const int x = kGridLeftTwips + (t % 16) * kButtonPitchTwips + 30;
    const int top = kGridTopTwips + row * kRowPitchTwips;
    const int y = t < 16 ? top + kButtonTwips + 15 : top + kJawPitchTwips - kLabelHeightTwips - 15;
    return platform::TwipsRect(x, y, kButtonTwips - 60, kLabelHeightTwips);
}

}  // namespace

DispatchToothGrid::DispatchToothGrid() {
    for (auto& th : th_) th = std::make_unique<com::HostedControl>();
}

DispatchToothGrid::~DispatchToothGrid() = default;

bool DispatchToothGrid::Create(QWidget* form, QString* error) {
    bool ok = true;
    const QString clsid = QString::fromLatin1(kToothButtonClsid);
    for (int i = 0; i < kGridButtons; ++i) {
        auto* label = new QLabel(form);
        label->setObjectName(QStringLiteral("LblTh(%1)").arg(i));
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        label->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, QFont::Bold));
        label->setGeometry(LabelRect(i));
        labels_[i] = label;
        if (!ok) continue;
        if (!com::Succeeded(th_[i]->Create(clsid, form))) {
            if (error) *error = th_[i]->LastError();
            ok = false;
            continue;
        }
        th_[i]->Window()->setObjectName(QStringLiteral("Th(%1)").arg(i));
        th_[i]->Window()->setGeometry(ButtonRect(i));
    }
    return ok;
}

void DispatchToothGrid::SetSystemType(int i, int32_t type) { th_[i]->Put(kDispSystemType, type); }
void DispatchToothGrid::SetToothIndex(int i, int32_t index) { th_[i]->Put(kDispToothIndex, index); }
void DispatchToothGrid::SetExamIndex(int i, int32_t index) { th_[i]->Put(kDispExamIndex, index); }

void DispatchToothGrid::SetGradationPart(int i, int k, int32_t value) { th_[i]->Put(kDispGradationPart, {k}, value); }

void DispatchToothGrid::SetBrightness(int i, int k, int32_t value) { th_[i]->Put(kDispBrightness, {k}, value); }

void DispatchToothGrid::SetValueColor(int i, int k, int32_t colour) {
    th_[i]->Put(kDispValueColor, {k}, static_cast<uint32_t>(colour));
}

int32_t DispatchToothGrid::ExamMode(int i) const { return th_[i]->Get(kDispExamMode).toInt(); }
void DispatchToothGrid::SetExamMode(int i, int32_t mode) { th_[i]->Put(kDispExamMode, mode); }

int32_t DispatchToothGrid::Data(int i, int nExam, int nIndex) const {
    const com::Variant v = th_[i]->Get(kDispData, {nExam, nIndex});
    return v.isValid() ? v.toInt() : -1;
}

void DispatchToothGrid::SetData(int i, int nExam, int nIndex, int32_t value) {
    th_[i]->Put(kDispData, {nExam, nIndex}, value);
}

int32_t DispatchToothGrid::PlaqueData(int i) const {
    const com::Variant v = th_[i]->Get(kDispPlaqueData);
    return v.isValid() ? v.toInt() : -1;
}

void DispatchToothGrid::SetPlaqueData(int i, int32_t faces) { th_[i]->Put(kDispPlaqueData, faces); }

int32_t DispatchToothGrid::PlaqueUnTreat(int i) const {
    const com::Variant v = th_[i]->Get(kDispPlaqueUnTreat);
    return v.isValid() ? v.toInt() : 15;
}

void DispatchToothGrid::SetPlaqueUnTreat(int i, int32_t faces) { th_[i]->Put(kDispPlaqueUnTreat, faces); }
void DispatchToothGrid::SetRoot(int i, int16_t kind) { th_[i]->Put(kDispRoot, kind); }
bool DispatchToothGrid::Enabled(int i) const { return th_[i]->Get(kDispEnabled).toBool(); }
void DispatchToothGrid::SetEnabled(int i, bool enabled) { th_[i]->Put(kDispEnabled, enabled); }
void DispatchToothGrid::SetFocusItem(int i, int16_t site) { th_[i]->Put(kDispFocusItem, site); }
void DispatchToothGrid::Refresh(int i) { th_[i]->Call(kDispRefresh); }

// A button marks itself for painting when a put changes its look; the
// window's pending paint is delivered here, so the marked buttons (and the
// labels changed with them) are drawn and reach the display together.
void DispatchToothGrid::RefreshChanged() {
    QWidget* button = th_[0]->Window();
    if (!button) return;
    QCoreApplication::sendPostedEvents(button->window(), QEvent::UpdateRequest);
}

void DispatchToothGrid::SetLabel(int i, const QString& caption, uint32_t foreColour, uint32_t backColour) {
    Shown& s = shown_[i];
    QLabel* label = labels_[i];
    if (!label) return;
    if (s.caption != caption) label->setText(caption);
    if (s.fore != foreColour || s.back != backColour) {
        platform::SetForeColor(label, foreColour);
        platform::SetBackColor(label, backColour);
    }
    s = {caption, foreColour, backColour};
}

}  // namespace mox
