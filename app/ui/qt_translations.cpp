#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace lisotrex::ui {

bool installQtTranslations(QCoreApplication& app) {
    // "qt_zh_TW" gathers the catalogues of every Qt module (qtbase_zh_TW, ...).
    auto* qt = new QTranslator(&app);
    if (!qt->load(QStringLiteral("qt_zh_TW"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(qt)) {
        delete qt;
        return false;
    }
    return true;
}

} // namespace lisotrex::ui
