#include "entry_help.h"

#include <QWidget>
#include <cctype>

#include "dialog_hooks.h"
#include "fax_strings.h"
#include "platform/codepage.h"
#include "platform/registry.h"

namespace vqfax {
namespace {

constexpr size_t kHelpValueBytes = 260; // with the terminator
constexpr char kShippedHelp[] = "vqstore.html";

std::string registeredHelpFile() {
    platform::RegKey key;
    const std::string path = platform::utf8ToSystem(loadString(kStrHelpKey));
    if (platform::RegKey::open(platform::RegRoot::CurrentUser, path, key) != platform::kRegOk) return {};
    std::string value;
    if (key.queryString(platform::utf8ToSystem(loadString(kStrHelpValue)), value) != platform::kRegOk) return {};
    if (value.size() >= kHelpValueBytes) value.resize(kHelpValueBytes - 1);
    return platform::systemToUtf8(value);
}

} // namespace

QUrl entryHelpFile() {
    const std::string named = registeredHelpFile();
    if (named.find('/') != std::string::npos) return QUrl::fromLocalFile(QString::fromStdString(named));
    std::string file = kShippedHelp;
    if (!named.empty()) {
        // "VQSTORE.HLP" is read as "vqstore.html".
        file = named;
        if (auto dot = file.rfind('.'); dot != std::string::npos) file.resize(dot);
        for (char& c : file) c = char(std::tolower(static_cast<unsigned char>(c)));
        file += ".html";
    }
    return QUrl::fromLocalFile(QString::fromStdString(pluginFolder() + "help/" + file));
}

QUrl helpTopic(const QUrl& helpFile, unsigned context) {
    QUrl url = helpFile;
    url.setFragment(QString::asprintf("0x%04X", context));
    return url;
}

void attachEntryHelp(QWidget* control, unsigned context, const QUrl& helpFile) {
    attachContextHelp(control, helpTopic(helpFile, context), text(int(context)));
}

} // namespace vqfax
