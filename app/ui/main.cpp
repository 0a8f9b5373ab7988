// lisotrex: the address book utility's window program.

#include "ui/command_line_help.h"
#include "ui/icons.h"
#include "ui/lisotrex_app.h"
#include "ui/qt_translations.h"

#include <QApplication>

int main(int argc, char** argv) {
    // --help and --version answer without a window (and without a display).
    if (auto answered = lisotrex::ui::answerInfoOption(argc, argv)) return *answered;
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lisotrex"));
    lisotrex::ui::installQtTranslations(qt);
    lisotrex::ui::useIconTheme();
    int status = 0;
    {
        lisotrex::ui::CLisotrexApp app;
        if (!app.initInstance(QApplication::arguments())) return 1;
        status = QApplication::exec();
        app.exitInstance();
    }
    return status;
}
