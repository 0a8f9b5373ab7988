#include "limited_text.h"

#include <QLineEdit>

#include "platform/codepage.h"

namespace vqfax {
namespace {

bool withinOrShorter(const QString& input, const QString& current, FieldLimit limit) {
    if (fitsLimit(input, limit)) return true;
    // Editing inside a value that was stored longer than the limit: allowed
    // as long as it does not grow.
    const auto now = systemBytes(input);
    const auto before = systemBytes(current);
    return now && before && *now <= *before && input.size() <= current.size();
}

QString withCrLf(QString text) { return text.replace(QLatin1String("\n"), QLatin1String("\r\n")); }

} // namespace

std::optional<size_t> systemBytes(const QString& text) {
    bool lossless = true;
    const std::string bytes = platform::utf8ToSystem(text.toStdString(), '?', &lossless);
    if (!lossless) return std::nullopt;
    return bytes.size();
}

bool fitsLimit(const QString& text, FieldLimit limit) {
    if (text.size() > limit.chars) return false;
    const auto bytes = systemBytes(text);
    return bytes && *bytes <= size_t(limit.bytes);
}

LimitValidator::LimitValidator(FieldLimit limit, QObject* parent)
    : QValidator(parent), limit_(limit), allowed_(limit) {}

QValidator::State LimitValidator::validate(QString& input, int&) const {
    return fitsLimit(input, allowed_) ? Acceptable : Invalid;
}

void LimitValidator::allow(const QString& stored) {
    allowed_ = limit_;
    if (const auto bytes = systemBytes(stored)) {
        allowed_.chars = std::max(limit_.chars, int(stored.size()));
        allowed_.bytes = std::max(limit_.bytes, int(*bytes));
    }
}

void limitInput(QLineEdit* edit, FieldLimit limit) { edit->setValidator(new LimitValidator(limit, edit)); }

void showStored(QLineEdit* edit, const QString& text) {
    if (auto* limit = dynamic_cast<const LimitValidator*>(edit->validator()))
        const_cast<LimitValidator*>(limit)->allow(text);
    edit->setText(text);
}

LimitedTextEdit::LimitedTextEdit(FieldLimit limit, QWidget* parent) : QPlainTextEdit(parent), limit_(limit) {
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::check);
}

void LimitedTextEdit::setStoredText(const QString& text) {
    accepted_ = text;
    restoring_ = true;
    setPlainText(text);
    restoring_ = false;
}

QString LimitedTextEdit::storedText() const { return withCrLf(toPlainText()); }

void LimitedTextEdit::check() {
    if (restoring_) return;
    const QString now = toPlainText();
    if (withinOrShorter(withCrLf(now), withCrLf(accepted_), limit_)) {
        accepted_ = now;
        return;
    }
    // Undo the change that broke the limit, leaving the cursor where the
    // refused text would have started.
    const int position = std::max(0, int(textCursor().position() - (now.size() - accepted_.size())));
    restoring_ = true;
    setPlainText(accepted_);
    restoring_ = false;
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, int(accepted_.size())));
    setTextCursor(cursor);
}

QString StoredText::show(const std::optional<std::string>& bytes) {
    stored_ = bytes.value_or(std::string());
    shown_ = QString::fromStdString(platform::systemToUtf8(stored_));
    loaded_ = bytes.has_value();
    return shown_;
}

std::string StoredText::read(const QString& shown) const {
    if (loaded_ && shown == shown_) return stored_;
    return platform::utf8ToSystem(shown.toStdString());
}

} // namespace vqfax
