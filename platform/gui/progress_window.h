#pragma once
// The window that shows a long piece of work while it runs (a conversion of
// a Windows database at start-up, on opening a file or in a restore): what
// is being done and how far it has come. It shows at once, and while it is
// up every other window of the program takes no input: a click made
// meanwhile is dropped, never carried out afterwards. It repaints at most
// every tenth of a second by the program's clock, and at the end.
//
// The window is a dialog named kProgressWindowName whose label named
// kProgressWhatName says what is being done, so that the end-to-end tests'
// log (shell/test_seams.h) finds it as it shows.

#include <QString>
#include <QtGlobal>
#include <memory>

class QDialog;
class QLabel;
class QProgressBar;

namespace mox::platform {

inline constexpr char kProgressWindowName[] = "ProgressWindow";
inline constexpr char kProgressWhatName[] = "What";

class ProgressWindow {
public:
    // `what`: the sentence that says what is being done.
    ProgressWindow(const QString& caption, const QString& what);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // `detail` (the file) and `done` of `total` (rows); the window is
    // repainted and the events that waited are handled (input for other
    // windows is dropped).
    void Show(const QString& detail, qint64 done, qint64 total);

    // What the window showed last, for tests.
    QString Text() const;

private:
    QDialog* dialog_;
    QLabel* what_;
    QLabel* detail_;
    QLabel* count_;
    QProgressBar* bar_;
    int pointerBefore_;
    qint64 lastPaintMs_ = -1;
};

// A progress window for work whose size shows only as it reports: it
// appears once a report names at least `worthAWindow` units of work, so
// that short work passes without one.
class ProgressWindowForLongWork {
public:
    ProgressWindowForLongWork(QString caption, QString what, qint64 worthAWindow);
    ~ProgressWindowForLongWork();
    ProgressWindowForLongWork(const ProgressWindowForLongWork&) = delete;
    ProgressWindowForLongWork& operator=(const ProgressWindowForLongWork&) = delete;

    void Show(const QString& detail, qint64 done, qint64 total);

private:
    QString caption_;
    QString what_;
    qint64 worthAWindow_;
    std::unique_ptr<ProgressWindow> window_;
};

}  // namespace mox::platform
