#pragma once
// Message boxes with the program's texts: the caption is the program title,
// the text comes from the string table with its placeholders filled.

#include "model/prompter.h"

#include <QCursor>

#include <string>
#include <vector>

class QWidget;

namespace lisotrex::ui {

// While alive, no override cursor (the wait cursor of a running command) is
// up: a message or dialog in the middle of a command shows the normal pointer.
// The cursors come back, in their order, when it goes.
class OverrideCursorsLifted {
public:
    OverrideCursorsLifted();
    ~OverrideCursorsLifted();
    OverrideCursorsLifted(const OverrideCursorsLifted&) = delete;
    OverrideCursorsLifted& operator=(const OverrideCursorsLifted&) = delete;

private:
    std::vector<QCursor> lifted_; // innermost first
};

void showMessage(QWidget* parent, int id, Icon icon, const std::vector<std::string>& args = {});
Answer askQuestion(QWidget* parent, int id, Buttons buttons, Icon icon, const std::vector<std::string>& args = {});


} // namespace lisotrex::ui
