#include "config_dialog.h"

#include "platform/typing_limit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cctype>
#include <mutex>

#include "fax_tags.h"
#include "pdx/memory.h"
#include "pdx/status.h"
#include "platform/codepage.h"
#include "platform/module.h"
#include "fax_strings.h"

namespace vqfax {
namespace {

ConfigDialogRunner g_runner;
std::mutex g_runnerLock;

QString fromSystem(const char* s) { return QString::fromStdString(platform::systemToUtf8(s ? s : "")); }

} // namespace

void setConfigDialogRunner(ConfigDialogRunner runner) {
    std::lock_guard g(g_runnerLock);
    g_runner = std::move(runner);
}

QUrl helpUrl(unsigned context) {
    const std::string folder = pluginFolder();
    // The HTML help that stands for "VQCORE.hlp" (string 96): same base name,
    // lower case, ".html", in the "help" folder.
    std::string name = loadString(kStrHelpFile);
    if (auto dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder + "help/" + name + ".html"));
    url.setFragment(QString::asprintf("0x%04X", context));
    return url;
}

ConfigDialog::ConfigDialog(IProfSect* section, FreeBufferFn freeBuffer, QWidget* parent)
    : QDialog(parent), section_(section) {
    setWindowTitle(text(kStrConfigCaption));
    auto* label = new QLabel(text(kStrNameLabel), this);
    label->setObjectName("2002");
    name_ = new QLineEdit(this);
    name_->setObjectName("1002");
    platform::limitTyping(name_, int(kDisplayNameBytes));
    label->setBuddy(name_);
    auto* ok = new QPushButton(text(kStrOk), this);
    ok->setObjectName("1");
    ok->setDefault(true);
    auto* cancel = new QPushButton(text(kStrCancel), this);
    cancel->setObjectName("2");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(name_);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &ConfigDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    for (QWidget* control : {static_cast<QWidget*>(label), static_cast<QWidget*>(name_)})
        attachContextHelp(control, helpUrl(kNameHelpContext), text(int(kNameHelpContext)));

    struct {
        ULONG cValues;
        ULONG tags[2];
    } wanted = {2, {PR_DISPLAY_NAME, PR_FAX_AB_FILE_PATH}};
    ULONG count = 0;
    SPropValue* values = nullptr;
    if (SUCCEEDED(section_->GetProps(reinterpret_cast<SPropTagArray*>(&wanted), 0, &count, &values))) {
        buffer_ptr<SPropValue> answer(values, freeBuffer);
        if (values && count >= 1 && values[0].ulPropTag == PR_DISPLAY_NAME && values[0].Value.lpszA)
            name_->setText(fromSystem(values[0].Value.lpszA));
    }
}

void ConfigDialog::accept() {
    const QString name = name_->text().left(int(kDisplayNameBytes)).trimmed();
    if (name.isEmpty()) {
        showMessage(this, kMsgNoName, MessageIcon::Information, kStrMessageCaption);
        name_->setFocus();
        return;
    }
    std::string systemName = platform::utf8ToSystem(name.toStdString());
    char emptyPath[] = "";
    SPropValue values[2]{};
    values[0].ulPropTag = PR_DISPLAY_NAME;
    values[0].Value.lpszA = systemName.data();
    values[1].ulPropTag = PR_FAX_AB_FILE_PATH;
    values[1].Value.lpszA = emptyPath;
    HRESULT h = section_->SetProps(2, values, nullptr);
    if (SUCCEEDED(h)) h = section_->SaveChanges(KEEP_OPEN_READWRITE);
    if (FAILED(h)) {
        showMessage(this, kMsgRegisterFailed, MessageIcon::Stop, kStrMessageCaption);
        return;
    }
    done(QDialog::Accepted);
}

int runConfigDialog(ULONG_PTR ulUIParam, IProfSect* section, FreeBufferFn freeBuffer) {
    ConfigDialogRunner runner;
    {
        std::lock_guard g(g_runnerLock);
        runner = g_runner;
    }
    if (runner) return runner(ulUIParam, section, freeBuffer);
    if (!haveApplication()) return kDialogFailed;
    ConfigDialog dialog(section, freeBuffer, reinterpret_cast<QWidget*>(ulUIParam));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    return dialog.exec() == QDialog::Accepted ? kDialogOk : kDialogCancel;
}

} // namespace vqfax
