#include "core/ui/splash.h"

#include "core/settings.h"
#include "core/ui/timing.h"
#include "core/version.h"
#include "platform/clock.h"
#include "platform/gui/forms.h"
#include "platform/gui/screen.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace mox {

PFrmSplash::PFrmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("MOX-Chart"));
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
    LblTitle1->setText(QStringLiteral("ミラド協会 専門医・認定医・認定歯科衛生士用"));
    LblTitle2->setText(QStringLiteral("歯周検査ソフト　MOX-Chart　") + GetVersionText());
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
