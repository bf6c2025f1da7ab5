#include "shell/splash.h"

#include "core/settings.h"
#include "platform/clock.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"
#include "shell/timing.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace mox {

PFrmSplash::PFrmSplash(SplashTexts texts, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), texts_(std::move(texts)) {
    setWindowTitle(texts_.windowTitle);
    setFixedSize(520, 260);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 28, 28, 20);
    LblTitle1 = new QLabel(this);
    LblTitle2 = new QLabel(this);
    LblVersion = new QLabel(QStringLiteral("Ver."), this);
    Label7 = new QLabel(QStringLiteral("ミラド協会 歯周病検査記録システム"), this);
    QFont titleFont(QStringLiteral("ＭＳ Ｐゴシック"), 12);
    LblTitle1->setFont(titleFont);
    QFont bigFont(QStringLiteral("ＭＳ Ｐゴシック"), 16, QFont::Bold);
    LblTitle2->setFont(bigFont);
    Label7->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 9));
    layout->addStretch();
    layout->addWidget(LblTitle1);
    layout->addWidget(LblTitle2);
    layout->addWidget(LblVersion);
    layout->addStretch();
    layout->addWidget(Label7, 0, Qt::AlignRight);

    TmSplash = new QTimer(this);
    TmSplash->setInterval(TimerInterval(2000));
    connect(TmSplash, &QTimer::timeout, this, &PFrmSplash::TmSplash_Timer);
}

void PFrmSplash::Form_Load() {
    platform::SetMousePointer(11);
    platform::CenterForm(this, G().FormBackColor);
    LblTitle1->setText(texts_.title1);
    LblTitle2->setText(texts_.title2);
    LblVersion->setText(texts_.version);
    show();
    platform::ProcessEvents();
    TmSplash->start();
}

void PFrmSplash::TmSplash_Timer() {
    TmSplash->stop();
    close();
    emit Finished();
    deleteLater();
}

}  // namespace mox
