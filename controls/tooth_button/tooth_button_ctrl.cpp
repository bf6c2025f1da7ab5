#include "controls/tooth_button/tooth_button_ctrl.h"

#include "controls/tooth_button/tooth_button_ids.h"
#include "controls/tooth_button/tooth_button_painter.h"

#include <QMouseEvent>
#include <QPainter>

namespace mox::molarix {

using com::Args;
using com::DISPID;
using com::ExceptionInfo;
using com::HRESULT;
using com::S_OK;
using com::Variant;

namespace {

const QString kSource = QStringLiteral("ToothButton");

// The hosts keep to the table's ranges; an index outside them is refused
// instead of reaching past the table.
HRESULT Index(const Variant& v, int limit, int* out, ExceptionInfo* exc) {
    int32_t i = 0;
    if (const HRESULT hr = com::ToLong(v, &i); hr != S_OK) return hr;
    if (i < 0 || i >= limit)
        return com::Refuse(exc, com::DISP_E_BADINDEX,
                           QStringLiteral("インデックス %1 は有効範囲 0 ～ %2 にありません。").arg(i).arg(limit - 1),
                           kSource);
    *out = i;
    return S_OK;
}

Variant Long(int32_t v) { return Variant(static_cast<int>(v)); }
Variant Short(int16_t v) { return Variant::fromValue(static_cast<short>(v)); }

Args MouseArgs(short button, const QMouseEvent* event) {
    return com::StockMouseArgs(button, event->modifiers(), event->position().toPoint());
}

}  // namespace

// ---- Window ----------------------------------------------------------------------

ToothButtonWindow::ToothButtonWindow(CToothButtonCtrl* control, QWidget* parent) : QWidget(parent), control_(control) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    // Moves arrive only while a button is held, as with a mouse capture.
    setMouseTracking(false);
    resize(47, 47);
}

void ToothButtonWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (control_ == nullptr) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    PaintToothButton(painter, control_->state_, width(), height(), logicalDpiY());
}

void ToothButtonWindow::mousePressEvent(QMouseEvent* event) {
    if (control_) control_->MouseDown(event);
}

// The second press of a double click has already come as a press of its own;
// Qt's default would run the click rule a third time.
void ToothButtonWindow::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void ToothButtonWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (control_) control_->MouseUp(event);
}

void ToothButtonWindow::mouseMoveEvent(QMouseEvent* event) {
    if (control_) control_->MouseMove(event);
}

// ---- Control ---------------------------------------------------------------------

CToothButtonCtrl::CToothButtonCtrl(QWidget* parent)
    : ControlBase(QString::fromLatin1(kToothButtonClsid), kSource), window_(new ToothButtonWindow(this, parent)) {
    BuildDispatch();
}

CToothButtonCtrl::~CToothButtonCtrl() {
    if (window_) {
        window_->Detach();
        delete window_.data();
    }
}

std::vector<QString> CToothButtonCtrl::PropertyPageClassIds() const { return {QString::fromLatin1(kPropPageClsid)}; }

// A put that changes what the button draws marks it for the next paint, so
// that a host can show a whole batch of changes in one pass; Refresh still
// paints at once.
HRESULT CToothButtonCtrl::Invoke(DISPID dispid, com::InvokeKind kind, const std::vector<Variant>& args, Variant* result,
                                 ExceptionInfo* exception) {
    if (kind == com::InvokeKind::PropertyGet || dispid == kDispRefresh)
        return ControlBase::Invoke(dispid, kind, args, result, exception);
    const ToothButtonState before = state_;
    const HRESULT hr = ControlBase::Invoke(dispid, kind, args, result, exception);
    if (window_ && !(state_ == before)) window_->update();
    return hr;
}

void CToothButtonCtrl::Refresh() {
    if (window_) window_->repaint();
}

void CToothButtonCtrl::MouseDown(QMouseEvent* event) {
    const short button = com::ButtonCode(event->button());
    if (event->button() == Qt::LeftButton && window_) {
        const QPoint pos = event->position().toPoint();
        const auto site = ApplyClick(state_, pos.x(), pos.y(), window_->width(), window_->height());
        // The host may destroy the control from its handler; stop when it did.
        QPointer<ToothButtonWindow> alive = window_;
        if (site) FireEvent(kEventClickData, {Variant::fromValue(static_cast<short>(*site))});
        if (!alive) return;
    }
    QPointer<ToothButtonWindow> alive = window_;
    FireEvent(kEventMouseDown, MouseArgs(button, event));
    if (alive && event->button() == Qt::LeftButton) Refresh();
}

void CToothButtonCtrl::MouseUp(QMouseEvent* event) {
    FireEvent(kEventMouseUp, MouseArgs(com::ButtonCode(event->button()), event));
}

