#pragma once
// Qt's own texts (standard buttons, file dialogs, edit menus) in Traditional
// Chinese, whatever the user's locale: every other text of the program is
// Chinese too.

class QCoreApplication;

namespace lisotrex::ui {

// Loads Qt's zh_TW catalogues from Qt's translations folder into `app`;
// false when they are not installed (Qt's English texts stay).
bool installQtTranslations(QCoreApplication& app);

} // namespace lisotrex::ui
