#pragma once
// CMainFrame: the window around the address list — menus, the two tool bars,
// the status bar with its counts, the splash, and the commands.

#include <QHash>
#include <QMainWindow>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QTimer;
class QToolBar;

namespace lisotrex::ui {

class CLisotrexApp;
class CLisotrexView;
class EntryListModel;
class SplashWindow;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(CLisotrexApp& app, bool showSplash);
    ~CMainFrame() override;

    CLisotrexView& view() { return *view_; }
    EntryListModel& listModel() { return *model_; }
    QAction* action(int commandId) const { return actions_.value(commandId); }
    QToolBar* mainBar() const { return mainBar_; }
    QToolBar* filterBar() const { return filterBar_; }
    QLabel* messagePane() const { return messagePane_; }
    QLabel* kindPane() const { return kindPane_; }
    QMenu* contextMenu() const { return contextMenu_; }

    // Runs a command as the menu would (tests drive the window with this too).
    void runCommand(int commandId);
    // The document was opened or created anew: columns, rows, title, panes.
    void documentReplaced();
    // "%d / %d" into the message pane unless it shows a prompt.
    void refreshStatus();
    void updateCommands();
    // Starts the program again for another book (second window).
    static bool startSecondInstance(const QString& bookPath);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void dispatch(int commandId);
    QAction* makeAction(int id, const QString& text);
    void buildActions();
    void buildMenus();
    void buildToolBars();
    void buildStatusBar();
    void updateTitle();
    void documentChanged();

    void fileNew();
    void fileOpen();
    void openRecent(int index);
    bool fileSaveAs();
    void fileSave();
    void importEntries();
    void exportEntries();
    void preferences();
    void checkSelection(bool checked);
    void sortBy(int key);
    void about();
    void help();

    CLisotrexApp& app_;
    EntryListModel* model_ = nullptr;
    CLisotrexView* view_ = nullptr;
    QHash<int, QAction*> actions_;
    QToolBar* mainBar_ = nullptr;
    QToolBar* filterBar_ = nullptr;
    QLabel* messagePane_ = nullptr;
    QLabel* kindPane_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    SplashWindow* splash_ = nullptr;
    std::vector<QAction*> recentActions_;
};

} // namespace lisotrex::ui
