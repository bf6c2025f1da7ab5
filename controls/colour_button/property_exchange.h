#pragma once
// Property-page data exchange: a page reads and writes the control's
// properties by name through its dispatch interface, as the designer's
// pages do. A refused write is shown to the designer with the control's own
// message and stops the apply.

#include "platform/com/control.h"
#include "platform/com/module_support.h"

#include <QPointer>
#include <QWidget>

namespace mox::prismet {

class PropertyPageBase : public com::IPropertyPage {
public:
    explicit PropertyPageBase(QString caption) : caption_(std::move(caption)) {}
    ~PropertyPageBase() override { delete window_.data(); }

    QWidget* Window() override { return window_; }
    QString Caption() const override { return caption_; }
    void SetObject(com::IDispatchObject* control) override {
        control_ = control;
        if (control_) Load();
    }
    com::HRESULT Apply() override { return control_ ? Save() : com::S_OK; }

protected:
    virtual void Load() = 0;
    virtual com::HRESULT Save() = 0;

    com::Variant Read(const char* name) const;
    // Writes one property; shows the refusal and returns it when the
    // control refuses the value.
    com::HRESULT Write(const char* name, const com::Variant& value, QWidget* field);
    // A number typed into a box; shows the allowed range and returns
    // DISP_E_TYPEMISMATCH when the text is no whole number of the range.
    com::HRESULT ParseShort(const QString& text, QWidget* field, int* out) const;

    QPointer<QWidget> window_;

private:
    QString caption_;
    com::IDispatchObject* control_ = nullptr;
    com::ObjectLock lock_;
};

}  // namespace mox::prismet
