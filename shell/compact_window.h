#pragma once

#include "core/compaction.h"

#include <QWidget>
#include <cstdint>
#include <functional>

class QCloseEvent;
class QGroupBox;
class QLabel;
class QListWidget;
class QTimer;

namespace mox {

// The compaction window of the normal end: compacts the main database (up to
// ten attempts, two seconds apart; one only when it finds the database
// damaged), lists its progress and ends the process about three seconds after
// the last line. The user cannot close it while it
// works; a close after the work ends the process as the last tick does, so
// that no process lives on without a window, holding the instance lock.
class PFrmCompact : public QWidget {
    Q_OBJECT
public:
    // `compactionSteps` is handed to each attempt (CompactDatabase).
    explicit PFrmCompact(CompactionStepHook compactionSteps = {}, QWidget* parent = nullptr);
    void Form_Load();

    QGroupBox* Frame1;
    QLabel* Label1;
    QListWidget* LstStatus;
    QLabel* Image1;
    QTimer* Timer1;

    // How the process ends on the last tick; tests install one that records
    // the end instead. Empty restores the immediate end of the process.
    using ExitFunction = std::function<void()>;
    static void SetExitFunction(ExitFunction exit);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void AddStatus(const QString& line);
    void Timer1_Timer();

    int16_t countdown_ = 0;
    bool workDone_ = false;
    CompactionStepHook compactionSteps_;
};

}  // namespace mox
