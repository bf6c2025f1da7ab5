#include "controls/colour_button/prismet_ctrl.h"

#include "platform/gui/virtual_keys.h"
#include "platform/message_box.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace mox::prismet {

using com::Args;
using com::S_OK;

namespace {

Args MouseArgs(short button, const QMouseEvent* event) {
    return com::StockMouseArgs(button, event->modifiers(), event->position().toPoint());
}

}  // namespace

// ---- window ------------------------------------------------------------------

PrismetWindow::PrismetWindow(CPrismetCtrl* control, QWidget* parent) : QWidget(parent), control_(control) {
    // The face is painted whole from one off-screen picture: no background
    // erase, so the shaped face does not flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

QImage PrismetWindow::Render(PaintLayout* layout) const { return PaintButton(control_->Request(), layout); }

void PrismetWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, Render());
}

void PrismetWindow::resizeEvent(QResizeEvent*) { control_->OnResized(width(), height()); }

void PrismetWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) control_->OnLeftButtonDown();
    control_->Fire(kEventMouseDown, MouseArgs(com::ButtonCode(event->button()), event));
}

// The second press of a double click has already arrived as a press of its
// own (a value button clicked twice quickly counts twice); this only adds
// DblClick.
void PrismetWindow::mouseDoubleClickEvent(QMouseEvent*) { control_->Fire(kEventDblClick, {}); }

void PrismetWindow::mouseReleaseEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (left) control_->OnLeftButtonUp();
    control_->Fire(kEventMouseUp, MouseArgs(com::ButtonCode(event->button()), event));
    if (left && rect().contains(event->position().toPoint())) control_->Fire(kEventClick, {});
}

void PrismetWindow::mouseMoveEvent(QMouseEvent* event) {
    control_->OnMouseOver(control_->shape_.Region().contains(event->position().toPoint()));
    control_->Fire(kEventMouseMove, MouseArgs(com::ButtonCode(event->buttons()), event));
}

void PrismetWindow::leaveEvent(QEvent*) { control_->OnMouseOver(false); }

void PrismetWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        control_->Fire(kEventClick, {});
        event->accept();
        return;
    }
    control_->Fire(kEventKeyDown,
                   {Variant(platform::VirtualKeyCode(event->key())), Variant(int(com::ShiftCode(event->modifiers())))});
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).unicode() != 0)
        control_->Fire(kEventKeyPress, {Variant(int(text.at(0).unicode()))});
    event->accept();
}

void PrismetWindow::keyReleaseEvent(QKeyEvent* event) {
    control_->Fire(kEventKeyUp,
                   {Variant(platform::VirtualKeyCode(event->key())), Variant(int(com::ShiftCode(event->modifiers())))});
    event->accept();
}

void PrismetWindow::focusInEvent(QFocusEvent*) { update(); }
void PrismetWindow::focusOutEvent(QFocusEvent*) { update(); }

void PrismetWindow::changeEvent(QEvent* event) {
    // A host may enable or disable the window itself (the extender's Enabled).
    if (event->type() == QEvent::EnabledChange) control_->OnEnabledChanged(!testAttribute(Qt::WA_Disabled));
    QWidget::changeEvent(event);
}

// ---- control -----------------------------------------------------------------

CPrismetCtrl::CPrismetCtrl(QWidget* parent)
    : ControlBase(QString::fromLatin1(kClsidPrismet), QString::fromLatin1(kProgIdPrismet)) {
    BuildDispatch();
    window_ = new PrismetWindow(this, parent);
    window_->resize(model_.Props().width, model_.Props().height);
    Reshape();
}

CPrismetCtrl::~CPrismetCtrl() { delete window_.data(); }

std::vector<QString> CPrismetCtrl::PropertyPageClassIds() const {
    return {QString::fromLatin1(kClsidPropPage), QString::fromLatin1(kClsidPpg2),
            QString::fromLatin1(kClsidStockFontPage), QString::fromLatin1(kClsidStockColorPage)};
}

