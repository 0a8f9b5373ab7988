#pragma once
// File > Export: the checked entries of the chosen types as a fax address
// book file (.abk) for the fax driver.

#include "files/log_file.h"
#include "model/prompter.h"

namespace lisotrex {

class CLisotrexDoc;
struct Preferences;

enum class ExportResult { Written, Cancelled, Failed };

// storeChoices: write the dialog's changed choices to the registry (the window
// program does; a headless run keeps them to itself).
ExportResult exportBook(const CLisotrexDoc& doc, Preferences& prefs, Log& log, Prompter& prompter,
                        bool storeChoices = true);

} // namespace lisotrex
