#include "ui/preferences/exchange_page.h"

#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "ui/qt_text.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lisotrex::ui {

CAddrExchangePage::CAddrExchangePage(Preferences& prefs, QWidget* parent)
    : CPreferencePage(137, QStringLiteral("Exchange Server"), parent), prefs_(prefs) {
    version5_ = new QRadioButton(QStringLiteral("&5.x"), this);
    version5_->setObjectName(QStringLiteral("ctl_1014"));
    version2000_ = new QRadioButton(QStringLiteral("&2000"), this);
    version2000_->setObjectName(QStringLiteral("ctl_1015"));
    auto* versions = new QButtonGroup(this);
    versions->addButton(version5_, 0);
    versions->addButton(version2000_, 1);

    symbols_ = new QGroupBox(QStringLiteral("群組符號設定"), this);
    delimiter_ = makeChoiceList("ctl_1028",
                          {ids::IDS_SEPARATOR_COMMA, ids::IDS_DELIMITER_TAB, ids::IDS_DELIMITER_SPACE,
                           ids::IDS_DELIMITER_SEMICOLON},
                          symbols_);
    quote_ = makeChoiceList("ctl_1029", {ids::IDS_QUOTE_SINGLE, ids::IDS_QUOTE_DOUBLE}, symbols_);
    groupSymbol_ = makeChoiceList("ctl_1032",
                            {ids::IDS_GROUP_SYMBOL_EXCLAMATION, ids::IDS_GROUP_SYMBOL_HASH,
                             ids::IDS_GROUP_SYMBOL_DOLLAR, ids::IDS_GROUP_SYMBOL_PERCENT,
                             ids::IDS_GROUP_SYMBOL_AMPERSAND, ids::IDS_GROUP_SYMBOL_ASTERISK,
                             ids::IDS_GROUP_SYMBOL_AT, ids::IDS_GROUP_SYMBOL_CARET},
                            symbols_);
    auto* form = new QFormLayout(symbols_);
    form->addRow(QStringLiteral("限定(&D):"), delimiter_);
    form->addRow(QStringLiteral("引用(&Q):"), quote_);
    form->addRow(QStringLiteral("優先限定(&P):"), groupSymbol_);

    auto* top = new QVBoxLayout(this);
    top->addWidget(new QLabel(QStringLiteral("Exchange Server 版本:"), this));
    top->addWidget(version5_);
    top->addWidget(version2000_);
    top->addWidget(symbols_);
    top->addStretch();
}

void CAddrExchangePage::onStart() {
    const ExchangeSettings& s = prefs_.exchange;
    startVersion_ = s.version;
    (s.version == 0 ? version5_ : version2000_)->setChecked(true);
    delimiter_->setCurrentIndex(s.column);
    quote_->setCurrentIndex(s.quote);
    groupSymbol_->setCurrentIndex(s.groupSymbol);
    // The symbols describe the 5.x export only.
    symbols_->setEnabled(s.version == 0);

    connect(version5_, &QRadioButton::clicked, this, [this] { versionClicked(0); });
    connect(version2000_, &QRadioButton::clicked, this, [this] { versionClicked(1); });
    for (QComboBox* list : {delimiter_, quote_, groupSymbol_})
        connect(list, &QComboBox::activated, this, &CAddrExchangePage::markChanged);
}

void CAddrExchangePage::versionClicked(int version) {
    symbols_->setEnabled(version == 0);
    if (version != startVersion_) markChanged();
}

void CAddrExchangePage::apply() {
    ExchangeSettings& s = prefs_.exchange;
    s.version = version5_->isChecked() ? 0 : 1;
    s.column = chosenIndex(delimiter_, s.column);
    s.quote = chosenIndex(quote_, s.quote);
    s.groupSymbol = chosenIndex(groupSymbol_, s.groupSymbol);
    saveSection(prefs_, PrefSection::Exchange);
}

} // namespace lisotrex::ui
