#pragma once
// Message boxes with the program's texts: the caption is the program title,
// the text comes from the string table with its placeholders filled.

#include "model/prompter.h"

#include <string>
#include <vector>

class QWidget;

namespace lisotrex::ui {

void showMessage(QWidget* parent, int id, Icon icon, const std::vector<std::string>& args = {});
Answer askQuestion(QWidget* parent, int id, Buttons buttons, Icon icon, const std::vector<std::string>& args = {});


} // namespace lisotrex::ui
