#pragma once
// One page of the preferences sheet: it copies its settings when it is first
// shown, checks its fields when the sheet leaves it or applies, and writes
// its values back only when it has been shown.

#include <QString>
#include <QWidget>

#include <cstdint>

class QLineEdit;

class QComboBox;

namespace lisotrex::ui {

class CPreferencePage : public QWidget {
    Q_OBJECT
public:
    CPreferencePage(int dialogId, const QString& caption, QWidget* parent = nullptr);

    const QString& caption() const { return caption_; }
    bool started() const { return started_; }
    // First showing: take the values and set the controls up.
    void start();
    // The field to return to after its message was shown, or nullptr when
    // every field is acceptable.
    virtual QWidget* validate() { return nullptr; }
    virtual void apply() {}

    bool isChanged() const { return changed_; }
    void clearChanged() { changed_ = false; }

signals:
    void changed();

protected:
    virtual void onStart() = 0;
    void markChanged();
    // The field's integer within [low, high], or its message (6054) and false.
    bool readRange(QLineEdit* edit, int32_t low, int32_t high, int32_t& value);

private:
    QString caption_;
    bool started_ = false;
    bool starting_ = false;
    bool changed_ = false;
};

// A complete decimal integer, blanks and tabs around it ignored; -1 for
// anything else, the empty text included.
int64_t readPageInteger(const QString& text);

// A drop-down list of string-table items, in order (item index = stored value).
QComboBox* makeChoiceList(const char* objectName, std::initializer_list<int> itemIds, QWidget* parent);
// The list's choice; a stored index the list does not have keeps the stored value.
int32_t chosenIndex(const QComboBox* list, int32_t stored);

} // namespace lisotrex::ui
