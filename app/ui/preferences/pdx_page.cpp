#include "ui/preferences/pdx_page.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lisotrex::ui {

CAddrPDXPage::CAddrPDXPage(std::function<void(QWidget*)> onButton, QWidget* parent)
    : CPreferencePage(146, QStringLiteral("通訊錄"), parent), onButton_(std::move(onButton)) {
    auto* button = new QPushButton(QStringLiteral("通訊錄(&B)..."), this);
    button->setObjectName(QStringLiteral("ctl_1006"));
    button->setAutoDefault(false);
    auto* top = new QVBoxLayout(this);
    top->addWidget(new QLabel(QStringLiteral("通訊錄設定:"), this));
    top->addWidget(button, 0, Qt::AlignLeft);
    top->addStretch();
    connect(button, &QPushButton::clicked, this, [this] {
        if (onButton_) onButton_(this);
    });
}

} // namespace lisotrex::ui