void CPrismetCtrl::BuildDispatch() {
    for (const PropertyInfo& info : PrismetProperties()) {
        const DISPID id = info.id;
        Dispatch().Property(
            id, QString::fromLatin1(info.name), 0,
            [this, id](const Args&, Variant* result, com::ExceptionInfo*) { return GetProperty(id, result); },
            [this, id](const Args&, const Variant& value, com::ExceptionInfo* exc) {
                return PutProperty(id, value, exc);
            });
    }
    Dispatch().Method(kDispSetImageList, QStringLiteral("SetImageList"), 1,
                      [this](const Args& args, Variant*, com::ExceptionInfo*) { return SetImageList(args.at(0)); });
    Dispatch().Method(kDispAboutBox, QStringLiteral("AboutBox"), 0, [this](const Args&, Variant*, com::ExceptionInfo*) {
        AboutBox();
        return S_OK;
    });
}

HRESULT CPrismetCtrl::GetProperty(DISPID id, Variant* result) const {
    // A window resized while hidden hears of it only when it is shown; the
    // size it has is the answer meanwhile.
    if (window_ && result && (id == kDispWidth || id == kDispHeight)) {
        *result = id == kDispWidth ? window_->width() : window_->height();
        return S_OK;
    }
    return model_.Get(id, result);
}

HRESULT CPrismetCtrl::PutProperty(DISPID id, const Variant& value, com::ExceptionInfo* exception) {
    PutEffects effects;
    const HRESULT hr = model_.Put(id, value, exception, &effects);
    if (effects.enabledChanged && window_) window_->setEnabled(model_.Props().enabled);
    if (effects.resize && window_)
        window_->resize(std::max<int>(model_.Props().width, 0), std::max<int>(model_.Props().height, 0));
    if (effects.rebuildShape || effects.resize) Reshape();
    if (effects.redraw) {
        modified_ = true;
        Redraw();
    }
    if (effects.fireClick) Fire(kEventClick, {});
    return hr;
}

HRESULT CPrismetCtrl::SetImageList(const Variant& handle) {
    images_.reset();
    images_ = ImageList::Duplicate(handle);
    Redraw();
    return S_OK;
}

void CPrismetCtrl::AboutBox() {
    constexpr int kOkInformation = 64;
    platform::MsgBox(QStringLiteral("Prismet Control, Version 1.2"), kOkInformation,
                     QStringLiteral("About Prismet Control"));
}

void CPrismetCtrl::SetUserMode(bool userMode) {
    userMode_ = userMode;
    Redraw();
}

void CPrismetCtrl::Reshape() {
    if (!window_) return;
    if (shape_.Update(model_.Props().buttonForm, window_->width(), window_->height())) {
        window_->clearMask();
        if (!shape_.Region().isEmpty()) window_->setMask(shape_.Region());
    }
}

void CPrismetCtrl::Redraw() {
    if (window_) window_->update();
}

void CPrismetCtrl::OnLeftButtonDown() {
    model_.LeftButtonDown();
    Redraw();
}

void CPrismetCtrl::OnLeftButtonUp() {
    if (model_.LeftButtonUp()) Redraw();
}

void CPrismetCtrl::OnMouseOver(bool over) {
    if (model_.MouseOver() == over) return;
    model_.SetMouseOver(over);
    Redraw();
}

void CPrismetCtrl::OnResized(int width, int height) {
    model_.StoreSize(width, height);
    Reshape();
}

void CPrismetCtrl::OnEnabledChanged(bool enabled) {
    if (model_.Props().enabled != enabled) {
        PutEffects ignored;
        model_.Put(kDispEnabled, enabled, nullptr, &ignored);
    }
    Redraw();
}

PaintRequest CPrismetCtrl::Request() const {
    PaintRequest rq;
    rq.props = &model_.Props();
    rq.look = model_.Look();
    rq.pressed = model_.Pressed();
    rq.size = window_ ? window_->size() : QSize(model_.Props().width, model_.Props().height);
    rq.region = shape_.Region();
    rq.images = Images();
    rq.focusOutline = userMode_ && window_ && window_->hasFocus() && model_.Props().focusRect;
    if (window_) {
        rq.dpiX = window_->logicalDpiX();
        rq.dpiY = window_->logicalDpiY();
    }
    return rq;
}

}  // namespace mox::prismet
