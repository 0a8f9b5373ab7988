#include "ui/main_frame.h"

#include "convert/import_command.h"
#include "files/abk_export.h"
#include "model/book_kind.h"
#include "platform/string_table.h"
#include "strings/strings.h"
#include "ui/about_dialog.h"
#include "ui/commands.h"
#include "ui/icons.h"
#include "ui/lisotrex_app.h"
#include "ui/list/address_list_view.h"
#include "ui/list/entry_list_model.h"
#include "ui/list/view_order.h"
#include "ui/message_box.h"
#include "ui/preferences/preferences_sheet.h"
#include "ui/qt_text.h"
#include "ui/splash_window.h"
#include "ui/bridge_client.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWhatsThis>

#include <new>

namespace lisotrex::ui {

namespace {

constexpr int kRefreshMs = 200;

// Menu texts of commands the string table has no prompt-free text for.
struct MenuText {
    int id;
    const char* text;
};

constexpr MenuText kMenuTexts[] = {
    {kCmdFileNew, "新增(&N)...\tCtrl+N"},
    {kCmdFileOpen, "開啟(&O)...\tCtrl+O"},
    {kCmdFileSave, "儲存(&S)\tCtrl+S"},
    {kCmdFileSaveAs, "另存新檔(&A)..."},
    {kCmdImport, "匯入(&I)..."},
    {kCmdExport, "匯出(&E)..."},
    {kCmdAppExit, "結束(&X)"},
    {kCmdUndo, "復原(&U)\tCtrl+Z"},
    {kCmdCut, "剪下(&T)\tCtrl+X"},
    {kCmdCopy, "複製(&C)\tCtrl+C"},
    {kCmdPaste, "貼上(&P)\tCtrl+V"},
    {kCmdAdd, "加入新項目(&N)..."},
    {kCmdModify, "修改(&M)..."},
    {kCmdDelete, "刪除(&D)\tDel"},
    {kCmdSelectAll, "全選(&A)\tCtrl+A"},
    {kCmdRenumber, "單鍵號碼重新編號(&R)"},
    {kCmdPreferences, "偏好設定(&E)..."},
    {kCmdCheck, "檢查選擇項目(&C)"},
    {kCmdUncheck, "移除檢查(&R)"},
    {kCmdViewToolbar, "工具列(&T)"},
    {kCmdViewStatusBar, "狀態列(&S)"},
    {kCmdFilterBar, "變更目的列(&D)"},
    {kCmdSortName, "名稱(&N)"},
    {kCmdSortDestination, "目的地(&D)"},
    {kCmdSortDepartment, "部門/處(&V)"},
    {kCmdSortAccessCode, "存取號碼(&A)"},
    {kCmdSortOneTouch, "單鍵號碼(&O)"},
    {kCmdSortUpdated, "更新(&U)"},
    {kCmdFilterFax, "傳真號碼(&F)"},
    {kCmdFilterEmail, "&E-mail 位址"},
    {kCmdHelp, "說明主題(&H)\tF1"},
    {kCmdAppAbout, "關於(&A)"},
};

// The status-bar prompt and the tool tip of a command: its string, split at the line break.
std::pair<QString, QString> prompts(int id) {
    if (!stringTable().contains(id)) return {};
    QString s = qtText(id);
    int nl = s.indexOf(QLatin1Char('\n'));
    return nl < 0 ? std::make_pair(s, QString()) : std::make_pair(s.left(nl), s.mid(nl + 1));
}

QString idleText() { return qtText(ids::IDS_STATUS_IDLE); }

} // namespace

CMainFrame::CMainFrame(CLisotrexApp& app, bool showSplash) : app_(app) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(applicationIcon());
    model_ = new EntryListModel(app_.doc(), this);
    app_.doc().setView(model_);
    view_ = new CLisotrexView(*model_, this);
    setCentralWidget(view_);
    buildActions();
    buildMenus();
    buildToolBars();
    buildStatusBar();
    view_->setContextMenu(contextMenu_);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(kRefreshMs);
    connect(refreshTimer_, &QTimer::timeout, this, &CMainFrame::refreshStatus);
    connect(model_, &EntryListModel::documentChanged, this, &CMainFrame::documentChanged);
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMainFrame::updateCommands);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMainFrame::updateCommands,
                Qt::UniqueConnection);
    });
    connect(view_, &CLisotrexView::modifyRequested, this, [this] { runCommand(kCmdModify); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::updateCommands);
    resize(720, 480);
    if (showSplash) splash_ = SplashWindow::showFor(this);
    updateTitle();
    updateCommands();
}

