#include "ui/preferences/max_export_page.h"

#include "settings/preferences.h"
#include "strings/string_ids.h"

#include <QFormLayout>
#include <QLineEdit>

namespace lisotrex::ui {

CAddrMaxExportPage::CAddrMaxExportPage(Preferences& prefs, QWidget* parent)
    : CPreferencePage(147, QStringLiteral("匯出項目數"), parent), prefs_(prefs) {
    limit_ = new QLineEdit(this);
    limit_->setObjectName(QStringLiteral("ctl_1010"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("最大匯出項目數(&M):"), limit_);
}

void CAddrMaxExportPage::onStart() {
    value_ = prefs_.exports.maxExport;
    limit_->setText(QString::number(value_));
    connect(limit_, &QLineEdit::textChanged, this, &CAddrMaxExportPage::markChanged);
}

QWidget* CAddrMaxExportPage::validate() { return readRange(limit_, kLow, kHigh, value_) ? nullptr : limit_; }

void CAddrMaxExportPage::apply() {
    prefs_.exports.maxExport = value_;
    savePreference(prefs_, PrefSection::Export, ids::IDS_KEY_MAX_EXPORT);
}

} // namespace lisotrex::ui
