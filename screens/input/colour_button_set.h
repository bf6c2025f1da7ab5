#pragma once
// The colour buttons of the input screen and of its small dialogs: each is
// created by the colour button's class id, takes its look from the screen's
// design file (input_buttons.ini, where a section named after an array
// holds what its buttons share) and is reached by its name and array index.

#include "platform/com/control_host.h"

#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace mox {

class ColourButtonSet {
public:
    // Creates button `name` (`index` -1 for a single button) on `form` at
    // `pixels`. Nothing when the module cannot make it; that is reported
    // once for the set, since every button comes from the same module.
    com::HostedControl* Add(QWidget* form, const QString& name, int index, const QRect& pixels);

    com::HostedControl* Button(const QString& name, int index = -1);
    QWidget* Window(const QString& name, int index = -1);
    void SetEnabled(const QString& name, int index, bool enabled);
    // `handler` runs when the button is clicked.
    void OnClick(const QString& name, int index, std::function<void()> handler);

private:
    struct Entry {
        QString name;
        int index;
        std::unique_ptr<com::HostedControl> control;
    };
    std::vector<Entry> buttons_;
    bool failureShown_ = false;
};

}  // namespace mox
