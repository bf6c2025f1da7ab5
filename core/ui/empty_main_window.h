#pragma once

#include <QMainWindow>

namespace mox {

// The main window titled "MOX-Chart" until the examination input screen takes
// its place; closing it runs the end of the program.
class EmptyMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit EmptyMainWindow(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool ending_ = false;
};

}  // namespace mox
