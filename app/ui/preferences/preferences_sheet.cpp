#include "ui/preferences/preferences_sheet.h"

#include "strings/string_ids.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/preferences/convert_page.h"
#include "ui/preferences/exchange_page.h"
#include "ui/preferences/log_file_page.h"
#include "ui/preferences/max_export_page.h"
#include "ui/preferences/notes_page.h"
#include "ui/preferences/one_touch_dial_page.h"
#include "ui/preferences/pdx_page.h"
#include "ui/qt_text.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lisotrex::ui {

CPreferencesSheet::CPreferencesSheet(PreferencesContext& context, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("preferences_sheet"));
    setWindowTitle(qtText(ids::IDS_PREFERENCES_CAPTION));
    useDialogFont(this);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("preferences_tabs"));
    addPage(new CAddrOneTouchDialPage(context.doc, context.prefs));
    addPage(new CAddrMaxExportPage(context.prefs));
    addPage(new CAddrLogFilePage(context.log, context.prefs));
    addPage(new CAddrExchangePage(context.prefs));
    addPage(new CAddrNotesPage(context.prefs));
    addPage(new CAddrPDXPage(context.addressBookButton));
    addPage(new CAddrConvertPage(context.prefs));

    const OkCancel buttons = makeOkCancel(this);
    apply_ = new QPushButton(QStringLiteral("套用(&A)"), this);
    apply_->setObjectName(QStringLiteral("ctl_12321"));
    apply_->setAutoDefault(false);
    apply_->setEnabled(false);
    connect(apply_, &QPushButton::clicked, this, [this] {
        if (applyPages()) apply_->setEnabled(false);
    });

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    row->addWidget(apply_);
    auto* top = new QVBoxLayout(this);
    top->addWidget(tabs_);
    top->addLayout(row);

    current_ = 0;
    pages_.front()->start();
    connect(tabs_, &QTabWidget::currentChanged, this, &CPreferencesSheet::pageChanged);
}

void CPreferencesSheet::addPage(CPreferencePage* page) {
    pages_.push_back(page);
    tabs_->addTab(page, page->caption());
    connect(page, &CPreferencePage::changed, this, [this] { apply_->setEnabled(true); });
}

bool CPreferencesSheet::refuseOn(CPreferencePage* page, QWidget* field) {
    switching_ = true;
    tabs_->setCurrentWidget(page);
    current_ = tabs_->currentIndex();
    switching_ = false;
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
    return false;
}

void CPreferencesSheet::pageChanged(int index) {
    if (switching_) return;
    // The page being left must hold acceptable values.
    if (current_ >= 0 && current_ != index) {
        CPreferencePage* left = pages_[static_cast<size_t>(current_)];
        if (left->started()) {
            if (QWidget* field = left->validate()) {
                refuseOn(left, field);
                return;
            }
        }
    }
    current_ = index;
    if (index >= 0) pages_[static_cast<size_t>(index)]->start();
}

bool CPreferencesSheet::applyPages() {
    CPreferencePage* shown = current_ >= 0 ? pages_[static_cast<size_t>(current_)] : nullptr;
    std::vector<CPreferencePage*> order;
    if (shown) order.push_back(shown);
    for (CPreferencePage* page : pages_) {
        if (page != shown) order.push_back(page);
    }
    for (CPreferencePage* page : order) {
        if (!page->started()) continue;
        if (QWidget* field = page->validate()) return refuseOn(page, field);
    }
    for (CPreferencePage* page : pages_) {
        if (!page->started()) continue;
        page->apply();
        page->clearChanged();
    }
    return true;
}

void CPreferencesSheet::accept() {
    if (applyPages()) QDialog::accept();
}

bool runPreferencesSheet(PreferencesContext& context, QWidget* parent) {
    CPreferencesSheet sheet(context, parent);
    return sheet.exec() == QDialog::Accepted;
}

} // namespace lisotrex::ui
