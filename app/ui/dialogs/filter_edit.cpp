#include "ui/dialogs/filter_edit.h"

#include "platform/typing_limit.h"

#include <algorithm>

#include "strings/string_ids.h"
#include "ui/message_box.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

namespace lisotrex::ui {

namespace {

bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }

// The standard menu's paste item: named only by newer Qt versions, otherwise
// known by its text or its shortcut.
bool isPasteAction(const QAction* action) {
    if (action->objectName() == QLatin1String("edit-paste")) return true;
    const QString text = action->text();
    const qsizetype tab = text.indexOf(u'\t');
    if (text.left(tab) == QCoreApplication::translate("QLineEdit", "&Paste")) return true;
    const QString shortcut = QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    return tab >= 0 && !shortcut.isEmpty() && text.mid(tab + 1) == shortcut;
}

} // namespace

uint16_t characterClass(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return CFilterEdit::kDigits;
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')) return CFilterEdit::kLetters;
    if (u >= 0x20 && u <= 0x7E) return CFilterEdit::kOtherPrintable;
    // The single-byte katakana of the Japanese code page, as Unicode.
    if (u >= 0xFF61 && u <= 0xFF9F) return CFilterEdit::kHalfWidthKana;
    return 0;
}

CFilterEdit::CFilterEdit(QWidget* parent) : QLineEdit(parent) {
    // A drop would bypass the filter.
    setAcceptDrops(false);
}

void CFilterEdit::attach(uint16_t mask, const QString& extra, bool noPaste) {
    mask_ = mask;
    extra_ = extra.left(kMaxExtra);
    noPaste_ = noPaste;
}

bool CFilterEdit::allows(QChar c) const { return isControl(c) || filterAllows(c); }

// The filter itself, without the free pass typing gives control characters:
// a pasted line end or tab is tested like any other character.
bool CFilterEdit::filterAllows(QChar c) const {
    if (mask_ == 0 && extra_.isEmpty()) return true;
    const uint16_t cls = characterClass(c);
    if (cls != 0 && (cls & mask_) == cls) return true;
    return extra_.contains(c);
}

void CFilterEdit::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        pasteFiltered();
        event->accept();
        return;
    }
    const QString typed = event->text();
    if (!isReadOnly() && !typed.isEmpty()) {
        for (QChar c : typed) {
            if (!allows(c)) {
                event->accept(); // dropped without a sound
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void CFilterEdit::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    QString kept;
    for (QChar c : commit) {
        if (allows(c)) kept.append(c);
    }
    if (kept == commit) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
    event->accept();
}

void CFilterEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction* action : menu->actions()) {
        if (!isPasteAction(action)) continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, &CFilterEdit::pasteFiltered);
    }
    menu->popup(event->globalPos());
}

void CFilterEdit::mouseReleaseEvent(QMouseEvent* event) {
    // The X11 middle-button paste of the primary selection.
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        if (!noPaste_ && !isReadOnly()) {
            const QString text = QApplication::clipboard()->text(QClipboard::Selection);
            if (!text.isEmpty()) insertFiltered(text);
        }
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CFilterEdit::pasteFiltered() {
    if (noPaste_ || isReadOnly()) return;
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return;
    insertFiltered(text);
}

void CFilterEdit::insertFiltered(QString text) {
    for (QChar c : text) {
        if (!filterAllows(c)) {
            showMessage(this, ids::IDS_MSG_INVALID_CHARS, Icon::Information);
            return;
        }
    }
    // A single-line field takes the first line only.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            text.truncate(i);
            break;
        }
    }
    // Only what fits beside the text that stays.
    const qsizetype kept = this->text().size() - selectedText().size();
    text.truncate(std::max<qsizetype>(0, platform::typingLimit(this) - kept));
    if (!text.isEmpty()) insert(text);
}

} // namespace lisotrex::ui
