#pragma once
// CPrismetCtrl: the colour button control. The host owns it and drives it
// through Invoke by DISPID; it owns its model (properties and state) and its
// window. The window may be deleted first by the form it sits on; the
// control then keeps answering property reads and writes without a window.

#include "controls/colour_button/button_painter.h"
#include "controls/colour_button/button_shape.h"
#include "controls/colour_button/image_list.h"
#include "controls/colour_button/prismet_model.h"
#include "platform/com/module_support.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

namespace mox::prismet {

class CPrismetCtrl;

// The control's window: paints the face and turns mouse and keys into state
// changes and events.
class PrismetWindow final : public QWidget {
    Q_OBJECT
public:
    PrismetWindow(CPrismetCtrl* control, QWidget* parent);

    // The picture of the current state, as painted.
    QImage Render(PaintLayout* layout = nullptr) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    CPrismetCtrl* control_;
};

class CPrismetCtrl final : public com::ControlBase {
public:
    explicit CPrismetCtrl(QWidget* parent);
    ~CPrismetCtrl() override;

    QWidget* Window() override { return window_; }
    PrismetWindow* ButtonWindow() const { return window_; }
    std::vector<QString> PropertyPageClassIds() const override;

    const PrismetModel& Model() const { return model_; }
    const ImageList* Images() const { return images_ ? &*images_ : nullptr; }
    const ButtonShape& Shape() const { return shape_; }

    // The typed side of the dispatch members.
    HRESULT PutProperty(DISPID id, const Variant& value, com::ExceptionInfo* exception);
    HRESULT GetProperty(DISPID id, Variant* result) const;
    // A copy of the host's image list; an unusable handle leaves no images.
    HRESULT SetImageList(const Variant& handle);
    void AboutBox();

    // The host's ambient user mode (false while a form is designed).
    void SetUserMode(bool userMode);
    bool UserMode() const { return userMode_; }
    bool IsModified() const { return modified_; }
    void SetModified(bool modified) { modified_ = modified; }

    com::Args Fire(DISPID event, com::Args args) const { return FireEvent(event, std::move(args)); }

private:
    friend class PrismetWindow;

    void BuildDispatch();
    // Rebuilds the shape for the window's size and cuts the window to it.
    void Reshape();
    void Redraw();
    void OnLeftButtonDown();
    void OnLeftButtonUp();
    void OnMouseOver(bool over);
    void OnResized(int width, int height);
    void OnEnabledChanged(bool enabled);
    PaintRequest Request() const;

    PrismetModel model_;
    ButtonShape shape_;
    std::optional<ImageList> images_;
    QPointer<PrismetWindow> window_;
    bool userMode_ = true;
    bool modified_ = false;
};

}  // namespace mox::prismet
