#include "tools/tool_controls.h"

#include "controls/colour_button/colour_button_design.h"
#include "controls/colour_button/prismet_properties.h"
#include "platform/gui/screen.h"
#include "platform/message_box.h"

#include <QFile>
#include <QLabel>
#include <cstdio>
#include <exception>
#include <map>

namespace mox {

namespace {

const std::map<QString, prismet::ButtonDesign>& Designs() {
    static const std::map<QString, prismet::ButtonDesign> designs = [] {
        QFile file(QStringLiteral(":/tools/tools_buttons.ini"));
        if (!file.open(QIODevice::ReadOnly)) return std::map<QString, prismet::ButtonDesign>{};
        return prismet::ParseDesignIni(QString::fromUtf8(file.readAll()));
    }();
    return designs;
}

}  // namespace

QRect TwipsRect(int x, int y, int width, int height) {
    return QRect(platform::TwipsToPixelsX(x), platform::TwipsToPixelsY(y), platform::TwipsToPixelsX(width),
                 platform::TwipsToPixelsY(height));
}

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return label;
}

com::HostedControl* ColourButtons::Add(const QString& name, QWidget* parent, const QRect& twips,
                                       std::function<void()> onClick) {
    auto button = std::make_unique<com::HostedControl>();
    if (!com::Succeeded(button->Create(QString::fromLatin1(prismet::kClsidPrismet), parent))) {
        if (firstError_.isEmpty()) firstError_ = button->LastError();
        return nullptr;
    }
    const auto found = Designs().find(window_ + QLatin1Char('.') + name);
    if (found != Designs().end())
        for (const prismet::DesignError& e : prismet::ApplyDesign(*button->Control(), found->second))
            std::fprintf(stderr, "%s: %s\n", qPrintable(e.property), qPrintable(e.message));
    button->Window()->setObjectName(name);
    button->Window()->setGeometry(TwipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    // An error that escapes a handler is shown instead of ending the program
    // from inside the event loop.
    button->On(prismet::kEventClick, [onClick = std::move(onClick)](std::vector<com::Variant>&) {
        try {
            onClick();
        } catch (const std::exception& e) {
            platform::MsgBox(
                QStringLiteral("処理中にエラーが発生しました。\r\n\r\n") + QString::fromLocal8Bit(e.what()), 16,
                QStringLiteral("エラー"));
        }
    });
    buttons_.emplace_back(name, std::move(button));
    return buttons_.back().second.get();
}

com::HostedControl* ColourButtons::Get(const QString& name) const {
    for (const auto& [n, b] : buttons_)
        if (n == name) return b.get();
    return nullptr;
}

QWidget* ColourButtons::Window(const QString& name) const {
    com::HostedControl* b = Get(name);
    return b ? b->Window() : nullptr;
}

void ColourButtons::SetEnabled(const QString& name, bool enabled) const {
    if (com::HostedControl* b = Get(name)) b->Put(prismet::kDispEnabled, enabled);
}

}  // namespace mox
