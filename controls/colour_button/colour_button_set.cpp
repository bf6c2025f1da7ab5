#include "controls/colour_button/colour_button_set.h"

#include "controls/colour_button/colour_button_design.h"
#include "controls/colour_button/prismet_properties.h"
#include "platform/message_box.h"

#include <QFile>
#include <QWidget>
#include <cstdio>
#include <exception>
#include <map>

namespace mox::prismet {

namespace {

using Designs = std::map<QString, ButtonDesign>;

const Designs& DesignsOf(const QString& designFile) {
    static std::map<QString, Designs> files;
    auto found = files.find(designFile);
    if (found == files.end()) {
        QFile file(designFile);
        Designs designs;
        if (file.open(QIODevice::ReadOnly)) designs = ParseDesignIni(QString::fromUtf8(file.readAll()));
        found = files.emplace(designFile, std::move(designs)).first;
    }
    return found->second;
}

QString ButtonKey(const QString& name, int index) {
    return index < 0 ? name : QStringLiteral("%1(%2)").arg(name).arg(index);
}

}  // namespace

ColourButtonSet::ColourButtonSet(QString designFile, QString sectionPrefix)
    : designFile_(std::move(designFile)), sectionPrefix_(std::move(sectionPrefix)) {}

ColourButtonSet::~ColourButtonSet() = default;

com::HostedControl* ColourButtonSet::Create(QWidget* form, const QString& name, int index,
                                            std::function<void()> onClick) {
    auto control = std::make_unique<com::HostedControl>();
    if (!com::Succeeded(control->Create(QString::fromLatin1(kClsidPrismet), form))) {
        if (firstError_.isEmpty()) firstError_ = control->LastError();
        return nullptr;
    }
    const Designs& designs = DesignsOf(designFile_);
    // What an array's buttons share first, then what one of them has of its own.
    QStringList sections = {sectionPrefix_ + name};
    if (index >= 0) sections << sectionPrefix_ + ButtonKey(name, index);
    for (const QString& section : sections) {
        const auto found = designs.find(section);
        if (found == designs.end()) continue;
        for (const DesignError& e : ApplyDesign(*control->Control(), found->second))
            std::fprintf(stderr, "%s %s: %s\n", qPrintable(section), qPrintable(e.property), qPrintable(e.message));
    }
    control->Window()->setObjectName(ButtonKey(name, index));
    buttons_.push_back({name, index, std::move(control)});
    if (onClick) OnClick(name, index, std::move(onClick));
    return buttons_.back().control.get();
}

com::HostedControl* ColourButtonSet::Add(QWidget* form, const QString& name, int index, const QRect& pixels,
                                         std::function<void()> onClick) {
    com::HostedControl* button = Create(form, name, index, std::move(onClick));
    if (button) button->Window()->setGeometry(pixels);
    return button;
}

com::HostedControl* ColourButtonSet::Add(QWidget* form, const QString& name, int index, const QPoint& pixels,
                                         std::function<void()> onClick) {
    com::HostedControl* button = Create(form, name, index, std::move(onClick));
    if (button) button->Window()->move(pixels);
    return button;
}

com::HostedControl* ColourButtonSet::Button(const QString& name, int index) const {
    for (const Entry& b : buttons_)
        if (b.name == name && b.index == index) return b.control.get();
    return nullptr;
}

QWidget* ColourButtonSet::Window(const QString& name, int index) const {
    com::HostedControl* b = Button(name, index);
    return b ? b->Window() : nullptr;
}

void ColourButtonSet::SetEnabled(const QString& name, int index, bool enabled) const {
    if (com::HostedControl* b = Button(name, index)) b->Put(kDispEnabled, enabled);
}

void ColourButtonSet::OnClick(const QString& name, int index, std::function<void()> handler) const {
    com::HostedControl* b = Button(name, index);
    if (!b) return;
    b->On(kEventClick, [handler = std::move(handler)](std::vector<com::Variant>&) {
        try {
            handler();
        } catch (const std::exception& e) {
            platform::MsgBox(
                QStringLiteral("処理中にエラーが発生しました。\r\n\r\n") + QString::fromLocal8Bit(e.what()), 16,
                QStringLiteral("エラー"));
        }
    });
}

void ColourButtonSet::ReportFailure() {
    if (firstError_.isEmpty() || failureReported_) return;
    failureReported_ = true;
    platform::MsgBox(QStringLiteral("ボタンを作成できません。\r\n\r\n") + firstError_, 16, QStringLiteral("エラー"));
}

}  // namespace mox::prismet
