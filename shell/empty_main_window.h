#pragma once

#include <QMainWindow>
#include <functional>

namespace mox {

// The main window titled "MOX-Chart" until the examination input screen takes
// its place; closing it runs `endRun`, the end of the program.
class EmptyMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit EmptyMainWindow(std::function<void()> endRun, QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> endRun_;
    bool ending_ = false;
};

}  // namespace mox
