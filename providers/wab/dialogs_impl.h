#pragma once
// Qt classes behind dialogs 101 and 102 (seen by the tests).

#include <QDialog>
#include <QMessageBox>
#include <functional>
#include <string>

#include "platform/context_help.h"
#include "pdx/interfaces.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace pdx::wab {

// A message box with caption string 53, through provider_ui's message handler.
void showMessage(QWidget* parent, int id, QMessageBox::Icon icon);

// The open-file dialog of the browse button; replaceable so a test can answer it.
struct FileRequest {
    QString title;
    QString directory;
    QString filter;        // Qt's form: "WAB 檔 (*.WAB);;All Files (*.*)"
    QString defaultSuffix;
};
using FileChooser = std::function<QString(QWidget* parent, const FileRequest& request)>;
void setFileChooser(FileChooser chooser); // empty: QFileDialog

// Help contexts of dialog 101 (control id, context).
constexpr platform::HelpPair kConfigHelp[] = {{2001, 3841}, {1002, 3841}, {2002, 3842}, {1001, 3842}, {1000, 3843}};
// The plug-in's module name (string 54) and help file (string 55).
platform::HelpFile helpFile();

class ConfigDialog : public QDialog {
    Q_OBJECT
public:
    ConfigDialog(IProfSect* section, FreeBufferFn freeBuffer, QWidget* parent);
    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* pathEdit() const { return path_; }
    QPushButton* browseButton() const { return browse_; }

    void browse();
    // OK: checks the name and the path, then writes both to the section.
    void accept() override;

private:
    void load();

    IProfSect* section_;
    FreeBufferFn free_;
    QLineEdit* name_;
    QLineEdit* path_;
    QPushButton* browse_;
};

class RecordTypeDialog : public QDialog {
    Q_OBJECT
public:
    explicit RecordTypeDialog(QWidget* parent);
    QListWidget* list() const { return list_; }
    // The creation template property of the selected item.
    ULONG chosenTag() const;

private:
    QListWidget* list_;
};

// A path the component can open: an existing, readable file that is not a folder.
bool usableFile(const std::string& path);

} // namespace pdx::wab
