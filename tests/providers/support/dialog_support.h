#pragma once
// What the plug-ins' dialog tests share: the process's QApplication, the
// message boxes as recorded, and answering a modal dialog from inside its loop.

#include <gtest/gtest.h>

#include <QApplication>
#include <QInputDevice>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace wabtest {

struct Shown {
    int id;
    QMessageBox::Icon icon;
    bool operator==(const Shown&) const = default;
};

// `name` is the program's name; the application lives for the whole process.
inline void makeApplication(const char* name) {
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name), nullptr};
    // The input devices' registry is made first, so it outlives the static application.
    (void)QInputDevice::devices();
    static QApplication app(argc, argv);
}

// Answers the next modal dialog from inside its event loop.
inline void answerModal(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        answer(dialog);
    });
}

} // namespace wabtest
