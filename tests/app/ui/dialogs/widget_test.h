#pragma once
// Widget tests: one QApplication for the process, and a helper that answers
// the message boxes a dialog opens, recording which ones they were.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace lisotrex::test {

class AppTeardown : public ::testing::Environment {
public:
    explicit AppTeardown(QApplication* app) : app_(app) {}
    void TearDown() override { delete app_; }

private:
    QApplication* app_;
};

class WidgetTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app(); }
    static QApplication& app() {
        static int argc = 1;
        static char name[] = "dialog_tests";
        static char* argv[] = {name, nullptr};
        // Destroyed when the test run ends, while Qt's own globals still live.
        static QApplication* instance = [] {
            auto* a = new QApplication(argc, argv);
            ::testing::AddGlobalTestEnvironment(new AppTeardown(a));
            return a;
        }();
        return *instance;
    }
};

// While alive, answers every message box that becomes the active modal
// widget: with the next scripted button, else OK (or No for a question).
class BoxAnswerer {
public:
    std::vector<QString> names; // "message_<id>" / "question_<id>"
    std::vector<QString> texts;
    std::deque<QMessageBox::StandardButton> answers;

    BoxAnswerer() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    QString last() const { return names.empty() ? QString() : names.back(); }

private:
    void poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        names.push_back(box->objectName());
        texts.push_back(box->text());
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        } else {
            answer = box->button(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
        }
        box->button(answer)->click();
    }

    QTimer timer_;
};

// Shows the widget and waits until it is active, so focus can be checked.
inline bool showActive(QWidget& w) {
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

template <class T>
T* child(QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

} // namespace lisotrex::test
