#pragma once
// Shared by the tooth button tests: a control on a form, driven by dispatch
// id, with its events recorded.

#include "controls/tooth_button/tooth_button_ctrl.h"
#include "controls/tooth_button/tooth_button_ids.h"
#include "platform/com/control_host.h"

#include <QFont>
#include <QImage>
#include <QWidget>
#include <memory>

namespace mox::molarix::test {

inline void UseFontSubstitutes() {
    QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("IPAMincho"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

struct Event {
    int id;
    std::vector<com::Variant> args;
};

// A 47 × 47 button (705 twips) on a shown form, as on the input screen.
struct Button {
    QWidget form;
    com::HostedControl control;
    std::vector<Event> events;

    Button() {
        UseFontSubstitutes();
        control.Attach(std::unique_ptr<com::IControl>(new CToothButtonCtrl(&form)));
        Record();
        form.resize(100, 100);
        control.Window()->setGeometry(10, 10, 47, 47);
        form.show();
    }
    void Record() {
        for (int id : {kEventMouseDown, kEventClickData, kEventMouseMove, kEventMouseUp})
            control.On(id, [this, id](std::vector<com::Variant>& args) { events.push_back({id, args}); });
    }
    QWidget* Window() { return control.Window(); }
    int Get(int id, std::vector<com::Variant> idx = {}) { return control.Get(id, idx).toInt(); }
    com::HRESULT Put(int id, com::Variant v) { return control.Put(id, v); }
    com::HRESULT Put(int id, std::vector<com::Variant> idx, com::Variant v) { return control.Put(id, idx, v); }
    com::HRESULT SetData(int row, int site, int v) { return control.Put(kDispData, {row, site}, v); }
    int Data(int row, int site) { return control.Get(kDispData, {row, site}).toInt(); }
    QImage Grab() {
        control.Call(kDispRefresh);
        return Window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    std::vector<int> ClickSites() const {
        std::vector<int> sites;
        for (const auto& e : events)
            if (e.id == kEventClickData) sites.push_back(e.args[0].toInt());
        return sites;
    }
};

}  // namespace mox::molarix::test
