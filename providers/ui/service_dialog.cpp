#include "service_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QScreen>
#include <mutex>

#include "convert.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/codepage.h"

namespace pdx::provider_ui {
namespace {

std::mutex g_lock;
MessageHandler g_messages;

} // namespace

void setMessageHandler(MessageHandler handler) {
    std::lock_guard g(g_lock);
    g_messages = std::move(handler);
}

void showMessage(QWidget* parent, int id, QMessageBox::Icon icon, const QString& caption, const QString& text) {
    MessageHandler handler;
    {
        std::lock_guard g(g_lock);
        handler = g_messages;
    }
    if (handler) return handler(parent, id, icon);
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

bool haveApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

void centre(QWidget* w) {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        w->move(screen->availableGeometry().center() - w->rect().center());
}

QHBoxLayout* closingRow(QWidget* ok, QWidget* cancel) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

QString fromSystem(const char* s) { return QString::fromStdString(platform::systemToUtf8(s ? s : "")); }
std::string toSystem(const QString& s) { return platform::utf8ToSystem(s.toStdString()); }

ServiceProps readServiceProps(IProfSect* section, FreeBufferFn freeBuffer) {
    const proxy::SizedTags<2> tags{2, {PR_DISPLAY_NAME, PR_FAX_AB_FILE_PATH}};
    ULONG n = 0;
    SPropValue* values = nullptr;
    ServiceProps props;
    if (FAILED(section->GetProps(tags.get(), 0, &n, &values)) || !values) return props;
    buffer_ptr<SPropValue> hold(values, freeBuffer);
    if (n >= 1 && values[0].ulPropTag == PR_DISPLAY_NAME && values[0].Value.lpszA) props.name = values[0].Value.lpszA;
    if (n >= 2 && values[1].ulPropTag == PR_FAX_AB_FILE_PATH && values[1].Value.lpszA)
        props.value = values[1].Value.lpszA;
    return props;
}

bool acceptName(QWidget* dialog, QLineEdit* edit, qsizetype limit, const ServiceMessages& messages,
                std::string& name) {
    if (toSystem(edit->text()).size() > size_t(limit)) {
        messages.show(dialog, messages.nameTooLong, QMessageBox::Information);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    name = toSystem(edit->text().trimmed());
    if (name.empty()) {
        messages.show(dialog, messages.noName, QMessageBox::Information);
        edit->setFocus();
        return false;
    }
    return true;
}

bool saveServiceProps(QWidget* dialog, IProfSect* section, const std::string& name, const std::string& value,
                      const ServiceMessages& messages) {
    SPropValue values[2] = {};
    values[0].ulPropTag = PR_DISPLAY_NAME;
    values[0].Value.lpszA = const_cast<char*>(name.c_str());
    values[1].ulPropTag = PR_FAX_AB_FILE_PATH;
    values[1].Value.lpszA = const_cast<char*>(value.c_str());
    if (FAILED(section->SetProps(2, values, nullptr))) {
        messages.show(dialog, messages.setFailed, QMessageBox::Critical);
        return false;
    }
    if (FAILED(section->SaveChanges(KEEP_OPEN_READWRITE))) {
        messages.show(dialog, messages.saveFailed, QMessageBox::Critical);
        return false;
    }
    return true;
}

} // namespace pdx::provider_ui
