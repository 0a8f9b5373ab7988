#include "ui/lisotrex_app.h"

#include "platform/registry.h"
#include "strings/strings.h"
#include "ui/file_type_registration.h"
#include "ui/main_frame.h"
#include "ui/qt_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace lisotrex::ui {

CLisotrexCommandLineInfo CLisotrexCommandLineInfo::parse(const QStringList& arguments) {
    CLisotrexCommandLineInfo info;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        // "/" also starts every absolute path here: "/name" is a switch only
        // when the name holds no further "/" and is no existing file.
        bool slashSwitch = arg.startsWith(QLatin1Char('/')) && arg.indexOf(QLatin1Char('/'), 1) < 0 &&
                           !QFileInfo::exists(arg);
        bool isSwitch = slashSwitch || (arg.startsWith(QLatin1Char('-')) && arg.size() > 1);
        if (isSwitch) {
            if (arg.mid(1).compare(QStringLiteral("Nosplash"), Qt::CaseInsensitive) == 0) info.showSplash = false;
            continue;
        }
        if (!info.fileToOpen) info.fileToOpen = arg;
    }
    return info;
}

namespace {

platform::RegKey recentKey(bool create) {
    std::string path = "Software\\" + systemText(ids::IDS_REGISTRY_COMPANY) + "\\" + systemText(ids::IDS_APP_TITLE) +
                       "\\Recent File List";
    platform::RegKey key;
    if (create) platform::RegKey::create(platform::RegRoot::CurrentUser, path, key);
    else platform::RegKey::open(platform::RegRoot::CurrentUser, path, key);
    return key;
}

} // namespace

void RecentFiles::load() {
    files_.clear();
    platform::RegKey key = recentKey(false);
    if (!key.valid()) return;
    for (int i = 1; i <= 4; ++i) {
        std::string path;
        if (key.queryString("File" + std::to_string(i), path) == platform::kRegOk && !path.empty())
            files_.push_back(path);
    }
}

void RecentFiles::add(const std::string& path) {
    if (path.empty()) return;
    std::erase(files_, path);
    files_.insert(files_.begin(), path);
    if (files_.size() > 4) files_.resize(4);
    save();
}

void RecentFiles::save() const {
    platform::RegKey key = recentKey(true);
    if (!key.valid()) return;
    for (size_t i = 0; i < 4; ++i) {
        std::string name = "File" + std::to_string(i + 1);
        if (i < files_.size()) key.setString(name, files_[i]);
        else key.deleteValue(name);
    }
}

QString helpFilePath() { return QCoreApplication::applicationDirPath() + QStringLiteral("/help/lisotrex.html"); }

CLisotrexApp::CLisotrexApp() = default;

CLisotrexApp::~CLisotrexApp() { exitInstance(); }

bool CLisotrexApp::initInstance(const QStringList& arguments) {
    recent_.load();
    // Env first, then the import (with its converters and the conversion
    // settings) and the export settings: all in one read of the profile.
    prefs_ = loadPreferences();
    conversion_.settings = prefs_.conversion;
    log_ = std::make_unique<Log>(prompter_, prefs_.env.logFilePath);
    log_->resetIfFirstInstance(instanceLock_, text(ids::IDS_MUTEX_NAME));

    registerFileType();
    CLisotrexCommandLineInfo cmd = CLisotrexCommandLineInfo::parse(arguments);

    doc_ = std::make_unique<CLisotrexDoc>(prompter_, prefs_, clipboard_);
    frame_ = std::make_unique<CMainFrame>(*this, cmd.showSplash);
    prompter_.setOwner(frame_.get());

    bool ok;
    if (cmd.fileToOpen) {
        QString path = QDir(*cmd.fileToOpen).absolutePath();
        ok = doc_->openBook(toSystem(path));
        if (ok) recent_.add(toSystem(path));
    } else {
        ok = doc_->newBook();
    }
    if (!ok) return false;
    frame_->show();
    frame_->documentReplaced();
    // Only a started program reads its field maps.
    fieldMaps_ = FieldMaps::load(lisotrexInfPath());
    return true;
}

void CLisotrexApp::exitInstance() {
    instanceLock_.release();
    frame_.reset();
    doc_.reset();
    log_.reset();
    fieldMaps_ = FieldMaps();
}

} // namespace lisotrex::ui
