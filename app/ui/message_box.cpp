#include "ui/message_box.h"

#include "strings/strings.h"
#include "ui/qt_text.h"

#include <QApplication>
#include <QMessageBox>

namespace lisotrex::ui {

namespace {

QMessageBox::Icon qtIcon(Icon icon) {
    switch (icon) {
    case Icon::Stop: return QMessageBox::Critical;
    case Icon::Exclamation: return QMessageBox::Warning;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

OverrideCursorsLifted::OverrideCursorsLifted() {
    while (const QCursor* c = QApplication::overrideCursor()) {
        lifted_.push_back(*c);
        QApplication::restoreOverrideCursor();
    }
}

OverrideCursorsLifted::~OverrideCursorsLifted() {
    for (auto it = lifted_.rbegin(); it != lifted_.rend(); ++it) QApplication::setOverrideCursor(*it);
}

void showMessage(QWidget* parent, int id, Icon icon, const std::vector<std::string>& args) {
    QMessageBox box(qtIcon(icon), qtText(ids::IDS_APP_TITLE), fromUtf8(formatMessage(id, args)), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("message_%1").arg(id));
    OverrideCursorsLifted pointer;
    box.exec();
}

Answer askQuestion(QWidget* parent, int id, Buttons buttons, Icon icon, const std::vector<std::string>& args) {
    QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
    if (buttons == Buttons::YesNoCancel) set |= QMessageBox::Cancel;
    QMessageBox box(qtIcon(icon), qtText(ids::IDS_APP_TITLE), fromUtf8(formatMessage(id, args)), set, parent);
    box.setObjectName(QStringLiteral("question_%1").arg(id));
    OverrideCursorsLifted pointer;
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return buttons == Buttons::YesNoCancel ? Answer::Cancel : Answer::No;
    }
}

} // namespace lisotrex::ui
