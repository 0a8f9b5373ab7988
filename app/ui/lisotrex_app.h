#pragma once
// CLisotrexApp: what the program owns for its whole run — settings, field
// maps, the log, the single-instance marker, the document and its window —
// and the start-up and exit order.

#include "convert/conversion.h"
#include "files/log_file.h"
#include "model/document.h"
#include "platform/system.h"
#include "settings/field_maps.h"
#include "settings/preferences.h"
#include "ui/qt_clipboard.h"
#include "ui/qt_prompter.h"

#include <QStringList>
#include <memory>
#include <optional>

namespace lisotrex::ui {

class CMainFrame;

// The command line: the first plain argument is the book to open; "Nosplash"
// after "/" or "-", in any case, turns the splash off.
struct CLisotrexCommandLineInfo {
    bool showSplash = true;
    std::optional<QString> fileToOpen;
    static CLisotrexCommandLineInfo parse(const QStringList& arguments);
};

// The four most recently used books (registry "Recent File List", File1..File4).
class RecentFiles {
public:
    void load();
    void add(const std::string& path);
    const std::vector<std::string>& files() const { return files_; }

private:
    void save() const;
    std::vector<std::string> files_;
};

class CLisotrexApp {
public:
    CLisotrexApp();
    ~CLisotrexApp();

    // Start-up; false when the first book could not be made or opened.
    bool initInstance(const QStringList& arguments);
    // Exit order: release the marker, drop settings and field maps.
    void exitInstance();

    Preferences& prefs() { return prefs_; }
    const FieldMaps& fieldMaps() const { return fieldMaps_; }
    Log& log() { return *log_; }
    Conversion& conversion() { return conversion_; }
    QtPrompter& prompter() { return prompter_; }
    QtClipboard& clipboard() { return clipboard_; }
    CLisotrexDoc& doc() { return *doc_; }
    CMainFrame* frame() { return frame_.get(); }
    RecentFiles& recentFiles() { return recent_; }
    bool ownsInstanceMarker() const { return instanceLock_.owned(); }

private:
    Preferences prefs_;
    FieldMaps fieldMaps_;
    Conversion conversion_;
    QtPrompter prompter_;
    QtClipboard clipboard_;
    std::unique_ptr<Log> log_;
    platform::SingleInstanceLock instanceLock_;
    std::unique_ptr<CLisotrexDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
    RecentFiles recent_;
};

// "<folder of the program>/Lisotrex.inf"-style siblings: the help file.
QString helpFilePath();

} // namespace lisotrex::ui
