#pragma once
// The tooth button control: one tooth's value table, drawn for the current
// examination mode, with the clicks on its sites reported as ClickData.
// The control owns its window unless the window's parent deletes it first.

#include "controls/tooth_button/tooth_button_state.h"
#include "platform/com/module_support.h"

#include <QPointer>
#include <QWidget>

namespace mox::molarix {

class CToothButtonCtrl;

class ToothButtonWindow final : public QWidget {
public:
    ToothButtonWindow(CToothButtonCtrl* control, QWidget* parent);
    void Detach() { control_ = nullptr; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    CToothButtonCtrl* control_;
};

class CToothButtonCtrl final : public com::ControlBase {
public:
    explicit CToothButtonCtrl(QWidget* parent);
    ~CToothButtonCtrl() override;

    QWidget* Window() override { return window_; }
    std::vector<QString> PropertyPageClassIds() const override;
    com::HRESULT Invoke(com::DISPID dispid, com::InvokeKind kind, const std::vector<com::Variant>& args,
                        com::Variant* result, com::ExceptionInfo* exception) override;

    const ToothButtonState& State() const { return state_; }

private:
    friend class ToothButtonWindow;
    void BuildDispatch();
    void Refresh();
    void MouseDown(QMouseEvent* event);
    void MouseUp(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);

    ToothButtonState state_;
    QPointer<ToothButtonWindow> window_;
};

// The property page: captioned "General", it edits nothing.
class CToothButtonPropPage final : public com::IPropertyPage {
public:
    explicit CToothButtonPropPage(QWidget* parent);
    ~CToothButtonPropPage() override;
    QWidget* Window() override { return window_; }
    QString Caption() const override { return QStringLiteral("General"); }
    void SetObject(com::IDispatchObject*) override {}
    com::HRESULT Apply() override { return com::S_OK; }

private:
    QPointer<QWidget> window_;
    com::ObjectLock lock_;
};

// The module's classes (control and property page) and type library.
const com::ModuleInfo& MolarixModule();

}  // namespace mox::molarix
