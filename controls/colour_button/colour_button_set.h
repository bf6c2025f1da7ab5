#pragma once
// The colour buttons of one window. Each is created by the colour button's
// class id through the control host, takes its look from the window's design
// file (colour_button_design.h; the section named after an array holds what
// its buttons share, "Name(i)" what one of them has of its own, and a window
// may put a prefix before its sections, "PFrmImport.CmdEnd") and is reached
// by its name and array index. Every button comes from the one module, so a
// failure to make them is told once for the set.

#include "platform/com/control_host.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace mox::prismet {

class ColourButtonSet {
public:
    // `designFile` (a resource path or a file) is read once per program.
    explicit ColourButtonSet(QString designFile, QString sectionPrefix = QString());
    ~ColourButtonSet();
    ColourButtonSet(const ColourButtonSet&) = delete;
    ColourButtonSet& operator=(const ColourButtonSet&) = delete;

    // Creates button `name` (`index` -1 for one that is no array) on `form`,
    // placed in pixels; at a point it keeps the size its design gives. With
    // `onClick`, as OnClick. Null when the module cannot make it.
    com::HostedControl* Add(QWidget* form, const QString& name, int index, const QRect& pixels,
                            std::function<void()> onClick = {});
    com::HostedControl* Add(QWidget* form, const QString& name, int index, const QPoint& pixels,
                            std::function<void()> onClick = {});

    // Null for a button that was not made.
    com::HostedControl* Button(const QString& name, int index = -1) const;
    QWidget* Window(const QString& name, int index = -1) const;
    void SetEnabled(const QString& name, int index, bool enabled) const;
    // `handler` runs when the button is clicked. An error it lets through is
    // shown in a box rather than unwinding through the control module and
    // ending the program from inside the event loop.
    void OnClick(const QString& name, int index, std::function<void()> handler) const;

    // Why the first button could not be made; empty when every one was.
    const QString& FirstError() const { return firstError_; }
    // Shows FirstError() in an error box, once for the set; nothing when
    // every button was made.
    void ReportFailure();

private:
    struct Entry {
        QString name;
        int index;
        std::unique_ptr<com::HostedControl> control;
    };
    com::HostedControl* Create(QWidget* form, const QString& name, int index, std::function<void()> onClick);

    QString designFile_;
    QString sectionPrefix_;
    std::vector<Entry> buttons_;
    QString firstError_;
    bool failureReported_ = false;
};

}  // namespace mox::prismet
