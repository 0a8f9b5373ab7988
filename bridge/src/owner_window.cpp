#include "owner_window.h"

#include <QApplication>

#include "wait_cursor.h"

namespace vqbridge {

QWidget* widgetOf(uintptr_t window) {
    if (!window || !haveApplication()) return nullptr;
    for (QWidget* w : QApplication::allWidgets())
        if (reinterpret_cast<uintptr_t>(w) == window) return w;
    return nullptr;
}

DisabledOwner::DisabledOwner(uintptr_t window) {
    QWidget* given = widgetOf(window);
    if (!given) return;
    // Child widgets lead to the window that owns them.
    QWidget* top = given->window();
    if (!top || !top->isEnabled()) return;
    top->setEnabled(false);
    owner_ = top;
}

DisabledOwner::~DisabledOwner() {
    if (owner_) owner_->setEnabled(true);
}

} // namespace vqbridge
