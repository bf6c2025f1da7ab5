#include "shell/compact_window.h"

#include "core/compaction.h"
#include "core/settings.h"
#include "platform/clock.h"
#include "platform/gui/forms.h"
#include "shell/timing.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

namespace mox {

namespace {

PFrmCompact::ExitFunction exitFunction;

constexpr int16_t kAttempts = 10;

void EndProcessNow() {
    if (exitFunction) {
        exitFunction();
        return;
    }
    // No window runs its close handling: the data is already in its file.
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace

void PFrmCompact::SetExitFunction(ExitFunction exit) { exitFunction = std::move(exit); }

PFrmCompact::PFrmCompact(CompactionStepHook compactionSteps, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint), compactionSteps_(std::move(compactionSteps)) {
    setWindowTitle(QStringLiteral("MOX-Chart"));
    setFixedSize(420, 250);
    setAutoFillBackground(true);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 12, 12, 12);
    Frame1 = new QGroupBox(QStringLiteral("現在の状況"), this);
    Frame1->setAutoFillBackground(true);
    outer->addWidget(Frame1);

    auto* inner = new QVBoxLayout(Frame1);
    auto* top = new QHBoxLayout();
    Image1 = new QLabel(Frame1);
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    Label1 = new QLabel(QStringLiteral("しばらくお待ちください。"), Frame1);
    top->addWidget(Image1);
    top->addWidget(Label1, 1);
    inner->addLayout(top);
    LstStatus = new QListWidget(Frame1);
    inner->addWidget(LstStatus, 1);

    Timer1 = new QTimer(this);
    connect(Timer1, &QTimer::timeout, this, &PFrmCompact::Timer1_Timer);
}

void PFrmCompact::AddStatus(const QString& line) {
    LstStatus->addItem(line);
    LstStatus->setCurrentRow(LstStatus->count() - 1);
}

void PFrmCompact::Form_Load() {
    platform::CenterForm(this, G().FormBackColor);
    platform::SetBackColor(Frame1, G().FormBackColor);
    show();

    AddStatus(QStringLiteral("最適化情報を取得しています。"));
    bool compacted = false;
    // A damaged database was reported by the attempt that found it; waiting
    // cannot mend it, so no attempt follows.
    bool damaged = false;
    for (int16_t n = 1; n <= kAttempts && !damaged; ++n) {
        AddStatus(QStringLiteral("最適化の準備をしています。(") + QString::number(n) + QStringLiteral(" 回目)"));
        platform::ProcessEvents();
        platform::Wait(2000);
        AddStatus(QStringLiteral("最適化を実行しています。　(") + QString::number(n) + QStringLiteral(" 回目)"));
        platform::ProcessEvents();
        if (CompactDatabase(n, &damaged, compactionSteps_)) {
            compacted = true;
            break;
        }
    }
    if (!compacted) {
        AddStatus(QStringLiteral("最適化できません。最適化せずに終了します。"));
        platform::ProcessEvents();
    }
    AddStatus(QStringLiteral("終了処理を行っています。"));
    platform::ProcessEvents();

    workDone_ = true;
    countdown_ = 2;
    Timer1->setInterval(TimerInterval(1000));
    Timer1->start();
}

void PFrmCompact::closeEvent(QCloseEvent* event) {
    // The window never goes away on its own: while it works, the database is
    // being replaced; afterwards the only way on is the end of the process.
    event->ignore();
    if (!workDone_) return;
    Timer1->stop();
    EndProcessNow();
}

void PFrmCompact::Timer1_Timer() {
    if (countdown_ < 1) {
        Timer1->stop();
        EndProcessNow();
        return;
    }
    --countdown_;
}

}  // namespace mox
