#pragma once

#include "shell/program_start.h"

#include <QWidget>

class QLabel;
class QTimer;

namespace mox {

// The splash window shown for two seconds before a program's main window.
class PFrmSplash : public QWidget {
    Q_OBJECT
public:
    explicit PFrmSplash(SplashTexts texts, QWidget* parent = nullptr);
    void Form_Load();

    QLabel* LblTitle1;
    QLabel* LblTitle2;
    QLabel* LblVersion;
    QLabel* Label7;
    QTimer* TmSplash;

signals:
    // Emitted on the first tick, after the splash window has closed.
    void Finished();

private:
    void TmSplash_Timer();

    SplashTexts texts_;
};

}  // namespace mox
