#include "screens/input/modal_window.h"

#include <QDialog>

namespace mox {

namespace {

ModalRunner& Runner() {
    static ModalRunner runner;
    return runner;
}

}  // namespace

void SetModalRunner(ModalRunner runner) { Runner() = std::move(runner); }

void RunModal(QDialog& window) {
    window.setModal(true);
    if (!Runner()) {
        window.exec();
        return;
    }
    window.show();
    Runner()(window);
    window.close();
}

}  // namespace mox
