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

        m.classes.push_back(mox::com::ControlClass(kClsidPrismet, kProgIdPrismet, QString::fromLatin1(kClassName),
                                                   kMiscStatus, [](QWidget* parent) -> mox::com::IControl* {
                                                       EnsureMessageBoxes();
                                                       return new CPrismetCtrl(parent);
                                                   }));
        m.classes.push_back(mox::com::PropertyPageClass(kClsidPropPage, kProgIdPropPage,
                                                        QString::fromLatin1(kPropPageName),
                                                        [](QWidget* parent) -> mox::com::IPropertyPage* {
                                                            EnsureMessageBoxes();
                                                            return new CPrismetPropPage(parent);
                                                        }));
        m.classes.push_back(mox::com::PropertyPageClass(kClsidPpg2, kProgIdPpg2, QString::fromLatin1(kPpg2Name),
                                                        [](QWidget* parent) -> mox::com::IPropertyPage* {
                                                            EnsureMessageBoxes();
                                                            return new CPrismetPpg2(parent);
                                                        }));
        return m;
    }();
    return info;
}

}  // namespace

MOX_COM_MODULE_EXPORTS(Describe)
