#pragma once
// A text limit on a line edit as the Windows edit control has it: typing and
// pasting stop at the limit, but text the program sets is kept whole, so
// the checks on OK still see (and report) a text that is too long.
// QLineEdit::setMaxLength would cut such text silently.

#include <QLineEdit>
#include <QValidator>

namespace platform {

class TypingLimit : public QValidator {
public:
    TypingLimit(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}
    State validate(QString& input, int&) const override {
        return input.size() <= limit_ ? Acceptable : Invalid;
    }
    int limit() const { return limit_; }

private:
    int limit_;
};

inline void limitTyping(QLineEdit* edit, int limit) { edit->setValidator(new TypingLimit(limit, edit)); }

// The typing limit of the edit, or QLineEdit's own maximum length.
inline int typingLimit(const QLineEdit* edit) {
    if (const auto* l = dynamic_cast<const TypingLimit*>(edit->validator())) return l->limit();
    return edit->maxLength();
}

} // namespace platform