CMainFrame::~CMainFrame() {
    refreshTimer_->stop();
    app_.doc().setView(nullptr);
}

QAction* CMainFrame::makeAction(int id, const QString& text) {
    auto* a = new QAction(text, this);
    a->setObjectName(QStringLiteral("cmd_%1").arg(id));
    auto [tip, toolTip] = prompts(id);
    if (!tip.isEmpty()) a->setStatusTip(tip);
    if (!toolTip.isEmpty()) a->setToolTip(toolTip);
    QIcon icon = commandIcon(id);
    if (!icon.isNull()) a->setIcon(icon);
    connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
    actions_.insert(id, a);
    addAction(a); // shortcuts work while the menus are closed
    return a;
}

void CMainFrame::buildActions() {
    for (const auto& m : kMenuTexts) makeAction(m.id, QString::fromUtf8(m.text));
    auto keys = [this](int id, std::initializer_list<QKeySequence> seqs) { actions_[id]->setShortcuts(QList<QKeySequence>(seqs)); };
    keys(kCmdSelectAll, {QKeySequence(Qt::CTRL | Qt::Key_A)});
    keys(kCmdCopy, {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    keys(kCmdFileNew, {QKeySequence(Qt::CTRL | Qt::Key_N)});
    keys(kCmdFileOpen, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    keys(kCmdFileSave, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    keys(kCmdPaste, {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    keys(kCmdCut, {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    keys(kCmdUndo, {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    keys(kCmdDelete, {QKeySequence(Qt::Key_Delete)});
    keys(kCmdHelp, {QKeySequence(Qt::Key_F1)});
    for (int id : {kCmdFilterBar, kCmdFilterFax, kCmdFilterEmail, kCmdViewToolbar, kCmdViewStatusBar})
        actions_[id]->setCheckable(true);
    // Accelerators without a menu item.
    auto hidden = [this](int id, QKeySequence seq, auto fn) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("cmd_%1").arg(id));
        a->setShortcut(seq);
        connect(a, &QAction::triggered, this, fn);
        addAction(a);
        actions_.insert(id, a);
    };
    hidden(kCmdContextHelp, QKeySequence(Qt::SHIFT | Qt::Key_F1), [] { QWhatsThis::enterWhatsThisMode(); });
    hidden(kCmdNextPane, QKeySequence(Qt::Key_F6), [this] { focusNextChild(); });
    hidden(kCmdPrevPane, QKeySequence(Qt::SHIFT | Qt::Key_F6), [this] { focusPreviousChild(); });
}

void CMainFrame::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menu128"));
    auto act = [this](int id) { return actions_.value(id); };

    QMenu* file = bar->addMenu(QStringLiteral("檔案(&F)"));
    file->addActions({act(kCmdFileNew), act(kCmdFileOpen), act(kCmdFileSave), act(kCmdFileSaveAs)});
    file->addSeparator();
    file->addActions({act(kCmdImport), act(kCmdExport)});
    file->addSeparator();
    recentMenu_ = file;
    for (int i = 0; i < 4; ++i) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("cmd_%1").arg(kCmdMruFirst + i));
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, i] { openRecent(i); });
        recentActions_.push_back(a);
        file->addAction(a);
    }
    file->addSeparator();
    file->addAction(act(kCmdAppExit));

    QMenu* edit = bar->addMenu(QStringLiteral("編輯(&E)"));
    edit->addAction(act(kCmdUndo));
    edit->addSeparator();
    edit->addActions({act(kCmdCut), act(kCmdCopy), act(kCmdPaste)});
    edit->addSeparator();
    edit->addActions({act(kCmdAdd), act(kCmdModify), act(kCmdDelete)});
    edit->addSeparator();
    edit->addAction(act(kCmdSelectAll));
    edit->addSeparator();
    edit->addAction(act(kCmdRenumber));

    QMenu* settings = bar->addMenu(QStringLiteral("設定(&S)"));
    settings->addAction(act(kCmdPreferences));

    QMenu* check = bar->addMenu(QStringLiteral("檢查(&C)"));
    check->addActions({act(kCmdCheck), act(kCmdUncheck)});

    QMenu* view = bar->addMenu(QStringLiteral("檢視(&V)"));
    view->addActions({act(kCmdViewToolbar), act(kCmdViewStatusBar), act(kCmdFilterBar)});
    view->addSeparator();
    QMenu* sort = view->addMenu(QStringLiteral("排序(&S)"));
    sort->addActions({act(kCmdSortName), act(kCmdSortDestination), act(kCmdSortDepartment), act(kCmdSortAccessCode),
                      act(kCmdSortOneTouch), act(kCmdSortUpdated)});
    QMenu* filter = view->addMenu(QStringLiteral("更改目的地(&C)"));
    filter->addActions({act(kCmdFilterFax), act(kCmdFilterEmail)});

    QMenu* helpMenu = bar->addMenu(QStringLiteral("說明(&H)"));
    helpMenu->addActions({act(kCmdHelp), act(kCmdAppAbout)});

    for (QMenu* m : {file, edit, settings, check, view, sort, filter, helpMenu})
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::updateCommands);

    // Menu 135: the list's context menu, with its own texts for three items.
    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName(QStringLiteral("menu135"));
    auto item = [this](int id, const char* text) {
        auto* a = new QAction(QString::fromUtf8(text), contextMenu_);
        a->setObjectName(QStringLiteral("ctx_%1").arg(id));
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        contextMenu_->addAction(a);
    };
    item(kCmdUndo, "復原(&U)");
    contextMenu_->addSeparator();
    item(kCmdAdd, "加入新項目(&N)...");
    item(kCmdModify, "修改(&M)...");
    item(kCmdDelete, "刪除(&D)");
    contextMenu_->addSeparator();
    item(kCmdCut, "剪下(&T)");
    item(kCmdCopy, "複製(&C)");
    item(kCmdPaste, "貼上(&P)");
    contextMenu_->addSeparator();
    item(kCmdSelectAll, "全選(&A)");
    contextMenu_->addSeparator();
    item(kCmdCheck, "檢查(&H)");
    item(kCmdUncheck, "移除檢查(&R)");
    connect(contextMenu_, &QMenu::aboutToShow, this, [this] {
        updateCommands();
        for (QAction* a : contextMenu_->actions()) {
            bool ok = false;
            int id = a->objectName().mid(4).toInt(&ok);
            if (ok && actions_.contains(id)) a->setEnabled(actions_[id]->isEnabled());
        }
    });
}

void CMainFrame::buildToolBars() {
    mainBar_ = addToolBar(QStringLiteral("MAINBAR"));
    mainBar_->setObjectName(QStringLiteral("MAINBAR"));
    mainBar_->setIconSize(QSize(16, 16));
    auto act = [this](int id) { return actions_.value(id); };
    mainBar_->addAction(act(kCmdFileNew));
    mainBar_->addSeparator();
    mainBar_->addActions({act(kCmdFileOpen), act(kCmdFileSave), act(kCmdImport), act(kCmdExport)});
    mainBar_->addSeparator();
    mainBar_->addAction(act(kCmdUndo));
    mainBar_->addSeparator();
    mainBar_->addActions({act(kCmdAdd), act(kCmdModify), act(kCmdDelete)});
    mainBar_->addSeparator();
    mainBar_->addActions({act(kCmdCut), act(kCmdCopy), act(kCmdPaste)});

    filterBar_ = addToolBar(QStringLiteral("VIEWLIMITBAR"));
    filterBar_->setObjectName(QStringLiteral("VIEWLIMITBAR"));
    filterBar_->setIconSize(QSize(16, 15));
    filterBar_->addActions({act(kCmdFilterFax), act(kCmdFilterEmail)});
    act(kCmdFilterFax)->setChecked(true);
    act(kCmdFilterEmail)->setChecked(true);
    for (QToolBar* t : {mainBar_, filterBar_}) t->setAllowedAreas(Qt::AllToolBarAreas);
    connect(filterBar_, &QToolBar::visibilityChanged, this, &CMainFrame::updateCommands);
    connect(mainBar_, &QToolBar::visibilityChanged, this, &CMainFrame::updateCommands);
}

void CMainFrame::buildStatusBar() {
    messagePane_ = new QLabel(idleText(), this);
    messagePane_->setObjectName(QStringLiteral("pane0"));
    kindPane_ = new QLabel(this);
    kindPane_->setObjectName(QStringLiteral("pane1"));
    kindPane_->setMinimumWidth(kindPane_->fontMetrics().horizontalAdvance(qtText(ids::IDS_STATUS_KIND_WIDTH)) + 8);
    statusBar()->addWidget(messagePane_, 1);
    statusBar()->addPermanentWidget(kindPane_);
}

bool CMainFrame::event(QEvent* event) {
    // Menu and tool bar prompts go into the message pane; leaving them brings the idle text back.
    if (event->type() == QEvent::StatusTip) {
        QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (messagePane_) messagePane_->setText(tip.isEmpty() ? idleText() : tip);
        if (tip.isEmpty()) refreshStatus();
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        kindPane_->setText(qtText(app_.doc().m_nBookType == kOneTouchBook ? ids::IDS_BOOK_KIND_ONE_TOUCH
                                                                            : ids::IDS_BOOK_KIND_PLAIN));
    }
    QMainWindow::changeEvent(event);
}

void CMainFrame::refreshStatus() {
    CLisotrexDoc& doc = app_.doc();
    if (!doc.m_bStatusRefresh || !messagePane_) return;
    QString current = messagePane_->text();
    if (current != idleText() && !current.contains(QStringLiteral(" / "))) return;
    QString format = qtText(ids::IDS_STATUS_COUNT);
    format.replace(format.indexOf(QStringLiteral("%d")), 2, QString::number(doc.m_nCheckedCount));
    format.replace(format.indexOf(QStringLiteral("%d")), 2, QString::number(doc.count()));
    messagePane_->setText(format);
    refreshTimer_->start();
}

void CMainFrame::documentChanged() {
    refreshStatus();
    updateTitle();
    updateCommands();
}

void CMainFrame::documentReplaced() {
    model_->refill();
    view_->setupColumns();
    kindPane_->setText(qtText(app_.doc().m_nBookType == kOneTouchBook ? ids::IDS_BOOK_KIND_ONE_TOUCH
                                                                        : ids::IDS_BOOK_KIND_PLAIN));
    documentChanged();
}

void CMainFrame::updateTitle() {
    CLisotrexDoc& doc = app_.doc();
    // "[*]" is where the window shows that the book has unsaved changes.
    QString title = fromSystem(doc.displayName()) + QStringLiteral("[*] - ") + qtText(ids::IDS_APP_TITLE);
    setWindowTitle(title);
    setWindowModified(doc.isModified());
}

void CMainFrame::updateCommands() {
    CLisotrexDoc& doc = app_.doc();
    size_t selected = view_->selectionModel() ? view_->selectionModel()->selectedRows().size() : 0;
    bool hasRows = model_->rowCount() > 0;
    bool oneTouch = doc.m_nBookType == kOneTouchBook;
    auto enable = [this](int id, bool on) {
        if (QAction* a = actions_.value(id)) a->setEnabled(on);
    };
    enable(kCmdExport, doc.m_nCheckedCount > 0);
    enable(kCmdModify, selected == 1);
    enable(kCmdDelete, selected >= 1);
    enable(kCmdCut, selected >= 1);
    enable(kCmdCopy, selected >= 1);
    enable(kCmdRenumber, oneTouch && hasRows);
    enable(kCmdPaste, app_.clipboard().hasEntries());
    enable(kCmdUndo, doc.canUndo());
    enable(kCmdSelectAll, hasRows);
    enable(kCmdSortOneTouch, oneTouch);
    actions_[kCmdFilterFax]->setChecked(model_->filter() & kFilterFax);
    actions_[kCmdFilterEmail]->setChecked(model_->filter() & kFilterEmail);
    actions_[kCmdFilterBar]->setChecked(filterBar_ && filterBar_->isVisible());
    actions_[kCmdViewToolbar]->setChecked(mainBar_ && mainBar_->isVisible());
    actions_[kCmdViewStatusBar]->setChecked(statusBar()->isVisible());
    const auto& files = app_.recentFiles().files();
    for (size_t i = 0; i < recentActions_.size(); ++i) {
        bool show = i < files.size();
        recentActions_[i]->setVisible(show);
        if (show) recentActions_[i]->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(fromSystem(files[i])));
    }
}

void CMainFrame::runCommand(int id) {
    try {
        dispatch(id);
    } catch (const std::bad_alloc&) {
        // Memory ran out where no operation caught it: the command ends here.
        // The book is whole (its operations change all or nothing); the list
        // is rebuilt from it in case a notification was cut short.
        try {
            model_->refill();
        } catch (const std::bad_alloc&) {
        }
    }
    updateTitle();
    updateCommands();
}

void CMainFrame::dispatch(int id) {
    CLisotrexDoc& doc = app_.doc();
    switch (id) {
    case kCmdFileNew: fileNew(); break;
    case kCmdFileOpen: fileOpen(); break;
    case kCmdFileSave: fileSave(); break;
    case kCmdFileSaveAs: fileSaveAs(); break;
    case kCmdImport: importEntries(); break;
    case kCmdExport: exportEntries(); break;
    case kCmdAppExit: close(); break;
    case kCmdAdd: doc.addEntry(); break;
    case kCmdModify: doc.modifyEntry(view_->selectionInViewOrder()); break;
    case kCmdDelete: doc.deleteEntries(view_->selectionInViewOrder()); break;
    case kCmdCut: doc.cutEntries(view_->selectionInViewOrder()); break;
    case kCmdCopy: doc.copyEntries(view_->selectionInViewOrder()); break;
    case kCmdPaste: doc.pasteEntries(); break;
    case kCmdUndo: doc.undo(); break;
    case kCmdRenumber: doc.renumberOneTouch(view_->viewOrder()); break;
    case kCmdPreferences: preferences(); break;
    case kCmdSelectAll: {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        view_->selectAll();
        QApplication::restoreOverrideCursor();
        break;
    }
    case kCmdCheck: checkSelection(true); break;
    case kCmdUncheck: checkSelection(false); break;
    case kCmdSortName: sortBy(kSortName); break;
    case kCmdSortDestination: sortBy(kSortDestination); break;
    case kCmdSortDepartment: sortBy(kSortDepartment); break;
    case kCmdSortAccessCode: sortBy(kSortAccessCode); break;
    case kCmdSortOneTouch: sortBy(kSortOneTouch); break;
    case kCmdSortUpdated: sortBy(kSortUpdated); break;
    case kCmdFilterFax: model_->toggleFilter(kFilterFax); break;
    case kCmdFilterEmail: model_->toggleFilter(kFilterEmail); break;
    case kCmdFilterBar: filterBar_->setVisible(!filterBar_->isVisible()); break;
    case kCmdViewToolbar: mainBar_->setVisible(!mainBar_->isVisible()); break;
    case kCmdViewStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); break;
    case kCmdAppAbout: about(); break;
    case kCmdHelp: help(); break;
    default: break;
    }
}