void CToothButtonCtrl::MouseMove(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) return;  // no capture, no event
    QPointer<ToothButtonWindow> alive = window_;
    FireEvent(kEventMouseMove, MouseArgs(com::ButtonCode(event->buttons()), event));
    if (alive) Refresh();
}

void CToothButtonCtrl::BuildDispatch() {
    ToothButtonState& s = state_;
    auto& d = Dispatch();

    // A plain Long property backed by one member.
    auto longProperty = [&d](DISPID id, const char* name, int32_t* field) {
        d.Property(
            id, QString::fromLatin1(name), 0,
            [field](const Args&, Variant* out, ExceptionInfo*) {
                *out = Long(*field);
                return S_OK;
            },
            [field](const Args&, const Variant& v, ExceptionInfo*) { return com::ToLong(v, field); });
    };

    // A Long property that the state computes from its table.
    auto computedLongProperty = [&d, &s](DISPID id, const char* name, int32_t (ToothButtonState::*get)() const,
                                         void (ToothButtonState::*set)(int32_t)) {
        d.Property(
            id, QString::fromLatin1(name), 0,
            [&s, get](const Args&, Variant* out, ExceptionInfo*) {
                *out = Long((s.*get)());
                return S_OK;
            },
            [&s, set](const Args&, const Variant& v, ExceptionInfo*) {
                int32_t value = 0;
                if (const HRESULT hr = com::ToLong(v, &value); hr != S_OK) return hr;
                (s.*set)(value);
                return S_OK;
            });
    };

    longProperty(kDispExamMode, "ExamMode", &s.examMode);
    longProperty(kDispExamIndex, "ExamIndex", &s.examIndex);
    longProperty(kDispFocusItem, "FocusItem", &s.focusItem);
    longProperty(kDispSystemType, "SystemType", &s.systemType);

    d.Property(
        kDispEnabled, QStringLiteral("Enabled"), 0,
        [&s](const Args&, Variant* out, ExceptionInfo*) {
            *out = Variant(s.enabled);
            return S_OK;
        },
        [this, &s](const Args&, const Variant& v, ExceptionInfo*) {
            bool enabled = true;
            if (const HRESULT hr = com::ToBool(v, &enabled); hr != S_OK) return hr;
            if (enabled != s.enabled) {
                s.enabled = enabled;
                if (window_) window_->setEnabled(enabled);
            }
            return S_OK;
        });

    computedLongProperty(kDispPlaqueData, "PlaqueData", &ToothButtonState::PlaqueData,
                         &ToothButtonState::SetPlaqueData);

    d.Property(kDispToothIndex, QStringLiteral("ToothIndex"), 0, nullptr,
               [&s](const Args&, const Variant& v, ExceptionInfo*) { return com::ToLong(v, &s.toothIndex); });

    d.Property(
        kDispRoot, QStringLiteral("Root"), 0,
        [&s](const Args&, Variant* out, ExceptionInfo*) {
            *out = Short(s.root);
            return S_OK;
        },
        [&s](const Args&, const Variant& v, ExceptionInfo*) { return com::ToShort(v, &s.root); });

    d.Method(kDispSetPlaqueFace, QStringLiteral("SetPlaqueFace"), 2, [&s](const Args& a, Variant*, ExceptionInfo*) {
        int16_t face = 0;
        int32_t value = 0;
        if (const HRESULT hr = com::ToShort(a[0], &face); hr != S_OK) return hr;
        if (const HRESULT hr = com::ToLong(a[1], &value); hr != S_OK) return hr;
        s.SetPlaqueFace(face, value);
        return S_OK;
    });

    d.Property(
        kDispData, QStringLiteral("Data"), 2,
        [&s](const Args& idx, Variant* out, ExceptionInfo* exc) {
            int row = 0, site = 0;
            if (const HRESULT hr = Index(idx[0], kRows, &row, exc); hr != S_OK) return hr;
            if (const HRESULT hr = Index(idx[1], kSites, &site, exc); hr != S_OK) return hr;
            *out = Long(s.data[row][site]);
            return S_OK;
        },
        [&s](const Args& idx, const Variant& v, ExceptionInfo* exc) {
            int row = 0, site = 0;
            int32_t value = 0;
            if (const HRESULT hr = Index(idx[0], kRows, &row, exc); hr != S_OK) return hr;
            if (const HRESULT hr = Index(idx[1], kSites, &site, exc); hr != S_OK) return hr;
            if (const HRESULT hr = com::ToLong(v, &value); hr != S_OK) return hr;
            s.SetData(row, site, value);
            return S_OK;
        });

    d.Property(kDispUsePosition, QStringLiteral("UsePosition"), 1, nullptr,
               [&s](const Args& idx, const Variant& v, ExceptionInfo* exc) {
                   int i = 0;
                   if (const HRESULT hr = Index(idx[0], kSites, &i, exc); hr != S_OK) return hr;
                   return com::ToShort(v, &s.usePosition[i]);
               });

    // Put-only colour tables, stored as given (COLORREF).
    auto colourTable = [&d](DISPID id, const char* name, auto* table, bool grey) {
        d.Property(id, QString::fromLatin1(name), 1, nullptr,
                   [table, grey](const Args& idx, const Variant& v, ExceptionInfo* exc) {
                       int i = 0;
                       uint32_t colour = 0;
                       if (const HRESULT hr = Index(idx[0], static_cast<int>(table->size()), &i, exc); hr != S_OK)
                           return hr;
                       if (const HRESULT hr = com::ToColor(v, &colour); hr != S_OK) return hr;
                       (*table)[i] = grey ? GreyLevel(static_cast<int32_t>(colour)) : colour;
                       return S_OK;
                   });
    };
    colourTable(kDispValueColor, "ValueColor", &s.valueColor, false);
    colourTable(kDispBrightness, "Brightness", &s.brightness, true);

    d.Property(kDispGradationPart, QStringLiteral("GradationPart"), 1, nullptr,
               [&s](const Args& idx, const Variant& v, ExceptionInfo* exc) {
                   int i = 0;
                   if (const HRESULT hr = Index(idx[0], 3, &i, exc); hr != S_OK) return hr;
                   return com::ToLong(v, &s.gradation[i]);
               });

    d.Property(
        kDispCompData, QStringLiteral("CompData"), 1,
        [&s](const Args& idx, Variant* out, ExceptionInfo* exc) {
            int i = 0;
            if (const HRESULT hr = Index(idx[0], kSites, &i, exc); hr != S_OK) return hr;
            *out = Long(s.compData[i]);
            return S_OK;
        },
        [&s](const Args& idx, const Variant& v, ExceptionInfo* exc) {
            int i = 0;
            if (const HRESULT hr = Index(idx[0], kSites, &i, exc); hr != S_OK) return hr;
            return com::ToLong(v, &s.compData[i]);
        });

    d.Property(
        kDispCompValueColor, QStringLiteral("CompValueColor"), 1,
        [&s](const Args& idx, Variant* out, ExceptionInfo* exc) {
            int i = 0;
            if (const HRESULT hr = Index(idx[0], 2, &i, exc); hr != S_OK) return hr;
            *out = Long(static_cast<int32_t>(s.compValueColor[i]));
            return S_OK;
        },
        [&s](const Args& idx, const Variant& v, ExceptionInfo* exc) {
            int i = 0;
            if (const HRESULT hr = Index(idx[0], 2, &i, exc); hr != S_OK) return hr;
            return com::ToColor(v, &s.compValueColor[i]);
        });

    computedLongProperty(kDispPlaqueUnTreat, "PlaqueUnTreat", &ToothButtonState::PlaqueUnTreat,
                         &ToothButtonState::SetPlaqueUnTreat);

    d.Method(kDispRefresh, QStringLiteral("Refresh"), 0, [this](const Args&, Variant*, ExceptionInfo*) {
        Refresh();
        return S_OK;
    });
}

