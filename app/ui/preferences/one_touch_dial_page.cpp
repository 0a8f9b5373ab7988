#include "ui/preferences/one_touch_dial_page.h"

#include "model/document.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"

#include <QFormLayout>
#include <QLineEdit>

namespace lisotrex::ui {

CAddrOneTouchDialPage::CAddrOneTouchDialPage(CLisotrexDoc& doc, Preferences& prefs, QWidget* parent)
    : CPreferencePage(155, QStringLiteral("單鍵號碼"), parent), doc_(doc), prefs_(prefs) {
    maximum_ = new QLineEdit(this);
    maximum_->setObjectName(QStringLiteral("ctl_1021"));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("最大可註冊的單鍵數(&M):"), maximum_);
}

void CAddrOneTouchDialPage::onStart() {
    value_ = doc_.m_nMaxOneTouch;
    maximum_->setText(QString::number(value_));
    connect(maximum_, &QLineEdit::textChanged, this, &CAddrOneTouchDialPage::markChanged);
}

QWidget* CAddrOneTouchDialPage::validate() {
    return readRange(maximum_, kLow, kHigh, value_) ? nullptr : maximum_;
}

void CAddrOneTouchDialPage::apply() {
    // Keeping the book's maximum stores nothing, even when the stored default differs.
    const int32_t before = doc_.m_nMaxOneTouch;
    doc_.m_nMaxOneTouch = value_;
    if (value_ != before && value_ != prefs_.env.oneTouchNumber) {
        prefs_.env.oneTouchNumber = value_;
        savePreference(prefs_, PrefSection::Env, ids::IDS_KEY_ONE_TOUCH_NUMBER);
    }
}

} // namespace lisotrex::ui
