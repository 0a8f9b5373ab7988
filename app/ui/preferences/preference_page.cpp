#include "ui/preferences/preference_page.h"

#include "ui/qt_text.h"

#include <QComboBox>

#include "strings/string_ids.h"
#include "ui/dialogs/dialog_common.h"
#include "ui/message_box.h"

#include <QLineEdit>

#include <string>

namespace lisotrex::ui {

CPreferencePage::CPreferencePage(int dialogId, const QString& caption, QWidget* parent)
    : QWidget(parent), caption_(caption) {
    setObjectName(QStringLiteral("page_%1").arg(dialogId));
    useDialogFont(this);
}

void CPreferencePage::start() {
    if (started_) return;
    started_ = true;
    // Filling the controls is not a change by the user.
    starting_ = true;
    onStart();
    starting_ = false;
}

void CPreferencePage::markChanged() {
    if (starting_) return;
    changed_ = true;
    emit changed();
}

bool CPreferencePage::readRange(QLineEdit* edit, int32_t low, int32_t high, int32_t& value) {
    const int64_t v = readPageInteger(edit->text());
    if (v < low || v > high) {
        showMessage(this, ids::IDS_MSG_INT_RANGE, Icon::Exclamation, {std::to_string(low), std::to_string(high)});
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

int64_t readPageInteger(const QString& text) {
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && (text[b] == u' ' || text[b] == u'\t')) ++b;
    while (e > b && (text[e - 1] == u' ' || text[e - 1] == u'\t')) --e;
    if (b == e) return -1;
    bool negative = false;
    if (text[b] == u'-' || text[b] == u'+') {
        negative = text[b] == u'-';
        ++b;
    }
    if (b == e) return -1;
    int64_t v = 0;
    for (qsizetype i = b; i < e; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') return -1;
        v = v * 10 + (c - u'0');
        if (v > INT32_MAX) return -1;
    }
    return negative ? -v : v;
}

QComboBox* makeChoiceList(const char* objectName, std::initializer_list<int> itemIds, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(objectName));
    for (int id : itemIds) list->addItem(qtText(id));
    return list;
}

int32_t chosenIndex(const QComboBox* list, int32_t stored) {
    return list->currentIndex() >= 0 ? list->currentIndex() : stored;
}

} // namespace lisotrex::ui
