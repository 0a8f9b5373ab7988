#include "wait_cursor.h"

#include <QApplication>

namespace vqbridge {

bool haveApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

WaitCursor::WaitCursor() {
    if (!haveApplication()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    set_ = true;
}

WaitCursor::~WaitCursor() {
    if (set_ && haveApplication()) QApplication::restoreOverrideCursor();
}

ArrowCursor::ArrowCursor() {
    if (!haveApplication()) return;
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    set_ = true;
}

ArrowCursor::~ArrowCursor() {
    if (set_ && haveApplication()) QApplication::restoreOverrideCursor();
}

} // namespace vqbridge
