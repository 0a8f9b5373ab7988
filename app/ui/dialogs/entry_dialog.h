#pragma once
// The entry dialog: the only place where a user types an entry. It edits a
// working copy and writes it back only on OK, after checking every field.

#include "model/entry.h"
#include "model/prompter.h"

#include <QDialog>

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lisotrex::ui {

class CFilterEdit;

class CEntryDialog : public QDialog {
    Q_OBJECT
public:
    // Byte limits in the system code page, without the NUL.
    static constexpr size_t kNameLimit = 127;
    static constexpr size_t kReadingLimit = 63;
    static constexpr size_t kDestinationLimit = 255;
    static constexpr size_t kDepartmentLimit = 255;

    CEntryDialog(CAddrUserDataObj& working, EntryDialogMode mode, int32_t bookType, int32_t maxOneTouch,
                 QWidget* parent = nullptr);

    // True on OK; the working values are then updated.
    static bool run(CAddrUserDataObj& working, EntryDialogMode mode, int32_t bookType, int32_t maxOneTouch,
                    QWidget* parent = nullptr);

    void accept() override;

private:
    void buildControls();
    void fill();
    void updateOk();
    // Shows the message, puts the focus on the field and answers false.
    bool refuse(QWidget* field, int id, const std::vector<std::string>& args = {});

    CAddrUserDataObj& working_;
    EntryDialogMode mode_;
    int32_t bookType_;
    int32_t maxOneTouch_;

    QLineEdit* name_ = nullptr;
    QLineEdit* reading_ = nullptr;
    QComboBox* type_ = nullptr;
    CFilterEdit* destination_ = nullptr;
    QLineEdit* department_ = nullptr;
    CFilterEdit* accessCode_ = nullptr;
    QLabel* oneTouchLabel_ = nullptr;
    CFilterEdit* oneTouch_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace lisotrex::ui
