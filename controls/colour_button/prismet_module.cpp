// The module's classes and its four exports.

#include "controls/colour_button/prismet_ctrl.h"
#include "controls/colour_button/prismet_ppg2.h"
#include "controls/colour_button/prismet_prop_page.h"
#include "platform/com/module_support.h"
#include "platform/gui/message_boxes.h"

namespace {

// The module keeps its own copy of the platform layer, so its message boxes
// (the about box, a page's refusal of a value) are shown from here, as a
// control module on Windows shows its own.
void EnsureMessageBoxes() {
    static const bool installed = [] {
        mox::platform::InstallWidgetMessageBoxes();
        return true;
    }();
    (void)installed;
}

const mox::com::ModuleInfo& Describe() {
    using namespace mox::prismet;
    static const mox::com::ModuleInfo info = [] {
        mox::com::ModuleInfo m;
        m.typeLib.libId = QString::fromLatin1(kLibId);
        m.typeLib.major = 1;
        m.typeLib.minor = 0;
        m.typeLib.helpString = QString::fromUtf8(kTypeLibHelp);

        mox::com::ClassInfo control;
        control.clsid = QString::fromLatin1(kClsidPrismet);
        control.progId = QString::fromLatin1(kProgIdPrismet);
        control.typeName = QString::fromLatin1(kClassName);
        control.isControl = true;
        control.miscStatus = kMiscStatus;
        control.createControl = [](QWidget* parent) -> mox::com::IControl* {
            EnsureMessageBoxes();
            return new CPrismetCtrl(parent);
        };
        m.classes.push_back(control);

        mox::com::ClassInfo general;
        general.clsid = QString::fromLatin1(kClsidPropPage);
        general.progId = QString::fromLatin1(kProgIdPropPage);
        general.typeName = QString::fromLatin1(kPropPageName);
        general.isControl = false;
        general.createPage = [](QWidget* parent) -> mox::com::IPropertyPage* {
            EnsureMessageBoxes();
            return new CPrismetPropPage(parent);
        };
        m.classes.push_back(general);

        mox::com::ClassInfo state;
        state.clsid = QString::fromLatin1(kClsidPpg2);
        state.progId = QString::fromLatin1(kProgIdPpg2);
        state.typeName = QString::fromLatin1(kPpg2Name);
        state.isControl = false;
        state.createPage = [](QWidget* parent) -> mox::com::IPropertyPage* {
            EnsureMessageBoxes();
            return new CPrismetPpg2(parent);
        };
        m.classes.push_back(state);
        return m;
    }();
    return info;
}

}  // namespace

MOX_COM_MODULE_EXPORTS(Describe)
