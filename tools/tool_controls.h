#pragma once
// What the two tools windows build their controls with: form geometry in
// twips, labels in the form's font, and colour buttons made by class id
// through the control host, their looks taken from tools_buttons.ini by
// "<window>.<button>".

#include "platform/com/control_host.h"

#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QLabel;
class QWidget;

namespace mox {

QRect TwipsRect(int x, int y, int width, int height);

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& text, const QRect& twips);

class ColourButtons {
public:
    // `window` names the design sections ("PFrmImport").
    explicit ColourButtons(QString window) : window_(std::move(window)) {}

    // Creates the button on `parent`; null when the module cannot make it
    // (FirstError() tells why).
    com::HostedControl* Add(const QString& name, QWidget* parent, const QRect& twips, std::function<void()> onClick);
    com::HostedControl* Get(const QString& name) const;
    QWidget* Window(const QString& name) const;
    void SetEnabled(const QString& name, bool enabled) const;
    // The first failure to make a button; empty when every one was made.
    const QString& FirstError() const { return firstError_; }

private:
    QString window_;
    std::vector<std::pair<QString, std::unique_ptr<com::HostedControl>>> buttons_;
    QString firstError_;
};

}  // namespace mox
