#include "ui/splash_window.h"

#include "ui/icons.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace lisotrex::ui {

SplashWindow* SplashWindow::showFor(QWidget* mainWindow) {
    auto* splash = new SplashWindow(mainWindow);
    if (splash->picture_.isNull()) {
        delete splash;
        return nullptr;
    }
    splash->show();
    return splash;
}

SplashWindow::SplashWindow(QWidget* mainWindow)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      mainWindow_(mainWindow), picture_(splashPixmap()) {
    setObjectName(QStringLiteral("splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(picture_.size());
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    QTimer::singleShot(750, this, &SplashWindow::hideSplash);
    qApp->installEventFilter(this);
}

SplashWindow::~SplashWindow() {
    if (qApp) qApp->removeEventFilter(this);
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, picture_);
}

bool SplashWindow::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        hideSplash();
        break;
    default:
        break;
    }
    return false;
}

void SplashWindow::hideSplash() {
    qApp->removeEventFilter(this);
    hide();
    if (mainWindow_) mainWindow_->update();
    close();
}

} // namespace lisotrex::ui
