#include "ui/dialogs/dialog_common.h"

#include "strings/string_ids.h"
#include "ui/qt_text.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QFileDialog>
#include <QFont>
#include <QPushButton>

namespace lisotrex::ui {

OkCancel makeOkCancel(QDialog* dialog) {
    auto* ok = new QPushButton(QStringLiteral("確定"), dialog);
    ok->setObjectName(QStringLiteral("ctl_1"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), dialog);
    cancel->setObjectName(QStringLiteral("ctl_2"));
    cancel->setAutoDefault(false);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {ok, cancel};
}

void useDialogFont(QWidget* widget) {
    QFont f = widget->font();
    f.setFamilies({QStringLiteral("新細明體"), QStringLiteral("PMingLiU")});
    widget->setFont(f);
}

QStringList nameFiltersFrom(const QString& barSeparated) {
    const QStringList parts = barSeparated.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QString pattern = parts[i + 1];
        if (description.isEmpty()) continue;
        if (pattern == QStringLiteral("*.*")) {
            pattern = QStringLiteral("*");
            description.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
        }
        if (!description.contains(u'(')) description += QStringLiteral(" (%1)").arg(pattern);
        out.append(description);
    }
    return out;
}

QStringList nameFilters(std::initializer_list<int> filterIds) {
    QStringList out;
    for (int id : filterIds) out += nameFiltersFrom(qtText(id));
    return out;
}

QString folderOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0) return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString browseForFile(QWidget* parent, const BrowseRequest& request) {
    QFileDialog dialog(parent, qtText(ids::IDS_TITLE_OPEN_FILE), folderOf(request.current));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QHBoxLayout* buttonRow(const OkCancel& buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(buttons.ok);
    row->addWidget(buttons.cancel);
    return row;
}

QHBoxLayout* pathRow(QWidget* path, QWidget* browse) {
    auto* row = new QHBoxLayout;
    row->addWidget(path, 1);
    row->addWidget(browse);
    return row;
}

} // namespace lisotrex::ui
