#pragma once
// "新增通訊錄": the kind of a new address book.

#include <QDialog>

#include <cstdint>
#include <optional>

class QRadioButton;

namespace lisotrex::ui {

class CBookKindDialog : public QDialog {
    Q_OBJECT
public:
    CBookKindDialog(int32_t current, QWidget* parent = nullptr);
    int32_t kind() const;

private:
    QRadioButton* plain_;
    QRadioButton* oneTouch_;
};

// The chosen kind (kPlainBook or kOneTouchBook), nothing on Cancel.
std::optional<int32_t> runBookKindDialog(int32_t current, QWidget* parent);

} // namespace lisotrex::ui
