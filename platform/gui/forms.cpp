#include "platform/gui/forms.h"

#include "platform/gui/colour.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace mox::platform {
namespace {

QRect ScreenOf(const QWidget* form) {
    const QScreen* screen = form->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

// Computed in floating point, as the original did in twips.
int Half(int screenExtent, int formExtent) { return static_cast<int>(std::floor((screenExtent - formExtent) / 2.0)); }

}  // namespace

void SetBackColor(QWidget* widget, uint32_t backColor) {
    if (!widget) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, FromVbColor(backColor));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetForeColor(QWidget* widget, uint32_t foreColor) {
    if (!widget) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, FromVbColor(foreColor));
    widget->setPalette(palette);
}

void CenterForm(QWidget* form, uint32_t backColor) {
    if (!form) return;
    const QRect screen = ScreenOf(form);
    const QSize size = form->frameGeometry().size();
    form->move(screen.x() + Half(screen.width(), size.width()), screen.y() + Half(screen.height(), size.height()));
    SetBackColor(form, backColor);
}

void CenterFormTop(QWidget* form, uint32_t backColor) {
    if (!form) return;
    const QRect screen = ScreenOf(form);
    form->move(screen.x() + Half(screen.width(), form->frameGeometry().width()), screen.y());
    SetBackColor(form, backColor);
}

void SetListIndexByItemData(QComboBox* list, int32_t value, bool firstWhenNone) {
    if (!list) return;
    for (int i = 0; i < list->count(); ++i) {
        const QVariant data = list->itemData(i, Qt::UserRole);
        if (data.isValid() && data.toLongLong() == value) {
            list->setCurrentIndex(i);
            return;
        }
    }
    // An empty list has no entry 0; the selection stays empty.
    if (firstWhenNone && list->count() > 0) list->setCurrentIndex(0);
}

void SetListIndexByItemData(QListWidget* list, int32_t value, bool firstWhenNone) {
    if (!list) return;
    for (int i = 0; i < list->count(); ++i) {
        const QVariant data = list->item(i)->data(Qt::UserRole);
        if (data.isValid() && data.toLongLong() == value) {
            list->setCurrentRow(i);
            return;
        }
    }
    if (firstWhenNone && list->count() > 0) list->setCurrentRow(0);
}

}  // namespace mox::platform