// ---- Property page ---------------------------------------------------------------

CToothButtonPropPage::CToothButtonPropPage(QWidget* parent) : window_(new QWidget(parent)) {
    window_->setWindowTitle(Caption());
}

CToothButtonPropPage::~CToothButtonPropPage() { delete window_.data(); }

// ---- Module ----------------------------------------------------------------------

const com::ModuleInfo& MolarixModule() {
    static const com::ModuleInfo info = [] {
        com::ModuleInfo m;
        m.typeLib.libId = QString::fromLatin1(kTypeLibId);
        m.typeLib.major = 1;
        m.typeLib.minor = 0;
        m.typeLib.locale = 1033;
        m.typeLib.helpString = QStringLiteral("Molarix ActiveX ｺﾝﾄﾛｰﾙ ﾓｼﾞｭｰﾙ");

        m.classes.push_back(
            com::ControlClass(kToothButtonClsid, kToothButtonProgId, QStringLiteral("ToothButton Control"), 131473,
                              [](QWidget* parent) -> com::IControl* { return new CToothButtonCtrl(parent); }));
        m.classes.push_back(com::PropertyPageClass(
            kPropPageClsid, kPropPageProgId, QStringLiteral("Molarix Property Page"),
            [](QWidget* parent) -> com::IPropertyPage* { return new CToothButtonPropPage(parent); }));
        return m;
    }();
    return info;
}

}  // namespace mox::molarix