void CMainFrame::sortBy(int key) {
    // Keys 1 to 5 show the wait cursor; the rest sort at once.
    bool wait = key <= kSortAccessCode;
    if (wait) QApplication::setOverrideCursor(Qt::WaitCursor);
    model_->sortBy(key);
    if (wait) QApplication::restoreOverrideCursor();
}

void CMainFrame::checkSelection(bool checked) {
    if (!view_->checkSelected(checked)) app_.prompter().message(ids::IDS_MSG_CHECK_SELECT, Icon::Exclamation, {});
}

bool CMainFrame::startSecondInstance(const QString& bookPath) {
    QStringList args{QStringLiteral("/Nosplash")};
    if (!bookPath.isEmpty()) args << bookPath;
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), args);
}

void CMainFrame::fileNew() {
    CLisotrexDoc& doc = app_.doc();
    // A book that is held or changed stays; the new one gets its own window.
    if (doc.heldFile().isOpen() || doc.isModified()) {
        startSecondInstance({});
        return;
    }
    if (!doc.saveModified()) return;
    doc.newBook();
    documentReplaced();
}

void CMainFrame::fileOpen() {
    CLisotrexDoc& doc = app_.doc();
    QString filter = qtFilter(qtText(ids::IDS_FILTER_NATIVE_BOOK) + qtText(ids::IDS_FILTER_ALL_FILES));
    QFileDialog dialog(this, qtText(ids::IDS_TITLE_OPEN_FILE), QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString chosen = dialog.selectedFiles().front();
    // The long form of the path: symbolic links and ".." resolved where possible.
    QString longPath = QFileInfo(chosen).canonicalFilePath();
    if (longPath.isEmpty()) longPath = QFileInfo(chosen).absoluteFilePath();
    if (doc.heldFile().isOpen() && fromSystem(doc.path()) == longPath) {
        activateWindow();
        return;
    }
    if (doc.heldFile().isOpen() || doc.isModified()) {
        startSecondInstance(longPath);
        return;
    }
    if (!doc.saveModified()) return;
    std::string path = toSystem(longPath);
    if (doc.openBook(path)) app_.recentFiles().add(path);
    documentReplaced();
}

void CMainFrame::openRecent(int index) {
    const auto& files = app_.recentFiles().files();
    if (index >= static_cast<int>(files.size())) return;
    std::string path = files[static_cast<size_t>(index)];
    CLisotrexDoc& doc = app_.doc();
    if (doc.heldFile().isOpen() && doc.path() == path) return;
    if (!doc.saveModified()) return;
    if (doc.openBook(path)) app_.recentFiles().add(path);
    documentReplaced();
}

void CMainFrame::fileSave() {
    CLisotrexDoc& doc = app_.doc();
    if (doc.path().empty()) {
        fileSaveAs();
        return;
    }
    if (doc.saveBook(doc.path())) app_.recentFiles().add(doc.path());
}

bool CMainFrame::fileSaveAs() {
    CLisotrexDoc& doc = app_.doc();
    std::optional<std::string> path = app_.prompter().askSavePath(doc.title());
    if (!path) return false;
    if (!doc.saveBook(*path)) return false;
    app_.recentFiles().add(*path);
    return true;
}

void CMainFrame::importEntries() {
    ImportServices services{app_.doc(),      app_.prefs(),      app_.fieldMaps(), app_.conversion(),
                            app_.log(),      app_.prompter(),   app_.prompter(),  {}};
    services.pdxImport = [this](ImportContext& ctx) { return importFromAddressBook(ctx, this); };
    importCommand(services);
}

void CMainFrame::exportEntries() { exportBook(app_.doc(), app_.prefs(), app_.log(), app_.prompter()); }

void CMainFrame::preferences() {
    PreferencesContext ctx{app_.doc(), app_.prefs(), app_.log(), [](QWidget* owner) { configureAddressBooks(owner); }};
    runPreferencesSheet(ctx, this);
    app_.conversion().settings = app_.prefs().conversion;
}

void CMainFrame::about() {
    CAboutDialog dialog(this);
    dialog.exec();
}

void CMainFrame::help() { QDesktopServices::openUrl(QUrl::fromLocalFile(helpFilePath())); }

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!app_.doc().saveModified()) {
        event->ignore();
        return;
    }
    refreshTimer_->stop();
    event->accept();
}

} // namespace lisotrex::ui
