#pragma once
// Help of the person and group dialogs: the help file the registry names
// (HKEY_CURRENT_USER, strings 2000 and 2001) and each control's help context.

#include <QUrl>

class QWidget;

namespace vqfax {

// The help file: the registry value as a path when it holds one; a bare name
// stands for the HTML help of that name in the plug-in's "help" folder; no
// value at all, for the help shipped there ("vqstore.html").
QUrl entryHelpFile();
// The help file at the topic of `context`.
QUrl helpTopic(const QUrl& helpFile, unsigned context);

// F1 opens the topic of `context` in `helpFile`; the context menu and the
// title bar's help button show its text (the string-table text of the context).
void attachEntryHelp(QWidget* control, unsigned context, const QUrl& helpFile);

} // namespace vqfax
