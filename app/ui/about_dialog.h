#pragma once
// Dialog 100: the About box.

#include <QDialog>

namespace lisotrex::ui {

class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
};

} // namespace lisotrex::ui
