#pragma once
// Command identifiers of the menus, tool bars and accelerators.

namespace lisotrex::ui {

enum Command : int {
    kCmdImport = 32771,
    kCmdExport = 32772,
    kCmdAdd = 32773,
    kCmdModify = 32774,
    kCmdDelete = 32775,
    kCmdRenumber = 32776,
    kCmdCheck = 32778,
    kCmdUncheck = 32779,
    kCmdFilterBar = 32780,
    kCmdSortName = 32782,
    kCmdSortDestination = 32784,
    kCmdSortDepartment = 32785,
    kCmdSortOneTouch = 32786,
    kCmdFilterFax = 32787,
    kCmdFilterEmail = 32788,
    kCmdPreferences = 32790,
    kCmdSortUpdated = 32791,
    kCmdSortAccessCode = 32794,
    kCmdFileNew = 57600,
    kCmdFileOpen = 57601,
    kCmdFileSave = 57603,
    kCmdFileSaveAs = 57604,
    kCmdMruFirst = 57616,
    kCmdCopy = 57634,
    kCmdCut = 57635,
    kCmdPaste = 57637,
    kCmdSelectAll = 57642,
    kCmdUndo = 57643,
    kCmdAppAbout = 57664,
    kCmdAppExit = 57665,
    kCmdHelp = 57667,
    kCmdContextHelp = 57669,
    kCmdNextPane = 57680,
    kCmdPrevPane = 57681,
    kCmdViewToolbar = 59392,
    kCmdViewStatusBar = 59393,
};

} // namespace lisotrex::ui
