#pragma once
// The input limits of the entry dialogs' edits. The store keeps each field as
// bytes in the system code page, so an edit takes no more characters than its
// limit, no more bytes than the field is read with, and no character the code
// page cannot hold: what the user typed is what gets saved, never cut short.
// A value already stored longer than the limit is shown and kept whole.

#include <QPlainTextEdit>
#include <QValidator>
#include <optional>
#include <string>

class QLineEdit;

namespace vqfax {

struct FieldLimit {
    int chars; // characters the user may type
    int bytes; // bytes of the field in the system code page, without the terminator
};

// Bytes of `text` in the system code page; nothing when a character does not fit it.
std::optional<size_t> systemBytes(const QString& text);
bool fitsLimit(const QString& text, FieldLimit limit);

// For single-line edits and editable drop-downs: refuses an input that would
// break the limit. A stored value longer than the limit widens it to its own
// size, so that it can be shown and edited but not grown.
class LimitValidator : public QValidator {
public:
    LimitValidator(FieldLimit limit, QObject* parent);
    State validate(QString& input, int& pos) const override;
    void allow(const QString& stored);

private:
    FieldLimit limit_;
    FieldLimit allowed_;
};
// Puts a LimitValidator on the edit.
void limitInput(QLineEdit* edit, FieldLimit limit);
// Shows a stored value in a limited edit, whatever its length.
void showStored(QLineEdit* edit, const QString& text);

// A multi-line edit under the same rule. Its lines end in CR LF for the store,
// as a multi-line field always has, and the CR counts against the limit.
class LimitedTextEdit : public QPlainTextEdit {
public:
    LimitedTextEdit(FieldLimit limit, QWidget* parent);
    void setStoredText(const QString& text); // "\n" line ends
    QString storedText() const;              // "\r\n" line ends

private:
    void check();
    FieldLimit limit_;
    QString accepted_;
    bool restoring_ = false;
};

// A field's stored bytes and the text shown for them: read back unchanged, the
// field gives its stored bytes again, even those the code page could not show.
class StoredText {
public:
    QString show(const std::optional<std::string>& bytes);
    std::string read(const QString& shown) const;

private:
    std::string stored_;
    QString shown_;
    bool loaded_ = false;
};

} // namespace vqfax
