#pragma once
// Small pieces the program's dialogs share: the OK/Cancel pair, file
// browsing with the string table's filters, and the dialog font.

#include <QString>
#include <QStringList>

#include <initializer_list>

class QDialog;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace lisotrex::ui {

// "確定" (default, objectName ctl_1) and "取消" (ctl_2), wired to accept and reject.
struct OkCancel {
    QPushButton* ok;
    QPushButton* cancel;
};
OkCancel makeOkCancel(QDialog* dialog);
// The pair right-aligned on a row of their own.
QHBoxLayout* buttonRow(const OkCancel& buttons);
// A path field with its browse button beside it.
QHBoxLayout* pathRow(QWidget* path, QWidget* browse);

// The font the dialogs ask for; the system substitutes when it is missing.
void useDialogFont(QWidget* widget);

// "desc|pattern|desc|pattern|" filters as Qt name filters. Qt takes the
// patterns from the parentheses of the description, and its "*.*" would hide
// every file without a dot: all files are "*" there.
QStringList nameFiltersFrom(const QString& barSeparated);
// The same, for filters of the string table.
QStringList nameFilters(std::initializer_list<int> filterIds);
// The folder part of a path (up to the last separator), empty when none.
QString folderOf(const QString& path);

struct BrowseRequest {
    QString current;        // the path in the field; its folder is where to start
    QStringList filters;
    QString defaultSuffix;  // empty for none
    bool mustExist = false;
};
// The chosen path, or an empty string on Cancel. Caption: "開啟舊檔".
QString browseForFile(QWidget* parent, const BrowseRequest& request);

} // namespace lisotrex::ui
