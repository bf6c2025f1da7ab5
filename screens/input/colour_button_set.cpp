#include "screens/input/colour_button_set.h"

#include "controls/colour_button/colour_button_design.h"
#include "controls/colour_button/prismet_properties.h"
#include "platform/message_box.h"

#include <QFile>
#include <QWidget>
#include <map>

namespace mox {

namespace {

const std::map<QString, prismet::ButtonDesign>& ButtonDesigns() {
    static const std::map<QString, prismet::ButtonDesign> designs = [] {
        QFile file(QStringLiteral(":/input/input_buttons.ini"));
        if (!file.open(QIODevice::ReadOnly)) return std::map<QString, prismet::ButtonDesign>{};
        return prismet::ParseDesignIni(QString::fromUtf8(file.readAll()));
    }();
    return designs;
}

QString ButtonKey(const QString& name, int index) {
    return index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
}

}  // namespace

com::HostedControl* ColourButtonSet::Add(QWidget* form, const QString& name, int index, const QRect& pixels) {
    auto control = std::make_unique<com::HostedControl>();
    if (!com::Succeeded(control->Create(QString::fromLatin1(prismet::kClsidPrismet), form))) {
        if (!failureShown_)
            platform::MsgBox(QStringLiteral("ボタンを作成できません。\r\n\r\n") + control->LastError(), 16,
                             QStringLiteral("エラー"));
        failureShown_ = true;
        buttons_.push_back({name, index, std::move(control)});
        return nullptr;
    }
    const auto& designs = ButtonDesigns();
    for (const QString& key : {name, ButtonKey(name, index)}) {
        const auto found = designs.find(key);
        if (found != designs.end()) prismet::ApplyDesign(*control->Control(), found->second);
        if (index < 0) break;
    }
    control->Window()->setObjectName(ButtonKey(name, index));
    control->Window()->setGeometry(pixels);
    buttons_.push_back({name, index, std::move(control)});
    return buttons_.back().control.get();
}

com::HostedControl* ColourButtonSet::Button(const QString& name, int index) {
    for (Entry& b : buttons_)
        if (b.name == name && b.index == index) return b.control->IsCreated() ? b.control.get() : nullptr;
    return nullptr;
}

QWidget* ColourButtonSet::Window(const QString& name, int index) {
    com::HostedControl* b = Button(name, index);
    return b ? b->Window() : nullptr;
}

void ColourButtonSet::SetEnabled(const QString& name, int index, bool enabled) {
    if (com::HostedControl* b = Button(name, index)) b->Put(prismet::kDispEnabled, enabled);
}

void ColourButtonSet::OnClick(const QString& name, int index, std::function<void()> handler) {
    if (com::HostedControl* b = Button(name, index))
        b->On(prismet::kEventClick, [handler = std::move(handler)](std::vector<com::Variant>&) { handler(); });
}

}  // namespace mox
