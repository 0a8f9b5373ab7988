#pragma once
// The start-up picture: a borderless window that goes after 750 ms or at the
// first key or mouse button press.

#include <QWidget>

namespace lisotrex::ui {

class SplashWindow : public QWidget {
    Q_OBJECT
public:
    // Shows the splash centred over the screen; null when it could not be made.
    static SplashWindow* showFor(QWidget* mainWindow);
    ~SplashWindow() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit SplashWindow(QWidget* mainWindow);
    void hideSplash();

    QWidget* mainWindow_;
    QPixmap picture_;
};

} // namespace lisotrex::ui
