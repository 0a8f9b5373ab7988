// lisotrex: the address book utility's window program.

#include "ui/lisotrex_app.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lisotrex"));
    int status = 0;
    {
        lisotrex::ui::CLisotrexApp app;
        if (!app.initInstance(QApplication::arguments())) return 1;
        status = QApplication::exec();
        app.exitInstance();
    }
    return status;
}
