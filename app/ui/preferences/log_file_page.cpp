#include "ui/preferences/log_file_page.h"

#include "platform/typing_limit.h"

#include "files/log_file.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/message_box.h"
#include "ui/qt_text.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lisotrex::ui {

CAddrLogFilePage::CAddrLogFilePage(Log& log, Preferences& prefs, QWidget* parent)
    : CPreferencePage(134, QStringLiteral("記錄檔"), parent), log_(log), prefs_(prefs) {
    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("ctl_1012"));
    platform::limitTyping(path_, static_cast<int>(kPathLimit));
    auto* browse = new QPushButton(QStringLiteral("瀏覽(&B)..."), this);
    browse->setObjectName(QStringLiteral("ctl_1013"));
    browse->setAutoDefault(false);
    auto* label = new QLabel(QStringLiteral("記錄檔路徑(&L):"), this);
    label->setBuddy(path_);
    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(path_, 1, 0);
    grid->addWidget(browse, 1, 1);
    grid->setRowStretch(2, 1);
    connect(browse, &QPushButton::clicked, this, &CAddrLogFilePage::browse);
}

void CAddrLogFilePage::onStart() {
    path_->setText(fromSystem(log_.path()));
    connect(path_, &QLineEdit::textChanged, this, &CAddrLogFilePage::markChanged);
}

QWidget* CAddrLogFilePage::validate() {
    if (editedOrOriginal(path_->text(), log_.path()).size() <= kPathLimit) return nullptr;
    showMessage(this, ids::IDS_MSG_MAX_CHARS, Icon::Exclamation, {"259"});
    return path_;
}

void CAddrLogFilePage::apply() { log_.setPath(editedOrOriginal(path_->text(), log_.path()), prefs_); }

void CAddrLogFilePage::browse() {
    BrowseRequest request;
    request.current = path_->text();
    request.filters = nameFilters({ids::IDS_FILTER_TEXT_FILES, ids::IDS_FILTER_ALL_FILES});
    const QString chosen = browseForFile(this, request);
    if (!chosen.isEmpty()) path_->setText(chosen);
}

} // namespace lisotrex::ui
