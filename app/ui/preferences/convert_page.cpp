#include "ui/preferences/convert_page.h"

#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "ui/dialogs/filter_edit.h"
#include "ui/qt_text.h"

#include <QComboBox>
#include <QFormLayout>

namespace lisotrex::ui {

CAddrConvertPage::CAddrConvertPage(Preferences& prefs, QWidget* parent)
    : CPreferencePage(141, QStringLiteral("資料轉換設定"), parent), prefs_(prefs) {
    nameOrder_ = makeChoiceList("ctl_1026",
                          {ids::IDS_NAME_ORDER_SURNAME_GIVEN, ids::IDS_NAME_ORDER_SURNAME_COMMA_GIVEN,
                           ids::IDS_NAME_ORDER_GIVEN_SURNAME},
                          this);
    faxConversion_ = makeChoiceList(
        "ctl_1033", {ids::IDS_FAX_CONVERT_OFF, ids::IDS_FAX_CONVERT_BUILD, ids::IDS_FAX_CONVERT_EXTRACT}, this);
    emailCheck_ = makeChoiceList("ctl_1031", {ids::IDS_EMAIL_CHECK_OFF, ids::IDS_EMAIL_CHECK_FORMAT}, this);
    departmentOrder_ = makeChoiceList("ctl_1027",
                                {ids::IDS_DEPT_ORDER_COMPANY_DEPT, ids::IDS_DEPT_ORDER_DEPT_COMPANY,
                                 ids::IDS_DEPT_COMPANY_ONLY, ids::IDS_DEPT_DEPARTMENT_ONLY},
                                this);
    prefix_ = new CFilterEdit(this);
    prefix_->setObjectName(QStringLiteral("ctl_1035"));
    // The prefix is dialled, so printable ASCII only.
    prefix_->attach(CFilterEdit::kDigits | CFilterEdit::kLetters | CFilterEdit::kOtherPrintable, {}, false);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("顯示名稱為(&N):"), nameOrder_);
    form->addRow(QStringLiteral("轉換傳真號碼(&F):"), faxConversion_);
    form->addRow(QStringLiteral("E-mail 格式檢查(&E):"), emailCheck_);
    form->addRow(QStringLiteral("顯示公司及部門/處為(&C):"), departmentOrder_);
    form->addRow(QStringLiteral("撥接外線首碼(&O):"), prefix_);
}

void CAddrConvertPage::onStart() {
    const ConversionSettings& s = prefs_.conversion;
    nameOrder_->setCurrentIndex(s.nameSeq);
    faxConversion_->setCurrentIndex(s.faxConvertType);
    emailCheck_->setCurrentIndex(s.emailConvertType);
    departmentOrder_->setCurrentIndex(s.deptConvertType);
    prefix_->setText(fromSystem(s.outsideWireCode));

    for (QComboBox* list : {nameOrder_, faxConversion_, emailCheck_, departmentOrder_})
        connect(list, &QComboBox::activated, this, &CAddrConvertPage::markChanged);
    connect(prefix_, &QLineEdit::textChanged, this, &CAddrConvertPage::markChanged);
}

void CAddrConvertPage::apply() {
    ConversionSettings& s = prefs_.conversion;
    s.nameSeq = chosenIndex(nameOrder_, s.nameSeq);
    s.outsideWireCode = editedOrOriginal(prefix_->text(), s.outsideWireCode);
    s.faxConvertType = chosenIndex(faxConversion_, s.faxConvertType);
    s.emailConvertType = chosenIndex(emailCheck_, s.emailConvertType);
    s.deptConvertType = chosenIndex(departmentOrder_, s.deptConvertType);
    saveSection(prefs_, PrefSection::Conversion);
}

} // namespace lisotrex::ui
